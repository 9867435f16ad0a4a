#pragma once

// Alerts: one list derived from the application's inputs every time a window renders, and its
// arrangement on a page by level and first appearance.

#include "FernholmKit/presentation/AppTab.h"
#include "FernholmKit/control/Models.h"
#include "FernholmKit/supervision/SidecarLink.h"
#include "FernholmKit/control/Time.h"
#include "FernholmKit/presentation/ViewState.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QUrl>

#include <optional>

namespace fernholm {

// Ordered by severity.
enum class AlertLevel { notice = 0, warning = 1, critical = 2 };

// Only 0, 1 and 2 name a level.
std::optional<AlertLevel> alertLevelFromRaw(int raw);

// What an alert's button asks the app shell to do.
class AlertAction {
public:
    enum class Kind { degraded, openURL, restartSidecar, retryProtection, copyError, copyAppError, showBrowsers };

    static AlertAction degraded(DegradedAction action) { return AlertAction(Kind::degraded, action, {}, {}); }
    static AlertAction openURL(const QString& caption, const QUrl& url) {
        return AlertAction(Kind::openURL, DegradedAction::none, caption, url);
    }
    static AlertAction restartSidecar() { return AlertAction(Kind::restartSidecar); }
    static AlertAction retryProtection() { return AlertAction(Kind::retryProtection); }
    static AlertAction copyError() { return AlertAction(Kind::copyError); }
    static AlertAction copyAppError() { return AlertAction(Kind::copyAppError); }
    static AlertAction showBrowsers() { return AlertAction(Kind::showBrowsers); }

    Kind kind() const { return m_kind; }
    // The payload of `degraded`; `none` for every other kind.
    DegradedAction degradedAction() const { return m_degraded; }
    // The payload of `openURL`; empty for every other kind.
    const QString& caption() const { return m_caption; }
    const QUrl& url() const { return m_url; }

    // The button caption in the current language.
    QString title() const;

    bool operator==(const AlertAction&) const = default;

private:
    explicit AlertAction(Kind kind, DegradedAction degraded = DegradedAction::none, QString caption = {}, QUrl url = {})
        : m_kind(kind), m_degraded(degraded), m_caption(std::move(caption)), m_url(std::move(url)) {}

    Kind m_kind;
    DegradedAction m_degraded;
    QString m_caption;
    QUrl m_url;
};

struct AppAlert {
    QString id; // stable: first-seen times and snoozes are keyed by it
    AlertLevel level = AlertLevel::notice;
    QString title;
    QString body;
    std::optional<AlertAction> action;
    std::optional<AlertAction> secondary;
    std::optional<AppTab> page; // where a notice is shown inline

    bool operator==(const AppAlert&) const = default;
};

// What the application model hands to the alert rules.
struct AlertInputs {
    std::optional<Status> status; // the last status reply
    SidecarLink link = SidecarLink::checking;
    bool proxyStuck = false; // the gateway stopped and the system proxy was left on
    std::optional<QString> appError;
    std::optional<QString> appErrorDetail;
    bool onSetup = false; // the setup page is showing

    bool operator==(const AlertInputs&) const = default;
};

// Every alert the inputs call for, in rule order: the gateway's own state first, then degraded
// conditions, the error line, the detection model, bypassing browsers and unsupported apps.
QList<AppAlert> appAlerts(const AlertInputs& inputs);

// The alerts of one page as arranged for showing.
struct AlertLayout {
    QList<AppAlert> critical;
    QList<AppAlert> warnings;
    int moreWarnings = 0; // warnings left out of `warnings`
    std::optional<AppAlert> notice;

    static const AlertLayout empty;

    // The notice is not counted.
    int badgeCount() const;
    std::optional<AlertLevel> worst() const;

    bool operator==(const AlertLayout&) const = default;
};

// Every critical alert; the most recently appeared `maxWarnings` warnings and the count of the
// rest; the first notice. Snoozed ids hide warnings and notices, never critical alerts.
AlertLayout arrangeAlerts(const QList<AppAlert>& alerts, const QHash<QString, Time>& firstSeen,
                          const QSet<QString>& snoozed, int maxWarnings);

// The one-word state of the sidebar and the menu bar.
enum class ProtectionSummary { notProtected, needsAttention, protected_, paused, checking };

QString label(ProtectionSummary summary);

ProtectionSummary protectionSummary(const AlertLayout& layout, ProtectionUIState state);

} // namespace fernholm
