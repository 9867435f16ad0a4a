#include "CancelToken.h"

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

} // namespace fernholm
