#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QRectF>
#include <QStringList>

#include <optional>

class QPainter;

namespace fernholm {

// Stroke weights of the symbols, like a font's: light, regular, medium.
enum class IconWeight { light, regular, medium };

// A symbol drawn on a 24 x 24 unit grid: `stroke` is outlined with the weight's pen (round caps
// and joins), `fill` is filled solid (dots), and `slash`, when there is one, is stroked last
// with a gap cleared on both sides of it (eye.slash).
struct IconShape {
    QPainterPath stroke;
    QPainterPath fill;
    QPainterPath slash;
};

// Our own symbol set, looked up by the symbol names the designs use ("xmark", "info.circle", …).
// A symbol of size S fills an S x S square the way a glyph of an S-pixel font fills its em.
//
//     Icons::paint(painter, "chevron.down", QRectF(x, y, 11, 11), IconWeight::light, Theme::faint.on(this));
//
// To add a symbol, write one function returning its IconShape in Icons.cpp and list it with its
// name in the table there.
namespace Icons {

QStringList names();
bool has(const QString& name);
std::optional<IconShape> shape(const QString& name);

// The pen width of a weight, in grid units.
qreal strokeWidth(IconWeight weight);

// Paints symbol `name` in the largest square centred in `box`. Returns false for an unknown
// name (and paints nothing).
bool paint(QPainter& painter, const QString& name, const QRectF& box, IconWeight weight, const QColor& color);

// The symbol alone at `size` pixels and device pixel ratio `dpr`, on transparency; a null image
// for an unknown name.
QImage image(const QString& name, qreal size, IconWeight weight, const QColor& color, qreal dpr = 1.0);

} // namespace Icons

} // namespace fernholm
