#include "FernholmKit/control/CancelToken.h"

#include <QCoroTimer>
#include <QTimer>

namespace fernholm {

CancelToken CancelToken::create() {
    CancelToken token;
    token.m_state = std::make_shared<detail::CancelState>();
    return token;
}

void CancelToken::cancel() const {
    if (m_state && !m_state->cancelled) {
        m_state->cancelled = true;
        Q_EMIT m_state->cancelRequested();
    }
}

QCoro::Task<bool> sleepUnlessCancelled(std::chrono::milliseconds duration, CancelToken cancel) {
    QTimer timer;
    timer.setSingleShot(true);
    if (auto* notifier = cancel.notifier()) {
        // QCoro's own sleep cannot be cut short: restarting the timer at zero ends the wait at the
        // next turn of the event loop. The connection goes with the timer.
        QObject::connect(notifier, &detail::CancelState::cancelRequested, &timer, [&timer] { timer.start(0); });
    }
    timer.start(cancel.isCancelled() ? std::chrono::milliseconds(0) : duration);
    co_await timer;
    co_return !cancel.isCancelled();
}

} // namespace fernholm
