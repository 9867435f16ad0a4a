#include "FernholmApp/components/alerts/AlertIcon.h"

#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"

#include <QPainter>

#include <cmath>

namespace fernholm {

AlertIcon::AlertIcon(AlertLevel level, qreal size, QWidget* parent) : QWidget(parent), m_level(level), m_size(size) {
    const int side = int(std::ceil(size - 1e-6));
    setFixedSize(side, side);
}

void AlertIcon::setLevel(AlertLevel level) {
    if (level != m_level) {
        m_level = level;
        update();
    }
}

QString AlertIcon::symbolName() const {
    return m_level == AlertLevel::warning ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("info.circle");
}

void AlertIcon::paintEvent(QPaintEvent*) {
    const bool warning = m_level == AlertLevel::warning;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(0, 0, m_size, m_size);
    QPainterPath circle;
    circle.addEllipse(frame);
    Paint::fill(painter, circle, (warning ? Theme::warningIconBg : Theme::noticeIconBg).on(this));
    const qreal symbol = symbolSize();
    const QRectF box(frame.center() - QPointF(symbol / 2, symbol / 2), QSizeF(symbol, symbol));
    Icons::paint(painter, symbolName(), box, IconWeight::regular, (warning ? Theme::warningInk : Theme::dim).on(this));
}

} // namespace fernholm
