// The problem-report exchange: the draft of what a report would carry, the description as it
// will be sent, and the report itself, kept as the last one received.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Scanner.h"
#include "fakegateway/Wire.h"

#include <QSysInfo>

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;

// How many recent events a draft lists.
constexpr qsizetype draftEvents = 20;

QString eventLine(const QJsonObject& event) {
    QStringList tokens;
    for (const QJsonValue& token : event.value(QLatin1String("tokens")).toArray()) {
        tokens.append(token.toString());
    }
    return QStringList{event.value(QLatin1String("ts")).toString(), event.value(QLatin1String("surface")).toString(),
                       event.value(QLatin1String("status")).toString(), tokens.join(QLatin1Char(','))}
        .join(QLatin1Char(' '));
}

QJsonObject attachments(const GatewayState& state, const std::optional<QString>& row) {
    QJsonObject sites;
    for (const QJsonValue& provider : state.providers) {
        sites.insert(provider.toObject().value(QLatin1String("name")).toString(),
                     provider.toObject().value(QLatin1String("enabled")).toBool());
    }
    QJsonObject out{
        {QStringLiteral("os"),
         QStringLiteral("%1 (%2 %3)")
             .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion())},
        {QStringLiteral("sites"), sites},
        {QStringLiteral("protection"), state.status.value(QLatin1String("protection"))},
    };
    if (!row) {
        return out;
    }
    // The row is an event's time stamp; the latest event of that second is the one meant.
    for (auto event = state.events.crbegin(); event != state.events.crend(); ++event) {
        if (event->value(QLatin1String("ts")).toString() != *row) {
            continue;
        }
        QJsonObject described{{QStringLiteral("method"), QStringLiteral("POST")}};
        for (const char* key : {"reason", "surface", "route", "ts"}) {
            if (event->contains(QLatin1String(key))) {
                described.insert(QLatin1String(key), event->value(QLatin1String(key)));
            }
        }
        out.insert(QStringLiteral("row"), described);
        break;
    }
    return out;
}

bool isIncludeMap(const QJsonValue& value) {
    if (!value.isObject()) {
        return false;
    }
    const QJsonObject include = value.toObject();
    return std::all_of(include.begin(), include.end(), [](const QJsonValue& on) { return on.isBool(); });
}

const EndpointGroup issues("issues", [](FakeGateway& gateway) {
    gateway.route("GET", "/api/issue_draft", [](const Request& request, GatewayState& state) {
        QJsonArray lines;
        for (qsizetype i = std::max<qsizetype>(0, state.events.size() - draftEvents); i < state.events.size(); ++i) {
            lines.append(eventLine(state.events.at(i)));
        }
        QJsonObject draft{
            {QStringLiteral("attachments"), attachments(state, queryText(request, "row"))},
            {QStringLiteral("events"), lines},
            {QStringLiteral("events_until"), state.events.size()},
        };
        const QString version = qEnvironmentVariable("TARVINE_APP_VERSION");
        if (!version.isEmpty()) {
            draft.insert(QStringLiteral("app_version"), version);
        }
        return FakeGateway::json(draft);
    });

    gateway.route("POST", "/api/issue_preview", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        if (!body || !body->value(QLatin1String("description")).isString()) {
            return FakeGateway::error(400, QStringLiteral(R"(the body must hold a text "description")"));
        }
        const ScanOutcome outcome = scanText(state, body->value(QLatin1String("description")).toString());
        return FakeGateway::json({{QStringLiteral("description"), outcome.afterText}});
    });

    // Keeps the report as received, with the id it was given.
    gateway.route("POST", "/api/report_issue", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        const auto has = [&](const char* key, bool (QJsonValue::*is)() const) {
            return (body->value(QLatin1String(key)).*is)();
        };
        if (!body || !has("category", &QJsonValue::isString) || !has("description", &QJsonValue::isString) ||
            !isIncludeMap(body->value(QLatin1String("include"))) ||
            !isInteger(body->value(QLatin1String("events_until"))) ||
            (body->contains(QLatin1String("row")) && !has("row", &QJsonValue::isString))) {
            return FakeGateway::error(
                400, QStringLiteral(
                         R"(the body must hold "category", "description", "include", "events_until" and maybe "row")"));
        }
        QJsonObject report = *body;
        const QString id = QStringLiteral("FG-%1").arg(++state.reports, 4, 10, QLatin1Char('0'));
        report.insert(QStringLiteral("id"), id);
        state.lastReport = report;
        return FakeGateway::json({{QStringLiteral("ok"), true}, {QStringLiteral("id"), id}});
    });
});

} // namespace

} // namespace fernholm::fake
