#pragma once

// Small pieces the cards under the redaction rules share: a card's title block, the line that
// counts what an organisation adds, and the coloured label chip of a blocklist row.

#include "FernholmApp/theme/Theme.h"

#include <QString>
#include <QWidget>

namespace fernholm {

class TextLabel;

// A card's title (sans 15/600, Theme::ink) over its subtitle (13/400, Theme::dim, wrapping), 3 apart.
QWidget* cardTitle(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

// A lock and a short text, 6 apart, both in Theme::faint: the lock at 11 px, the text sans 12/400.
class OrgLine : public QWidget {
    Q_OBJECT
public:
    explicit OrgLine(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    TextLabel* label() const { return m_label; }

private:
    TextLabel* m_label = nullptr;
};

// A label's slug in white mono 11/500 on one line, padded 7 across and 3 down, on a rounded
// rectangle of radius 5 in one of the fixed label colours. Its size is fixed at its size hint.
class LabelChip : public QWidget {
    Q_OBJECT
public:
    LabelChip(const QString& text, const ThemeColor& fill, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    ThemeColor fill() const { return m_fill; }
    void setFill(const ThemeColor& fill);

    static constexpr qreal paddingH = 7;
    static constexpr qreal paddingV = 3;
    static constexpr qreal radius = 5;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    ThemeColor m_fill;
};

} // namespace fernholm
