// The activity feed on its own, without a gateway: what a page of new events does to the details
// of the requests whose events it pushes out of the list. The poll loop's tests cover the same
// over the stand-in gateway, and the detail fetches.
#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmKit/control/GatewayClient.h"
#include "support/ClientFixtures.h"
#include "app/support/ActivityFeedAccess.h"

#include <QSignalSpy>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

namespace {

QList<Event> eventsOf(const QStringList& requests) {
    QList<Event> events;
    for (const QString& ts : requests) {
        Event event;
        event.ts = ts;
        event.status = QStringLiteral("redacted");
        events.append(event);
    }
    return events;
}

DetailRecord recordOf(const QString& reqId) {
    DetailRecord record;
    record.reqId = reqId;
    record.ts = reqId;
    record.afterText = QStringLiteral("Mail [EMAIL_ADDRESS_1]");
    return record;
}

} // namespace

class ActivityFeedTest : public QObject {
    Q_OBJECT

    // Never asked anything here: a closed port, no proof.
    const GatewayClient m_client{1, testToken};

private Q_SLOTS:
    // Three events are kept. `cached` holds a record for each request but "c", for which the
    // gateway had none; `left` is what remains of it after the page arrives.
    void aDetailGoesWithTheLastEventOfItsRequest_data() {
        QTest::addColumn<QStringList>("held");
        QTest::addColumn<QStringList>("arriving");
        QTest::addColumn<QStringList>("cached");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("changes");
        QTest::newRow("its only event leaves")
            << QStringList{"a", "b"} << QStringList{"d", "e"} << QStringList{"a", "b"} << QStringList{"b"} << 1;
        QTest::newRow("another of its events stays")
            << QStringList{"a", "a", "b"} << QStringList{"d"} << QStringList{"a", "b"} << QStringList{"a", "b"} << 0;
        QTest::newRow("both its events leave")
            << QStringList{"a", "a", "b"} << QStringList{"d", "e"} << QStringList{"a", "b"} << QStringList{"b"} << 1;
        QTest::newRow("asked and none to be had")
            << QStringList{"c", "b"} << QStringList{"d", "e"} << QStringList{"c", "b"} << QStringList{"b"} << 1;
        QTest::newRow("two requests leave at once") << QStringList{"a", "b", "c"} << QStringList{"d", "e"}
                                                    << QStringList{"a", "b", "c"} << QStringList{"c"} << 1;
        QTest::newRow("the list is not yet full")
            << QStringList{"a"} << QStringList{"d", "e"} << QStringList{"a"} << QStringList{"a"} << 0;
        QTest::newRow("an empty page") << QStringList{"a", "b", "c"} << QStringList{} << QStringList{"a"}
                                       << QStringList{"a"} << 0;
    }
    void aDetailGoesWithTheLastEventOfItsRequest() {
        QFETCH(QStringList, held);
        QFETCH(QStringList, arriving);
        QFETCH(QStringList, cached);
        QFETCH(QStringList, left);
        QFETCH(int, changes);
        ActivityFeed feed(m_client, 3);
        ActivityFeedAccess::setRecentEvents(feed, eventsOf(held), 0);
        ActivityFeed::DetailCache cache;
        for (const QString& reqId : cached) {
            cache.insert(reqId, reqId == QLatin1String("c") ? std::nullopt : std::optional(recordOf(reqId)));
        }
        ActivityFeedAccess::setDetailCache(feed, cache);
        QSignalSpy cacheChanges(&feed, &ActivityFeed::detailCacheChanged);

        feed.appendEvents(eventsOf(arriving));

        QStringList kept = feed.detailCache().keys();
        kept.sort();
        QCOMPARE(kept, left);
        for (const QString& reqId : left) {
            QVERIFY(feed.detailCache().value(reqId) == cache.value(reqId));
        }
        QCOMPARE(cacheChanges.size(), changes);
    }
};

QTEST_GUILESS_MAIN(ActivityFeedTest)
#include "tst_activityfeed.moc"
