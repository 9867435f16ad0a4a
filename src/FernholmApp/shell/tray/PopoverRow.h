#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QAbstractButton>

namespace fernholm {

// The highlight behind a row of the tray panel's menu: a rounded rectangle (radius 10) in
// `surface` at 70 % while the row is hovered, pressed or focused from the keyboard, nothing
// otherwise. No animation.
namespace PopoverRowStyle {

inline constexpr qreal radius = 10;
inline constexpr qreal opacity = 0.7;

void paintHighlight(QPainter& painter, const QRectF& rect, const QWidget* widget);

} // namespace PopoverRowStyle

// A clickable row of the tray panel's menu. Its content is whatever the caller lays into it
// (icon, labels); the row paints only the highlight behind them. Clicks on the content reach
// the row, which emits clicked(); Space presses it from the keyboard.
//
//     auto* row = new PopoverRow(fernholm::tr("Open Tarvine"), panel);
//     auto* content = new QHBoxLayout(row);
//     content->setContentsMargins(10, 8, 10, 8);
//     content->addWidget(new TextLabel(row->accessibleName(), Fonts::sans(13), Theme::ink));
//     connect(row, &QAbstractButton::clicked, shell, &Shell::showWindow);
//
// `name` is the accessible name (the row itself shows no text of its own).
class PopoverRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit PopoverRow(const QString& name = QString(), QWidget* parent = nullptr);

    bool isHovering() const { return m_hovering; }
    bool isHighlighted() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    bool m_hovering = false;
};

} // namespace fernholm
