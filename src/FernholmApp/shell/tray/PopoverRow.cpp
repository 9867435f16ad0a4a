#include "FernholmApp/shell/tray/PopoverRow.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Painting.h"

#include <QPainter>

namespace fernholm {

void PopoverRowStyle::paintHighlight(QPainter& painter, const QRectF& rect, const QWidget* widget) {
    Paint::fill(painter, Paint::roundedRect(rect, radius), Theme::surface.opacity(opacity).on(widget));
}

PopoverRow::PopoverRow(const QString& name, QWidget* parent) : QAbstractButton(parent) {
    setAccessibleName(name);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

bool PopoverRow::isHighlighted() const {
    return m_hovering || isDown() || FocusRing::visible(this);
}

void PopoverRow::paintEvent(QPaintEvent*) {
    if (!isHighlighted()) {
        return;
    }
    QPainter painter(this);
    PopoverRowStyle::paintHighlight(painter, rect(), this);
}

void PopoverRow::enterEvent(QEnterEvent* event) {
    m_hovering = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PopoverRow::leaveEvent(QEvent* event) {
    m_hovering = false;
    update();
    QAbstractButton::leaveEvent(event);
}

bool PopoverRow::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

} // namespace fernholm
