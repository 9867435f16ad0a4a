#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QWidget>

namespace fernholm {

// One line of text in a theme colour that, when it is given less width than it needs, is cut
// with "…" where `mode` says (Qt::ElideMiddle keeps both ends of a value or a token readable).
// Shown verbatim; accessible as static text with the whole text as its name.
//
//     auto* value = new ElidedText(detail.value, Fonts::sans(11), Theme::ink, Qt::ElideMiddle, this);
class ElidedText : public QWidget {
    Q_OBJECT
public:
    ElidedText(const QString& text, const QFont& font, const ThemeColor& color, Qt::TextElideMode mode,
               QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);
    ThemeColor color() const { return m_color; }
    Qt::TextElideMode elideMode() const { return m_mode; }
    void setAlignment(Qt::Alignment alignment);

    // The text as drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_text;
    ThemeColor m_color;
    Qt::TextElideMode m_mode;
    Qt::Alignment m_alignment = Qt::AlignLeft;
};

} // namespace fernholm
