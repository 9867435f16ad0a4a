#include "FernholmKit/control/Telemetry.h"

namespace fernholm {

GatewayTelemetry telemetryOf(const Status& status) {
    return {status.uptimeS, status.memoryMb, status.counters.medianLatencyMs};
}

Status withoutTelemetry(Status status) {
    status.uptimeS.reset();
    status.memoryMb.reset();
    status.counters.medianLatencyMs.reset();
    return status;
}

} // namespace fernholm
