#pragma once

#include <QObject>

#include <QCoroTask>

#include <chrono>
#include <memory>

namespace fernholm {

namespace detail {
class CancelState : public QObject {
    Q_OBJECT
public:
    bool cancelled = false;
Q_SIGNALS:
    void cancelRequested();
};
} // namespace detail

// Lets a caller abandon a gateway call that is under way. A default-made token never cancels;
// CancelToken::create() makes one that cancel() trips. Copies share the same state.
// Create and cancel it on the thread that makes the calls.
class CancelToken {
public:
    CancelToken() = default;
    static CancelToken create();

    void cancel() const;
    bool isCancelled() const { return m_state && m_state->cancelled; }

    // The object whose cancelRequested() signal fires on cancel(); null for a token that never cancels.
    detail::CancelState* notifier() const { return m_state.get(); }

private:
    std::shared_ptr<detail::CancelState> m_state;
};

// Waits for `duration` on a timer, or less when the token is cancelled meanwhile; answers true
// when the whole time passed uncancelled. It always returns through the event loop, even for a
// zero duration or a token cancelled already, as a newly started task would.
QCoro::Task<bool> sleepUnlessCancelled(std::chrono::milliseconds duration, CancelToken cancel);

} // namespace fernholm
