#include "FernholmApp/components/layout/Backdrop.h"

#include "FernholmApp/theme/Theme.h"

#include <QGradient>
#include <QList>
#include <QPainter>
#include <QWidget>

namespace fernholm {

namespace {

bool isOpaque(const QBrush& brush) {
    switch (brush.style()) {
    case Qt::SolidPattern:
        return brush.color().alpha() == 255;
    case Qt::LinearGradientPattern:
    case Qt::RadialGradientPattern:
    case Qt::ConicalGradientPattern:
        for (const auto& stop : brush.gradient()->stops()) {
            if (stop.second.alpha() != 255) {
                return false;
            }
        }
        return true;
    default:
        return false;
    }
}

struct Placed {
    QPoint origin; // the layer's widget's origin in the painted widget's coordinates
    Backdrop::Layer layer;
};

} // namespace

void Backdrop::paintBehind(QPainter& painter, const QWidget* widget, const QPainterPath& area) {
    if (!widget || area.isEmpty()) {
        return;
    }
    const QRectF bounds = area.boundingRect();
    QList<Placed> layers; // outermost first
    bool covered = false;
    const QWidget* outermost = widget;
    for (const QWidget* ancestor = widget->parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        outermost = ancestor;
        std::optional<Layer> layer;
        if (const auto* backdrop = dynamic_cast<const Backdrop*>(ancestor)) {
            layer = backdrop->backdropLayer();
        } else if (ancestor->autoFillBackground()) {
            QPainterPath shape;
            shape.addRect(ancestor->rect());
            layer = Layer{shape, ancestor->palette().brush(ancestor->backgroundRole())};
        }
        if (layer && !layer->shape.isEmpty()) {
            const QPoint inAncestor = widget->mapTo(ancestor, QPoint(0, 0));
            layers.prepend(Placed{-inAncestor, *layer});
            if (isOpaque(layer->brush) && layer->shape.contains(bounds.translated(inAncestor))) {
                covered = true;
                break;
            }
        }
        if (ancestor->isWindow()) {
            break;
        }
    }

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    if (!covered) {
        // Behind every widget of ours lies the window's own background.
        painter.fillPath(area, Theme::background.on(outermost));
    }
    for (const Placed& placed : std::as_const(layers)) {
        painter.save();
        painter.translate(placed.origin);
        const QPainterPath inLayer = area.translated(-placed.origin);
        const QPainterPath target =
            placed.layer.shape.contains(inLayer.boundingRect()) ? inLayer : inLayer.intersected(placed.layer.shape);
        painter.fillPath(target, placed.layer.brush);
        painter.restore();
    }
    painter.restore();
}

} // namespace fernholm
