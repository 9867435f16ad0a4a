#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QWidget>

namespace fernholm {

// Which part of the gateway found a value: a small capsule with the source's name, in ink for
// the model and dim for anything else, on a tint of the same colour. Known sources ("model",
// "rules", "second_pass") are translated; any other word is shown capitalised word by word as
// it came. The label is cut with "…" when the pill gets less width than it needs.
class SourcePill : public QWidget {
    Q_OBJECT
public:
    explicit SourcePill(const QString& detectedBy, QWidget* parent = nullptr);

    QString detectedBy() const { return m_source; }
    void setDetectedBy(const QString& detectedBy);

    QString label() const;
    ThemeColor color() const;

    // The label and colour of a source word (compared exactly: "Model" is not "model").
    static QString labelFor(const QString& detectedBy);
    static ThemeColor colorFor(const QString& detectedBy);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_source;
};

} // namespace fernholm
