#pragma once

#include "FernholmKit/control/EventModels.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <QCoroTask>

#include <optional>

namespace fernholm {

class GatewayClient;

namespace test {
struct ActivityFeedAccess;
}

// The recent traffic as the model saw it: the newest events, oldest first, and the details of
// the requests the user opened. Part of AppModel, which makes it and appends each page of new
// events that a poll brings; the activity page, the home page's recent list, the tray panel and
// the detail under an opened row read it.
//
//     connect(&model.activity(), &ActivityFeed::recentEventsChanged, view, &View::refresh);
//     model.activity().loadDetail(row.event.ts);   // when a row opens
//
// An event's ts is also its request id: it keys the detail cache.
class ActivityFeed : public QObject {
    Q_OBJECT
public:
    // Per request id: absent = never asked; a record; nothing = asked, none to be had.
    using DetailCache = QHash<QString, std::optional<DetailRecord>>;

    // `client` fetches the details and must outlive the feed; `limit` is how many of the newest
    // events are kept.
    ActivityFeed(const GatewayClient& client, int limit, QObject* parent = nullptr);

    const QList<Event>& recentEvents() const { return m_recentEvents; }
    // How many events were dropped from the front of recentEvents() so far.
    qint64 recentEventsOffset() const { return m_recentEventsOffset; }
    // An entry goes when the last event of its request leaves recentEvents().
    const DetailCache& detailCache() const { return m_detailCache; }

    // Adds a page of new events at the end; the oldest beyond the limit go from the front and
    // are counted in recentEventsOffset(). An empty page changes nothing.
    void appendEvents(const QList<Event>& events);
    // Fetches one request's detail into detailCache(), unless a record for it is held already.
    // A failure stores "no record" for the id unless a record arrived meanwhile. Returns at once;
    // the fetch holds the feed weakly.
    void loadDetail(const QString& reqId);

Q_SIGNALS:
    void recentEventsChanged(); // the events, the offset or both
    void detailCacheChanged();

private:
    // Whole lists and caches are put in only by tests (test::ActivityFeedAccess); views read.
    friend struct test::ActivityFeedAccess;

    // Also drops the details of the requests that no event of the new list belongs to.
    void setRecentEvents(const QList<Event>& events, qint64 offset);
    void setDetailCache(const DetailCache& cache);
    QCoro::Task<> fetchDetail(QString reqId);

    const GatewayClient& m_client;
    const int m_limit;
    QList<Event> m_recentEvents;
    qint64 m_recentEventsOffset = 0;
    DetailCache m_detailCache;
};

} // namespace fernholm
