#include "FernholmApp/model/ActivityFeed.h"

#include "FernholmKit/control/GatewayClient.h"

#include <QPointer>
#include <QSet>

#include <algorithm>

namespace fernholm {

ActivityFeed::ActivityFeed(const GatewayClient& client, int limit, QObject* parent)
    : QObject(parent), m_client(client), m_limit(std::max(limit, 0)) {}

void ActivityFeed::appendEvents(const QList<Event>& events) {
    if (events.isEmpty()) {
        return;
    }
    QList<Event> held = m_recentEvents + events;
    const qsizetype dropped = std::max<qsizetype>(held.size() - m_limit, 0);
    held.remove(0, dropped);
    setRecentEvents(held, m_recentEventsOffset + dropped);
}

void ActivityFeed::setRecentEvents(const QList<Event>& events, qint64 offset) {
    // A request's detail holds its original text: it goes with the last event of its request.
    QSet<QString> left;
    for (const Event& event : std::as_const(m_recentEvents)) {
        left.insert(event.ts);
    }
    for (const Event& event : events) {
        left.remove(event.ts);
    }
    const bool eventsChanged = m_recentEvents != events;
    const bool offsetChanged = m_recentEventsOffset != offset;
    m_recentEvents = events;
    m_recentEventsOffset = offset;
    if (eventsChanged || offsetChanged) {
        Q_EMIT recentEventsChanged();
    }
    bool evicted = false;
    for (const QString& reqId : std::as_const(left)) {
        evicted = m_detailCache.remove(reqId) || evicted;
    }
    if (evicted) {
        Q_EMIT detailCacheChanged();
    }
}

void ActivityFeed::setDetailCache(const DetailCache& cache) {
    if (m_detailCache == cache) {
        return;
    }
    m_detailCache = cache;
    Q_EMIT detailCacheChanged();
}

void ActivityFeed::loadDetail(const QString& reqId) {
    const auto held = m_detailCache.constFind(reqId);
    if (held != m_detailCache.constEnd() && held->has_value()) {
        return;
    }
    fetchDetail(reqId);
}

QCoro::Task<> ActivityFeed::fetchDetail(QString reqId) {
    const QPointer<ActivityFeed> self(this);
    const Result<std::optional<DetailRecord>> record = co_await m_client.detail(reqId);
    if (!self) {
        co_return;
    }
    const auto held = m_detailCache.constFind(reqId);
    const bool asked = held != m_detailCache.constEnd();
    // Two fetches of one id may run at once: a late failure never erases what the other brought.
    if (!record && asked && held->has_value()) {
        co_return;
    }
    const std::optional<DetailRecord> value = record ? record.value() : std::nullopt;
    if (asked && *held == value) {
        co_return;
    }
    m_detailCache.insert(reqId, value);
    Q_EMIT detailCacheChanged();
}

} // namespace fernholm
