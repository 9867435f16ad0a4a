#pragma once

#include "FernholmApp/components/controls/SwitchKnob.h"
#include "FernholmApp/theme/Theme.h"

#include <QAbstractButton>

namespace fernholm {

// The on/off switch, in three sizes: a capsule track in the caller's on or off colour with a
// white knob that slides to the trailing end when on.
//
// It shows only what the caller sets: a click (or Space, or the accessibility "Toggle" action)
// does not flip it but emits toggleRequested(!isOn()), and the caller writes the new value back
// with setOn() once it holds, for example when the model's state has changed:
//
//     auto* guard = new VSwitch(VSwitch::Size::hero, Theme::live, Theme::heroOffTrack,
//                               fernholm::tr("Protection"), card);
//     connect(guard, &VSwitch::toggleRequested, model, [model] { model->toggleProtection(); });
//     connect(protection, &ProtectionStatus::statusChanged, guard,
//             [=] { guard->setOn(protectionOn(protection->status())); });
//
// A change of value slides the knob and blends the track colour over 0.15 s (ease-out), at once
// while hidden or with animations off (Motion). Disabled, it is drawn at 55 % and ignores
// clicks. Its size is the track's (fixed); clicks outside the capsule's rounded ends miss it.
// Accessible as a check box named `label`, value "On" or "Off" in the current language.
class VSwitch : public QAbstractButton {
    Q_OBJECT
public:
    enum class Size { hero, regular, small };

    using Metrics = SwitchKnob::Metrics;
    static Metrics metrics(Size size);

    explicit VSwitch(Size size = Size::regular, const ThemeColor& onColor = Theme::switchOn,
                     const ThemeColor& offColor = Theme::switchOff, const QString& label = QString(),
                     QWidget* parent = nullptr);

    bool isOn() const { return m_on; }
    // Shows `on` (sliding the knob when visible); emits nothing.
    void setOn(bool on);

    Size switchSize() const { return m_size; }
    void setSwitchSize(Size size);

    ThemeColor onColor() const { return m_onColor; }
    ThemeColor offColor() const { return m_offColor; }
    void setColors(const ThemeColor& onColor, const ThemeColor& offColor);

    // The accessibility label.
    QString label() const { return m_label; }
    void setLabel(const QString& label);

    // "On" or "Off" in the current language: the accessible value.
    QString valueText() const;

    // Where the track and the knob are drawn now, in widget coordinates.
    QRectF trackRect() const;
    QRectF knobRect() const;
    // 0 with the knob at the leading end, 1 at the trailing end; in between while it slides.
    qreal knobPosition() const { return m_knob.position(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // The user asked for this value (always the negation of isOn()).
    void toggleRequested(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    Size m_size;
    ThemeColor m_onColor;
    ThemeColor m_offColor;
    QString m_label;
    bool m_on = false;
    SwitchKnob m_knob{this};
};

} // namespace fernholm
