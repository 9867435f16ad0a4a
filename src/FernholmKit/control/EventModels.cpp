#include "FernholmKit/control/EventModels.h"

#include <cmath>

namespace fernholm {

QString Event::id() const {
    return ts + QLatin1Char('|') + surface + QLatin1Char('|') + tokens.join(QLatin1Char(','));
}

Event Event::fromJson(json::Object& o) {
    Event e;
    e.ts = o.get<QString>("ts");
    e.surface = o.get<QString>("surface");
    e.entities = o.getMap<qint64>("entities");
    e.tokens = o.get<QStringList>("tokens");
    e.status = o.get<QString>("status");
    e.reason = o.getOptional<QString>("reason");
    e.route = o.getOptional<QString>("route");
    e.fingerprint = o.getOptional<QString>("fingerprint");
    return e;
}

EventsPage EventsPage::fromJson(json::Object& o) {
    EventsPage p;
    p.events = o.getList<Event>("events");
    p.cursor = o.get<qint64>("cursor");
    return p;
}

QString DetectionDetail::id() const {
    return entityType + QLatin1Char('|') + token + QLatin1Char('|') + value;
}

QString DetectionDetail::confidencePercent() const {
    const QString dash = QStringLiteral("\u2014");
    if (!confidence) {
        return dash;
    }
    // std::round rounds halves away from zero.
    const double percent = std::round(*confidence * 100.0);
    if (!std::isfinite(percent) || percent < -9223372036854775808.0 || percent >= 9223372036854775808.0) {
        return dash;
    }
    const auto whole = static_cast<qint64>(percent); // a rounded -0 becomes 0
    return QString::number(whole) + QLatin1Char('%');
}

DetectionDetail DetectionDetail::fromJson(json::Object& o) {
    DetectionDetail d;
    d.entityType = o.get<QString>("entity_type");
    d.detectedBy = o.get<QString>("detected_by");
    d.action = o.get<QString>("action");
    d.value = o.get<QString>("value");
    d.token = o.get<QString>("token");
    d.confidence = o.getOptional<double>("confidence");
    return d;
}

DetailRecord DetailRecord::fromJson(json::Object& o) {
    DetailRecord r;
    r.reqId = o.get<QString>("req_id");
    r.ts = o.get<QString>("ts");
    r.surface = o.get<QString>("surface");
    r.latencyMs = o.getOptional<double>("latency_ms");
    r.details = o.getList<DetectionDetail>("details");
    r.beforeText = o.getOptional<QString>("before_text");
    r.afterText = o.getOptional<QString>("after_text");
    r.reason = o.getOptional<QString>("reason");
    return r;
}

DetailPage DetailPage::fromJson(json::Object& o) {
    DetailPage p;
    p.records = o.getOptionalList<DetailRecord>("records");
    p.details = o.getOptionalList<DetectionDetail>("details");
    return p;
}

} // namespace fernholm
