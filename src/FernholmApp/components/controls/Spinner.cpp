#include "FernholmApp/components/controls/Spinner.h"

#include "FernholmApp/components/controls/Motion.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QTimerEvent>

#include <cmath>
#include <numbers>

namespace fernholm {

namespace {

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::Spinner") && object && object->isWidgetType()) {
        // A progress bar without a value is read as busy.
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::ProgressBar);
    }
    return nullptr;
}

} // namespace

Spinner::Spinner(Size size, const ThemeColor& color, QWidget* parent) : QWidget(parent), m_size(size), m_color(color) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

int Spinner::extent(Size size) {
    return size == Size::small ? 16 : 11;
}

void Spinner::setSpinnerSize(Size size) {
    if (size == m_size) {
        return;
    }
    m_size = size;
    updateGeometry();
    update();
}

void Spinner::setColor(const ThemeColor& color) {
    m_color = color;
    update();
}

QSize Spinner::sizeHint() const {
    return QSize(extent(m_size), extent(m_size));
}

QSize Spinner::minimumSizeHint() const {
    return sizeHint();
}

void Spinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    updateTurning();
}

void Spinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    updateTurning();
}

void Spinner::updateTurning() {
    if (Motion::duration(this, stepMilliseconds) > 0) {
        if (!m_timer.isActive()) {
            m_timer.start(stepMilliseconds, Qt::PreciseTimer, this);
        }
    } else {
        m_timer.stop();
    }
}

void Spinner::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (!isVisible()) {
        m_timer.stop();
        return;
    }
    m_step = (m_step + 1) % spokes;
    update();
}

void Spinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    const QPointF centre(width() / 2.0, height() / 2.0);
    const qreal outer = side / 2.0;
    const qreal inner = outer * 0.5;
    const qreal thickness = std::max(1.25, side * 0.1);
    const QColor base = m_color.on(this);
    painter.translate(centre);
    for (int i = 0; i < spokes; ++i) {
        // Spoke i sits i steps clockwise from twelve o'clock; the strongest is the current step,
        // those behind it fade out.
        const int behind = (m_step - i + spokes) % spokes;
        QColor color = base;
        color.setAlphaF(float(base.alphaF() * (1.0 - 0.75 * behind / (spokes - 1))));
        QPen pen(color, thickness, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const qreal angle = 2 * std::numbers::pi * i / spokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        const qreal cap = thickness / 2;
        painter.drawLine(direction * (inner + cap), direction * (outer - cap));
    }
}

} // namespace fernholm
