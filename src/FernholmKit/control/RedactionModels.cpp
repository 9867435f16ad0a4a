#include "FernholmKit/control/RedactionModels.h"

#include <QJsonArray>

namespace fernholm {

Provider Provider::fromJson(json::Object& o) {
    Provider p;
    p.name = o.get<QString>("name");
    p.displayName = o.get<QString>("display_name");
    p.kind = o.get<QString>("kind");
    p.hosts = o.get<QStringList>("hosts");
    p.enabled = o.get<bool>("enabled");
    p.experimental = o.getOptional<bool>("experimental");
    p.note = o.getOptional<QString>("note");
    return p;
}

ProvidersPage ProvidersPage::fromJson(json::Object& o) {
    ProvidersPage p;
    p.providers = o.getList<Provider>("providers");
    return p;
}

RedactionType RedactionType::fromJson(json::Object& o) {
    RedactionType t;
    t.key = o.get<QString>("key");
    t.display = o.get<QString>("display");
    t.source = o.get<QString>("source");
    t.enabled = o.get<bool>("enabled");
    t.locked = o.getDefaulted<bool>("locked", false);
    return t;
}

RedactionCategory RedactionCategory::fromJson(json::Object& o) {
    RedactionCategory c;
    c.key = o.get<QString>("key");
    c.display = o.get<QString>("display");
    c.types = o.getList<RedactionType>("types");
    return c;
}

BlocklistEntry BlocklistEntry::fromJson(json::Object& o) {
    BlocklistEntry e;
    e.keyword = o.get<QString>("keyword");
    e.label = o.get<QString>("label");
    return e;
}

DocumentOptions DocumentOptions::fromJson(json::Object& o) {
    DocumentOptions d;
    d.boxStyle = o.get<QString>("box_style");
    d.codes = o.get<QString>("codes");
    return d;
}

OrganisationPolicy OrganisationPolicy::fromJson(json::Object& o) {
    OrganisationPolicy p;
    p.version = o.get<qint64>("version");
    p.requiredTypes = o.get<QStringList>("required_types");
    p.allowlist = o.get<QStringList>("allowlist");
    p.blocklist = o.getList<BlocklistEntry>("blocklist");
    return p;
}

RedactionPage RedactionPage::fromJson(json::Object& o) {
    RedactionPage p;
    p.categories = o.getList<RedactionCategory>("categories");
    p.allowlist = o.get<QStringList>("allowlist");
    p.blocklist = o.getList<BlocklistEntry>("blocklist");
    p.document = o.getDefaulted<DocumentOptions>("document", DocumentOptions());
    p.organisation = o.getOptional<OrganisationPolicy>("organisation");
    return p;
}

QJsonObject redactionBody(const RedactionPage& page) {
    // Every type as often as it occurs, categories in page order: a key in two categories goes
    // out twice. `locked` plays no part.
    QJsonArray disabled;
    QJsonArray enabled;
    for (const RedactionCategory& category : page.categories) {
        for (const RedactionType& type : category.types) {
            (type.enabled ? enabled : disabled).append(type.key);
        }
    }
    QJsonArray blocklist;
    for (const BlocklistEntry& entry : page.blocklist) {
        blocklist.append(
            QJsonObject{{QStringLiteral("keyword"), entry.keyword}, {QStringLiteral("label"), entry.label}});
    }
    return QJsonObject{
        {QStringLiteral("disabled_types"), disabled},
        {QStringLiteral("enabled_types"), enabled},
        {QStringLiteral("allowlist"), QJsonArray::fromStringList(page.allowlist)},
        {QStringLiteral("blocklist"), blocklist},
        {QStringLiteral("document"), QJsonObject{{QStringLiteral("box_style"), page.document.boxStyle},
                                                 {QStringLiteral("codes"), page.document.codes}}},
    };
}

} // namespace fernholm
