#pragma once

#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"

#include <QWidget>

namespace fernholm {

// The outcome of an event as a pill: its label (through tr) in sans 12/600, padded 10 across and
// 4 down, on a capsule, in the kind's colours:
//
//     redacted    "Redacted"       Theme::green       on Theme::greenBg
//     passed      "Passed"         Theme::dim         on Theme::neutralBg
//     blocked     "Blocked"        Theme::red         on Theme::redBg
//     unfiltered  "Not inspected"  Theme::warningInk  on Theme::warningIconBg
//
// The pill keeps its size hint in both directions. setKind updates it in place.
class StatusPill : public QWidget {
    Q_OBJECT
public:
    explicit StatusPill(PillKind kind, QWidget* parent = nullptr);

    PillKind kind() const { return m_kind; }
    void setKind(PillKind kind);

    // The label of `kind` in the current language.
    static QString label(PillKind kind);
    struct Colors {
        ThemeColor text;
        ThemeColor fill;
        bool operator==(const Colors&) const = default;
    };
    static Colors colors(PillKind kind);

    QString text() const { return m_text; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    PillKind m_kind;
    QString m_text;
};

} // namespace fernholm
