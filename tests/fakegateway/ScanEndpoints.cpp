// The prompt check, the restore of a reply and the stamping of a copy.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Scanner.h"
#include "fakegateway/Wire.h"

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;

// What the gateway appends to a stamped copy.
const QByteArray stamp = QByteArrayLiteral("\n% stamped by the gateway\n");

const EndpointGroup scan("scan", [](FakeGateway& gateway) {
    gateway.route("POST", "/api/scan", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        const auto optionalList = [&](const char* key) {
            return !body->contains(QLatin1String(key)) || isStringList(body->value(QLatin1String(key)));
        };
        if (!body || !body->value(QLatin1String("text")).isString() || !optionalList("keep") || !optionalList("hide")) {
            return FakeGateway::error(
                400, QStringLiteral(R"(the body must hold a text "text" and lists of texts "keep" and "hide")"));
        }
        const QString text = body->value(QLatin1String("text")).toString();
        const ScanOutcome outcome = scanText(state, text, stringList(body->value(QLatin1String("keep"))),
                                             stringList(body->value(QLatin1String("hide"))));
        return FakeGateway::json({
            {QStringLiteral("before_text"), text},
            {QStringLiteral("after_text"), outcome.afterText},
            {QStringLiteral("details"), outcome.details},
            {QStringLiteral("type_names"), outcome.typeNames},
            {QStringLiteral("latency_ms"), outcome.latencyMs},
        });
    });

    gateway.route("POST", "/api/restore", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        if (!body || !body->value(QLatin1String("text")).isString()) {
            return FakeGateway::error(400, QStringLiteral(R"(the body must hold a text "text")"));
        }
        return FakeGateway::json(restoreText(state.vault, body->value(QLatin1String("text")).toString()));
    });

    gateway.route("POST", "/api/stamp_copy", [](const Request& request, GatewayState&) {
        const auto body = bodyObject(request);
        const QByteArray data = body ? body->value(QLatin1String("data_b64")).toString().toLatin1() : QByteArray();
        const auto bytes = QByteArray::fromBase64Encoding(data, QByteArray::AbortOnBase64DecodingErrors);
        // Strict: whole four-character groups, nothing outside the alphabet and its padding.
        if (!body || !body->value(QLatin1String("data_b64")).isString() || data.size() % 4 != 0 || !bytes) {
            return FakeGateway::error(400, QStringLiteral(R"(the body must hold base64 under "data_b64")"));
        }
        return FakeGateway::json({{QStringLiteral("data_b64"), QString::fromLatin1((*bytes + stamp).toBase64())}});
    });
});

} // namespace

} // namespace fernholm::fake
