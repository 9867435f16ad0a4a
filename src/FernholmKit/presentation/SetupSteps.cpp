#include "FernholmKit/presentation/SetupSteps.h"

#include "FernholmKit/text/L10n.h"

namespace fernholm::SetupSteps {

bool protectionOn(const std::optional<Status>& status) {
    return status && status->protection == Protection::on;
}

bool ready(const std::optional<Status>& status) {
    return status && status->ca == CAStatus::ok;
}

int currentStep(const std::optional<Status>& status) {
    return ready(status) ? 2 : 1;
}

SetupStep certificate(const std::optional<Status>& status, bool firstRun) {
    if (ready(status) && status->caRenewal.value_or(false)) {
        return {
            SetupStep::Look::current, 1, fernholm::tr("Certificate update"),
            fernholm::tr(
                "Tarvine renews its certificate once a year. The system may ask for your password to trust the new one; the old one is removed after."),
            SetupStep::Control::install};
    }
    if (ready(status)) {
        return {SetupStep::Look::done, 0, fernholm::tr("Certificate"), fernholm::tr("Trusted — HTTPS can be inspected"),
                firstRun ? SetupStep::Control::none : SetupStep::Control::removeCertificate};
    }
    return {
        SetupStep::Look::current, 1, fernholm::tr("Certificate"),
        fernholm::tr(
            "Not installed — required so the gateway can read what you send and hide personal details. The system may ask for your password."),
        SetupStep::Control::install};
}

SetupStep turnOn(const std::optional<Status>& status) {
    const QString title = fernholm::tr("Turn on protection");
    if (protectionOn(status)) {
        return {SetupStep::Look::done, 0, title, fernholm::tr("Protection is on"), SetupStep::Control::none};
    }
    if (ready(status)) {
        return {SetupStep::Look::current, 2, title,
                fernholm::tr(
                    "Traffic to the AI services you choose will be inspected locally. You can turn it off any time."),
                SetupStep::Control::turnOn};
    }
    return {SetupStep::Look::pending, 2, title, fernholm::tr("Available once the certificate is installed."),
            SetupStep::Control::none};
}

bool isWarningKind(const QString& kind) {
    return kind == QLatin1String("bypass") || kind == QLatin1String("incognito") ||
           kind == QLatin1String("unsupported_app");
}

QString rowIcon(const QString& kind) {
    if (kind == QLatin1String("bypass")) {
        return QStringLiteral("exclamationmark.triangle");
    }
    if (kind == QLatin1String("incognito")) {
        return QStringLiteral("eye.slash");
    }
    if (kind == QLatin1String("unsupported_app")) {
        return QStringLiteral("nosign");
    }
    if (kind == QLatin1String("idle")) {
        return QStringLiteral("moon");
    }
    if (kind == QLatin1String("checking")) {
        return QStringLiteral("hourglass");
    }
    return QStringLiteral("questionmark.circle");
}

} // namespace fernholm::SetupSteps
