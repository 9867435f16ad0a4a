#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QAbstractButton>

namespace fernholm {

// A text drawn as a link: the title in the body font at `size` (weight 400), in `color`,
// underlined when asked, with no button chrome; a click, Space or Enter runs clicked(). One line,
// ended with "…" when the link is given less width than its sizeHint. Contents margins pad the
// text inside the link: the whole padded box takes clicks, and the text is centred vertically
// in it (a link made taller than its text reacts on its whole height).
//
//     auto* more = new TextLink(fernholm::tr("Report a problem"), Theme::dim, 12, true, this);
//     connect(more, &QAbstractButton::clicked, this, &ActivityPage::openReport);
//
// The title is shown verbatim (translate it first) and is the accessible name; the role is a
// link.
class TextLink : public QAbstractButton {
    Q_OBJECT
public:
    TextLink(const QString& title, const ThemeColor& color, qreal size = 13, bool underline = false,
             QWidget* parent = nullptr);

    QString title() const { return m_title; }
    void setTitle(const QString& title);

    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);

    bool isUnderlined() const { return m_underline; }
    void setUnderlined(bool underline);

    // The body font at the link's size, underlined or not.
    QFont linkFont() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void changed();

    QString m_title;
    ThemeColor m_color;
    qreal m_size;
    bool m_underline;
};

} // namespace fernholm
