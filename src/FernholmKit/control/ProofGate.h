#pragma once

#include "FernholmKit/control/Time.h"

#include <QtGlobal>

#include <mutex>
#include <optional>

namespace fernholm {

// Whether, and since when, the running gateway process has proved that it is our own child,
// per launch generation. Shared by the application model, the supervision watch, every copy of
// the control client and the exit handler of each launched process; every operation takes the
// lock once for one short read or write.
class ProofGate {
public:
    static constexpr std::chrono::seconds maxAge{30};

    ProofGate() = default;
    ProofGate(const ProofGate&) = delete;
    ProofGate& operator=(const ProofGate&) = delete;

    bool holds() const;
    // True when no proof stands or the standing one is maxAge old or older. A proof dated after
    // `now` (the clock stepped back) does not need renewing.
    bool needsProof(Time now) const;
    std::optional<Time> provenAt() const;
    qint64 generation() const;

    void proven(Time at);
    void revoke();
    void begin(qint64 generation);
    // Clears the proof only when no newer launch has begun meanwhile.
    void revoke(qint64 generation);

private:
    mutable std::mutex m_lock;
    std::optional<Time> m_provenAt;
    qint64 m_generation = 0;
};

} // namespace fernholm
