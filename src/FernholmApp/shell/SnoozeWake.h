#pragma once

#include "FernholmKit/presentation/AlertCenter.h"

class QTimer;

namespace fernholm {

// Starts the single-shot `timer` a little past the earliest snooze still running, so that a view
// that shows alerts can look again when a snoozed one comes back; stops it when none runs. An end
// further away than a day is looked at again after a day (QTimer takes an int of milliseconds).
void wakeAtNextSnoozeEnd(QTimer& timer, const AlertCenter& alerts, Time now);

} // namespace fernholm
