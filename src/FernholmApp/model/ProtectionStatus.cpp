#include "FernholmApp/model/ProtectionStatus.h"

namespace fernholm {

ProtectionStatus::ProtectionStatus(QObject* parent) : QObject(parent) {}

void ProtectionStatus::setStatus(const std::optional<Status>& status) {
    // A live gateway's uptime, memory and latency move on every poll; only what the views show
    // makes a change of the status.
    const GatewayTelemetry telemetry = status ? telemetryOf(*status) : GatewayTelemetry{};
    if (!(telemetry == m_telemetry)) {
        m_telemetry = telemetry;
        Q_EMIT telemetryChanged();
    }
    const std::optional<Status> shown = status ? std::optional(withoutTelemetry(*status)) : std::nullopt;
    if (shown != m_status) {
        m_status = shown;
        Q_EMIT statusChanged();
    }
}

void ProtectionStatus::setProviders(const QList<Provider>& providers) {
    if (providers != m_providers) {
        m_providers = providers;
        Q_EMIT providersChanged();
    }
}

} // namespace fernholm
