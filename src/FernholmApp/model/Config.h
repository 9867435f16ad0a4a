#pragma once

#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/control/Time.h"

#include <chrono>

namespace fernholm {

// The application model's numbers: the control port and every time-out, back-off and debounce.
// The defaults are the production values; tests use free ports and short times.
struct Config {
    // The gateway's control port on 127.0.0.1.
    int port = 9090;
    // How long a launch may take to prove itself.
    Seconds readyTimeout{20.0};
    // How long one renewal of the identity proof may take.
    Seconds proofTimeout{3.0};
    // The wait before the one automatic relaunch of a gateway that died.
    std::chrono::milliseconds backoff{2000};
    // How long a stopped gateway may take to end before it is killed.
    Seconds terminateGrace{5.0};
    // How long the keychain may take to hand out the data key before a launch goes on without it.
    std::chrono::milliseconds keychainBound = DataKeySource::defaultBound;

    // The pause after each status poll.
    std::chrono::milliseconds pollInterval{1000};
    // The quiet time after typing before a prompt is checked, and before a reply is restored.
    std::chrono::milliseconds promptDebounce{400};
    std::chrono::milliseconds replyDebounce{250};
    // Blocked-request notices: at least this many seconds apart; the same request stays silent
    // within the repeat window.
    double blockCooldown = 3.0;
    double blockRepeatWindow = 60.0;
    // How many of the newest events are kept.
    int maxEvents = 200;
};

} // namespace fernholm
