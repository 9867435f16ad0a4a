// The AI chat providers the gateway watches, each switched on or off by name.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Wire.h"

#include <QJsonDocument>

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;

QJsonArray initialProviders() {
    return QJsonDocument::fromJson(R"([
        {"name": "chatgpt", "display_name": "ChatGPT", "kind": "web",
         "hosts": ["chatgpt.com", "chat.openai.com"], "enabled": true, "experimental": false},
        {"name": "claude", "display_name": "Claude", "kind": "web", "hosts": ["claude.ai"], "enabled": true},
        {"name": "gemini", "display_name": "Gemini", "kind": "web", "hosts": ["gemini.google.com"], "enabled": true},
        {"name": "openai_api", "display_name": "OpenAI API", "kind": "api", "hosts": ["api.openai.com"],
         "enabled": false, "experimental": null},
        {"name": "spellbook", "display_name": "Spellbook", "kind": "web", "hosts": ["app.spellbook.legal"],
         "enabled": false, "experimental": true, "note": "Uploads are checked, typed text is not yet."}
    ])")
        .array();
}

QJsonObject page(const GatewayState& state) {
    return {{QStringLiteral("providers"), state.providers}};
}

const EndpointGroup providers("providers", [](FakeGateway& gateway) {
    gateway.state().providers = initialProviders();

    gateway.route("GET", "/api/providers",
                  [](const Request&, GatewayState& state) { return FakeGateway::json(page(state)); });

    gateway.route("POST", "/api/providers", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        if (!body || !body->value(QLatin1String("name")).isString() ||
            !body->value(QLatin1String("enabled")).isBool()) {
            return FakeGateway::error(400,
                                      QStringLiteral(R"(the body must hold a text "name" and a Boolean "enabled")"));
        }
        const QString name = body->value(QLatin1String("name")).toString();
        for (qsizetype i = 0; i < state.providers.size(); ++i) {
            QJsonObject provider = state.providers.at(i).toObject();
            if (provider.value(QLatin1String("name")).toString() == name) {
                provider.insert(QStringLiteral("enabled"), body->value(QLatin1String("enabled")));
                state.providers.replace(i, provider);
                return FakeGateway::json(page(state));
            }
        }
        return FakeGateway::error(404, QStringLiteral("unknown provider: %1").arg(name));
    });
});

} // namespace

} // namespace fernholm::fake
