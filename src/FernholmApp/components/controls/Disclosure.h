#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;
class QVBoxLayout;

namespace fernholm {

class DisclosureHeader;

// A label with a chevron that shows or hides the content under it: closed at first, the chevron
// pointing to the trailing side; a click on the label (or Space, or the accessibility "Press"
// action) opens it, the chevron turns down and the content appears 4 px under the label.
//
//     auto* more = new Disclosure(fernholm::tr("Show exactly what is sent"), Fonts::sans(12), Theme::dim);
//     more->setContent(detailText);   // owned; shown only while open
//
// The label is shown verbatim (translate it first) on one line, with the chevron before it in the
// same colour; only the label row takes clicks, the content keeps its own. The chevron turns over
// 0.15 s (at once while hidden or with animations off, see Motion); the content appears at once.
// The widget is as wide as it is given and as tall as the label row, plus the content's height
// while open. The label row is accessible as a button named by the label, expanded or collapsed.
class Disclosure : public QWidget {
    Q_OBJECT
public:
    Disclosure(const QString& label, const QFont& font, const ThemeColor& color, QWidget* parent = nullptr);

    QString label() const;
    void setLabel(const QString& label);

    ThemeColor color() const;
    void setColor(const ThemeColor& color);

    // Takes `content` (deleting the previous one); it is shown only while the disclosure is open.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }

    bool isOpen() const { return m_open; }
    // Opens or closes it; emits openChanged on a change.
    void setOpen(bool open);

    // The label row: the click target.
    QAbstractButton* header() const;

Q_SIGNALS:
    void openChanged(bool open);

private:
    DisclosureHeader* m_header;
    QVBoxLayout* m_layout;
    QPointer<QWidget> m_content;
    bool m_open = false;
};

// The label row of a Disclosure (public for its accessibility and tests).
class DisclosureHeader : public QAbstractButton {
    Q_OBJECT
public:
    DisclosureHeader(const QString& label, const QFont& font, const ThemeColor& color, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);

    bool isOpen() const { return m_open; }
    void setOpen(bool open);
    // 0 pointing to the trailing side (closed), 1 pointing down (open); in between while turning.
    qreal turn() const { return m_turn; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString m_label;
    ThemeColor m_color;
    bool m_open = false;
    qreal m_turn = 0;
    QPointer<QVariantAnimation> m_animation;
};

} // namespace fernholm
