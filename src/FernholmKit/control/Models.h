#pragma once

// The gateway's status reply and the replies of the control endpoints that return it.
// Records are only decoded, never encoded; see JsonDecoder.h for the decoding rules.

#include "FernholmKit/control/JsonDecoder.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

enum class Protection { off, starting, on, error };

enum class CAStatus { missing, ok, untrusted };

inline bool isTrusted(CAStatus ca) {
    return ca == CAStatus::ok;
}
inline bool needsInstall(CAStatus ca) {
    return ca != CAStatus::ok;
}

// The wire spelling of a protection state ("off", "starting", "on", "error").
QString protectionName(Protection protection);

// The system web proxy as the gateway sees it.
struct SysProxy {
    std::optional<QString> service;
    bool enabled = false;
    std::optional<QString> host;
    std::optional<qint64> port;

    static SysProxy fromJson(json::Object& o);
    bool operator==(const SysProxy&) const = default;
};

// The gateway's traffic counters.
struct Counters {
    qint64 total = 0;
    qint64 redacted = 0;
    qint64 blocked = 0;
    qint64 passed = 0;
    QMap<QString, qint64> entities;
    QStringList unfilteredHosts;
    std::optional<double> medianLatencyMs;

    static const Counters empty;

    static Counters fromJson(json::Object& o);
    bool operator==(const Counters&) const = default;
};

// One condition under which the gateway works in a reduced way.
struct Degraded {
    QString code;
    QString severity = QStringLiteral("warning");
    std::optional<QString> detail;
    QMap<QString, QString> title; // language code -> text
    QMap<QString, QString> body;

    bool isCritical() const { return severity == QLatin1String("critical"); }

    static Degraded fromJson(json::Object& o);
    bool operator==(const Degraded&) const = default;
};

struct BrowserExtension {
    QString id;
    std::optional<QString> name;
    std::optional<QString> mode;

    static BrowserExtension fromJson(json::Object& o);
    bool operator==(const BrowserExtension&) const = default;
};

// A browser, browser profile or application whose traffic bypasses the gateway.
struct BrowserFinding {
    QString kind = QStringLiteral("unknown");
    std::optional<QString> browser;
    std::optional<QString> family;
    std::optional<QString> manage;
    std::optional<QString> profileId;
    std::optional<QString> profile;
    std::optional<QString> setBy;
    std::optional<QString> mode;
    QList<BrowserExtension> extensions;

    // kind, ":" and the profile identifier (nothing when absent).
    QString id() const { return kind + QLatin1Char(':') + profileId.value_or(QString()); }

    static BrowserFinding fromJson(json::Object& o);
    bool operator==(const BrowserFinding&) const = default;
};

// The reply of GET /api/status and of the protection, data-key and rules-cleared endpoints.
struct Status {
    Protection protection = Protection::off;
    // The gateway's own confirmation that protection is in force ("protected" on the wire).
    std::optional<bool> protected_;
    std::optional<QList<Degraded>> degraded; // absent differs from empty
    std::optional<QString> error;
    bool proxyAlive = false;
    SysProxy sysproxy;
    CAStatus ca = CAStatus::missing;
    std::optional<bool> caRenewal;
    std::optional<QStringList> oldRootsTrusted;
    std::optional<QStringList> retireErrors;
    qint64 proxyPort = 0;
    std::optional<qint64> uptimeS;
    std::optional<double> memoryMb;
    Counters counters;
    std::optional<QString> detector;
    std::optional<QString> modelError;
    std::optional<QList<BrowserFinding>> browserBypass;

    static Status fromJson(json::Object& o);
    bool operator==(const Status&) const = default;
};

// Reply of the certificate install and remove endpoints.
struct CAInstallResult {
    bool ok = false;
    std::optional<QString> error;

    static CAInstallResult fromJson(json::Object& o);
};

// Reply of the old-roots retirement.
struct RetireResult {
    QStringList oldRootsTrusted;
    QStringList errors;

    static RetireResult fromJson(json::Object& o);
    bool operator==(const RetireResult&) const = default;
};

} // namespace fernholm
