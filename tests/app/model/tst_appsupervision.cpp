// The model's supervision of real stand-in gateway processes: deaths by SIGKILL, the automatic
// relaunch, the user's restart and force stop, a replace that overtakes a relaunch, and what the
// studio is told. The test asks the watch before each poll as the poll loop does.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "app/support/AppModelAccess.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <QCoroTask>

#include <csignal>
#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int patienceMs = 30'000;

const QString pacUrl = QStringLiteral("http://wpad.example/proxy.pac");

} // namespace

namespace fernholm {
inline char* toString(const StudioSync& sync) {
    return QTest::toString(QStringLiteral("keep %1, may load %2").arg(sync.keep).arg(sync.mayLoad));
}
} // namespace fernholm

class AppSupervisionTest : public QObject, public StandInModel {
    Q_OBJECT

    QList<SidecarLink> m_links; // the model's link after each change

    AppModel& makeModel(Seconds readyTimeout = quickConfig().readyTimeout) {
        // The tests ask the watch themselves: the loop polls once after a proven start, then waits.
        m_config.pollInterval = std::chrono::hours(1);
        m_config.readyTimeout = readyTimeout;
        StandInModel::makeModel();
        connect(&m_model->supervision(), &Supervision::linkChanged, this,
                [this] { m_links.append(m_model->supervision().link()); });
        return *m_model;
    }

    AppModel& ready(Seconds readyTimeout = quickConfig().readyTimeout) {
        AppModel& model = makeModel(readyTimeout);
        QSignalSpy polls(&model, &AppModel::pollEnded);
        model.start();
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::ready(), patienceMs);
            QTRY_VERIFY_WITH_TIMEOUT(!polls.isEmpty(), patienceMs);
        }();
        return model;
    }

    // SIGKILL for the current gateway; waits until its exit has reached the model.
    void killGateway(AppModel& model) {
        const qint64 pid = m_checkout->dumpedPid();
        QVERIFY(processExists(pid));
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!model.sidecar()->isRunning(), patienceMs);
        QTRY_VERIFY(model.supervision().link() != SidecarLink::trusted);
    }

    bool beforePoll(AppModel& model) { return QCoro::waitFor(model.watch().beforePoll()); }

    qint64 generation() const { return m_model->client().gate()->generation(); }

    QStringList links() const {
        QStringList names;
        for (SidecarLink link : m_links) {
            names.append(linkName(link));
        }
        return names;
    }

private Q_SLOTS:
    void init() {
        QVERIFY(setUpStandIn());
        m_links.clear();
    }
    void cleanup() {
        tearDownStandIn();
    }

    void oneDeathIsRelaunched() {
        AppModel& model = ready();
        const qint64 first = m_checkout->dumpedPid();
        killGateway(model);
        QCOMPARE(model.protection().status(), std::nullopt);

        QCOMPARE(beforePoll(model), false);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        QCOMPARE(links(), (QStringList{"checking", "restarting", "trusted"}));
        QCOMPARE(model.supervision().sidecarState(), SidecarState::ready());
        QCOMPARE(generation(), 2);
        QVERIFY(model.client().gate()->holds());
        QVERIFY(m_checkout->dumpedPid() != first);
        QVERIFY(processExists(m_checkout->dumpedPid()));
        QVERIFY(m_fakes->proxyTool->calls().isEmpty());
        // The next poll goes ahead.
        QCOMPARE(beforePoll(model), true);
    }

    // A relaunch after a death, or the user's restart, whose gateway never proves itself: that
    // gateway is stopped as after a failed first start, not left running with nobody watching it,
    // and the process object it replaced is let go.
    void anUnprovenRelaunchIsStopped_data() {
        QTest::addColumn<bool>("byRestart");
        QTest::addColumn<QString>("fault");
        QTest::newRow("relaunch after a death, never listens") << false << QStringLiteral("FAKE_GW_NEVER_LISTEN");
        QTest::newRow("restart, a wrong proof") << true << QStringLiteral("FAKE_GW_WRONG_PROOF");
    }
    void anUnprovenRelaunchIsStopped() {
        QFETCH(bool, byRestart);
        QFETCH(QString, fault);
        // Long enough for a proven first start on a busy machine, short enough to wait out.
        AppModel& model = ready(Seconds(6.0));
        const qint64 first = m_checkout->dumpedPid();
        const QPointer<SidecarProcess> replaced = model.sidecar();
        m_fakes->environment = m_checkout->environment({{fault, QStringLiteral("1")}});
        if (byRestart) {
            model.replaceSidecar();
        } else {
            killGateway(model);
            QCOMPARE(beforePoll(model), false);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_checkout->dumpedPid() != first, patienceMs);
        const qint64 second = m_checkout->dumpedPid();
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().link(), SidecarLink::stopped, patienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
        QTRY_VERIFY_WITH_TIMEOUT(!processExists(second), patienceMs);
        QVERIFY(!processExists(first));
        QVERIFY(model.sidecar() && !model.sidecar()->isRunning());
        QVERIFY(model.supervision().sidecarState().kind == SidecarState::Kind::failed);
        QVERIFY(!model.client().gate()->holds());
        QTRY_VERIFY(replaced.isNull());
    }

    // A second death before the relaunch has re-armed stops for good and puts the system proxy
    // back, with the settings the gateway parked in its working folder.
    void twoQuickDeathsStopForGood_data() {
        QTest::addColumn<bool>("stuck");
        QTest::newRow("proxy put back") << false;
        QTest::newRow("proxy stuck") << true;
    }
    void twoQuickDeathsStopForGood() {
        QFETCH(bool, stuck);
        m_fakes->proxyTool->pointAtGateway();
        m_fakes->proxyTool->setStuck(stuck);
        AppModel& model = ready();
        QFile parked(QDir(m_checkout->repo()).filePath(QStringLiteral("_proxy_parked.json")));
        QVERIFY(parked.open(QIODevice::WriteOnly));
        parked.write(QStringLiteral(R"({"Desktop": {"pac_url": "%1"}})").arg(pacUrl).toUtf8());
        parked.close();

        killGateway(model);
        QCOMPARE(beforePoll(model), false);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        killGateway(model);
        QCOMPARE(beforePoll(model), false);

        QCOMPARE(model.supervision().link(), SidecarLink::stopped);
        QCOMPARE(model.supervision().proxyStuck(), stuck);
        QCOMPARE(links(), (QStringList{"checking", "restarting", "trusted", "checking", "stopped"}));
        QCOMPARE(generation(), 2);
        const QList<QStringList> calls = m_fakes->proxyTool->calls();
        QVERIFY(calls.contains(QStringList{"-setwebproxystate", "Desktop", "off"}));
        // Settings of a service that still points at the gateway are not put back over it.
        QCOMPARE(calls.contains(QStringList{"-setautoproxyurl", "Desktop", pacUrl}), !stuck);
        QCOMPARE(parked.exists(), stuck);
        // Nothing is relaunched any more.
        QCOMPARE(beforePoll(model), false);
        QCOMPARE(generation(), 2);
    }

    // Restart only while stopped, force stop only while checking or restarting; here with no
    // gateway process at all, so a force stop ends in exited(-1).
    void restartAndForceStopByLink_data() {
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<bool>("forceStop"); // else restart
        QTest::addColumn<bool>("acts");
        for (const auto link :
             {SidecarLink::checking, SidecarLink::trusted, SidecarLink::restarting, SidecarLink::stopped}) {
            const bool forceStops = link == SidecarLink::checking || link == SidecarLink::restarting;
            QTest::addRow("force stop while %s", qPrintable(linkName(link))) << link << true << forceStops;
            QTest::addRow("restart while %s", qPrintable(linkName(link)))
                << link << false << (link == SidecarLink::stopped);
        }
    }
    void restartAndForceStopByLink() {
        QFETCH(SidecarLink, link);
        QFETCH(bool, forceStop);
        QFETCH(bool, acts);
        m_fakes->environment = {};
        AppModel model(quickConfig(freeLoopbackPort()), m_fakes->platform());
        AppModelAccess::setLink(model, link);
        if (forceStop) {
            model.forceStop();
        } else {
            model.restartSidecar();
        }
        QTRY_VERIFY(!model.isReplacing());
        QCOMPARE(m_fakes->proxyTool->calls().isEmpty(), !acts);
        QCOMPARE(model.supervision().link(), acts ? SidecarLink::stopped : link);
        QCOMPARE(model.supervision().sidecarState(),
                 acts && forceStop ? SidecarState::exited(-1) : SidecarState::idle());
    }

    // A first start that exits leaves the link checking; a force stop, then a restart, is the way back.
    void forceStopThenRestartAfterAStartThatExited() {
        m_fakes->environment = m_checkout->environment({{"FAKE_GW_EXIT_CODE", "3"}});
        m_model = std::make_unique<AppModel>(quickConfig(freeLoopbackPort()), m_fakes->platform());
        AppModel& model = *m_model;
        model.start();
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::exited(3), patienceMs);
        QTRY_COMPARE(model.supervision().link(), SidecarLink::checking);
        model.restartSidecar();
        QVERIFY(!model.isReplacing());

        model.forceStop();
        QTRY_VERIFY(!model.isReplacing());
        QCOMPARE(model.supervision().link(), SidecarLink::stopped);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::exited(0));
        model.forceStop();
        QVERIFY(!model.isReplacing());

        m_fakes->environment = m_checkout->environment();
        model.restartSidecar();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::ready());
        QCOMPARE(model.supervision().appError(), std::nullopt);
        QVERIFY(model.client().gate()->holds());
    }

    void aReplaceOvertakesARelaunchInItsReadinessWait() {
        AppModel& model = ready();
        m_fakes->environment = m_checkout->environment({{"FAKE_GW_NEVER_LISTEN", "1"}});
        killGateway(model);
        m_checkout->forgetDump();
        auto poll = std::make_unique<QCoro::Task<bool>>(model.watch().beforePoll());
        QTRY_VERIFY_WITH_TIMEOUT(m_checkout->dumpedPid() > 0, patienceMs);
        const qint64 waiting = m_checkout->dumpedPid();
        QCOMPARE(generation(), 2);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::starting());
        QCOMPARE(model.supervision().link(), SidecarLink::restarting);

        m_fakes->environment = m_checkout->environment();
        model.replaceSidecar();
        model.replaceSidecar(); // ignored while the first runs
        QVERIFY(model.isReplacing());
        QCOMPARE(QCoro::waitFor(std::move(*poll)), false);
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);

        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        QCOMPARE(generation(), 3);
        QCOMPARE(model.supervision().sidecarState(), SidecarState::ready());
        QCOMPARE(model.supervision().appError(), std::nullopt);
        QVERIFY(!processExists(waiting));
        QVERIFY(processExists(m_checkout->dumpedPid()));
        QVERIFY(m_checkout->dumpedPid() != waiting);
    }

    void studioSync_data() {
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<bool>("proofHolds");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<StudioSync>("sync");
        QTest::newRow("trusted and proven") << SidecarLink::trusted << true << true << false << StudioSync{true, true};
        QTest::newRow("trusted, proof lapsed")
            << SidecarLink::trusted << false << true << false << StudioSync{true, false};
        QTest::newRow("checking, page sending")
            << SidecarLink::checking << false << true << true << StudioSync{true, false};
        QTest::newRow("checking, page idle")
            << SidecarLink::checking << true << true << false << StudioSync{false, false};
        QTest::newRow("restarting, sending to a dead gateway")
            << SidecarLink::restarting << false << false << true << StudioSync{false, false};
        QTest::newRow("stopped, page sending")
            << SidecarLink::stopped << false << true << true << StudioSync{true, false};
    }
    void studioSync() {
        QFETCH(SidecarLink, link);
        QFETCH(bool, proofHolds);
        QFETCH(bool, running);
        QFETCH(bool, busy);
        QFETCH(StudioSync, sync);
        QCOMPARE(fernholm::studioSync(link, proofHolds, running, busy), sync);
    }

    void linkChangesReachTheStudio() {
        AppModel& model = ready();
        QCOMPARE(m_fakes->studio.syncs.last(), (StudioSync{true, true}));
        m_fakes->studio.pageBusy = true;
        model.client().gate()->revoke();
        model.syncStudio();
        QCOMPARE(m_fakes->studio.syncs.last(), (StudioSync{true, false}));
        killGateway(model);
        QCOMPARE(m_fakes->studio.syncs.last(), (StudioSync{false, false}));
    }
};

QTEST_GUILESS_MAIN(AppSupervisionTest)
#include "tst_appsupervision.moc"
