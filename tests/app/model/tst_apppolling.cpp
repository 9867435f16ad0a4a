// The model's poll loop over the stand-in gateway: the event window and its cursor, rules reloaded
// on a detector change, the bypass and blocked-request notices, and what failed fetches, deaths
// and stops do to the link and the loop. Most tests slow the loop down to one poll after the
// start and then poll by hand; the monotonic clock of the notices is the fake's.
#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/model/WorkbenchSession.h"
#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/presentation/BypassNotifier.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

#include <csignal>
#include <memory>
#include <vector>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int patienceMs = 30'000;
// Long enough that the loop, after its first poll, waits for the rest of the test.
constexpr std::chrono::hours handPolled{1};

QJsonObject eventJson(int number, const QString& status = QStringLiteral("redacted")) {
    return {{QStringLiteral("ts"), QStringLiteral("2024-05-01T10:00:%1Z").arg(number, 6, 10, QLatin1Char('0'))},
            {QStringLiteral("surface"), QStringLiteral("claude_web")},
            {QStringLiteral("entities"), QJsonObject()},
            {QStringLiteral("tokens"), QJsonArray()},
            {QStringLiteral("status"), status}};
}

Event numberedEvent(int number) {
    Event e;
    e.ts = eventJson(number).value(QLatin1String("ts")).toString();
    return e;
}

// An events page of `count` events numbered from `first`, with the gateway's next cursor.
QJsonObject eventsReply(int first, int count, qint64 cursor) {
    QJsonArray events;
    for (int i = 0; i < count; ++i) {
        events.append(eventJson(first + i));
    }
    const QJsonObject page{{QStringLiteral("events"), events}, {QStringLiteral("cursor"), cursor}};
    return {{QStringLiteral("body"), QString::fromUtf8(QJsonDocument(page).toJson(QJsonDocument::Compact))}};
}

const QJsonObject firefoxBypass{{QStringLiteral("kind"), QStringLiteral("bypass")},
                                {QStringLiteral("browser"), QStringLiteral("Firefox")},
                                {QStringLiteral("family"), QStringLiteral("firefox")},
                                {QStringLiteral("profile_id"), QStringLiteral("ff-default")},
                                {QStringLiteral("profile"), QStringLiteral("default-release")},
                                {QStringLiteral("set_by"), QStringLiteral("settings")}};
const QString firefoxNotice = bypassNotificationPrefix + QStringLiteral("ff-default");

QStringList identifiers(const QList<MemoryNotificationCenter::Notice>& notices) {
    QStringList names;
    for (const auto& notice : notices) {
        names.append(notice.identifier);
    }
    return names;
}

} // namespace

class AppPollingTest : public QObject, public StandInModel {
    Q_OBJECT

    // A model whose gateway is up and whose first poll has ended.
    AppModel& polled(const Environment& extra = {}) {
        makeModel(extra);
        AppModel& model = *m_model;
        QSignalSpy polls(&model, &AppModel::pollEnded);
        model.start();
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::ready(), patienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, patienceMs);
        }();
        return model;
    }

    void poll() { QCoro::waitFor(m_model->pollOnce()); }

    bool setGatewayStatus(const QJsonObject& members) {
        return gatewayExchange(*m_model, "POST", QStringLiteral("/fake/status"), members).ok();
    }

    bool passRequest(const QJsonObject& request) {
        return gatewayExchange(*m_model, "POST", QStringLiteral("/fake/request"), request).ok();
    }

    // The "after" of every events request so far.
    QStringList eventQueries() const {
        QStringList queries;
        for (const QJsonValue& entry : gatewayLog(*m_model)) {
            if (entry[QLatin1String("path")].toString() == QLatin1String("/api/events")) {
                queries.append(entry[QLatin1String("query")].toString());
            }
        }
        return queries;
    }

    int rulesLoads() const { return gatewayRequests(*m_model).count(QStringLiteral("GET /api/redaction")); }

    // SIGKILL for the current gateway; waits until its exit has reached the model.
    void killGateway() {
        const qint64 pid = m_checkout->dumpedPid();
        QVERIFY(processExists(pid));
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_model->sidecar()->isRunning(), patienceMs);
    }

private Q_SLOTS:
    void init() {
        QVERIFY(setUpStandIn());
        m_config.pollInterval = handPolled;
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        tearDownStandIn();
    }

    void theFirstPollBringsStatusAndEvents() {
        AppModel& model = polled();
        QVERIFY(model.isPolling());
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        QVERIFY(model.protection().status());
        QCOMPARE(model.protection().status()->protection, Protection::off);
        QCOMPARE(eventQueries(), QStringList{"after=0"});
        QCOMPARE(model.cursor(), 0);
    }

    // A live gateway's uptime, memory and latency move on every poll; no view shows them, so a
    // poll whose reply differs only there changes nothing the views follow: no signal at all, and
    // so no alert is worked out again. A change of a shown field is one status signal.
    void aQuietPollChangesNothing_data() {
        QTest::addColumn<QJsonObject>("before");
        QTest::addColumn<QJsonObject>("after");
        QTest::addColumn<bool>("shown");
        const auto counters = [](qint64 total, std::optional<double> latency) {
            QJsonObject c{{QStringLiteral("total"), total},
                          {QStringLiteral("redacted"), 0},
                          {QStringLiteral("blocked"), 0},
                          {QStringLiteral("passed"), total},
                          {QStringLiteral("entities"), QJsonObject()},
                          {QStringLiteral("unfiltered_hosts"), QJsonArray()}};
            if (latency) {
                c.insert(QStringLiteral("median_latency_ms"), *latency);
            }
            return c;
        };
        const QString uptime = QStringLiteral("uptime_s");
        const QString memory = QStringLiteral("memory_mb");
        const QString counted = QStringLiteral("counters");
        QTest::newRow("the stand-in's own moving telemetry") << QJsonObject() << QJsonObject() << false;
        QTest::newRow("uptime grows") << QJsonObject{{uptime, 86'400}} << QJsonObject{{uptime, 86'401}} << false;
        QTest::newRow("memory moves") << QJsonObject{{memory, 212.5}} << QJsonObject{{memory, 230.25}} << false;
        QTest::newRow("latency moves") << QJsonObject{{counted, counters(3, 41.7)}}
                                       << QJsonObject{{counted, counters(3, 12.0)}} << false;
        QTest::newRow("latency appears") << QJsonObject{{counted, counters(3, std::nullopt)}}
                                         << QJsonObject{{counted, counters(3, 41.7)}} << false;
        QTest::newRow("all three at once")
            << QJsonObject{{uptime, 5}, {memory, 99.0}, {counted, counters(3, 1.5)}}
            << QJsonObject{{uptime, 6}, {memory, 101.0}, {counted, counters(3, 2.5)}} << false;
        QTest::newRow("a request was counted")
            << QJsonObject{{counted, counters(3, 41.7)}} << QJsonObject{{counted, counters(4, 41.7)}} << true;
        QTest::newRow("the proxy port changed, telemetry too")
            << QJsonObject{{uptime, 5}, {QStringLiteral("proxy_port"), 48080}}
            << QJsonObject{{uptime, 6}, {QStringLiteral("proxy_port"), 48081}} << true;
        QTest::newRow("protection came on")
            << QJsonObject{{QStringLiteral("protection"), QStringLiteral("off")}}
            << QJsonObject{{QStringLiteral("protection"), QStringLiteral("on")}} << true;
    }
    void aQuietPollChangesNothing() {
        QFETCH(QJsonObject, before);
        QFETCH(QJsonObject, after);
        QFETCH(bool, shown);
        AppModel& model = polled();
        QVERIFY(setGatewayStatus(before));
        poll();

        // Every signal of the model and of its parts but the end of a poll and the telemetry's own.
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        const QList<const QObject*> parts{&model,          &model.protection(), &model.supervision(),   &model.activity(),
                                    &model.alerts(), &model.workbench(),  &model.redactionDraft()};
        for (const QObject* part : parts) {
            const QMetaObject& meta = *part->metaObject();
            for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
                const QMetaMethod method = meta.method(i);
                if (method.methodType() == QMetaMethod::Signal && method.name() != "pollEnded" &&
                    method.name() != "telemetryChanged") {
                    spies.push_back(std::make_unique<QSignalSpy>(part, method));
                }
            }
        }
        QVERIFY(spies.size() > 20);
        const auto fired = [&spies] {
            QStringList names;
            for (const auto& spy : spies) {
                for (qsizetype n = 0; n < spy->size(); ++n) {
                    names.append(QString::fromLatin1(spy->signal()));
                }
            }
            return names;
        };
        const QSignalSpy telemetry(&model.protection(), &ProtectionStatus::telemetryChanged);
        const qint64 computed = model.alerts().computations();

        QVERIFY(setGatewayStatus(after));
        poll();
        QCOMPARE(fired(), shown ? QStringList{QStringLiteral("statusChanged()")} : QStringList());
        QCOMPARE(model.alerts().computations() - computed, shown ? 1 : 0);
        QVERIFY(!model.protection().status()->uptimeS && !model.protection().status()->memoryMb &&
                !model.protection().status()->counters.medianLatencyMs);
        if (after.contains(QLatin1String("uptime_s"))) {
            QCOMPARE(model.protection().telemetry().uptimeS,
                     std::optional<qint64>(after.value(QLatin1String("uptime_s")).toInteger()));
        }
        if (!shown) {
            QCOMPARE(telemetry.size(), 1);
        }

        // Ten more polls of the same gateway: nothing at all.
        for (int i = 0; i < 10; ++i) {
            poll();
        }
        QCOMPARE(fired(), shown ? QStringList{QStringLiteral("statusChanged()")} : QStringList());
        QCOMPARE(model.alerts().computations() - computed, shown ? 1 : 0);
    }

    // The newest events stay, up to the limit; the offset counts those dropped from the front.
    void theEventWindow_data() {
        QTest::addColumn<int>("held");
        QTest::addColumn<int>("arriving");
        QTest::addColumn<int>("kept");
        QTest::addColumn<int>("dropped");
        QTest::newRow("150 held, 100 arrive") << 150 << 100 << 200 << 50;
        QTest::newRow("exactly the limit") << 100 << 100 << 200 << 0;
        QTest::newRow("one page over the limit") << 0 << 230 << 200 << 30;
        QTest::newRow("an empty page") << 150 << 0 << 150 << 0;
    }
    void theEventWindow() {
        QFETCH(int, held);
        QFETCH(int, arriving);
        QFETCH(int, kept);
        QFETCH(int, dropped);
        AppModel& model = polled();
        QList<Event> events;
        for (int i = 0; i < held; ++i) {
            events.append(numberedEvent(i));
        }
        ActivityFeedAccess::setRecentEvents(model.activity(), events, 7);
        QVERIFY(scriptGateway(model, QStringLiteral("/api/events"), {eventsReply(held, arriving, 1000 + arriving)}));
        QSignalSpy changes(&model.activity(), &ActivityFeed::recentEventsChanged);

        poll();
        // The cursor moves also when the page is empty.
        QCOMPARE(model.cursor(), 1000 + arriving);
        QCOMPARE(model.activity().recentEvents().size(), kept);
        QCOMPARE(model.activity().recentEventsOffset(), 7 + dropped);
        QCOMPARE(changes.size(), arriving > 0 ? 1 : 0);
        if (kept > 0) {
            QCOMPARE(model.activity().recentEvents().last().ts, numberedEvent(held + arriving - 1).ts);
            QCOMPARE(model.activity().recentEvents().first().ts, numberedEvent(held + arriving - kept).ts);
        }
        QCOMPARE(eventQueries().last(), QStringLiteral("after=0"));
        poll();
        QCOMPARE(eventQueries().last(), QStringLiteral("after=%1").arg(1000 + arriving));
    }

    // A request's detail, with its original text, goes with the last event of its request out of
    // the event window; requests in the same second share one.
    void aDetailLeavesWithItsEvent() {
        m_config.maxEvents = 3;
        AppModel& model = polled();
        const auto pass = [this](const QString& ts) {
            return passRequest(
                {{QStringLiteral("text"), QStringLiteral("Mail jan.kowalski@example.pl")}, {QStringLiteral("ts"), ts}});
        };
        const QString first = QStringLiteral("2024-05-01T10:00:01Z");
        const QString shared = QStringLiteral("2024-05-01T10:00:02Z");
        QVERIFY(pass(first));
        QVERIFY(pass(shared));
        QVERIFY(pass(shared));
        poll();
        QCOMPARE(model.activity().recentEvents().size(), 3);
        model.activity().loadDetail(first);
        model.activity().loadDetail(shared);
        QTRY_VERIFY(model.activity().detailCache().value(first).has_value() &&
                    model.activity().detailCache().value(shared).has_value());
        QSignalSpy changes(&model.activity(), &ActivityFeed::detailCacheChanged);

        QVERIFY(pass(QStringLiteral("2024-05-01T10:00:03Z")));
        poll();
        QVERIFY(!model.activity().detailCache().contains(first));
        QVERIFY(model.activity().detailCache().contains(shared));
        QCOMPARE(changes.size(), 1);

        QVERIFY(pass(QStringLiteral("2024-05-01T10:00:04Z")));
        poll();
        QVERIFY(model.activity().detailCache().contains(shared)); // one of its events is still shown
        QCOMPARE(changes.size(), 1);

        QVERIFY(pass(QStringLiteral("2024-05-01T10:00:05Z")));
        poll();
        QVERIFY(model.activity().detailCache().isEmpty());
        QCOMPARE(changes.size(), 2);
    }

    // A change of the detection engine, appearing and disappearing included, reloads the rules.
    void aDetectorChangeReloadsTheRules_data() {
        QTest::addColumn<QJsonValue>("before");
        QTest::addColumn<QJsonValue>("after");
        QTest::addColumn<bool>("reloads");
        const QJsonValue none = QJsonValue::Null;
        QTest::newRow("none to none") << none << none << false;
        QTest::newRow("none to a") << none << QJsonValue("a") << true;
        QTest::newRow("a to a") << QJsonValue("a") << QJsonValue("a") << false;
        QTest::newRow("a to b") << QJsonValue("a") << QJsonValue("b") << true;
        QTest::newRow("a to none") << QJsonValue("a") << none << true;
    }
    void aDetectorChangeReloadsTheRules() {
        QFETCH(QJsonValue, before);
        QFETCH(QJsonValue, after);
        QFETCH(bool, reloads);
        AppModel& model = polled();
        QVERIFY(setGatewayStatus({{QStringLiteral("detector"), before}}));
        poll();
        QCOMPARE(model.lastDetector(), before.isNull() ? std::nullopt : std::optional(before.toString()));
        const int loads = rulesLoads();
        QCOMPARE(loads, before.isNull() ? 0 : 1);

        QVERIFY(setGatewayStatus({{QStringLiteral("detector"), after}}));
        poll();
        QCOMPARE(rulesLoads(), loads + (reloads ? 1 : 0));
        QCOMPARE(model.lastDetector(), after.isNull() ? std::nullopt : std::optional(after.toString()));
    }

    // The reload refreshes the saved rules; edits the user has not saved are carried onto them.
    void aDetectorChangeKeepsUnsavedEdits_data() {
        QTest::addColumn<bool>("edited");
        QTest::newRow("no edits") << false;
        QTest::newRow("unsaved edits") << true;
    }
    void aDetectorChangeKeepsUnsavedEdits() {
        QFETCH(bool, edited);
        AppModel& model = polled();
        RedactionPage edits;
        edits.allowlist = {QStringLiteral("ACME Sp. z o.o.")};
        if (edited) {
            RedactionDraftAccess::setEdited(model.redactionDraft(), edits);
        }
        QVERIFY(setGatewayStatus({{QStringLiteral("detector"), QStringLiteral("a")}}));
        poll();
        const RedactionPage& held = model.redactionDraft().saved();
        QVERIFY(!held.categories.isEmpty()); // the gateway's rules
        QVERIFY(model.redactionDraft().edited().categories == held.categories);
        QCOMPARE(model.redactionDraft().edited().allowlist.contains(QStringLiteral("ACME Sp. z o.o.")), edited);
        QCOMPARE(model.redactionDraft().hasChanges(), edited);
    }

    void aFailedEventsFetchAsksForTheSameEventsAgain() {
        AppModel& model = polled();
        QVERIFY(passRequest({{QStringLiteral("text"), QStringLiteral("first")}}));
        poll();
        QCOMPARE(model.cursor(), 1);
        QVERIFY(passRequest({{QStringLiteral("text"), QStringLiteral("second")}}));
        QVERIFY(scriptGateway(model, QStringLiteral("/api/events"), {QJsonObject{{QStringLiteral("status"), 500}}}));

        poll();
        QCOMPARE(model.cursor(), 1);
        QCOMPARE(model.activity().recentEvents().size(), 1);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted); // one failure is not yet doubt
        poll();
        QCOMPARE(eventQueries().mid(1), (QStringList{"after=0", "after=1", "after=1"}));
        QCOMPARE(model.cursor(), 2);
        QCOMPARE(model.activity().recentEvents().size(), 2);
    }

    // Three failed status polls in a row: the link falls to checking and the status goes; the
    // loop keeps polling and the next good status restores both.
    void threeFailedStatusPollsMakeTheLinkDoubtful() {
        m_config.pollInterval = std::chrono::milliseconds(50);
        AppModel& model = polled();
        // The link and whether a status is shown, after each change of either.
        QList<std::pair<SidecarLink, bool>> seen;
        const auto note = [&] {
            seen.append({model.supervision().link(), model.protection().status().has_value()});
        };
        connect(&model.supervision(), &Supervision::linkChanged, this, note);
        connect(&model.protection(), &ProtectionStatus::statusChanged, this, note);
        const QJsonObject failure{{QStringLiteral("status"), 500}};
        QVERIFY(scriptGateway(model, QStringLiteral("/api/status"), {failure, failure, failure}));

        QTRY_VERIFY_WITH_TIMEOUT(seen.contains(std::pair(SidecarLink::checking, false)), patienceMs);
        QTRY_COMPARE_WITH_TIMEOUT(seen.last(), std::pair(SidecarLink::trusted, true), patienceMs);
        QCOMPARE(seen.first().first, SidecarLink::checking); // not before the third failure
        QVERIFY(model.isPolling());
        QCOMPARE(model.supervision().appError(), std::nullopt);
    }

    // A browser that bypasses the proxy raises a notice; once it is fixed, the notice goes.
    void bypassFindingsArePostedAndWithdrawn() {
        AppModel& model = polled();
        QVERIFY(setGatewayStatus({{QStringLiteral("browser_bypass"), QJsonArray{firefoxBypass}}}));
        poll();
        QTRY_COMPARE(identifiers(m_fakes->notifications->added), QStringList{firefoxNotice});
        poll();
        QCOMPARE(m_fakes->notifications->added.size(), 1);

        QVERIFY(setGatewayStatus({{QStringLiteral("browser_bypass"), QJsonArray()}}));
        poll();
        QTRY_VERIFY(m_fakes->notifications->shown.isEmpty());
        QCOMPARE(m_fakes->notifications->removals.last(), QStringList{firefoxNotice});
        QVERIFY(model.protection().status());
    }

    // Blocked requests become one notice at a time, at least the cooldown apart on the model's
    // monotonic clock; one held back goes out with a later poll, even one that brings nothing.
    void blockedRequestsPostOneNoticeAtATime() {
        AppModel& model = polled();
        const auto blocked = [](const QString& reason) {
            return QJsonObject{{QStringLiteral("text"), QStringLiteral("my card 4111 1111 1111 1111")},
                               {QStringLiteral("status"), QStringLiteral("blocked")},
                               {QStringLiteral("reason"), reason}};
        };
        QVERIFY(passRequest(blocked(QStringLiteral("card number"))));
        poll();
        QTRY_COMPARE(identifiers(m_fakes->notifications->added), QStringList{blockNotificationIdentifier});

        m_fakes->monotonicNow += std::chrono::seconds(1);
        QVERIFY(passRequest(blocked(QStringLiteral("secret key"))));
        poll();
        QCOMPARE(model.activity().recentEvents().size(), 2);
        QCOMPARE(m_fakes->notifications->added.size(), 1); // within the cooldown

        m_fakes->monotonicNow += std::chrono::seconds(3);
        const qint64 cursor = model.cursor();
        poll();
        QCOMPARE(model.cursor(), cursor);
        QTRY_COMPARE(m_fakes->notifications->added.size(), 2);
        QCOMPARE(m_fakes->notifications->added.last().identifier, blockNotificationIdentifier);
    }

    // The second death before the relaunch has proved itself healthy: the gateway stays stopped,
    // the user is told with the gateway's last words, its bypass notices go, and polling ends.
    void twoDeathsEndPolling() {
        m_config.pollInterval = std::chrono::milliseconds(50);
        AppModel& model = polled({{"FAKE_GW_STDERR_TEXT", "Traceback: the vault is locked\n"}});
        QVERIFY(setGatewayStatus({{QStringLiteral("browser_bypass"), QJsonArray{firefoxBypass}}}));
        QTRY_VERIFY(m_fakes->notifications->shown.contains(firefoxNotice));

        const qint64 first = m_checkout->dumpedPid();
        killGateway();
        QTRY_VERIFY_WITH_TIMEOUT(m_checkout->dumpedPid() != first && model.supervision().link() == SidecarLink::trusted,
                                 patienceMs);
        QTRY_VERIFY(model.protection().status());
        // The relaunched gateway reports the same finding; its notice stands.
        QVERIFY(setGatewayStatus({{QStringLiteral("browser_bypass"), QJsonArray{firefoxBypass}}}));
        QTRY_VERIFY(m_fakes->notifications->shown.contains(firefoxNotice));
        QSignalSpy polls(&model, &AppModel::pollEnded);

        killGateway();
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().link(), SidecarLink::stopped, patienceMs);
        QTRY_COMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        QCOMPARE(model.supervision().appError(), QStringLiteral("Sidecar stopped responding."));
        QCOMPARE(model.supervision().appErrorDetail(), QStringLiteral("Traceback: the vault is locked\n"));
        QCOMPARE(model.protection().status(), std::nullopt);
        QVERIFY(!m_fakes->notifications->shown.contains(firefoxNotice));
        QVERIFY(!model.isPolling());
        const qsizetype ended = polls.size();
        QVERIFY(!polls.wait(10 * 50));
        QCOMPARE(polls.size(), ended);
    }

    // A force stop while a proof renewal is under way: the proof comes back good while the
    // gateway is still being stopped (it ignores the polite request), yet the poll fetches
    // nothing, the stopped link stays stopped and nobody is told the gateway stopped responding.
    void aForceStopDuringAProofRenewalFetchesNothing() {
        m_config.terminateGrace = Seconds(5.0);
        AppModel& model = polled({{"FAKE_GW_SLOW_MS", "200"}, {"FAKE_GW_IGNORE_SIGTERM", "1"}});
        for (int i = 0; i < SidecarWatch::failureLimit; ++i) {
            model.watch().pollFailed();
        }
        QCOMPARE(model.supervision().link(), SidecarLink::checking);
        model.client().gate()->revoke(); // the next check renews the proof
        const qsizetype before = gatewayLog(model).size();

        QCoro::Task<> renewing = model.pollOnce();
        model.forceStop();
        QVERIFY(model.isReplacing());
        QCoro::waitFor(std::move(renewing));
        // Still running out its grace: its log can be read.
        QVERIFY(processExists(m_checkout->dumpedPid()));
        const QJsonArray log = gatewayLog(model);
        QStringList since;
        for (qsizetype i = before; i < log.size(); ++i) {
            since.append(log[i][QLatin1String("path")].toString());
        }
        QCOMPARE(since, QStringList{"/api/hello"});

        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
        QCOMPARE(model.supervision().link(), SidecarLink::stopped);
        QCOMPARE(model.protection().status(), std::nullopt);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        QCOMPARE(model.supervision().appError(), std::nullopt);
        QVERIFY(!model.isPolling());
    }

    // A restart after a stop starts polling again.
    void aRestartPollsAgain() {
        AppModel& model = polled();
        for (int i = 0; i < SidecarWatch::failureLimit; ++i) {
            model.watch().pollFailed();
        }
        model.forceStop();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
        QVERIFY(!model.isPolling());
        QSignalSpy polls(&model, &AppModel::pollEnded);

        model.restartSidecar();
        QTRY_VERIFY_WITH_TIMEOUT(polls.size() >= 1, patienceMs);
        QVERIFY(model.isPolling());
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        QVERIFY(model.protection().status());
    }

    // Polls do not overlap: one asked for while another is under way does nothing.
    void onePollAtATime() {
        AppModel& model = polled({{"FAKE_GW_SLOW_MS", "100"}});
        QSignalSpy polls(&model, &AppModel::pollEnded);
        QCoro::Task<> first = model.pollOnce();
        QCoro::waitFor(model.pollOnce());
        QCOMPARE(polls.size(), 0);
        QCoro::waitFor(std::move(first));
        QCOMPARE(polls.size(), 1);
        QCOMPARE(eventQueries().size(), 2);
    }
};

QTEST_GUILESS_MAIN(AppPollingTest)
#include "tst_apppolling.moc"
