#include "FernholmKit/control/ProofGate.h"

namespace fernholm {

bool ProofGate::holds() const {
    std::lock_guard guard(m_lock);
    return m_provenAt.has_value();
}

bool ProofGate::needsProof(Time now) const {
    std::lock_guard guard(m_lock);
    return !m_provenAt || now - *m_provenAt >= maxAge;
}

std::optional<Time> ProofGate::provenAt() const {
    std::lock_guard guard(m_lock);
    return m_provenAt;
}

qint64 ProofGate::generation() const {
    std::lock_guard guard(m_lock);
    return m_generation;
}

void ProofGate::proven(Time at) {
    std::lock_guard guard(m_lock);
    m_provenAt = at;
}

void ProofGate::revoke() {
    std::lock_guard guard(m_lock);
    m_provenAt.reset();
}

void ProofGate::begin(qint64 generation) {
    std::lock_guard guard(m_lock);
    m_generation = generation;
    m_provenAt.reset();
}

void ProofGate::revoke(qint64 generation) {
    std::lock_guard guard(m_lock);
    if (generation == m_generation) {
        m_provenAt.reset();
    }
}

} // namespace fernholm
