#include "FernholmKit/control/Models.h"

namespace fernholm {

namespace {

// Read tolerantly: anything but a JSON object of strings counts as no texts at all.
QMap<QString, QString> tolerantTextMap(json::Object& o, const char* key) {
    QMap<QString, QString> out;
    auto value = o.optional(key);
    if (!value || !value->isObject()) {
        return out;
    }
    const QJsonObject object = value->raw().toObject();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isString()) {
            return {};
        }
        out.insert(it.key(), it.value().toString());
    }
    return out;
}

} // namespace

QString protectionName(Protection protection) {
    switch (protection) {
    case Protection::off:
        return QStringLiteral("off");
    case Protection::starting:
        return QStringLiteral("starting");
    case Protection::on:
        return QStringLiteral("on");
    case Protection::error:
        return QStringLiteral("error");
    }
    return {};
}

const Counters Counters::empty{};

SysProxy SysProxy::fromJson(json::Object& o) {
    SysProxy s;
    s.service = o.getOptional<QString>("service");
    s.enabled = o.get<bool>("enabled");
    s.host = o.getOptional<QString>("host");
    s.port = o.getOptional<qint64>("port");
    return s;
}

Counters Counters::fromJson(json::Object& o) {
    Counters c;
    c.total = o.get<qint64>("total");
    c.redacted = o.get<qint64>("redacted");
    c.blocked = o.get<qint64>("blocked");
    c.passed = o.get<qint64>("passed");
    c.entities = o.getMap<qint64>("entities");
    c.unfilteredHosts = o.get<QStringList>("unfiltered_hosts");
    c.medianLatencyMs = o.getOptional<double>("median_latency_ms");
    return c;
}

Degraded Degraded::fromJson(json::Object& o) {
    Degraded d;
    d.code = o.get<QString>("code");
    d.severity = o.getDefaulted<QString>("severity", QStringLiteral("warning"));
    if (auto detail = o.optional("detail"); detail && detail->isString()) {
        d.detail = detail->raw().toString();
    }
    d.title = tolerantTextMap(o, "title");
    d.body = tolerantTextMap(o, "body");
    return d;
}

BrowserExtension BrowserExtension::fromJson(json::Object& o) {
    BrowserExtension e;
    e.id = o.getDefaulted<QString>("id", QString());
    e.name = o.getOptional<QString>("name");
    e.mode = o.getOptional<QString>("mode");
    return e;
}

BrowserFinding BrowserFinding::fromJson(json::Object& o) {
    BrowserFinding f;
    f.kind = o.getDefaulted<QString>("kind", QStringLiteral("unknown"));
    f.browser = o.getOptional<QString>("browser");
    f.family = o.getOptional<QString>("family");
    f.manage = o.getOptional<QString>("manage");
    f.profileId = o.getOptional<QString>("profile_id");
    f.profile = o.getOptional<QString>("profile");
    f.setBy = o.getOptional<QString>("set_by");
    f.mode = o.getOptional<QString>("mode");
    f.extensions = o.getOptionalList<BrowserExtension>("extensions").value_or(QList<BrowserExtension>{});
    return f;
}

Status Status::fromJson(json::Object& o) {
    Status s;
    // The order of the reads decides which problem a failed decode names.
    s.protection = o.getEnum<Protection>("protection", {{"off", Protection::off},
                                                        {"starting", Protection::starting},
                                                        {"on", Protection::on},
                                                        {"error", Protection::error}});
    s.error = o.getOptional<QString>("error");
    s.sysproxy = o.get<SysProxy>("sysproxy");
    s.ca = o.getEnum<CAStatus>(
        "ca", {{"missing", CAStatus::missing}, {"ok", CAStatus::ok}, {"untrusted", CAStatus::untrusted}});
    s.counters = o.get<Counters>("counters");
    s.protected_ = o.getOptional<bool>("protected");
    s.degraded = o.getOptionalList<Degraded>("degraded");
    s.browserBypass = o.getOptionalList<BrowserFinding>("browser_bypass");
    s.proxyAlive = o.get<bool>("proxy_alive");
    s.caRenewal = o.getOptional<bool>("ca_renewal");
    s.oldRootsTrusted = o.getOptional<QStringList>("old_roots_trusted");
    s.retireErrors = o.getOptional<QStringList>("retire_errors");
    s.proxyPort = o.get<qint64>("proxy_port");
    s.uptimeS = o.getOptional<qint64>("uptime_s");
    s.memoryMb = o.getOptional<double>("memory_mb");
    s.detector = o.getOptional<QString>("detector");
    s.modelError = o.getOptional<QString>("model_error");
    return s;
}

CAInstallResult CAInstallResult::fromJson(json::Object& o) {
    CAInstallResult r;
    r.ok = o.get<bool>("ok");
    r.error = o.getOptional<QString>("error");
    return r;
}

RetireResult RetireResult::fromJson(json::Object& o) {
    RetireResult r;
    r.oldRootsTrusted = o.get<QStringList>("old_roots_trusted");
    r.errors = o.get<QStringList>("errors");
    return r;
}

} // namespace fernholm
