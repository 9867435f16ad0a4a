#include "FernholmApp/components/controls/FocusRing.h"

#include "FernholmApp/theme/Painting.h"

#include <QPainter>
#include <QWidget>

namespace fernholm::FocusRing {

bool visible(const QWidget* widget) {
    return widget && widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void paint(QPainter& painter, const QRectF& rect, qreal radius, QColor color, qreal inset) {
    color.setAlphaF(color.alphaF() * 0.5f);
    Paint::strokeInside(painter, rect.adjusted(inset, inset, -inset, -inset), std::max(qreal(0), radius - inset), color,
                        1.5);
}

} // namespace fernholm::FocusRing
