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
// the height): 2 px wide, `inset` px inside the edge, in `color` (opaque, so that it reads on any
// fill behind it).
void paint(QPainter& painter, const QRectF& rect, qreal radius, QColor color, qreal inset = 2);

// The ring on a filled shape whose fill may be close to `color` (a switch's track): the ring in
// `color` on the shape's edge with a 2 px band of `separator` just inside it, so that it shows on
// any fill.
void paintOnFill(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, const QColor& separator);

} // namespace FocusRing

} // namespace fernholm
