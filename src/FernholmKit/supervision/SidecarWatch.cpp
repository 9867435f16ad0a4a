#include "FernholmKit/supervision/SidecarWatch.h"

#include <QCoroTimer>
#include <QPointer>

#include <algorithm>
#include <limits>

namespace fernholm {

SidecarWatch::SidecarWatch(std::shared_ptr<ProofGate> gate, IsRunning isRunning, Prove prove, ClearProxy clearProxy,
                           Relaunch relaunch, std::chrono::milliseconds backoff, Now now, QObject* parent)
    : QObject(parent), m_gate(std::move(gate)), m_isRunning(std::move(isRunning)), m_prove(std::move(prove)),
      m_clearProxy(std::move(clearProxy)), m_relaunch(std::move(relaunch)), m_backoff(backoff), m_now(std::move(now)),
      m_lastSuccess(m_now()) {}

// The closures are copied into the coroutine frame before they are called: a coroutine lambda
// keeps referring to its captures, which must outlive the watch should it be destroyed meanwhile.

QCoro::Task<bool> SidecarWatch::beforePoll() {
    const QPointer<SidecarWatch> self(this);
    // Stopped is stopped until the user restarts: nothing is proved or polled meanwhile.
    if (m_link == SidecarLink::stopped || m_stopping) {
        co_return false;
    }
    if (m_isRunning()) {
        // The proof's age is measured on the system clock, as the client and the gate see it.
        if (!m_gate->needsProof(Clock::now())) {
            co_return true;
        }
        const Prove prove = m_prove;
        // Much may happen while the proof is under way. A new launch may begin: what the replaced
        // process proved, or failed to, says nothing about its successor, which proves itself on
        // its own. The process may end: a late yes would then vouch for whatever listens on the
        // port next. Supervision may stop for good. In each case the proof counts for nothing,
        // neither as a proof nor as a failure.
        const qint64 generation = m_gate->generation();
        const int exits = m_exits;
        const int stops = m_stops;
        const bool proven = co_await prove();
        if (!self || m_gate->generation() != generation || m_exits != exits || m_stops != stops || !m_isRunning()) {
            co_return false;
        }
        if (proven) {
            m_gate->proven(Clock::now());
            co_return true;
        }
        m_gate->revoke();
        pollFailed();
        co_return false;
    }
    if (m_link != SidecarLink::stopped) {
        co_await relaunchAutomatically();
    }
    co_return false;
}

QCoro::Task<> SidecarWatch::relaunchAutomatically() {
    const QPointer<SidecarWatch> self(this);
    m_gate->revoke();
    if (m_relaunched) { // died again before a full healthy stretch after the last relaunch
        co_await stopNow();
        co_return;
    }
    m_relaunched = true;
    m_healthySince.reset();
    setLink(SidecarLink::restarting);

    const qint64 epoch = m_relaunchEpoch;
    // A timer on the monotonic clock; nothing ends it early, only the epoch decides what follows.
    co_await QCoro::sleepFor(m_backoff);
    if (!self || m_relaunchEpoch != epoch) {
        co_return;
    }
    const Relaunch relaunch = m_relaunch;
    const bool launched = co_await relaunch();
    // On success the owner calls ready() once the new process has proved itself.
    if (!self || m_relaunchEpoch != epoch || launched) {
        co_return;
    }
    co_await stopNow();
}

void SidecarWatch::ready() {
    m_failures = 0;
    m_lastSuccess = m_now();
    m_proxyStuck = false;
    setLink(SidecarLink::trusted);
}

void SidecarWatch::remember(const Status& status) {
    // A poll that began before a stop for good says nothing about what the user stopped.
    if (m_link == SidecarLink::stopped) {
        return;
    }
    m_service = status.sysproxy.service;
    m_proxyPort = static_cast<int>(
        std::clamp<qint64>(status.proxyPort, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    m_failures = 0;
    m_lastSuccess = m_now();
    setLink(SidecarLink::trusted);
    if (m_relaunched) {
        if (!m_healthySince) {
            m_healthySince = m_lastSuccess;
        }
        if (m_lastSuccess - *m_healthySince >= healthyReset) {
            // The single automatic relaunch is available again.
            m_relaunched = false;
            m_healthySince.reset();
        }
    }
}

void SidecarWatch::pollFailed() {
    ++m_failures;
    m_healthySince.reset();
    if (m_link == SidecarLink::trusted && (m_failures >= failureLimit || m_now() - m_lastSuccess >= failureWindow)) {
        setLink(SidecarLink::checking);
    }
}

void SidecarWatch::sidecarExited() {
    ++m_exits;
    m_gate->revoke();
    m_healthySince.reset();
    if (m_link == SidecarLink::trusted) {
        setLink(SidecarLink::checking);
    }
}

QCoro::Task<> SidecarWatch::stopNow() {
    const QPointer<SidecarWatch> self(this);
    ++m_relaunchEpoch;
    ++m_stops;
    ++m_stopping;
    m_gate->revoke();
    const ClearProxy clearProxy = m_clearProxy;
    const bool cleared = co_await clearProxy(m_service, m_proxyPort);
    if (!self) {
        co_return;
    }
    --m_stopping;
    m_proxyStuck = !cleared;
    setLink(SidecarLink::stopped);
}

QCoro::Task<bool> SidecarWatch::restart() {
    const QPointer<SidecarWatch> self(this);
    m_gate->revoke();
    setLink(SidecarLink::checking);
    const Relaunch relaunch = m_relaunch;
    const bool launched = co_await relaunch();
    if (self && !launched) {
        setLink(SidecarLink::stopped);
    }
    co_return launched;
}

void SidecarWatch::cancelRelaunch() {
    ++m_relaunchEpoch;
}

void SidecarWatch::setLink(SidecarLink link) {
    if (link == m_link) {
        return;
    }
    m_link = link;
    if (m_onLinkChange) {
        m_onLinkChange();
    }
    Q_EMIT linkChanged(link);
}

} // namespace fernholm
