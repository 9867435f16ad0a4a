// The event feed and the detail of one inspected request, served from what the state holds.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Wire.h"

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;

const EndpointGroup events("events", [](FakeGateway& gateway) {
    // The events after the first `after` ones; the cursor is the number held.
    gateway.route("GET", "/api/events", [](const Request& request, GatewayState& state) {
        bool ok = false;
        const qint64 after = queryText(request, "after").value_or(QString()).toLongLong(&ok);
        if (!ok) {
            return FakeGateway::error(400, QStringLiteral("after must be an integer"));
        }
        QJsonArray page;
        for (qint64 i = std::max<qint64>(after, 0); i < state.events.size(); ++i) {
            page.append(state.events.at(i));
        }
        return FakeGateway::json({{QStringLiteral("events"), page}, {QStringLiteral("cursor"), state.events.size()}});
    });

    gateway.route("GET", "/api/detail", [](const Request& request, GatewayState& state) {
        const std::optional<QString> reqId = queryText(request, "req_id");
        if (!reqId) {
            return FakeGateway::error(400, QStringLiteral("req_id is missing"));
        }
        const auto records = state.details.constFind(*reqId);
        if (records == state.details.constEnd()) {
            return FakeGateway::json({});
        }
        QJsonArray list;
        for (const QJsonObject& record : *records) {
            list.append(record);
        }
        return FakeGateway::json({{QStringLiteral("records"), list}});
    });
});

} // namespace

} // namespace fernholm::fake
