#pragma once

#include <chrono>

namespace fernholm {

// Wall-clock time as the gateway, the proof gate and the user defaults see it.
using Clock = std::chrono::system_clock;
using Time = Clock::time_point;

// Fractional seconds, for intervals that callers give as "0.2 s" or "29.9 s".
using Seconds = std::chrono::duration<double>;

inline Time timeFromSeconds(double secondsSince1970) {
    return Time(std::chrono::duration_cast<Clock::duration>(Seconds(secondsSince1970)));
}

inline double secondsSince1970(Time t) {
    return std::chrono::duration_cast<Seconds>(t.time_since_epoch()).count();
}

} // namespace fernholm
