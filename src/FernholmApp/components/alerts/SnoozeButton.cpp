#include "FernholmApp/components/alerts/SnoozeButton.h"

#include "FernholmApp/components/alerts/AlertHandlers.h"
#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/PillButtonStyle.h"
#include "FernholmApp/theme/Icons.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QPainter>
#include <QPainterPath>

namespace fernholm {

namespace {

constexpr int side = 32;
constexpr qreal symbolSize = 12;

} // namespace

SnoozeButton::SnoozeButton(const AppAlert& alert, QWidget* parent) : QAbstractButton(parent), m_alert(alert) {
    setFixedSize(side, side);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    const QString name = fernholm::tr("Remind me later");
    setToolTip(name);
    setAccessibleName(name);
    connect(this, &QAbstractButton::clicked, this, [this] {
        // A copy: the handler may lead to this button's deletion.
        const AppAlert alert = m_alert;
        AlertHandlers::of(this).snooze(alert);
    });
}

QSize SnoozeButton::sizeHint() const {
    return QSize(side, side);
}

bool SnoozeButton::hitButton(const QPoint& pos) const {
    QPainterPath circle;
    circle.addEllipse(QRectF(rect()));
    return circle.contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void SnoozeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = Theme::faint.on(this);
    const QRectF frame(rect());
    Paint::layer(painter, frame, PillButtonStyle::opacity(true, isDown()), [&](QPainter& p) {
        const QRectF box(frame.center() - QPointF(symbolSize / 2, symbolSize / 2), QSizeF(symbolSize, symbolSize));
        Icons::paint(p, QStringLiteral("xmark"), box, IconWeight::regular, ink);
        if (FocusRing::visible(this)) {
            FocusRing::paint(p, frame, side / 2.0, ink);
        }
    });
}

} // namespace fernholm
