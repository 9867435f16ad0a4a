#pragma once

#include "FernholmKit/supervision/SidecarLink.h"
#include "FernholmKit/supervision/SidecarProcess.h"

#include <QObject>
#include <QString>

#include <optional>

namespace fernholm {

struct AppModelAccess;

// How the gateway is kept: the state of its process, the link to it, a system proxy left pointing
// at it, the last action's error line and whether an action runs. Part of AppModel, which makes it
// and writes into it as the process, the watch and the actions go; the pages read it and re-read
// on its signals.
//
//     connect(&supervision, &Supervision::busyChanged, button, [&] { button->setEnabled(!supervision.busy()); });
class Supervision : public QObject {
    Q_OBJECT
public:
    explicit Supervision(QObject* parent = nullptr);

    const SidecarState& sidecarState() const { return m_sidecarState; }
    SidecarLink link() const { return m_link; }
    // The link is stopped and the system proxy still points at the gateway.
    bool proxyStuck() const { return m_proxyStuck; }
    // One translated line on the last failure; success never clears it.
    const std::optional<QString>& appError() const { return m_appError; }
    const std::optional<QString>& appErrorDetail() const { return m_appErrorDetail; }
    // While any gateway-bound action runs: two may overlap, and busy() ends with the last.
    bool busy() const { return m_runningActions > 0; }

Q_SIGNALS:
    void sidecarStateChanged();
    void linkChanged();
    void proxyStuckChanged();
    void appErrorChanged(); // the error line or its detail
    void busyChanged();

private:
    friend class AppModel;
    friend struct AppModelAccess;

    // Each stores its value and signals only when it changed.
    void setSidecarState(const SidecarState& state);
    // The link is the watch's; the model copies it. Tests of views set it directly.
    void setLink(SidecarLink link);
    void setProxyStuck(bool stuck);
    // Also clears the detail: a detail is written after its message.
    void setAppError(const std::optional<QString>& error);
    void setAppErrorDetail(const std::optional<QString>& detail);
    // Counts an action in and out of busy().
    void beginAction();
    void endAction();
    // Tests of views: as if one action ran, or none.
    void setBusy(bool busy);

    SidecarState m_sidecarState = SidecarState::idle();
    SidecarLink m_link = SidecarLink::trusted;
    bool m_proxyStuck = false;
    std::optional<QString> m_appError;
    std::optional<QString> m_appErrorDetail;
    int m_runningActions = 0;
};

} // namespace fernholm
