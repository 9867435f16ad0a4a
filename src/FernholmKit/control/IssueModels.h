#pragma once

// The problem-report exchange: what a report would carry, how the description will look, and
// the outcome of sending it.

#include "FernholmKit/control/JsonDecoder.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

// The activity row a report is about, as the gateway describes it.
struct IssueRow {
    std::optional<QString> reason;
    std::optional<QString> surface;
    std::optional<QString> method;
    std::optional<QString> route;
    std::optional<QString> ts;

    static IssueRow fromJson(json::Object& o);
    bool operator==(const IssueRow&) const = default;
};

struct IssueAttachments {
    std::optional<QString> os;
    std::optional<QMap<QString, bool>> sites; // site name -> switched on
    std::optional<QString> protection;
    std::optional<IssueRow> row;

    static IssueAttachments fromJson(json::Object& o);
    bool operator==(const IssueAttachments&) const = default;
};

struct IssueDraft {
    std::optional<QString> appVersion;
    IssueAttachments attachments;
    std::optional<QStringList> events; // one line per recent event; absent differs from empty
    qint64 eventsUntil = 0;            // the event cursor the listed events reach up to

    static IssueDraft fromJson(json::Object& o);
    bool operator==(const IssueDraft&) const = default;
};

// The description as it will be sent.
struct IssuePreview {
    QString description;

    static IssuePreview fromJson(json::Object& o);
    bool operator==(const IssuePreview&) const = default;
};

// "ok" false is an answer, not a failed call: `error` carries the gateway's code.
struct IssueResult {
    bool ok = false;
    std::optional<QString> id;
    std::optional<QString> error;

    static IssueResult fromJson(json::Object& o);
    bool operator==(const IssueResult&) const = default;
};

// The user's choice of attachments. A new value attaches everything.
struct IssueInclude {
    // The attachment keys in display order.
    static const QStringList keys;

    QMap<QString, bool> on;

    IssueInclude();

    // False for a key the map does not hold; reading never adds one.
    bool operator[](const QString& key) const { return on.value(key, false); }
    void set(const QString& key, bool value) { on.insert(key, value); }

    // One Boolean member per entry, as the map stands.
    QJsonObject toJson() const;

    bool operator==(const IssueInclude&) const = default;
};

} // namespace fernholm
