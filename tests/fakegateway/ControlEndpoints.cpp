// The protection switch and the one-off actions on the certificate, the data key and the
// rules-cleared notice. Each changes the kept status the way the gateway would.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Wire.h"

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;
using Reply = FakeGateway::Reply;

Reply badBody(const char* expected) {
    return FakeGateway::error(400, QStringLiteral("the body must be %1").arg(QLatin1String(expected)));
}

void switchProtection(QJsonObject& status, bool on) {
    status.insert(QStringLiteral("protection"), on ? QStringLiteral("on") : QStringLiteral("off"));
    status.insert(QStringLiteral("protected"), on);
    status.insert(QStringLiteral("proxy_alive"), on);
    status.remove(QStringLiteral("error"));
    QJsonObject sysproxy{{QStringLiteral("enabled"), on}};
    if (on) {
        sysproxy.insert(QStringLiteral("service"), QStringLiteral("Wired connection 1"));
        sysproxy.insert(QStringLiteral("host"), QStringLiteral("127.0.0.1"));
        sysproxy.insert(QStringLiteral("port"), status.value(QLatin1String("proxy_port")));
    }
    status.insert(QStringLiteral("sysproxy"), sysproxy);
}

const EndpointGroup control("control", [](FakeGateway& gateway) {
    gateway.route("POST", "/api/protection", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        if (!body || !body->value(QLatin1String("on")).isBool()) {
            return badBody(R"(an object with a Boolean "on")");
        }
        switchProtection(state.status, body->value(QLatin1String("on")).toBool());
        return FakeGateway::json(state.statusReply());
    });

    gateway.route("POST", "/api/ca/install", [](const Request& request, GatewayState& state) {
        if (!bodyObject(request)) {
            return badBody("an object");
        }
        state.status.insert(QStringLiteral("ca"), QStringLiteral("ok"));
        state.status.remove(QStringLiteral("ca_renewal"));
        dropDegraded(state.status, {QStringLiteral("ca_untrusted"), QStringLiteral("ca_renewal")});
        return FakeGateway::json({{QStringLiteral("ok"), true}});
    });

    gateway.route("POST", "/api/ca/remove", [](const Request& request, GatewayState& state) {
        if (!bodyObject(request)) {
            return badBody("an object");
        }
        state.status.insert(QStringLiteral("ca"), QStringLiteral("missing"));
        return FakeGateway::json({{QStringLiteral("ok"), true}});
    });

    gateway.route("POST", "/api/ca/retire", [](const Request& request, GatewayState& state) {
        if (!bodyObject(request)) {
            return badBody("an object");
        }
        state.status.insert(QStringLiteral("old_roots_trusted"), QJsonArray());
        state.status.insert(QStringLiteral("retire_errors"), QJsonArray());
        dropDegraded(state.status, {QStringLiteral("old_root_trusted"), QStringLiteral("old_root_needs_admin")});
        return FakeGateway::json(
            {{QStringLiteral("old_roots_trusted"), QJsonArray()}, {QStringLiteral("errors"), QJsonArray()}});
    });

    // A time stamp records a replaced data key and raises its notice; null dismisses it.
    gateway.route("POST", "/api/data_key_reset", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        const QJsonValue at = body ? body->value(QLatin1String("at")) : QJsonValue(QJsonValue::Undefined);
        if (!at.isString() && !at.isNull()) {
            return badBody(R"(an object whose "at" is a text or null)");
        }
        if (at.isNull()) {
            state.dataKeyResetAt.reset();
            dropDegraded(state.status, {QStringLiteral("data_key_reset")});
        } else {
            state.dataKeyResetAt = at.toString();
            putDegraded(
                state.status,
                {{QStringLiteral("code"), QStringLiteral("data_key_reset")},
                 {QStringLiteral("severity"), QStringLiteral("warning")},
                 {QStringLiteral("detail"), at},
                 {QStringLiteral("title"),
                  QJsonObject{{QStringLiteral("en"), QStringLiteral("A new data key was made")}}},
                 {QStringLiteral("body"),
                  QJsonObject{{QStringLiteral("en"),
                               QStringLiteral("Placeholders made before {detail} can no longer be restored.")}}}});
        }
        return FakeGateway::json(state.statusReply());
    });

    gateway.route("POST", "/api/rules_cleared/dismiss", [](const Request& request, GatewayState& state) {
        if (!bodyObject(request)) {
            return badBody("an object");
        }
        dropDegraded(state.status, {QStringLiteral("rules_cleared"), QStringLiteral("policy_cleared")});
        return FakeGateway::json(state.statusReply());
    });
});

} // namespace

} // namespace fernholm::fake
