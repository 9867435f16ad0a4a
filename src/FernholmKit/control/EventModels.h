#pragma once

// The gateway's event feed and the detail of one inspected request.

#include "FernholmKit/control/JsonDecoder.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

// One inspected request.
struct Event {
    QString ts; // also the request's id for detail(reqId:)
    QString surface;
    QMap<QString, qint64> entities;
    QStringList tokens;
    QString status;
    std::optional<QString> reason;
    std::optional<QString> route;
    std::optional<QString> fingerprint;

    // ts, "|", surface, "|", the tokens joined with ",".
    QString id() const;

    static Event fromJson(json::Object& o);
    bool operator==(const Event&) const = default;
};

struct EventsPage {
    QList<Event> events;
    qint64 cursor = 0;

    static EventsPage fromJson(json::Object& o);
};

// One value the gateway detected in a request.
struct DetectionDetail {
    QString entityType;
    QString detectedBy;
    QString action;
    QString value;
    QString token;
    std::optional<double> confidence;

    // entityType, "|", token, "|", value.
    QString id() const;
    // The confidence as a whole percentage ("13%"), "—" without one.
    QString confidencePercent() const;

    static DetectionDetail fromJson(json::Object& o);
    bool operator==(const DetectionDetail&) const = default;
};

// What one request sent and what the gateway made of it.
struct DetailRecord {
    QString reqId;
    QString ts;
    QString surface;
    std::optional<double> latencyMs;
    QList<DetectionDetail> details;
    std::optional<QString> beforeText;
    std::optional<QString> afterText;
    std::optional<QString> reason;

    static DetailRecord fromJson(json::Object& o);
    bool operator==(const DetailRecord&) const = default;
};

// The raw reply of the detail endpoint; callers only see the record reduced from it.
struct DetailPage {
    std::optional<QList<DetailRecord>> records;
    std::optional<QList<DetectionDetail>> details;

    static DetailPage fromJson(json::Object& o);
};

} // namespace fernholm
