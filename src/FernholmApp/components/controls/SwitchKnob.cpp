#include "FernholmApp/components/controls/SwitchKnob.h"

#include "FernholmApp/components/controls/FocusRing.h"
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/theme/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <QWidget>

#include <cmath>

namespace fernholm {

namespace {

constexpr int slideMilliseconds = 150;
constexpr qreal disabledOpacity = 0.55;

} // namespace

void SwitchKnob::slideTo(qreal position) {
    delete m_slide;
    const int duration = Motion::duration(m_owner, slideMilliseconds);
    if (duration <= 0 || qFuzzyCompare(m_position, position)) {
        m_position = position;
        m_owner->update();
        return;
    }
    m_slide = new QVariantAnimation(m_owner);
    m_slide->setStartValue(m_position);
    m_slide->setEndValue(position);
    m_slide->setDuration(duration);
    m_slide->setEasingCurve(Motion::easeOut());
    QObject::connect(m_slide, &QVariantAnimation::valueChanged, m_owner, [this](const QVariant& value) {
        m_position = value.toReal();
        m_owner->update();
    });
    m_slide->start(QAbstractAnimation::DeleteWhenStopped);
}

QRectF SwitchKnob::trackRect(const Metrics& m) const {
    return QRectF((m_owner->width() - m.trackWidth) / 2, (m_owner->height() - m.trackHeight) / 2, m.trackWidth,
                  m.trackHeight);
}

QRectF SwitchKnob::knobRect(const Metrics& m) const {
    const QRectF track = trackRect(m);
    const qreal travel = m.trackWidth - 2 * m.inset - m.knob;
    return QRectF(track.left() + m.inset + m_position * travel, track.top() + m.inset, m.knob, m.knob);
}

QSize SwitchKnob::sizeHint(const Metrics& m) {
    return QSize(int(std::ceil(m.trackWidth)), int(std::ceil(m.trackHeight)));
}

bool SwitchKnob::hits(const Metrics& m, const QPoint& pos) const {
    return Paint::capsule(trackRect(m)).contains(QPointF(pos) + QPointF(0.5, 0.5));
}

void SwitchKnob::paint(const Metrics& m, const QColor& trackColor, qreal shadowBlur,
                       const std::function<void(QPainter&, const QRectF&)>& overKnob) const {
    QPainter painter(m_owner);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal opacity = m_owner->isEnabled() ? 1.0 : disabledOpacity;
    Paint::layer(painter, QRectF(m_owner->rect()), opacity, [&](QPainter& p) {
        const QRectF track = trackRect(m);
        Paint::fill(p, Paint::capsule(track), trackColor);

        const QRectF knobBox = knobRect(m);
        QPainterPath knob;
        knob.addEllipse(knobBox);
        Paint::softShadow(p, knob, QColor::fromRgbF(0, 0, 0, 0.22f), shadowBlur, QPointF(0, 1));
        Paint::fill(p, knob, Qt::white);
        if (overKnob) {
            overKnob(p, knobBox);
        }

        if (FocusRing::visible(m_owner)) {
            FocusRing::paintOnFill(p, track, track.height() / 2, Theme::ink.on(m_owner), Theme::surface.on(m_owner));
        }
    });
}

QColor SwitchKnob::mix(const QColor& from, const QColor& to, qreal t) {
    const auto channel = [t](float a, float b) {
        return a + (b - a) * float(t);
    };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

} // namespace fernholm
