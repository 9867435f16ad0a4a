#include "FernholmKit/presentation/ViewState.h"

#include "FernholmKit/text/L10n.h"

namespace fernholm {

namespace {

const QString kCritical = QStringLiteral("critical");

bool anyFindingOfKind(const Status& status, const QString& kind) {
    if (!status.browserBypass) {
        return false;
    }
    for (const BrowserFinding& finding : *status.browserBypass) {
        if (finding.kind == kind) {
            return true;
        }
    }
    return false;
}

bool anyCritical(const Status& status) {
    if (!status.degraded) {
        return false;
    }
    for (const Degraded& entry : *status.degraded) {
        if (entry.severity == kCritical) {
            return true;
        }
    }
    return false;
}

bool anyDegradedCode(const Status& status, const QString& code) {
    if (!status.degraded) {
        return false;
    }
    for (const Degraded& entry : *status.degraded) {
        if (entry.code == code) {
            return true;
        }
    }
    return false;
}

// The text in the user's language, else the English one, else nothing.
QString localized(const QMap<QString, QString>& texts, const QString& language) {
    if (auto it = texts.constFind(language); it != texts.constEnd()) {
        return *it;
    }
    return texts.value(QStringLiteral("en"));
}

// The guided setup page shows these conditions itself.
const QStringList& setupTopics() {
    static const QStringList topics{
        QStringLiteral("setup_needed"),         QStringLiteral("ca_untrusted"),   QStringLiteral("ca_renewal"),
        QStringLiteral("cert_keys_unreadable"), QStringLiteral("browser_bypass"),
    };
    return topics;
}

} // namespace

ProtectionUIState protectionUIState(const std::optional<Status>& status) {
    if (!status) {
        return ProtectionUIState::off;
    }
    switch (status->protection) {
    case Protection::off:
        return ProtectionUIState::off;
    case Protection::starting:
        return ProtectionUIState::starting;
    case Protection::error:
        return ProtectionUIState::error;
    case Protection::on:
        break;
    }
    if (status->protected_.value_or(true)) {
        if (anyFindingOfKind(*status, QStringLiteral("bypass"))) {
            return ProtectionUIState::partial;
        }
        if (anyFindingOfKind(*status, QStringLiteral("checking"))) {
            return ProtectionUIState::checking;
        }
        return ProtectionUIState::on;
    }
    if (anyCritical(*status)) {
        return ProtectionUIState::degraded;
    }
    if (anyDegradedCode(*status, QStringLiteral("sysproxy_unknown"))) {
        return ProtectionUIState::confirming;
    }
    return ProtectionUIState::starting;
}

ProtectionUIState protectionUIState(const std::optional<Status>& status, SidecarLink link, bool proxyStuck) {
    switch (link) {
    case SidecarLink::checking:
        return ProtectionUIState::verifying;
    case SidecarLink::trusted:
        return protectionUIState(status);
    case SidecarLink::restarting:
        return ProtectionUIState::restarting;
    case SidecarLink::stopped:
        return proxyStuck ? ProtectionUIState::proxyStuck : ProtectionUIState::stopped;
    }
    return ProtectionUIState::verifying;
}

bool isProtected(const std::optional<Status>& status) {
    return protectionUIState(status) == ProtectionUIState::on;
}

bool isProtectionActive(const std::optional<Status>& status) {
    return status && status->protection == Protection::on;
}

bool hasCriticalDegraded(const std::optional<Status>& status) {
    return status && anyCritical(*status);
}

const QSet<QString>& aiHoldingCodes() {
    static const QSet<QString> codes{QStringLiteral("ca_untrusted"), QStringLiteral("no_data_key"),
                                     QStringLiteral("cert_keys_unreadable"), QStringLiteral("proxy_gated")};
    return codes;
}

bool aiBlockedHeader(const std::optional<Status>& status) {
    if (!status || !status->degraded) {
        return false;
    }
    bool sawCritical = false;
    for (const Degraded& entry : *status->degraded) {
        if (entry.severity != kCritical) {
            continue;
        }
        sawCritical = true;
        if (!aiHoldingCodes().contains(entry.code)) {
            return false;
        }
    }
    return sawCritical;
}

QString title(DegradedAction action) {
    switch (action) {
    case DegradedAction::none:
        return QString();
    case DegradedAction::setUp:
        return tr("Set up");
    case DegradedAction::restartProtection:
        return tr("Restart protection");
    case DegradedAction::fixProxy:
        return tr("Fix");
    case DegradedAction::remove:
        return tr("Remove");
    case DegradedAction::install:
        return tr("Install");
    case DegradedAction::dismissRulesCleared:
        return tr("Got it");
    case DegradedAction::retryDataKey:
        return tr("Try again");
    case DegradedAction::dismissDataKeyReset:
        return tr("Got it");
    }
    return QString();
}

const QHash<QString, DegradedAction>& degradedActions() {
    static const QHash<QString, DegradedAction> actions{
        {QStringLiteral("setup_needed"), DegradedAction::setUp},
        {QStringLiteral("ca_untrusted"), DegradedAction::setUp},
        {QStringLiteral("no_data_key"), DegradedAction::retryDataKey},
        {QStringLiteral("cert_keys_unreadable"), DegradedAction::install},
        {QStringLiteral("rules_cleared"), DegradedAction::dismissRulesCleared},
        {QStringLiteral("policy_cleared"), DegradedAction::dismissRulesCleared},
        {QStringLiteral("proxy_gated"), DegradedAction::restartProtection},
        {QStringLiteral("sysproxy_not_ours"), DegradedAction::fixProxy},
        {QStringLiteral("sysproxy_unknown"), DegradedAction::none},
        {QStringLiteral("browser_bypass"), DegradedAction::setUp},
        {QStringLiteral("old_root_trusted"), DegradedAction::remove},
        {QStringLiteral("old_root_needs_admin"), DegradedAction::remove},
        {QStringLiteral("ca_renewal"), DegradedAction::install},
        {QStringLiteral("data_key_reset"), DegradedAction::dismissDataKeyReset},
    };
    return actions;
}

QList<DegradedBanner> degradedBanners(const std::optional<Status>& status, bool onSetup) {
    const QString language = L10n::language();
    const ProtectionUIState state = protectionUIState(status);
    QList<DegradedBanner> banners;
    if (!status || !status->degraded) {
        return banners;
    }
    for (const Degraded& entry : *status->degraded) {
        if (onSetup && setupTopics().contains(entry.code)) {
            continue;
        }
        if (state == ProtectionUIState::partial && entry.code == QLatin1String("browser_bypass")) {
            continue;
        }
        DegradedBanner banner;
        banner.code = entry.code;
        banner.isCritical = entry.severity == kCritical;
        banner.action = degradedActions().value(entry.code, DegradedAction::none);
        banner.title = localized(entry.title, language);
        banner.body = localized(entry.body, language);
        banner.body.replace(QStringLiteral("{detail}"), entry.detail.value_or(QString()));
        banners.append(banner);
    }
    return banners;
}

std::optional<DegradedHandlers::Handler> DegradedHandlers::handler(DegradedAction action) const {
    switch (action) {
    case DegradedAction::none:
        return std::nullopt;
    case DegradedAction::setUp:
        return setUp;
    case DegradedAction::restartProtection:
    case DegradedAction::fixProxy:
        return restartProtection;
    case DegradedAction::remove:
        return remove;
    case DegradedAction::install:
        return install;
    case DegradedAction::dismissRulesCleared:
        return dismissRulesCleared;
    case DegradedAction::retryDataKey:
        return retryDataKey;
    case DegradedAction::dismissDataKeyReset:
        return dismissDataKeyReset;
    }
    return std::nullopt;
}

namespace {

QString trustedStatusText(const Status& status) {
    switch (status.protection) {
    case Protection::off:
        return trNoop("Protection is off");
    case Protection::starting:
        return trNoop("Protection is starting…");
    case Protection::error:
        return trNoop("Protection stopped with an error");
    case Protection::on:
        break;
    }
    switch (protectionUIState(status)) {
    case ProtectionUIState::partial:
        return trNoop("Partly protected");
    case ProtectionUIState::checking:
        return trNoop("Checking browsers…");
    case ProtectionUIState::confirming:
        return trNoop("Checking…");
    case ProtectionUIState::degraded:
        return trNoop("Protection is on, but not working");
    case ProtectionUIState::on:
        return trNoop("Protection is on");
    default:
        return trNoop("Protection is starting…");
    }
}

} // namespace

MenuProtectionItem menuProtectionItem(const std::optional<Status>& status, bool busy, SidecarLink link,
                                      bool proxyStuck) {
    MenuProtectionItem item;
    switch (link) {
    case SidecarLink::checking:
        item.statusText = trNoop("Checking Tarvine…");
        item.title = trNoop("Turn Protection Off");
        item.enabled = !busy;
        item.forceStops = true;
        return item;
    case SidecarLink::restarting:
        item.statusText = trNoop("Tarvine is restarting…");
        item.title = trNoop("Turn Protection Off");
        item.enabled = !busy;
        item.forceStops = true;
        return item;
    case SidecarLink::stopped:
        item.statusText = proxyStuck ? trNoop("Tarvine stopped — the system proxy is still on")
                                     : trNoop("Tarvine stopped — protection is off");
        item.title = trNoop("Restart Tarvine");
        item.enabled = true;
        item.restarts = true;
        return item;
    case SidecarLink::trusted:
        break;
    }
    if (!status) {
        item.statusText = trNoop("Tarvine is starting…");
        item.title = trNoop("Turn Protection On");
        item.enabled = false;
        return item;
    }
    item.statusText = trustedStatusText(*status);
    item.title = status->protection == Protection::on ? trNoop("Turn Protection Off") : trNoop("Turn Protection On");
    item.enabled = !busy && status->protection != Protection::starting;
    item.isOn = protectionUIState(status) == ProtectionUIState::on;
    return item;
}

} // namespace fernholm
