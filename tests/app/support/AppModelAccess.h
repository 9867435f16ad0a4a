#pragma once

// Puts a model into the state a test needs, the way the model's own work would: the gateway's
// status and providers, the link and the process state, the error line, busy, the navigation
// requests, the login item and the problem-report request.

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"

namespace fernholm {

struct AppModelAccess {
    static void setStatus(AppModel& model, const std::optional<Status>& status) {
        model.m_protection->setStatus(status);
    }
    static void setProviders(AppModel& model, const QList<Provider>& providers) {
        model.m_protection->setProviders(providers);
    }
    static void setSidecarState(AppModel& model, const SidecarState& state) {
        model.m_supervision->setSidecarState(state);
    }
    static void setLink(AppModel& model, SidecarLink link) { model.m_supervision->setLink(link); }
    static void setProxyStuck(AppModel& model, bool stuck) { model.m_supervision->setProxyStuck(stuck); }
    static void setAppError(AppModel& model, const std::optional<QString>& error) {
        model.m_supervision->setAppError(error);
    }
    static void setAppErrorDetail(AppModel& model, const std::optional<QString>& detail) {
        model.m_supervision->setAppErrorDetail(detail);
    }
    static void setBusy(AppModel& model, bool busy) { model.m_supervision->setBusy(busy); }
    static void setActivityRequest(AppModel& model, int count) { model.setActivityRequest(count); }
    static void setHomeRequest(AppModel& model, int count) { model.setHomeRequest(count); }
    static void setPromptRequest(AppModel& model, int count) { model.setPromptRequest(count); }
    static void setLoginItem(AppModel& model, const LoginItemSwitch& item) { model.setLoginItem(item); }
    static void setLoginItemError(AppModel& model, const std::optional<QString>& error) {
        model.setLoginItemError(error);
    }
    static void setIssueRequest(AppModel& model, const std::optional<IssueRequest>& request) {
        model.setIssueRequest(request);
    }
};

} // namespace fernholm
