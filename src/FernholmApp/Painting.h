#pragma once

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

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

} // namespace Paint

} // namespace fernholm
