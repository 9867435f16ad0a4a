#include "FernholmKit/control/IssueModels.h"

namespace fernholm {

IssueRow IssueRow::fromJson(json::Object& o) {
    IssueRow r;
    r.reason = o.getOptional<QString>("reason");
    r.surface = o.getOptional<QString>("surface");
    r.method = o.getOptional<QString>("method");
    r.route = o.getOptional<QString>("route");
    r.ts = o.getOptional<QString>("ts");
    return r;
}

IssueAttachments IssueAttachments::fromJson(json::Object& o) {
    IssueAttachments a;
    a.os = o.getOptional<QString>("os");
    a.sites = o.getOptionalMap<bool>("sites");
    a.protection = o.getOptional<QString>("protection");
    a.row = o.getOptional<IssueRow>("row");
    return a;
}

IssueDraft IssueDraft::fromJson(json::Object& o) {
    IssueDraft d;
    d.appVersion = o.getOptional<QString>("app_version");
    d.attachments = o.get<IssueAttachments>("attachments");
    d.events = o.getOptional<QStringList>("events");
    d.eventsUntil = o.get<qint64>("events_until");
    return d;
}

IssuePreview IssuePreview::fromJson(json::Object& o) {
    IssuePreview p;
    p.description = o.get<QString>("description");
    return p;
}

IssueResult IssueResult::fromJson(json::Object& o) {
    IssueResult r;
    r.ok = o.get<bool>("ok");
    r.id = o.getOptional<QString>("id");
    r.error = o.getOptional<QString>("error");
    return r;
}

const QStringList IssueInclude::keys = {QStringLiteral("app_version"), QStringLiteral("os"),  QStringLiteral("sites"),
                                        QStringLiteral("protection"),  QStringLiteral("row"), QStringLiteral("events")};

IssueInclude::IssueInclude() {
    for (const QString& key : keys) {
        on.insert(key, true);
    }
}

QJsonObject IssueInclude::toJson() const {
    QJsonObject object;
    for (auto it = on.cbegin(); it != on.cend(); ++it) {
        object.insert(it.key(), it.value());
    }
    return object;
}

} // namespace fernholm
