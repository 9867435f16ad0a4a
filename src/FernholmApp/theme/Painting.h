#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

#include <functional>

class QPainter;

namespace fernholm {

// Shapes and strokes every component draws with. Coordinates are logical pixels.
namespace Paint {

// A rounded rectangle with continuous ("squircle") corners: each corner's curve starts about
// 1.53 x radius from the corner and eases into the straight edge. A radius too large for that
// (more than about a third of the shorter side) gives circular corners, up to a capsule.
QPainterPath roundedRect(const QRectF& rect, qreal radius);
// The stadium shape: semicircles on the shorter sides.
QPainterPath capsule(const QRectF& rect);

void fill(QPainter& painter, const QPainterPath& shape, const QColor& color);

// The outline of roundedRect(rect, radius) drawn entirely inside its edge: a `width`-px stroke
// along the shape inset by half the width (the radius shrinks with it).
void strokeInside(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, qreal width = 1.0);

// A soft shadow of `shape`: the shape filled with `color`, moved by `offset` and blurred by a
// Gaussian of standard deviation `radius` (a shadow radius of the design). Paint it before the
// shape itself. Transparent colours and empty shapes draw nothing.
void softShadow(QPainter& painter, const QPainterPath& shape, const QColor& color, qreal radius, const QPointF& offset);

// Device pixels per logical pixel where `painter` draws: the target's pixel ratio times the
// painter's scale. The target is the device that receives the pixels, which is not the widget
// when a widget is rendered into an image (QWidget::render) or a backing store of another ratio.
qreal deviceScale(const QPainter& painter);

// Paints what `draw` paints as one layer at `opacity`: the parts are composited together first,
// so a label does not let the fill under it show through (a translucent control looks like the
// opaque one seen through glass). `bounds` must hold everything drawn. Opacity 1 paints directly.
void layer(QPainter& painter, const QRectF& bounds, qreal opacity, const std::function<void(QPainter&)>& draw);

} // namespace Paint

} // namespace fernholm
