#pragma once

#include <QBrush>
#include <QPainterPath>

#include <optional>

class QPainter;
class QWidget;

namespace fernholm {

// What a widget paints behind its children, described so that a surface inside it can paint the
// same thing again.
//
// Qt clips child widgets to rectangles only (a widget mask is aliased), so a rounded surface whose
// content reaches its edge cannot have that content clipped to its curve. It paints over its
// corners instead, after its children, what lies behind it: the fills of the widgets around it.
// Our containers that paint a background (Surface, Card, Panel, FirstRunFrame) implement this
// interface; an ancestor that fills its background automatically (autoFillBackground) counts
// with its palette brush; behind everything, a window shows Theme::background. A custom widget
// that paints its own background under a clipping surface implements this interface too.
class Backdrop {
public:
    // One fill: `shape` filled with `brush`, both in the widget's own coordinates, the brush
    // resolved for the scheme the fill is drawn in.
    struct Layer {
        QPainterPath shape;
        QBrush brush;
    };

    virtual ~Backdrop() = default;

    // The fill this widget paints behind its children, or nothing when it paints none.
    virtual std::optional<Layer> backdropLayer() const = 0;

    // Paints into `area` (in `widget`'s coordinates) what the ancestors of `widget` paint there:
    // their fills from the nearest opaque one inwards, antialiased.
    static void paintBehind(QPainter& painter, const QWidget* widget, const QPainterPath& area);
};

} // namespace fernholm
