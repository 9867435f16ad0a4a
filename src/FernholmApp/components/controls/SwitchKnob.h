#pragma once

#include <QColor>
#include <QPointer>
#include <QRectF>
#include <QSize>

#include <functional>

class QPainter;
class QPoint;
class QVariantAnimation;
class QWidget;

namespace fernholm {

// What the capsule switches share: a track of fixed size centred in the owning widget and a
// white knob that slides along it, with the slide animation, the hit test on the capsule and
// the painting of track, knob and focus ring. The owner keeps one as a member and forwards to it.
//
//     SwitchKnob m_knob{this};
//     void setOn(bool on) { m_knob.slideTo(on ? 1.0 : 0.0); }
//     bool hitButton(const QPoint& pos) const override { return m_knob.hits(metrics, pos); }
class SwitchKnob {
public:
    struct Metrics {
        qreal trackWidth;
        qreal trackHeight;
        qreal knob; // diameter
        qreal inset;
    };

    explicit SwitchKnob(QWidget* owner) : m_owner(owner) {}
    SwitchKnob(const SwitchKnob&) = delete;
    SwitchKnob& operator=(const SwitchKnob&) = delete;

    // 0 with the knob at the leading end, 1 at the trailing end; in between while it slides.
    qreal position() const { return m_position; }
    // Slides the knob to `position` over 0.15 s (ease-out); at once while the owner is hidden or
    // with animations off. A slide under way gives way to the new one, from where the knob is.
    void slideTo(qreal position);

    QRectF trackRect(const Metrics& m) const;
    QRectF knobRect(const Metrics& m) const;
    static QSize sizeHint(const Metrics& m);
    // Whether `pos` falls on the capsule (not on the corners outside its rounded ends).
    bool hits(const Metrics& m, const QPoint& pos) const;

    // Paints the track in `trackColor`, the knob with a shadow of `shadowBlur`, then `overKnob`
    // (given the knob's box) and the focus ring; all at 55 % while the owner is disabled.
    void paint(const Metrics& m, const QColor& trackColor, qreal shadowBlur,
               const std::function<void(QPainter&, const QRectF&)>& overKnob = {}) const;

    // The colour `t` of the way from `from` to `to`, channel by channel.
    static QColor mix(const QColor& from, const QColor& to, qreal t);

private:
    QWidget* m_owner;
    qreal m_position = 0;
    QPointer<QVariantAnimation> m_slide;
};

} // namespace fernholm
