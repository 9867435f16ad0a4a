#pragma once

// What the user is told about protection: one state, a few predicates, the banners of degraded
// conditions with their buttons, and the protection row of the menu-bar popover. Pure functions.

#include "FernholmKit/control/Models.h"
#include "FernholmKit/supervision/SidecarLink.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace fernholm {

enum class ProtectionUIState {
    off,        // no status yet, or protection off
    starting,   // starting, or on but not yet in force
    on,         // on and in force, no browser finding pending
    partial,    // on, but some browser bypasses the proxy
    checking,   // on, browsers still being checked
    confirming, // on but not in force: the system proxy is not confirmed yet
    degraded,   // on but not in force because of a critical condition
    error,      // the gateway reports protection in error
    stopped,    // supervision gave up on the gateway
    proxyStuck, // stopped, and the system proxy could not be switched off
    verifying,  // the link to the gateway is not trusted yet
    restarting, // the gateway is being relaunched
};

ProtectionUIState protectionUIState(const std::optional<Status>& status);
// The link decides unless it is trusted; only then is the status consulted.
ProtectionUIState protectionUIState(const std::optional<Status>& status, SidecarLink link, bool proxyStuck);

// The state is exactly `on`.
bool isProtected(const std::optional<Status>& status);
// The gateway says protection is "on", whatever else it says.
bool isProtectionActive(const std::optional<Status>& status);
bool hasCriticalDegraded(const std::optional<Status>& status);
// Every critical condition holds the AI sites back instead of letting traffic through unchanged
// (false when there is no critical condition).
bool aiBlockedHeader(const std::optional<Status>& status);
const QSet<QString>& aiHoldingCodes();

// The button of a degraded-condition banner.
enum class DegradedAction {
    none,
    setUp,
    restartProtection,
    fixProxy,
    remove,
    install,
    dismissRulesCleared,
    retryDataKey,
    dismissDataKeyReset,
};

inline constexpr std::array<DegradedAction, 9> allDegradedActions{DegradedAction::none,
                                                                  DegradedAction::setUp,
                                                                  DegradedAction::restartProtection,
                                                                  DegradedAction::fixProxy,
                                                                  DegradedAction::remove,
                                                                  DegradedAction::install,
                                                                  DegradedAction::dismissRulesCleared,
                                                                  DegradedAction::retryDataKey,
                                                                  DegradedAction::dismissDataKeyReset};

// The button caption in the current language; empty for `none`.
QString title(DegradedAction action);

// Degraded code -> button. A code not listed has no button.
const QHash<QString, DegradedAction>& degradedActions();

struct DegradedBanner {
    QString code;
    bool isCritical = false;
    QString title; // in the user's language, as the gateway sent it
    QString body;  // likewise, "{detail}" filled
    DegradedAction action = DegradedAction::none;

    const QString& id() const { return code; }
    bool operator==(const DegradedBanner&) const = default;
};

// The banners of the status's degraded conditions, in the gateway's order. On the setup page the
// topics that page shows itself are left out; while some browser bypasses the proxy, the
// per-browser notices speak for "browser_bypass".
QList<DegradedBanner> degradedBanners(const std::optional<Status>& status, bool onSetup);

// What the banner buttons do, filled by the main window from the application model.
struct DegradedHandlers {
    using Handler = std::function<void()>;

    DegradedHandlers(Handler setUp, Handler restartProtection, Handler remove, Handler install,
                     Handler dismissRulesCleared, Handler retryDataKey, Handler dismissDataKeyReset)
        : setUp(std::move(setUp)), restartProtection(std::move(restartProtection)), remove(std::move(remove)),
          install(std::move(install)), dismissRulesCleared(std::move(dismissRulesCleared)),
          retryDataKey(std::move(retryDataKey)), dismissDataKeyReset(std::move(dismissDataKeyReset)) {}

    Handler setUp;
    Handler restartProtection;
    Handler remove;
    Handler install;
    Handler dismissRulesCleared;
    Handler retryDataKey;
    Handler dismissDataKeyReset;

    // Nothing for `none`; fixing the proxy is done by restarting protection.
    std::optional<Handler> handler(DegradedAction action) const;
};

// The protection row of the menu-bar popover. The texts are English; translating them for
// display is the caller's concern.
struct MenuProtectionItem {
    QString statusText;
    QString title;
    bool enabled = false;
    bool opensWindow = false;
    bool isOn = false;
    bool restarts = false;   // pressing relaunches the gateway
    bool forceStops = false; // pressing forces protection off while the gateway is not trusted

    bool operator==(const MenuProtectionItem&) const = default;
};

MenuProtectionItem menuProtectionItem(const std::optional<Status>& status, bool busy, SidecarLink link,
                                      bool proxyStuck);

} // namespace fernholm
