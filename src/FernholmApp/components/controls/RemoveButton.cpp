#include "FernholmApp/components/controls/RemoveButton.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QPainter>

namespace fernholm {

RemoveButton::RemoveButton(const QString& value, QWidget* parent) : QAbstractButton(parent) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setValue(value);
}

void RemoveButton::setValue(const QString& value) {
    m_value = value;
    const QString name = fernholm::tr("Remove {value}", {{QStringLiteral("value"), value}});
    setAccessibleName(name);
    setToolTip(name);
}

bool RemoveButton::hitButton(const QPoint& pos) const {
    const QPointF d = QPointF(pos) + QPointF(0.5, 0.5) - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= (side / 2.0) * (side / 2.0);
}

void RemoveButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    update();
}

void RemoveButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    update();
}

void RemoveButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool hot = underMouse() || isDown();
    const QColor color = (hot ? Theme::ink : Theme::faint).on(this);
    constexpr qreal glyph = 10;
    const QRectF box(QRectF(rect()).center() - QPointF(glyph / 2, glyph / 2), QSizeF(glyph, glyph));
    Icons::paint(painter, QStringLiteral("xmark"), box, IconWeight::medium, color);
    if (FocusRing::visible(this)) {
        // In ink, not the glyph's faint colour: the ring must stand out on any chip or row.
        FocusRing::paint(painter, QRectF(rect()), side / 2.0, Theme::ink.on(this), 1);
    }
}

} // namespace fernholm
