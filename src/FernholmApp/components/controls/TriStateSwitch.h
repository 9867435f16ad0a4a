#pragma once

#include "FernholmApp/components/controls/SwitchKnob.h"
#include "FernholmApp/theme/Theme.h"

#include <QAbstractButton>

namespace fernholm {

// A small switch over a group of on/off values: on when all of them are on, off when none is,
// mixed when some are. Mixed shows the track in the on colour with the knob in the middle,
// marked with a dash.
//
// Like VSwitch it shows only what the caller sets: a click (or Space, or the accessibility
// "Toggle" action) emits toggleRequested(on), where `on` is false only when the state was on,
// and the caller writes the group and then the new state back with setState():
//
//     auto* all = new TriStateSwitch(Theme::switchOn, Theme::switchOff, fernholm::tr("All types"));
//     connect(all, &TriStateSwitch::toggleRequested, this, [this](bool on) { setAllTypes(on); });
//
// Changes slide the knob over 0.15 s (ease-out), at once while hidden or with animations off.
// Disabled, it is drawn at 55 % and ignores clicks. Accessible as a check box named `label`,
// checked when on and in the mixed check state when mixed, its value "On", "Off" or "Mixed" in
// the current language.
class TriStateSwitch : public QAbstractButton {
    Q_OBJECT
public:
    enum class State { off, mixed, on };

    static constexpr qreal trackWidth = 32;
    static constexpr qreal trackHeight = 18;
    static constexpr qreal knobSize = 14;
    static constexpr qreal inset = 2;

    explicit TriStateSwitch(const ThemeColor& onColor = Theme::switchOn, const ThemeColor& offColor = Theme::switchOff,
                            const QString& label = QString(), QWidget* parent = nullptr);

    State state() const { return m_state; }
    // Shows `state` (sliding the knob when visible); emits nothing.
    void setState(State state);

    QString label() const { return m_label; }
    void setLabel(const QString& label);

    // "On", "Off" or "Mixed" in the current language: the accessible value.
    QString valueText() const;

    QRectF trackRect() const;
    QRectF knobRect() const;
    // 0 off, 0.5 mixed, 1 on; in between while the knob slides.
    qreal knobPosition() const { return m_knob.position(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user asked for every value of the group to become `on`.
    void toggleRequested(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    static constexpr SwitchKnob::Metrics knobMetrics{trackWidth, trackHeight, knobSize, inset};

    ThemeColor m_onColor;
    ThemeColor m_offColor;
    QString m_label;
    State m_state = State::off;
    SwitchKnob m_knob{this};
};

} // namespace fernholm
