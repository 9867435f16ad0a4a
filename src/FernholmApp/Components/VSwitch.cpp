#include "FernholmApp/Components/VSwitch.h"

#include "FernholmApp/Components/FocusRing.h"
#include "FernholmApp/Components/Motion.h"
#include "FernholmApp/Painting.h"
#include "FernholmKit/L10n.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace fernholm {

namespace {

constexpr int slideMilliseconds = 150;
constexpr qreal disabledOpacity = 0.55;

class AccessibleSwitch final : public QAccessibleWidget {
public:
    explicit AccessibleSwitch(VSwitch* control) : QAccessibleWidget(control, QAccessible::CheckBox) {}

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return control()->accessibleName().isEmpty() ? control()->label() : control()->accessibleName();
        case QAccessible::Value:
            return control()->valueText();
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = control()->isOn();
        return s;
    }

    QStringList actionNames() const override { return QStringList{toggleAction()} + QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name != toggleAction()) {
            QAccessibleWidget::doAction(name);
        } else if (control()->isEnabled()) {
            control()->click();
        }
    }

private:
    VSwitch* control() const { return static_cast<VSwitch*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::VSwitch") && object && object->isWidgetType()) {
        return new AccessibleSwitch(static_cast<VSwitch*>(object));
    }
    return nullptr;
}

QColor mix(const QColor& from, const QColor& to, qreal t) {
    const auto channel = [t](float a, float b) {
        return a + (b - a) * float(t);
    };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

} // namespace

VSwitch::Metrics VSwitch::metrics(Size size) {
    switch (size) {
    case Size::hero:
        return {72, 40, 32, 4};
    case Size::regular:
        return {48, 28, 22, 3};
    case Size::small:
        return {44, 26, 20, 3};
    }
    return metrics(Size::regular);
}

VSwitch::VSwitch(Size size, const ThemeColor& onColor, const ThemeColor& offColor, const QString& label,
                 QWidget* parent)
    : QAbstractButton(parent), m_size(size), m_onColor(onColor), m_offColor(offColor), m_label(label) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { Q_EMIT toggleRequested(!m_on); });
}

void VSwitch::setOn(bool on) {
    if (on == m_on) {
        return;
    }
    m_on = on;
    slideTo(on ? 1.0 : 0.0);
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent stateEvent(this, changed);
        QAccessible::updateAccessibility(&stateEvent);
        QAccessibleValueChangeEvent valueEvent(this, valueText());
        QAccessible::updateAccessibility(&valueEvent);
    }
}

void VSwitch::setSwitchSize(Size size) {
    m_size = size;
    updateGeometry();
    update();
}

void VSwitch::setColors(const ThemeColor& onColor, const ThemeColor& offColor) {
    m_onColor = onColor;
    m_offColor = offColor;
    update();
}

void VSwitch::setLabel(const QString& label) {
    if (label == m_label) {
        return;
    }
    m_label = label;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString VSwitch::valueText() const {
    return m_on ? fernholm::tr("On") : fernholm::tr("Off");
}

QRectF VSwitch::trackRect() const {
    const Metrics m = metrics(m_size);
    return QRectF((width() - m.trackWidth) / 2, (height() - m.trackHeight) / 2, m.trackWidth, m.trackHeight);
}

QRectF VSwitch::knobRect() const {
    const Metrics m = metrics(m_size);
    const QRectF track = trackRect();
    const qreal travel = m.trackWidth - 2 * m.inset - m.knob;
    return QRectF(track.left() + m.inset + m_position * travel, track.top() + m.inset, m.knob, m.knob);
}

QSize VSwitch::sizeHint() const {
    const Metrics m = metrics(m_size);
    return QSize(int(std::ceil(m.trackWidth)), int(std::ceil(m.trackHeight)));
}

QSize VSwitch::minimumSizeHint() const {
    return sizeHint();
}

bool VSwitch::hitButton(const QPoint& pos) const {
    return Paint::capsule(trackRect()).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void VSwitch::slideTo(qreal position) {
    delete m_slide; // a slide under way gives way to the new one, from where the knob is
    const int duration = Motion::duration(this, slideMilliseconds);
    if (duration <= 0 || qFuzzyCompare(m_position, position)) {
        m_position = position;
        update();
        return;
    }
    m_slide = new QVariantAnimation(this);
    m_slide->setStartValue(m_position);
    m_slide->setEndValue(position);
    m_slide->setDuration(duration);
    m_slide->setEasingCurve(Motion::easeOut());
    connect(m_slide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_position = value.toReal();
        update();
    });
    m_slide->start(QAbstractAnimation::DeleteWhenStopped);
}

void VSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint::layer(painter, QRectF(rect()), isEnabled() ? 1.0 : disabledOpacity, [this](QPainter& p) {
        const QRectF track = trackRect();
        const QColor trackColor = mix(m_offColor.on(this), m_onColor.on(this), m_position);
        Paint::fill(p, Paint::capsule(track), trackColor);

        QPainterPath knob;
        knob.addEllipse(knobRect());
        Paint::softShadow(p, knob, QColor::fromRgbF(0, 0, 0, 0.22f), 1.5, QPointF(0, 1));
        Paint::fill(p, knob, Qt::white);

        if (FocusRing::visible(this)) {
            FocusRing::paint(p, track, track.height() / 2, Theme::ink.on(this), 0);
        }
    });
}

} // namespace fernholm
