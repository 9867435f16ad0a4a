#pragma once

#include "FernholmKit/control/Models.h"

#include <optional>

namespace fernholm {

// What a status says about the gateway's own running: it moves on every poll of a live gateway and
// no view shows it, so it is kept apart from the status the views compare and re-read.
struct GatewayTelemetry {
    std::optional<qint64> uptimeS;
    std::optional<double> memoryMb;
    std::optional<double> medianLatencyMs;

    bool operator==(const GatewayTelemetry&) const = default;
};

GatewayTelemetry telemetryOf(const Status& status);
// The status with its telemetry cleared: two replies that differ only in telemetry become equal.
Status withoutTelemetry(Status status);

} // namespace fernholm
