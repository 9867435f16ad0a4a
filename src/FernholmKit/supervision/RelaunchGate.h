#pragma once

#include <functional>

namespace fernholm {

// Stops the gateway before an application update is installed.
struct RelaunchGate {
    std::function<void()> shutdown;

    // Shuts down, then installs; the application takes over the update's relaunch.
    bool postpone(const std::function<void()>& install) const;
    // An update waiting to be installed when the application quits. It may arrive hours before
    // that quit, so it stops nothing: the quit itself runs the shutdown. Always false (the update
    // is not installed at once).
    bool beforeInstallOnQuit() const;
};

} // namespace fernholm
