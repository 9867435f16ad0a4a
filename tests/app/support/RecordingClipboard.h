#pragma once

#include "FernholmApp/model/Clipboard.h"

#include <QStringList>

namespace fernholm::test {

// A clipboard that only writes down what it was asked: "clear", or "text:" and the text.
class RecordingClipboard final : public Clipboard {
public:
    QStringList calls;

    void clear() override { calls.append(QStringLiteral("clear")); }
    void setText(const QString& text) override { calls.append(QStringLiteral("text:") + text); }
};

} // namespace fernholm::test
