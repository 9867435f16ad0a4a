#pragma once

#include "FernholmKit/control/Models.h"
#include "FernholmKit/control/RedactionModels.h"
#include "FernholmKit/control/Telemetry.h"

#include <QList>
#include <QObject>

#include <optional>

namespace fernholm {

struct AppModelAccess;

// What the gateway last said it protects: its status as the views read it and its providers.
// Part of AppModel, which makes it and writes each reply into it; the pages read it and re-read on
// its signals. A status that differs only in the gateway's telemetry (uptime, memory, latency)
// changes telemetry() and signals nothing the views follow.
//
//     connect(&protection, &ProtectionStatus::statusChanged, card, [&] { card->show(protection.status()); });
class ProtectionStatus : public QObject {
    Q_OBJECT
public:
    explicit ProtectionStatus(QObject* parent = nullptr);

    // Nothing before the first trusted reply and whenever the link is not trusted.
    const std::optional<Status>& status() const { return m_status; }
    // The moving part of the last status, which no view shows.
    const GatewayTelemetry& telemetry() const { return m_telemetry; }
    // As the gateway last listed them; a failed load keeps the list.
    const QList<Provider>& providers() const { return m_providers; }

Q_SIGNALS:
    void statusChanged();
    void telemetryChanged(); // no view follows it
    void providersChanged();

private:
    friend class AppModel;
    friend struct AppModelAccess;

    // Each stores its value and signals only when what it signals for changed.
    void setStatus(const std::optional<Status>& status);
    void setProviders(const QList<Provider>& providers);

    std::optional<Status> m_status;
    GatewayTelemetry m_telemetry;
    QList<Provider> m_providers;
};

} // namespace fernholm
