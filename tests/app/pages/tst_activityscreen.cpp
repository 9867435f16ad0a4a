// The activity log on a model that never starts: the test sets the model's events and watches
// which rows the page lists, under which day, and what opening a row asks of the gateway (a
// loopback server stands in for it). Days are reckoned in a fixed zone from a fixed "now".
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/pages/activity/ActivityScreen.h"
#include "FernholmApp/components/activity/EventRowList.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/TestHttpServer.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::ActivityFilter)

namespace {

// Warsaw is an hour ahead of UTC in March: 23:30Z is already the next day there.
const Calendar warsaw{QTimeZone("Europe/Warsaw"), QLocale(QLocale::English, QLocale::UnitedStates)};
const Time now = timeFromSeconds(QDateTime(QDate(2025, 3, 6), QTime(12, 0), QTimeZone::utc()).toSecsSinceEpoch());

Event anEvent(const QString& ts, const QString& status, const QString& id = {}) {
    Event e;
    e.ts = ts;
    e.surface = QStringLiteral("chatgpt");
    e.status = status;
    e.tokens = {id.isEmpty() ? QStringLiteral("[PERSON_1]") : id};
    return e;
}

// One of each status, oldest first, all on 5 March in Warsaw.
QList<Event> mixed() {
    return {anEvent("2025-03-05T08:00:00Z", "passed"),          anEvent("2025-03-05T08:01:00Z", "redacted"),
            anEvent("2025-03-05T08:02:00Z", "unfiltered"),      anEvent("2025-03-05T08:03:00Z", "document_redacted"),
            anEvent("2025-03-05T08:04:00Z", "blocked"),         anEvent("2025-03-05T08:05:00Z", "document_blocked"),
            anEvent("2025-03-05T08:06:00Z", "redacted")};
}

QStringList statuses(const QList<DayGroup>& groups) {
    QStringList list;
    for (const DayGroup& group : groups) {
        for (const ActivityRow& row : group.rows) {
            list << row.event.status;
        }
    }
    return list;
}

struct Log {
    explicit Log(TestHttpServer* server = nullptr) {
        model = std::make_unique<AppModel>(quickConfig(server ? server->port() : 0), fakes.platform());
        if (server) {
            model->client().gate()->proven(Clock::now());
        }
        screen = std::make_unique<ActivityScreen>(*model);
        screen->setCalendar(warsaw);
        screen->setNow([] { return now; });
        screen->resize(900, 1200);
    }
    void show() {
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    }

    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<ActivityScreen> screen;
};

} // namespace

class ActivityScreenTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void filters_data() {
        QTest::addColumn<ActivityFilter>("filter");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("all") << ActivityFilter::all
                             << QStringList{"redacted", "document_blocked", "blocked", "document_redacted", "redacted"};
        QTest::newRow("redacted") << ActivityFilter::redacted
                                  << QStringList{"redacted", "document_redacted", "redacted"};
        QTest::newRow("documents") << ActivityFilter::documents
                                   << QStringList{"document_blocked", "document_redacted"};
        QTest::newRow("blocked") << ActivityFilter::blocked << QStringList{"document_blocked", "blocked"};
    }
    void filters() {
        QFETCH(ActivityFilter, filter);
        QFETCH(QStringList, listed);
        Log log;
        ActivityFeedAccess::setRecentEvents(log.model->activity(), mixed(), 0);
        const int index = int(std::find(allActivityFilters.begin(), allActivityFilters.end(), filter) -
                              allActivityFilters.begin());
        log.show();
        // Chosen as the user chooses it: a click on its segment.
        QTest::mouseClick(log.screen->filterControl()->segments().at(index), Qt::LeftButton);
        QCOMPARE(log.screen->filter(), filter);
        QCOMPARE(statuses(log.screen->groups()), listed);
        QVERIFY(!log.screen->emptyState()->isVisible());
    }

    void emptyState_data() {
        QTest::addColumn<QList<Event>>("events");
        QTest::addColumn<ActivityFilter>("filter");
        QTest::newRow("no events") << QList<Event>() << ActivityFilter::all;
        QTest::newRow("only passed and unfiltered")
            << QList<Event>{anEvent("2025-03-05T08:00:00Z", "passed"), anEvent("2025-03-05T08:01:00Z", "unfiltered")}
            << ActivityFilter::all;
        QTest::newRow("filter matching nothing")
            << QList<Event>{anEvent("2025-03-05T08:00:00Z", "redacted"), anEvent("2025-03-05T08:01:00Z", "blocked")}
            << ActivityFilter::documents;
    }
    void emptyState() {
        QFETCH(QList<Event>, events);
        QFETCH(ActivityFilter, filter);
        Log log;
        ActivityFeedAccess::setRecentEvents(log.model->activity(), events, 0);
        log.screen->setFilter(filter);
        log.show();
        QVERIFY(log.screen->groups().isEmpty());
        QVERIFY(log.screen->emptyState()->isVisible());
        QVERIFY(log.screen->daySections().isEmpty());
        saveScreenshot(lightAndDark(log.screen.get()), QStringLiteral("activity-empty"));
    }

    void rowsNewestFirstUnderTheirDay() {
        Log log;
        ActivityFeedAccess::setRecentEvents(log.model->activity(),
                                            {anEvent("2025-03-04T10:00:00Z", "redacted"),
                                             anEvent("2025-03-05T23:30:00Z", "blocked"), // 6 March in Warsaw
                                             anEvent("2025-03-06T09:00:00Z", "redacted"),
                                             anEvent("2025-03-06T10:00:00Z", "passed")},
                                            5);
        log.show();
        const QList<DayGroup>& groups = log.screen->groups();
        QCOMPARE(groups.size(), 2);
        QCOMPARE(groups.at(0).day, QStringLiteral("2025-03-06"));
        QCOMPARE(groups.at(0).rows.size(), 2);
        QCOMPARE(groups.at(0).rows.at(0).id, 7);
        QCOMPARE(groups.at(0).rows.at(1).id, 6);
        QCOMPARE(groups.at(1).day, QStringLiteral("2025-03-04"));
        QCOMPARE(groups.at(1).rows.at(0).id, 5);
        QCOMPARE(log.screen->dayLabelFor(groups.at(0).id)->text(), QStringLiteral("TODAY"));
        QCOMPARE(log.screen->dayLabelFor(groups.at(1).id)->text(),
                 activityDayLabel(QStringLiteral("2025-03-04"), now, warsaw).toUpper());
        QCOMPARE(log.screen->daySections(),
                 (QList<QWidget*>{log.screen->daySectionFor(groups.at(0).id), log.screen->daySectionFor(groups.at(1).id)}));
    }

    void recurringDayGetsItsOwnGroup() {
        Log log;
        // Out of time order: 5 March, 4 March, 5 March again (oldest first in the list).
        ActivityFeedAccess::setRecentEvents(log.model->activity(),
                                            {anEvent("2025-03-05T09:00:00Z", "redacted"),
                                             anEvent("2025-03-04T09:00:00Z", "redacted"),
                                             anEvent("2025-03-05T10:00:00Z", "blocked")},
                                            0);
        log.show();
        const QList<DayGroup>& groups = log.screen->groups();
        QCOMPARE(groups.size(), 3);
        QCOMPARE(groups.at(0).day, groups.at(2).day);
        QVERIFY(groups.at(0).id != groups.at(2).id);
        QCOMPARE(log.screen->daySections().size(), 3);
        QVERIFY(log.screen->daySectionFor(groups.at(0).id) != log.screen->daySectionFor(groups.at(2).id));
        QCOMPARE(log.screen->rowsFor(groups.at(2).id)->rows().first().id, 0);
    }

    void openingARowLoadsItsDetailOnce() {
        TestHttpServer server;
        QVERIFY(server.listen());
        Log log(&server);
        ActivityFeedAccess::setRecentEvents(log.model->activity(), mixed(), 0);
        log.show();
        const QString day = log.screen->groups().first().id;
        EventRowList* rows = log.screen->rowsFor(day);
        QTest::mouseClick(rows->eventRowFor(4), Qt::LeftButton);
        QVERIFY(rows->isOpen(4));
        QVERIFY(rows->detailFor(4));
        QTRY_COMPARE(server.requests("/api/detail").size(), 1);
        QCOMPARE(server.requests("/api/detail").first().query,
                 QByteArray("req_id=") + QUrl::toPercentEncoding(QStringLiteral("2025-03-05T08:04:00Z")));
        saveScreenshot(lightAndDark(log.screen.get()), QStringLiteral("activity-open-row"));

        QTest::mouseClick(rows->eventRowFor(4), Qt::LeftButton);
        QVERIFY(!rows->isOpen(4));
        QVERIFY(!rows->detailFor(4));
        QTest::qWait(50);
        QCOMPARE(server.requests("/api/detail").size(), 1);
    }

    void openRowSurvivesTrimming() {
        TestHttpServer server;
        QVERIFY(server.listen());
        Log log(&server);
        QList<Event> events = mixed();
        ActivityFeedAccess::setRecentEvents(log.model->activity(), events, 0);
        log.show();
        const QString day = log.screen->groups().first().id;
        EventRowList* rows = log.screen->rowsFor(day);
        QWidget* item = rows->itemFor(3);
        QTest::mouseClick(rows->eventRowFor(3), Qt::LeftButton);
        QVERIFY(rows->isOpen(3));

        // The model drops its two oldest events and appends one.
        events = events.mid(2);
        events << anEvent("2025-03-05T08:07:00Z", "redacted");
        ActivityFeedAccess::setRecentEvents(log.model->activity(), events, 2);
        QCOMPARE(log.screen->rowsFor(day), rows);
        QCOMPARE(rows->itemFor(3), item);
        QVERIFY(rows->isOpen(3));
        for (const ActivityRow& row : rows->rows()) {
            QCOMPARE(rows->isOpen(row.id), row.id == 3);
        }
        QCOMPARE(rows->rows().first().id, 7);
    }

    void headerTexts() {
        Log log;
        QCOMPARE(log.screen->header()->titleLabel()->text(), QStringLiteral("Activity"));
        QCOMPARE(log.screen->filterControl()->options().size(), 4);
        QCOMPARE(log.screen->filterControl()->segmentHeight(), 32.0);
    }

    void screenshots() {
        L10n::setLanguage(QStringLiteral("pl"));
        Log log;
        QList<Event> events;
        for (int i = 0; i < 9; ++i) {
            events << anEvent(QStringLiteral("2025-03-0%1T1%2:00:00Z").arg(4 + i / 4).arg(i % 4),
                              i % 3 == 0 ? QStringLiteral("blocked") : QStringLiteral("redacted"));
        }
        ActivityFeedAccess::setRecentEvents(log.model->activity(), events, 0);
        log.show();
        QVERIFY(!saveScreenshot(lightAndDark(log.screen.get()), QStringLiteral("activity-pl")).isEmpty());
    }
};

QTEST_MAIN(ActivityScreenTest)
#include "tst_activityscreen.moc"
