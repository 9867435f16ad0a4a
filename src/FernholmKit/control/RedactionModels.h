#pragma once

// The AI chat providers the gateway protects, and the redaction rules, read and saved whole.

#include "FernholmKit/control/JsonDecoder.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

struct Provider {
    QString name; // the identity, and what setProvider sends back
    QString displayName;
    QString kind;
    QStringList hosts;
    bool enabled = false;
    std::optional<bool> experimental; // absent is neither true nor false
    std::optional<QString> note;

    const QString& id() const { return name; }

    static Provider fromJson(json::Object& o);
    bool operator==(const Provider&) const = default;
};

struct ProvidersPage {
    QList<Provider> providers;

    static ProvidersPage fromJson(json::Object& o);
};

// One kind of personal data the gateway can replace.
struct RedactionType {
    QString key; // the identity, and what goes back in the type lists
    QString display;
    QString source;
    bool enabled = false;
    bool locked = false;

    const QString& id() const { return key; }

    static RedactionType fromJson(json::Object& o);
    bool operator==(const RedactionType&) const = default;
};

struct RedactionCategory {
    QString key;
    QString display;
    QList<RedactionType> types;

    const QString& id() const { return key; }

    static RedactionCategory fromJson(json::Object& o);
    bool operator==(const RedactionCategory&) const = default;
};

// A keyword the gateway always replaces, and the label it is replaced under.
struct BlocklistEntry {
    QString keyword;
    QString label;

    QString id() const { return keyword + QLatin1Char('|') + label; }

    static BlocklistEntry fromJson(json::Object& o);
    bool operator==(const BlocklistEntry&) const = default;
};

// How documents mark replaced values; both texts pass through unchanged.
struct DocumentOptions {
    QString boxStyle = QStringLiteral("labelled");
    QString codes = QStringLiteral("blank");

    static DocumentOptions fromJson(json::Object& o);
    bool operator==(const DocumentOptions&) const = default;
};

// Settings an organisation imposes: shown, never edited or sent.
struct OrganisationPolicy {
    qint64 version = 0;
    QStringList requiredTypes;
    QStringList allowlist;
    QList<BlocklistEntry> blocklist;

    // The version does not count.
    bool isEmpty() const { return requiredTypes.isEmpty() && allowlist.isEmpty() && blocklist.isEmpty(); }

    static OrganisationPolicy fromJson(json::Object& o);
    bool operator==(const OrganisationPolicy&) const = default;
};

// The whole rule set. A default-made page is the empty one held before the first reply.
struct RedactionPage {
    QList<RedactionCategory> categories;
    QStringList allowlist; // values never replaced
    QList<BlocklistEntry> blocklist;
    DocumentOptions document;
    std::optional<OrganisationPolicy> organisation;

    static RedactionPage fromJson(json::Object& o);
    // Tells unsaved changes apart: every field counts.
    bool operator==(const RedactionPage&) const = default;
};

// What saving the page sends: the type keys split by their switch, the allowlist, the blocklist
// and the document options. Categories as such and the organisation policy never go out.
QJsonObject redactionBody(const RedactionPage& page);

} // namespace fernholm
