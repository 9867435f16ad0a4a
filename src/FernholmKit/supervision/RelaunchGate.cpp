#include "FernholmKit/supervision/RelaunchGate.h"

namespace fernholm {

bool RelaunchGate::postpone(const std::function<void()>& install) const {
    if (shutdown) {
        shutdown();
    }
    if (install) {
        install();
    }
    return true;
}

bool RelaunchGate::beforeInstallOnQuit() const {
    return false;
}

} // namespace fernholm
