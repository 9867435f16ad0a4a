#include "FernholmApp/shell/SnoozeWake.h"

#include <QTimer>

#include <algorithm>
#include <optional>

namespace fernholm {

void wakeAtNextSnoozeEnd(QTimer& timer, const AlertCenter& alerts, Time now) {
    std::optional<Time> next;
    for (const Time end : alerts.snoozes()) {
        if (end > now && (!next || end < *next)) {
            next = end;
        }
    }
    if (!next) {
        timer.stop();
        return;
    }
    // Past the end, so that the layout no longer counts the snooze.
    using namespace std::chrono;
    const auto wait = duration_cast<milliseconds>(*next - now) + milliseconds(50);
    timer.start(static_cast<int>(std::min<milliseconds::rep>(wait.count(), 86'400'000)));
}

} // namespace fernholm
