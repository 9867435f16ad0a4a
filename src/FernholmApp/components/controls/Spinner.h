#pragma once

#include "FernholmApp/theme/Theme.h"

#include <QBasicTimer>
#include <QWidget>

namespace fernholm {

// The indeterminate progress mark: twelve spokes round a centre, fading from the leading one,
// turning a step at a time while something is under way. Two sizes: `small` (16 px, beside a
// line of body text or a button row) and `smallest` (11 px, inside a caption or a heading).
//
//     auto* busy = new Spinner(Spinner::Size::small, Theme::faint, this);
//     busy->setVisible(workbench->scanning());  // show it while the work runs
//
// It turns only while it is visible and animations are on (Motion): hidden, or with animations
// off (the view tests), it holds still on its first frame and runs no timer at all, so a page may
// keep one around hidden for good at no cost. The colour is a theme colour resolved at each
// paint. Fixed size. Accessible as a busy indicator; give it an accessible name where the
// surroundings do not say what is going on.
class Spinner : public QWidget {
    Q_OBJECT
public:
    enum class Size { small, smallest };

    explicit Spinner(Size size = Size::small, const ThemeColor& color = Theme::faint, QWidget* parent = nullptr);

    // The side of the square the spokes fill.
    static int extent(Size size);

    Size spinnerSize() const { return m_size; }
    void setSpinnerSize(Size size);

    ThemeColor color() const { return m_color; }
    void setColor(const ThemeColor& color);

    // Whether it is turning now (visible, animations on).
    bool isTurning() const { return m_timer.isActive(); }
    // The spoke drawn strongest, 0 to 11; steps on while turning.
    int step() const { return m_step; }

    static constexpr int spokes = 12;
    // One step every this many milliseconds: a turn a second.
    static constexpr int stepMilliseconds = 1000 / spokes;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void updateTurning();

    Size m_size;
    ThemeColor m_color;
    QBasicTimer m_timer;
    int m_step = 0;
};

} // namespace fernholm
