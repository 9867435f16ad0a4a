#include "FernholmApp/model/Supervision.h"

#include "FernholmApp/model/Assign.h"

#include <utility>

namespace fernholm {

Supervision::Supervision(QObject* parent) : QObject(parent) {}

void Supervision::setSidecarState(const SidecarState& state) {
    if (assign(m_sidecarState, state)) {
        Q_EMIT sidecarStateChanged();
    }
}

void Supervision::setLink(SidecarLink link) {
    if (assign(m_link, link)) {
        Q_EMIT linkChanged();
    }
}

void Supervision::setProxyStuck(bool stuck) {
    if (assign(m_proxyStuck, stuck)) {
        Q_EMIT proxyStuckChanged();
    }
}

void Supervision::setAppError(const std::optional<QString>& error) {
    const bool errorChanged = assign(m_appError, error);
    const bool detailChanged = assign(m_appErrorDetail, std::optional<QString>());
    if (errorChanged || detailChanged) {
        Q_EMIT appErrorChanged();
    }
}

void Supervision::setAppErrorDetail(const std::optional<QString>& detail) {
    if (assign(m_appErrorDetail, detail)) {
        Q_EMIT appErrorChanged();
    }
}

void Supervision::beginAction() {
    if (++m_runningActions == 1) {
        Q_EMIT busyChanged();
    }
}

void Supervision::endAction() {
    if (m_runningActions == 0) {
        return;
    }
    if (--m_runningActions == 0) {
        Q_EMIT busyChanged();
    }
}

void Supervision::setBusy(bool busy) {
    const bool was = this->busy();
    m_runningActions = busy ? 1 : 0;
    if (was != busy) {
        Q_EMIT busyChanged();
    }
}

} // namespace fernholm
