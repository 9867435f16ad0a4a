#pragma once

#include <QColor>
#include <QRectF>

class QPainter;
class QWidget;

namespace fernholm {

// The keyboard focus mark of the painted controls: a thin ring just inside the control's own
// shape, in the colour of its label, shown only when focus came from the keyboard (Tab, a
// shortcut) and not after a click.
namespace FocusRing {

// Whether `widget` has focus and its window last moved focus by keyboard.
bool visible(const QWidget* widget);

// The ring for a rounded rectangle `rect` of corner `radius` (a capsule when the radius is half
// the height): 1.5 px wide, `inset` px inside the edge, in `color` at half opacity.
void paint(QPainter& painter, const QRectF& rect, qreal radius, QColor color, qreal inset = 2);

} // namespace FocusRing

} // namespace fernholm
