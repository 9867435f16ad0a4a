#pragma once

// Replies of the prompt check, the restore of a reply and the stamping of a copy.

#include "FernholmKit/control/EventModels.h"
#include "FernholmKit/control/JsonDecoder.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

// A text as an AI service would receive it, with the detections that were replaced.
struct ScanResult {
    QString beforeText;
    QString afterText; // detected values stand as "[TOKEN]"
    QList<DetectionDetail> details;
    std::optional<QMap<QString, QString>> typeNames; // entity type -> English display name
    std::optional<double> latencyMs;

    static ScanResult fromJson(json::Object& o);
    bool operator==(const ScanResult&) const = default;
};

// Where a real value was put back, in UTF-16 code units of RestoreResult::text, end exclusive.
struct RestoredSpan {
    qint64 start = 0;
    qint64 end = 0;
    QString token;

    static RestoredSpan fromJson(json::Object& o);
    bool operator==(const RestoredSpan&) const = default;
};

struct RestoreResult {
    QString text;
    QStringList unrestored; // tokens the gateway had no value for
    QList<RestoredSpan> restored;

    static RestoreResult fromJson(json::Object& o);
    bool operator==(const RestoreResult&) const = default;
};

// The raw stamp reply; callers only see the bytes.
struct StampCopyResult {
    QString dataB64;

    static StampCopyResult fromJson(json::Object& o);
};

// Standard base64 read strictly: only the RFC 4648 alphabet, "=" only as the padding of the last
// group, and whole four-character groups. Nothing for anything else; the empty text is no bytes.
std::optional<QByteArray> decodeStrictBase64(const QString& text);

} // namespace fernholm
