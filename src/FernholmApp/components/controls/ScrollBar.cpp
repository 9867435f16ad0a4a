#include "FernholmApp/components/controls/ScrollBar.h"

#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace fernholm {

namespace {

constexpr int thickness = 10;   // the bar across
constexpr qreal thumbWidth = 6; // the thumb across, centred in the bar

} // namespace

ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent) : QScrollBar(orientation, parent) {
    setAttribute(Qt::WA_Hover);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

QSize ScrollBar::sizeHint() const {
    const QSize base = QScrollBar::sizeHint();
    return orientation() == Qt::Vertical ? QSize(thickness, base.height()) : QSize(base.width(), thickness);
}

QRectF ScrollBar::thumbRect() const {
    if (maximum() <= minimum()) {
        return {};
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRectF slider = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    const QRectF groove = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, this);
    if (slider.isEmpty() || groove.isEmpty()) {
        return {};
    }
    // The slider's span along the groove, mapped onto the whole bar less the end insets.
    const bool vertical = orientation() == Qt::Vertical;
    const qreal grooveStart = vertical ? groove.top() : groove.left();
    const qreal grooveLength = vertical ? groove.height() : groove.width();
    const qreal length = vertical ? height() : width();
    const qreal trackLength = std::max(thumbWidth, length - 2 * m_endInset);
    const qreal scale = trackLength / std::max(qreal(1), grooveLength);
    const qreal start = m_endInset + ((vertical ? slider.top() : slider.left()) - grooveStart) * scale;
    const qreal span = std::max(thumbWidth, (vertical ? slider.height() : slider.width()) * scale);
    if (vertical) {
        return QRectF((width() - thumbWidth) / 2, start, thumbWidth, span);
    }
    return QRectF(start, (height() - thumbWidth) / 2, span, thumbWidth);
}

void ScrollBar::setEndInset(qreal inset) {
    m_endInset = std::max(qreal(0), inset);
    update();
}

void ScrollBar::paintEvent(QPaintEvent*) {
    const QRectF thumb = thumbRect();
    if (thumb.isEmpty()) {
        return;
    }
    QPainter painter(this);
    const bool active = m_hovered || isSliderDown();
    const ThemeColor colour = active ? Theme::dim.opacity(0.6) : Theme::faint.opacity(0.45);
    Paint::fill(painter, Paint::capsule(thumb), colour.on(this));
}

void ScrollBar::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QScrollBar::enterEvent(event);
}

void ScrollBar::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QScrollBar::leaveEvent(event);
}

} // namespace fernholm
