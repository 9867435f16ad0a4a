#pragma once

#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/presentation/AppTab.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

namespace fernholm {

class AppModel;

// Where an alert button was pressed. The main window carries out every action; the tray panel
// carries out those it can finish without the window and opens the window on Home for the rest.
enum class AlertSurface { window, panel };

// What carrying out an alert needs beside the model.
struct AlertShell {
    std::function<void(const QUrl&)> openUrl;
    std::function<void(const QString&)> copyText;
    // The window shows this page.
    std::function<void(AppTab)> showPage;
    // The window is brought forward (the panel's way to the actions it does not carry out).
    std::function<void()> openWindow;
};

// Whether `surface` carries the action out itself.
bool runsOn(AlertSurface surface, const std::optional<AlertAction>& action);

// Carries out an alert button pressed on `surface`. Every action and every degraded action is
// placed in one switch without a default, so that a new one does not compile until it is placed.
void runAlert(AppModel& model, AlertSurface surface, const std::optional<AlertAction>& action, const AlertShell& shell);

} // namespace fernholm
