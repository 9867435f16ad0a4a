#include "FernholmApp/components/controls/FocusRing.h"

#include "FernholmApp/theme/Painting.h"

#include <QPainter>
#include <QWidget>

namespace fernholm::FocusRing {

bool visible(const QWidget* widget) {
    return widget && widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void paint(QPainter& painter, const QRectF& rect, qreal radius, QColor color, qreal inset) {
    Paint::strokeInside(painter, rect.adjusted(inset, inset, -inset, -inset), std::max(qreal(0), radius - inset), color,
                        2);
}

void paintOnFill(QPainter& painter, const QRectF& rect, qreal radius, const QColor& color, const QColor& separator) {
    Paint::strokeInside(painter, rect.adjusted(2, 2, -2, -2), std::max(qreal(0), radius - 2), separator, 2);
    Paint::strokeInside(painter, rect, radius, color, 2);
}

} // namespace fernholm::FocusRing
