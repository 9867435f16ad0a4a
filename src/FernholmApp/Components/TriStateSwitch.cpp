#include "FernholmApp/Components/TriStateSwitch.h"

#include "FernholmApp/Components/FocusRing.h"
#include "FernholmApp/Components/Motion.h"
#include "FernholmApp/Painting.h"
#include "FernholmKit/L10n.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

namespace fernholm {

namespace {

constexpr int slideMilliseconds = 150;
constexpr qreal disabledOpacity = 0.55;

class AccessibleTriStateSwitch final : public QAccessibleWidget {
public:
    explicit AccessibleTriStateSwitch(TriStateSwitch* control) : QAccessibleWidget(control, QAccessible::CheckBox) {}

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
        s.checked = control()->state() == TriStateSwitch::State::on;
        s.checkStateMixed = control()->state() == TriStateSwitch::State::mixed;
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
    TriStateSwitch* control() const { return static_cast<TriStateSwitch*>(widget()); }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("fernholm::TriStateSwitch") && object && object->isWidgetType()) {
        return new AccessibleTriStateSwitch(static_cast<TriStateSwitch*>(object));
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
        QAccessible::installFactory(accessibleFactory);
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
    slideTo(positionOf(state));
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
    return QRectF((width() - trackWidth) / 2, (height() - trackHeight) / 2, trackWidth, trackHeight);
}

QRectF TriStateSwitch::knobRect() const {
    const QRectF track = trackRect();
    const qreal travel = trackWidth - 2 * inset - knobSize;
    return QRectF(track.left() + inset + m_position * travel, track.top() + inset, knobSize, knobSize);
}

QSize TriStateSwitch::sizeHint() const {
    return QSize(int(std::ceil(trackWidth)), int(std::ceil(trackHeight)));
}

QSize TriStateSwitch::minimumSizeHint() const {
    return sizeHint();
}

bool TriStateSwitch::hitButton(const QPoint& pos) const {
    return Paint::capsule(trackRect()).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void TriStateSwitch::slideTo(qreal position) {
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

void TriStateSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Paint::layer(painter, QRectF(rect()), isEnabled() ? 1.0 : disabledOpacity, [this](QPainter& p) {
        const QRectF track = trackRect();
        // Half-way is already the on colour: mixed means some of the group is on.
        const QColor onColor = m_onColor.on(this);
        const QColor trackColor = mix(m_offColor.on(this), onColor, std::min(m_position * 2, 1.0));
        Paint::fill(p, Paint::capsule(track), trackColor);

        const QRectF knobBox = knobRect();
        QPainterPath knob;
        knob.addEllipse(knobBox);
        Paint::softShadow(p, knob, QColor::fromRgbF(0, 0, 0, 0.22f), 1.0, QPointF(0, 1));
        Paint::fill(p, knob, Qt::white);

        // The dash fades in as the knob nears the middle and out again towards either end.
        const qreal dash = 1.0 - std::min(std::abs(m_position - 0.5) * 4, 1.0);
        if (dash > 0) {
            QColor dashColor = onColor;
            dashColor.setAlphaF(float(dashColor.alphaF() * dash));
            const qreal half = knobSize * 0.22;
            const QPointF centre = knobBox.center();
            p.setPen(QPen(dashColor, 2.0, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(centre.x() - half, centre.y()), QPointF(centre.x() + half, centre.y()));
        }

        if (FocusRing::visible(this)) {
            FocusRing::paint(p, track, track.height() / 2, Theme::ink.on(this), 0);
        }
    });
}

} // namespace fernholm
