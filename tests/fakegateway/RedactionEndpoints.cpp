// The redaction rules, read and saved whole. The categories and types come from the catalogue
// the build names (FAKE_GW_CATALOGUE overrides it); every type starts switched on, and one is
// locked on, as an organisation would lock it.
#include "fakegateway/FakeGateway.h"
#include "fakegateway/Wire.h"

#include <QFile>
#include <QJsonDocument>
#include <QSet>

#include <cstdio>
#include <optional>

namespace fernholm::fake {

namespace {

using Request = FakeGateway::Request;

const QString lockedType = QStringLiteral("PRIVATE_KEY");
const QStringList boxStyles{QStringLiteral("labelled"), QStringLiteral("black")};
const QStringList codeOptions{QStringLiteral("blank"), QStringLiteral("keep")};

QString cataloguePath() {
    const QString path = qEnvironmentVariable("FAKE_GW_CATALOGUE");
    return path.isEmpty() ? QStringLiteral(FAKE_GW_DEFAULT_CATALOGUE) : path;
}

// The catalogue's categories, each type with its switch and lock. A catalogue that cannot be
// read leaves the gateway without categories and says so on standard error.
QJsonArray loadCategories() {
    const QString path = cataloguePath();
    QFile file(path);
    QJsonParseError error{};
    const QJsonDocument document =
        file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll(), &error) : QJsonDocument();
    if (!document.isObject() || !document.object().value(QLatin1String("categories")).isArray()) {
        std::fprintf(stderr, "fake_gateway: no redaction catalogue at %s\n", qPrintable(path));
        return {};
    }
    QJsonArray categories;
    for (const QJsonValue& value : document.object().value(QLatin1String("categories")).toArray()) {
        QJsonObject category = value.toObject();
        QJsonArray types;
        for (const QJsonValue& typeValue : category.value(QLatin1String("types")).toArray()) {
            QJsonObject type = typeValue.toObject();
            const bool locked = type.value(QLatin1String("key")).toString() == lockedType;
            if (!type.contains(QLatin1String("enabled"))) {
                type.insert(QStringLiteral("enabled"), true);
            }
            if (!type.contains(QLatin1String("locked"))) {
                type.insert(QStringLiteral("locked"), locked);
            }
            types.append(type);
        }
        category.insert(QStringLiteral("types"), types);
        categories.append(category);
    }
    return categories;
}

// The catalogue's "organisation" object, passed through as the policy an organisation imposes;
// nothing when the catalogue has none.
std::optional<QJsonObject> loadOrganisation() {
    QFile file(cataloguePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QJsonValue policy = QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("organisation"));
    return policy.isObject() ? std::optional<QJsonObject>(policy.toObject()) : std::nullopt;
}

QJsonObject initialRules() {
    QJsonObject rules{
        {QStringLiteral("categories"), loadCategories()},
        {QStringLiteral("allowlist"), QJsonArray{QStringLiteral("Northwind Traders")}},
        {QStringLiteral("blocklist"),
         QJsonArray{QJsonObject{{QStringLiteral("keyword"), QStringLiteral("Project Heron")},
                                {QStringLiteral("label"), QStringLiteral("project_name")}}}},
        {QStringLiteral("document"), QJsonObject{{QStringLiteral("box_style"), QStringLiteral("labelled")},
                                                 {QStringLiteral("codes"), QStringLiteral("blank")}}},
    };
    if (const auto policy = loadOrganisation()) {
        rules.insert(QStringLiteral("organisation"), *policy);
    }
    return rules;
}

bool isBlocklist(const QJsonValue& value) {
    if (!value.isArray()) {
        return false;
    }
    for (const QJsonValue& entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        if (!entry.isObject() || !object.value(QLatin1String("keyword")).isString() ||
            !object.value(QLatin1String("label")).isString()) {
            return false;
        }
    }
    return true;
}

bool isDocument(const QJsonValue& value) {
    const QJsonObject document = value.toObject();
    return value.isObject() && boxStyles.contains(document.value(QLatin1String("box_style")).toString()) &&
           codeOptions.contains(document.value(QLatin1String("codes")).toString());
}

// What is wrong with a posted body, or nothing. Every member is optional; a present one must be
// well-formed, and nothing is applied unless all are.
std::optional<QString> fault(const QJsonObject& body) {
    for (const char* key : {"disabled_types", "enabled_types", "allowlist"}) {
        if (body.contains(QLatin1String(key)) && !isStringList(body.value(QLatin1String(key)))) {
            return QStringLiteral("%1 must be a list of texts").arg(QLatin1String(key));
        }
    }
    if (body.contains(QLatin1String("blocklist")) && !isBlocklist(body.value(QLatin1String("blocklist")))) {
        return QStringLiteral(R"(blocklist must be a list of objects with a text "keyword" and "label")");
    }
    if (body.contains(QLatin1String("document")) && !isDocument(body.value(QLatin1String("document")))) {
        return QStringLiteral(R"(document must hold "box_style" (labelled or black) and "codes" (blank or keep))");
    }
    return std::nullopt;
}

// Switches the listed types; a locked type keeps its switch.
void applySwitches(QJsonObject& rules, const QSet<QString>& off, const QSet<QString>& on) {
    QJsonArray categories = rules.value(QLatin1String("categories")).toArray();
    for (qsizetype c = 0; c < categories.size(); ++c) {
        QJsonObject category = categories.at(c).toObject();
        QJsonArray types = category.value(QLatin1String("types")).toArray();
        for (qsizetype t = 0; t < types.size(); ++t) {
            QJsonObject type = types.at(t).toObject();
            const QString key = type.value(QLatin1String("key")).toString();
            if (type.value(QLatin1String("locked")).toBool()) {
                continue;
            }
            if (off.contains(key)) {
                type.insert(QStringLiteral("enabled"), false);
            } else if (on.contains(key)) {
                type.insert(QStringLiteral("enabled"), true);
            }
            types.replace(t, type);
        }
        category.insert(QStringLiteral("types"), types);
        categories.replace(c, category);
    }
    rules.insert(QStringLiteral("categories"), categories);
}

QSet<QString> keySet(const QJsonValue& value) {
    const QStringList keys = stringList(value);
    return QSet<QString>(keys.begin(), keys.end());
}

const EndpointGroup redaction("redaction", [](FakeGateway& gateway) {
    gateway.state().redaction = initialRules();

    gateway.route("GET", "/api/redaction",
                  [](const Request&, GatewayState& state) { return FakeGateway::json(state.redaction); });

    gateway.route("POST", "/api/redaction", [](const Request& request, GatewayState& state) {
        const auto body = bodyObject(request);
        if (!body) {
            return FakeGateway::error(400, QStringLiteral("the body must be an object"));
        }
        if (const auto problem = fault(*body)) {
            return FakeGateway::error(400, *problem);
        }
        applySwitches(state.redaction, keySet(body->value(QLatin1String("disabled_types"))),
                      keySet(body->value(QLatin1String("enabled_types"))));
        for (const char* key : {"allowlist", "blocklist", "document"}) {
            if (body->contains(QLatin1String(key))) {
                state.redaction.insert(QLatin1String(key), body->value(QLatin1String(key)));
            }
        }
        return FakeGateway::json(state.redaction);
    });
});

} // namespace

} // namespace fernholm::fake
