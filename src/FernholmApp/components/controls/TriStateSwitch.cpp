#include "FernholmApp/components/controls/TriStateSwitch.h"

#include "FernholmKit/text/L10n.h"

#include "FernholmApp/components/controls/AccessibleToggle.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace fernholm {

void fillCheckState(const TriStateSwitch& control, QAccessible::State& state) {
    state.checked = control.state() == TriStateSwitch::State::on;
    state.checkStateMixed = control.state() == TriStateSwitch::State::mixed;
}

namespace {

qreal positionOf(TriStateSwitch::State state) {
    switch (state) {
    case TriStateSwitch::State::off:
        return 0.0;
    case TriStateSwitch::State::mixed:
        return 0.5;
    case TriStateSwitch::State::on:
        return 1.0;
    }
    return 0.0;
}

} // namespace

TriStateSwitch::TriStateSwitch(const ThemeColor& onColor, const ThemeColor& offColor, const QString& label,
                               QWidget* parent)
    : QAbstractButton(parent), m_onColor(onColor), m_offColor(offColor), m_label(label) {
    static const bool installed = [] {
        QAccessible::installFactory(&AccessibleToggle<TriStateSwitch>::factory);
        return true;
    }();
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, [this] { Q_EMIT toggleRequested(m_state != State::on); });
}

void TriStateSwitch::setState(State state) {
    if (state == m_state) {
        return;
    }
    m_state = state;
    m_knob.slideTo(positionOf(state));
    if (QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        changed.checkStateMixed = true;
        QAccessibleStateChangeEvent stateEvent(this, changed);
        QAccessible::updateAccessibility(&stateEvent);
        QAccessibleValueChangeEvent valueEvent(this, valueText());
        QAccessible::updateAccessibility(&valueEvent);
    }
}

void TriStateSwitch::setLabel(const QString& label) {
    if (label == m_label) {
        return;
    }
    m_label = label;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

QString TriStateSwitch::valueText() const {
    switch (m_state) {
    case State::off:
        return fernholm::tr("Off");
    case State::mixed:
        return fernholm::tr("Mixed");
    case State::on:
        return fernholm::tr("On");
    }
    return {};
}

QRectF TriStateSwitch::trackRect() const {
    return m_knob.trackRect(knobMetrics);
}

QRectF TriStateSwitch::knobRect() const {
    return m_knob.knobRect(knobMetrics);
}

QSize TriStateSwitch::sizeHint() const {
    return SwitchKnob::sizeHint(knobMetrics);
}

QSize TriStateSwitch::minimumSizeHint() const {
    return sizeHint();
}

bool TriStateSwitch::hitButton(const QPoint& pos) const {
    return m_knob.hits(knobMetrics, pos);
}

void TriStateSwitch::paintEvent(QPaintEvent*) {
    const qreal position = m_knob.position();
    // Half-way is already the on colour: mixed means some of the group is on.
    const QColor onColor = m_onColor.on(this);
    const QColor trackColor = SwitchKnob::mix(m_offColor.on(this), onColor, std::min(position * 2, 1.0));
    m_knob.paint(knobMetrics, trackColor, 1.0, [&](QPainter& p, const QRectF& knobBox) {
        // The dash fades in as the knob nears the middle and out again towards either end.
        const qreal dash = 1.0 - std::min(std::abs(position - 0.5) * 4, 1.0);
        if (dash <= 0) {
            return;
        }
        QColor dashColor = onColor;
        dashColor.setAlphaF(float(dashColor.alphaF() * dash));
        const qreal half = knobSize * 0.22;
        const QPointF centre = knobBox.center();
        p.setPen(QPen(dashColor, 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(centre.x() - half, centre.y()), QPointF(centre.x() + half, centre.y()));
    });
}

} // namespace fernholm
