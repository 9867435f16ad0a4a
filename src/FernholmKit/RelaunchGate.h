#pragma once

#include <functional>

namespace fernholm {

// Stops the gateway before an application update is installed.
struct RelaunchGate {
    std::function<void()> shutdown;

    // Shuts down, then installs; the application takes over the update's relaunch.
    bool postpone(const std::function<void()>& install) const;
    void beforeInstallOnQuit() const;
};

} // namespace fernholm
