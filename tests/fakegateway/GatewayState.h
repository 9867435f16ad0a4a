#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include "support/TestHttpServer.h"

#include <optional>

namespace fernholm::fake {

// The placeholder tokens handed out so far: one token per value and kind (letter case aside),
// numbered per kind, and the value behind each token for the restore.
struct TokenVault {
    QHash<QString, QString> tokenOf; // kind, U+001F, case-folded value -> token
    QHash<QString, QString> valueOf; // token -> the value as first seen
    QHash<QString, int> lastNumber;  // kind -> last number handed out

    QString tokenFor(const QString& kind, const QString& value);
};

// Everything the stand-in gateway knows and keeps while it runs. Endpoint groups read and
// change it; add the fields a new group needs here.
struct GatewayState {
    // The two lines read from standard input at start.
    QByteArray dataKeyLine;
    QString token;

    // The reply of /api/status, changed by the endpoints that change the gateway's state.
    QJsonObject status;
    // Since the gateway started, and how many status replies went out: a real gateway's uptime
    // grows and its memory and latency move from one reply to the next.
    QElapsedTimer running;
    qint64 statusReplies = 0;

    // The kept status with the telemetry of this moment; members a test set itself stay as set.
    QJsonObject statusReply();
    // The last data-key replacement the application reported, until it is dismissed.
    std::optional<QString> dataKeyResetAt;

    // Inspected requests, oldest first: the cursor after an event is its position plus one.
    QList<QJsonObject> events;
    // Detail records by request id (an event's "ts"); requests in the same second share one.
    QMap<QString, QList<QJsonObject>> details;

    TokenVault vault;

    // The reply of GET /api/providers.
    QJsonArray providers;
    // The redaction rules as held: "categories", "allowlist", "blocklist" and "document".
    QJsonObject redaction;

    // The last problem report received, as it would go out, and how many came.
    QJsonObject lastReport;
    int reports = 0;

    // Every request received outside /fake/, oldest first, as GET /fake/log lists it.
    QJsonArray log;
    // Replies a test queued per path (without query): each request to the path takes the first.
    QMap<QByteArray, QList<fernholm::test::ScriptedReply>> scripts;
};

} // namespace fernholm::fake
