#include "FernholmApp/components/controls/VSwitch.h"

#include "FernholmKit/text/L10n.h"

#include "FernholmApp/components/controls/AccessibleToggle.h"

#include <QAccessible>

namespace fernholm {

void fillCheckState(const VSwitch& control, QAccessible::State& state) {
    state.checked = control.isOn();
}

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
        QAccessible::installFactory(&AccessibleToggle<VSwitch>::factory);
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
    m_knob.slideTo(on ? 1.0 : 0.0);
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
    return m_knob.trackRect(metrics(m_size));
}

QRectF VSwitch::knobRect() const {
    return m_knob.knobRect(metrics(m_size));
}

QSize VSwitch::sizeHint() const {
    return SwitchKnob::sizeHint(metrics(m_size));
}

QSize VSwitch::minimumSizeHint() const {
    return sizeHint();
}

bool VSwitch::hitButton(const QPoint& pos) const {
    return m_knob.hits(metrics(m_size), pos);
}

void VSwitch::paintEvent(QPaintEvent*) {
    m_knob.paint(metrics(m_size), SwitchKnob::mix(m_offColor.on(this), m_onColor.on(this), m_knob.position()), 1.5);
}

} // namespace fernholm
