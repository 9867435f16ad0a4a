#pragma once

#include <QEasingCurve>

class QWidget;

namespace fernholm {

// How long the components' animations run. An animation of a widget that is not visible takes
// no time (nobody would see it, and a render of a hidden widget shows the end state at once),
// and none takes any time while animations are switched off: by setEnabled(false), or for a
// whole test run by the environment variable FERNHOLM_NO_ANIMATIONS (the view tests set it), so
// that screenshots and pixel probes never catch a knob half-way.
namespace Motion {

bool enabled();
// Overrides the environment for this process.
void setEnabled(bool enabled);

// `milliseconds`, or 0 when `widget` is hidden or animations are off.
int duration(const QWidget* widget, int milliseconds);

// The standard ease-out curve (cubic Bézier 0, 0, 0.58, 1).
QEasingCurve easeOut();

} // namespace Motion

} // namespace fernholm
