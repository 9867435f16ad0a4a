#include "FernholmApp/model/AlertDispatch.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"

namespace fernholm {

namespace {

// What an action does, and whether the tray panel may do it. Made without a model or shell only
// to ask where it runs; `run` is then never called.
struct AlertStep {
    bool inPanel = false;
    std::function<void()> run;
};

AlertStep stepFor(AppModel* model, const AlertAction& action, const AlertShell* shell) {
    switch (action.kind()) {
    case AlertAction::Kind::degraded:
        switch (action.degradedAction()) {
        case DegradedAction::none:
            return {false, [] {
                    }};
        case DegradedAction::setUp:
            return {false, [shell] {
                        shell->showPage(AppTab::setup);
                    }};
        case DegradedAction::restartProtection:
        case DegradedAction::fixProxy: // fixing the proxy is done by restarting protection
            return {true, [model] {
                        model->restartProtection();
                    }};
        case DegradedAction::remove:
            return {false, [model] {
                        model->retireOldRoots();
                    }};
        case DegradedAction::install:
            return {true, [model] {
                        model->installCA();
                    }};
        case DegradedAction::dismissRulesCleared:
            return {false, [model] {
                        model->dismissRulesCleared();
                    }};
        case DegradedAction::retryDataKey:
            return {true, [model] {
                        model->retryDataKey();
                    }};
        case DegradedAction::dismissDataKeyReset:
            return {false, [model] {
                        model->dismissDataKeyReset();
                    }};
        }
        break;
    case AlertAction::Kind::openURL:
        return {false, [shell, url = action.url()] {
                    shell->openUrl(url);
                }};
    case AlertAction::Kind::restartSidecar:
        return {true, [model] {
                    if (model->supervision().link() == SidecarLink::stopped) {
                        model->restartSidecar();
                    }
                }};
    case AlertAction::Kind::retryProtection:
        return {true, [model] {
                    model->toggleProtection();
                }};
    case AlertAction::Kind::copyError:
        return {false, [model, shell] {
                    const auto& status = model->protection().status();
                    shell->copyText(status && status->error ? *status->error : QString());
                }};
    case AlertAction::Kind::copyAppError:
        return {false, [model, shell] {
                    shell->copyText(model->supervision().appErrorDetail().value_or(QString()));
                }};
    case AlertAction::Kind::showBrowsers:
        return {false, [shell] {
                    shell->showPage(AppTab::setup);
                }};
    }
    return {false, [] {
            }};
}

} // namespace

bool runsOn(AlertSurface surface, const std::optional<AlertAction>& action) {
    if (!action) {
        return false;
    }
    return surface == AlertSurface::window || stepFor(nullptr, *action, nullptr).inPanel;
}

void runAlert(AppModel& model, AlertSurface surface, const std::optional<AlertAction>& action,
              const AlertShell& shell) {
    if (runsOn(surface, action)) {
        stepFor(&model, *action, &shell).run();
        return;
    }
    if (surface == AlertSurface::panel) {
        model.showHome();
        if (shell.openWindow) {
            shell.openWindow();
        }
    }
}

} // namespace fernholm
