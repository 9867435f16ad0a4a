// Hooks for the tests that drive the stand-in gateway, outside the control API (no faults apply)
// but behind the same bearer token:
//   POST /fake/request   {"text", "surface"?, "status"?, "reason"?, "route"?, "fingerprint"?, "ts"?}
//                        a request passes through: it is checked like a prompt, and its event and
//                        detail record are kept and counted; answers {"event", "cursor"}
//   POST /fake/status    members merged into the kept status (null removes one); answers it
//   GET  /fake/report    the last problem report received, {} before the first
//   GET  /fake/log       {"requests": [...]}: every request received outside /fake/, oldest first,
//                        each {"method", "path", "query", "headers" (names lower-cased), "body"}
//   POST /fake/script    {"path", "replies": [{"status"?, "body"?, "delay_ms"?, "hang"?}], "clear"?}
//                        queues replies for a path (without query), after any already queued (or
//                        in their place with "clear": true); each request to the path takes the
//                        first in place of its handler and the faults, once the bearer token is
//                        checked. "status" 200 and an empty "body" by default; "hang" never answers
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Scanner.h"
#include "fakegateway/Wire.h"

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;
using Reply = FakeGateway::Reply;
using Handler = FakeGateway::Handler;

Handler guarded(Handler handler) {
    return [handler = std::move(handler)](const Request& request, GatewayState& state) {
        return authorized(request, state) ? handler(request, state)
                                          : FakeGateway::error(401, QStringLiteral("unauthorized"));
    };
}

QString optionalText(const QJsonObject& body, const char* key, const QString& fallback = {}) {
    return body.value(QLatin1String(key)).toString(fallback);
}

void count(QJsonObject& status, const QString& outcome, const QMap<QString, qint64>& entities) {
    QJsonObject counters = status.value(QLatin1String("counters")).toObject();
    const auto bump = [&](const QString& key, qint64 by) {
        counters.insert(key, counters.value(key).toInteger() + by);
    };
    bump(QStringLiteral("total"), 1);
    bump(outcome, 1);
    QJsonObject kinds = counters.value(QLatin1String("entities")).toObject();
    for (auto it = entities.cbegin(); it != entities.cend(); ++it) {
        kinds.insert(it.key(), kinds.value(it.key()).toInteger() + it.value());
    }
    counters.insert(QStringLiteral("entities"), kinds);
    status.insert(QStringLiteral("counters"), counters);
}

Reply script(const Request& request, GatewayState& state) {
    const auto body = bodyObject(request);
    if (!body || !body->value(QLatin1String("path")).isString() || !body->value(QLatin1String("replies")).isArray()) {
        return FakeGateway::error(400, QStringLiteral(R"(the body must hold a text "path" and a list "replies")"));
    }
    QList<fernholm::test::ScriptedReply> replies;
    for (const QJsonValue& value : body->value(QLatin1String("replies")).toArray()) {
        const QJsonObject entry = value.toObject();
        if (!value.isObject() ||
            (entry.contains(QLatin1String("body")) && !entry.value(QLatin1String("body")).isString())) {
            return FakeGateway::error(400, QStringLiteral(R"(each reply is an object whose "body" is a text)"));
        }
        Reply reply = entry.value(QLatin1String("hang")).toBool()
                          ? Reply::never()
                          : Reply::json(entry.value(QLatin1String("body")).toString().toUtf8(),
                                        entry.value(QLatin1String("status")).toInt(200));
        reply.delay = std::chrono::milliseconds(entry.value(QLatin1String("delay_ms")).toInteger());
        replies.append(reply);
    }
    QList<fernholm::test::ScriptedReply>& queue = state.scripts[body->value(QLatin1String("path")).toString().toUtf8()];
    if (body->value(QLatin1String("clear")).toBool()) {
        queue.clear();
    }
    queue.append(replies);
    return FakeGateway::json({{QStringLiteral("queued"), queue.size()}});
}

Reply passRequest(const Request& request, GatewayState& state) {
    const auto body = bodyObject(request);
    if (!body || !body->value(QLatin1String("text")).isString()) {
        return FakeGateway::error(400, QStringLiteral(R"(the body must hold a text "text")"));
    }
    const QString text = body->value(QLatin1String("text")).toString();
    const ScanOutcome outcome = scanText(state, text);
    const QString ts = optionalText(*body, "ts", timeStamp());
    const QString surface = optionalText(*body, "surface", QStringLiteral("chatgpt_web"));
    const QString status =
        optionalText(*body, "status", outcome.tokens.isEmpty() ? QStringLiteral("passed") : QStringLiteral("redacted"));

    QJsonObject entities;
    for (auto it = outcome.entities.cbegin(); it != outcome.entities.cend(); ++it) {
        entities.insert(it.key(), it.value());
    }
    QJsonObject event{
        {QStringLiteral("ts"), ts},
        {QStringLiteral("surface"), surface},
        {QStringLiteral("entities"), entities},
        {QStringLiteral("tokens"), QJsonArray::fromStringList(outcome.tokens)},
        {QStringLiteral("status"), status},
        {QStringLiteral("route"), optionalText(*body, "route", QStringLiteral("chat"))},
    };
    QJsonObject record{
        {QStringLiteral("req_id"), ts},
        {QStringLiteral("ts"), ts},
        {QStringLiteral("surface"), surface},
        {QStringLiteral("latency_ms"), outcome.latencyMs},
        {QStringLiteral("details"), outcome.details},
        {QStringLiteral("before_text"), text},
        {QStringLiteral("after_text"), outcome.afterText},
    };
    for (const char* key : {"reason", "fingerprint"}) {
        if (body->value(QLatin1String(key)).isString()) {
            event.insert(QLatin1String(key), body->value(QLatin1String(key)));
        }
    }
    if (body->value(QLatin1String("reason")).isString()) {
        record.insert(QStringLiteral("reason"), body->value(QLatin1String("reason")));
    }
    state.events.append(event);
    state.details[ts].append(record);
    const bool blocked = status == QLatin1String("blocked") || status == QLatin1String("document_blocked");
    count(state.status,
          blocked                    ? QStringLiteral("blocked")
          : outcome.tokens.isEmpty() ? QStringLiteral("passed")
                                     : QStringLiteral("redacted"),
          outcome.entities);
    return FakeGateway::json({{QStringLiteral("event"), event}, {QStringLiteral("cursor"), state.events.size()}});
}

const EndpointGroup hooks("test hooks", [](FakeGateway& gateway) {
    gateway.route("POST", "/fake/request", guarded(passRequest));

    gateway.route("POST", "/fake/status", guarded([](const Request& request, GatewayState& state) {
                      const auto body = bodyObject(request);
                      if (!body) {
                          return FakeGateway::error(400, QStringLiteral("the body must be an object"));
                      }
                      for (auto it = body->constBegin(); it != body->constEnd(); ++it) {
                          if (it->isNull()) {
                              state.status.remove(it.key());
                          } else {
                              state.status.insert(it.key(), *it);
                          }
                      }
                      return FakeGateway::json(state.statusReply());
                  }));

    gateway.route("GET", "/fake/log", guarded([](const Request&, GatewayState& state) {
                      return FakeGateway::json({{QStringLiteral("requests"), state.log}});
                  }));

    gateway.route("POST", "/fake/script", guarded(script));

    gateway.route("GET", "/fake/report",
                  guarded([](const Request&, GatewayState& state) { return FakeGateway::json(state.lastReport); }));
});

} // namespace

} // namespace fernholm::fake
