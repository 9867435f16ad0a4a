#pragma once

// Shared pieces of the control-client tests.

#include "FernholmKit/control/ProofGate.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <memory>

namespace fernholm::test {

// A control token of the real shape: 64 lower-case hexadecimal digits.
inline const QString testToken = QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");

// A gate whose gateway has just proved itself, so the client lets calls through.
inline std::shared_ptr<ProofGate> provenGate() {
    auto gate = std::make_shared<ProofGate>();
    gate->proven(Clock::now());
    return gate;
}

// The JSON object in a request or reply body; an empty object (and a warning) for anything else.
inline QJsonObject jsonObject(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qWarning("not a JSON object: %s", text.constData());
        return {};
    }
    return document.object();
}

} // namespace fernholm::test
