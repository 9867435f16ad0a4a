#pragma once

#include <QObject>

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

} // namespace fernholm
