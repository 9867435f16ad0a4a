// The gateway's status, served from the state.
#include "fakegateway/FakeGateway.h"

namespace fernholm::fake {

QJsonObject GatewayState::statusReply() {
    if (!running.isValid()) {
        running.start();
    }
    const qint64 n = statusReplies++;
    QJsonObject reply = status;
    if (!reply.contains(QLatin1String("uptime_s"))) {
        reply.insert(QStringLiteral("uptime_s"), running.elapsed() / 1000);
    }
    if (!reply.contains(QLatin1String("memory_mb"))) {
        reply.insert(QStringLiteral("memory_mb"), 180.0 + double(n % 9) * 0.25);
    }
    QJsonObject counters = reply.value(QLatin1String("counters")).toObject();
    if (!counters.contains(QLatin1String("median_latency_ms"))) {
        // Moves on every reply, the way a median over live traffic does.
        counters.insert(QStringLiteral("median_latency_ms"), 30.0 + double((n * 7919) % 211) / 10.0);
        reply.insert(QStringLiteral("counters"), counters);
    }
    return reply;
}

namespace {

const EndpointGroup status("status", [](FakeGateway& gateway) {
    gateway.route("GET", "/api/status", [](const FakeGateway::Request&, GatewayState& state) {
        return FakeGateway::json(state.statusReply());
    });
});

} // namespace

} // namespace fernholm::fake
