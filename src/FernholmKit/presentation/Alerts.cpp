#include "FernholmKit/presentation/Alerts.h"

#include "FernholmKit/presentation/BrowserNotices.h"
#include "FernholmKit/text/L10n.h"

#include <algorithm>

namespace fernholm {

const AlertLayout AlertLayout::empty{};

std::optional<AlertLevel> alertLevelFromRaw(int raw) {
    switch (raw) {
    case 0:
        return AlertLevel::notice;
    case 1:
        return AlertLevel::warning;
    case 2:
        return AlertLevel::critical;
    default:
        return std::nullopt;
    }
}

QString AlertAction::title() const {
    switch (m_kind) {
    case Kind::degraded:
        return fernholm::title(m_degraded);
    case Kind::openURL:
        return m_caption;
    case Kind::restartSidecar:
        return tr("Restart Tarvine");
    case Kind::retryProtection:
        return tr("Try again");
    case Kind::copyError:
    case Kind::copyAppError:
        return tr("Copy details");
    case Kind::showBrowsers:
        return tr("Show me how");
    }
    return QString();
}

namespace {

bool present(const std::optional<QString>& text) {
    return text && !text->isEmpty();
}

AppAlert alert(QString id, AlertLevel level, QString title, QString body,
               std::optional<AlertAction> action = std::nullopt, std::optional<AlertAction> secondary = std::nullopt) {
    return AppAlert{std::move(id),        level,       std::move(title), std::move(body), std::move(action),
                    std::move(secondary), std::nullopt};
}

AppAlert bannerAlert(const DegradedBanner& banner, AlertLevel level) {
    std::optional<AlertAction> action;
    if (banner.action != DegradedAction::none) {
        action = AlertAction::degraded(banner.action);
    }
    return alert(banner.code, level, banner.title, banner.body, action);
}

} // namespace

QList<AppAlert> appAlerts(const AlertInputs& inputs) {
    const std::optional<Status> shown = inputs.link == SidecarLink::trusted ? inputs.status : std::optional<Status>();
    std::optional<AlertAction> detailAction;
    if (present(inputs.appErrorDetail)) {
        detailAction = AlertAction::copyAppError();
    }
    const QList<DegradedBanner> banners = degradedBanners(shown, inputs.onSetup);
    const ProtectionUIState state = protectionUIState(shown);
    const bool stopped = inputs.link == SidecarLink::stopped;
    // The error line is critical while nothing else tells the user why the gateway is not there.
    const bool gatewayMissing = stopped || !inputs.status;

    QList<AppAlert> alerts;
    if (stopped) {
        if (inputs.proxyStuck) {
            alerts.append(alert(
                QStringLiteral("proxy_stuck"), AlertLevel::critical,
                tr("Tarvine stopped — the system proxy is still on"),
                tr("Tarvine stopped and couldn't turn off the system proxy. Open Settings → Network → Network Proxy and choose Disabled."),
                AlertAction::restartSidecar()));
        } else {
            alerts.append(alert(QStringLiteral("sidecar_stopped"), AlertLevel::critical,
                                tr("Tarvine stopped — protection is off"),
                                tr("What you send to AI chats goes out unchanged until Tarvine runs again."),
                                AlertAction::restartSidecar(), detailAction));
        }
    }
    if (gatewayMissing && present(inputs.appError)) {
        alerts.append(alert(QStringLiteral("app_error"), AlertLevel::critical, tr("Tarvine couldn't start"),
                            L10n::sidecarText(*inputs.appError), std::nullopt, detailAction));
    }
    for (const DegradedBanner& banner : banners) {
        if (banner.isCritical) {
            alerts.append(bannerAlert(banner, AlertLevel::critical));
        }
    }
    if (state == ProtectionUIState::error) {
        alerts.append(alert(QStringLiteral("protection_error"), AlertLevel::critical, tr("Protection couldn't start"),
                            L10n::sidecarText(shown->error.value_or(QString())), AlertAction::retryProtection(),
                            AlertAction::copyError()));
    }
    for (const DegradedBanner& banner : banners) {
        if (!banner.isCritical) {
            alerts.append(bannerAlert(banner, AlertLevel::warning));
        }
    }
    if (!gatewayMissing && present(inputs.appError)) {
        alerts.append(alert(QStringLiteral("app_error"), AlertLevel::warning, tr("Something went wrong"),
                            L10n::sidecarText(*inputs.appError)));
    }
    if (shown && shown->detector == QStringLiteral("rules-only")) {
        if (present(shown->modelError)) {
            alerts.append(alert(QStringLiteral("model_rules_only"), AlertLevel::warning, tr("Model disabled"),
                                tr("{reason}. Using rules only — names may be missed.",
                                   {{QStringLiteral("reason"), L10n::sidecarText(*shown->modelError)}})));
        } else {
            alerts.append(alert(QStringLiteral("model_rules_only"), AlertLevel::warning,
                                tr("Detection model not loaded"),
                                tr("Using rules only — names may be missed until it finishes loading.")));
        }
    }
    if (state == ProtectionUIState::partial) {
        for (const BrowserFinding& finding : shown->browserBypass.value_or(QList<BrowserFinding>())) {
            if (finding.kind != QLatin1String("bypass")) {
                continue;
            }
            const NoticeText text = bypassText(finding, true);
            alerts.append(alert(QStringLiteral("bypass:") + finding.kind + QLatin1Char(':') +
                                    finding.profileId.value_or(QString()),
                                AlertLevel::warning, text.title, text.body, AlertAction::showBrowsers()));
        }
    }
    for (const AppNotice& notice : unsupportedAppNotices(shown)) {
        std::optional<AlertAction> action;
        if (notice.link) {
            action = AlertAction::openURL(notice.linkTitle, *notice.link);
        }
        alerts.append(
            alert(QStringLiteral("app:") + notice.id, AlertLevel::warning, notice.title, notice.body, action));
    }
    return alerts;
}

int AlertLayout::badgeCount() const {
    return static_cast<int>(critical.size() + warnings.size()) + moreWarnings;
}

std::optional<AlertLevel> AlertLayout::worst() const {
    if (!critical.isEmpty()) {
        return AlertLevel::critical;
    }
    if (!warnings.isEmpty()) {
        return AlertLevel::warning;
    }
    if (notice) {
        return AlertLevel::notice;
    }
    return std::nullopt;
}

AlertLayout arrangeAlerts(const QList<AppAlert>& alerts, const QHash<QString, Time>& firstSeen,
                          const QSet<QString>& snoozed, int maxWarnings) {
    maxWarnings = std::max(maxWarnings, 0);
    AlertLayout layout;
    QList<AppAlert> warnings;
    for (const AppAlert& alert : alerts) {
        if (alert.level == AlertLevel::critical) {
            layout.critical.append(alert);
            continue;
        }
        if (snoozed.contains(alert.id)) {
            continue;
        }
        if (alert.level == AlertLevel::warning) {
            warnings.append(alert);
        } else if (!layout.notice) {
            layout.notice = alert;
        }
    }
    // Newest first; alerts that appeared together keep their rule order.
    std::stable_sort(warnings.begin(), warnings.end(), [&firstSeen](const AppAlert& a, const AppAlert& b) {
        return firstSeen.value(a.id, Time::min()) > firstSeen.value(b.id, Time::min());
    });
    const qsizetype shown = std::min<qsizetype>(warnings.size(), maxWarnings);
    layout.warnings = warnings.first(shown);
    layout.moreWarnings = static_cast<int>(warnings.size() - shown);
    return layout;
}

QString label(ProtectionSummary summary) {
    switch (summary) {
    case ProtectionSummary::notProtected:
        return tr("Not protected");
    case ProtectionSummary::needsAttention:
        return tr("Needs attention");
    case ProtectionSummary::protected_:
        return tr("Protected");
    case ProtectionSummary::paused:
        return tr("Paused");
    case ProtectionSummary::checking:
        return tr("Checking…");
    }
    return QString();
}

ProtectionSummary protectionSummary(const AlertLayout& layout, ProtectionUIState state) {
    if (!layout.critical.isEmpty()) {
        return ProtectionSummary::notProtected;
    }
    if (!layout.warnings.isEmpty()) {
        return ProtectionSummary::needsAttention;
    }
    switch (state) {
    case ProtectionUIState::off:
        return ProtectionSummary::paused;
    case ProtectionUIState::on:
        return ProtectionSummary::protected_;
    case ProtectionUIState::partial:
        return ProtectionSummary::needsAttention;
    case ProtectionUIState::degraded:
    case ProtectionUIState::error:
    case ProtectionUIState::stopped:
    case ProtectionUIState::proxyStuck:
        return ProtectionSummary::notProtected;
    case ProtectionUIState::starting:
    case ProtectionUIState::checking:
    case ProtectionUIState::confirming:
    case ProtectionUIState::verifying:
    case ProtectionUIState::restarting:
        return ProtectionSummary::checking;
    }
    return ProtectionSummary::checking;
}

} // namespace fernholm
