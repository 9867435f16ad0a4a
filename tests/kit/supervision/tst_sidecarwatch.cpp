#include "FernholmKit/supervision/SidecarWatch.h"
#include "support/SidecarPrinters.h"

#include <QCoroSignal>
#include <QCoroTask>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace fernholm;
using namespace std::chrono_literals;

namespace {

Clock::duration seconds(double s) {
    return std::chrono::duration_cast<Clock::duration>(Seconds(s));
}

// Plays the owner of a watch: a fake clock for the health bookkeeping, closures that answer as
// scripted and log their calls, and a relaunch, a proof or a proxy clearing that can be held
// suspended until released. A relaunch does what the application does: it begins the next launch
// generation on the gate and, when the new process proves itself, the gate is proven and the
// watch told ready().
//
// Steps, separated by spaces:
//   ready                  the gateway started and proved itself
//   remember[:svc:port]    a good status poll (by default no service, port 48080)
//   fail                   a failed status poll
//   +N                     the fake clock moves N seconds on
//   exit | dies            the process ends, with | without its exit handler reaching the watch
//   poll                   beforePoll(), awaited; logs its answer
//   poll&  await           beforePoll() started, and later awaited
//   stop | cancel | restart
//   stop&  stopped         stopNow() started, and later awaited
//   proof:N | revoke       the gate's proof is N seconds old by the system clock | dropped
//   begin                  the owner begins the next launch generation on the gate
//   prove:no relaunch:no clear:no   the next call of that closure answers no
//   hold[:prove|:clear]  held  release
//                          the next relaunch (proof, clearing) waits; wait until it does; let it go on
//   mark                   a marker in the log
class Owner : public QObject {
    Q_OBJECT
public:
    Owner() {
        watch = std::make_unique<SidecarWatch>(
            gate, [this] { return running; },
            [this]() -> QCoro::Task<bool> {
                calls.append(QStringLiteral("prove"));
                const bool proven = take(proveNo);
                co_await waitIfHeld(Hold::prove);
                co_return proven;
            },
            [this](std::optional<QString> service, int port) -> QCoro::Task<bool> {
                calls.append(QStringLiteral("clear(%1,%2)").arg(service.value_or(QStringLiteral("-"))).arg(port));
                const bool cleared = take(clearNo);
                co_await waitIfHeld(Hold::clear);
                co_return cleared;
            },
            [this]() -> QCoro::Task<bool> {
                calls.append(QStringLiteral("relaunch"));
                gate->begin(gate->generation() + 1);
                const bool launched = take(relaunchNo);
                co_await waitIfHeld(Hold::relaunch);
                if (launched) {
                    running = true;
                    provenUp();
                }
                co_return launched;
            },
            5ms, [this] { return clock; });
        watch->setOnLinkChange([this] { changes.append(linkName(watch->link())); });
    }

    void step(const QString& text) {
        const QStringList parts = text.split(QLatin1Char(':'));
        const QString& verb = parts.at(0);
        if (verb == "ready") {
            provenUp();
        } else if (verb == "remember") {
            Status status;
            status.proxyPort = 48080;
            if (parts.size() == 3) {
                status.sysproxy.service = parts.at(1);
                status.proxyPort = parts.at(2).toInt();
            }
            watch->remember(status);
        } else if (verb == "fail") {
            watch->pollFailed();
        } else if (verb.startsWith('+')) {
            clock += seconds(verb.mid(1).toDouble());
        } else if (verb == "exit") {
            running = false;
            watch->sidecarExited();
        } else if (verb == "dies") {
            running = false;
        } else if (verb == "poll") {
            logAnswer("poll", QCoro::waitFor(watch->beforePoll()));
        } else if (verb == "poll&") {
            pending = std::make_unique<QCoro::Task<bool>>(watch->beforePoll());
        } else if (verb == "await") {
            QVERIFY(pending);
            logAnswer("poll", QCoro::waitFor(std::move(*pending)));
            pending.reset();
        } else if (verb == "stop") {
            QCoro::waitFor(watch->stopNow());
        } else if (verb == "stop&") {
            pendingStop = std::make_unique<QCoro::Task<>>(watch->stopNow());
        } else if (verb == "stopped") {
            QVERIFY(pendingStop);
            QCoro::waitFor(std::move(*pendingStop));
            pendingStop.reset();
        } else if (verb == "cancel") {
            watch->cancelRelaunch();
        } else if (verb == "restart") {
            logAnswer("restart", QCoro::waitFor(watch->restart()));
        } else if (verb == "proof") {
            gate->proven(Clock::now() - seconds(parts.at(1).toDouble()));
        } else if (verb == "revoke") {
            gate->revoke();
        } else if (verb == "begin") {
            gate->begin(gate->generation() + 1);
        } else if (verb == "prove") {
            proveNo = true;
        } else if (verb == "relaunch") {
            relaunchNo = true;
        } else if (verb == "clear") {
            clearNo = true;
        } else if (verb == "hold") {
            const QString what = parts.value(1);
            hold = what == "prove" ? Hold::prove : what == "clear" ? Hold::clear : Hold::relaunch;
        } else if (verb == "held") {
            QTRY_VERIFY(holding);
        } else if (verb == "release") {
            QVERIFY(holding);
            Q_EMIT released();
        } else if (verb == "mark") {
            calls.append(QStringLiteral("mark"));
        } else {
            QFAIL(qPrintable("unknown step " + text));
        }
    }

    std::shared_ptr<ProofGate> gate = std::make_shared<ProofGate>();
    std::unique_ptr<SidecarWatch> watch;
    Time clock = timeFromSeconds(2'000'000'000.0); // far from the system clock on purpose
    bool running = true;
    bool proveNo = false;
    bool relaunchNo = false;
    bool clearNo = false;
    enum class Hold { none, relaunch, prove, clear };
    Hold hold = Hold::none;
    bool holding = false;
    std::unique_ptr<QCoro::Task<bool>> pending;
    std::unique_ptr<QCoro::Task<>> pendingStop;
    QStringList calls;
    QStringList changes;

Q_SIGNALS:
    void released();

private:
    QCoro::Task<> waitIfHeld(Hold closure) {
        if (hold != closure) {
            co_return;
        }
        hold = Hold::none;
        holding = true;
        co_await qCoro(this, &Owner::released);
        holding = false;
    }
    static bool take(bool& no) {
        const bool answer = !no;
        no = false;
        return answer;
    }
    void provenUp() {
        gate->proven(Clock::now());
        if (watch) {
            watch->ready();
        }
    }
    void logAnswer(const char* what, bool answer) {
        calls.append(QLatin1String(what) + (answer ? QLatin1String(":yes") : QLatin1String(":no")));
    }
};

} // namespace

class SidecarWatchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scenarios_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("stuck");
        QTest::addColumn<bool>("proven");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("changes"); // the link after each onLinkChange

        using L = QStringList;
        // clang-format off
        // Failed polls.
        QTest::newRow("two failed polls keep trusted")
            << "ready +1 fail fail" << "trusted" << false << true << L{} << L{"trusted"};
        QTest::newRow("the third failed poll demotes")
            << "ready +1 fail fail fail" << "checking" << false << true << L{} << L{"trusted", "checking"};
        QTest::newRow("a good poll starts the count again")
            << "ready fail fail remember fail fail" << "trusted" << false << true << L{} << L{"trusted"};
        QTest::newRow("one failure 10 s after the last success demotes")
            << "ready +10 fail" << "checking" << false << true << L{} << L{"trusted", "checking"};
        QTest::newRow("one failure 9.9 s after the last success does not")
            << "ready +9.9 fail" << "trusted" << false << true << L{} << L{"trusted"};
        QTest::newRow("the window counts from the last good poll")
            << "ready +8 remember +8 fail" << "trusted" << false << true << L{} << L{"trusted"};
        QTest::newRow("failed polls while checking only count")
            << "fail fail fail +20 fail" << "checking" << false << false << L{} << L{};

        // The proof before each poll, aged on the system clock.
        QTest::newRow("a proof 20 s old stands")
            << "ready proof:20 poll" << "trusted" << false << true << L{"poll:yes"} << L{"trusted"};
        QTest::newRow("a proof exactly 30 s old is renewed before the poll")
            << "ready proof:30 poll" << "trusted" << false << true << L{"prove", "poll:yes"} << L{"trusted"};
        QTest::newRow("no proof: proved before the poll")
            << "ready revoke poll" << "trusted" << false << true << L{"prove", "poll:yes"} << L{"trusted"};
        QTest::newRow("a failed proof skips the poll and drops the proof")
            << "ready proof:30 prove:no poll" << "trusted" << false << false << L{"prove", "poll:no"} << L{"trusted"};
        QTest::newRow("a failed proof counts as a failed poll")
            << "ready fail fail proof:30 prove:no poll" << "checking" << false << false << L{"prove", "poll:no"}
            << L{"trusted", "checking"};
        // A new launch generation begins while a proof is under way: the proof was of the
        // replaced process and says nothing, good or bad, about its successor.
        QTest::newRow("a proof begun for a replaced launch does not open the gate")
            << "ready revoke hold:prove poll& held begin release await" << "trusted" << false << false
            << L{"prove", "poll:no"} << L{"trusted"};
        QTest::newRow("a failed proof for a replaced launch is no failed poll")
            << "ready fail fail revoke prove:no hold:prove poll& held begin release await" << "trusted" << false
            << false << L{"prove", "poll:no"} << L{"trusted"};
        QTest::newRow("a failed proof for a replaced launch leaves its successor proven")
            << "ready revoke prove:no hold:prove poll& held begin ready release await" << "trusted" << false << true
            << L{"prove", "poll:no"} << L{"trusted"};
        // The process ends while its proof is under way: a late yes must not vouch for whatever
        // listens on the port next.
        QTest::newRow("a proof that ends after its process exited does not open the gate")
            << "ready revoke hold:prove poll& held exit release await" << "checking" << false << false
            << L{"prove", "poll:no"} << L{"trusted", "checking"};
        QTest::newRow("a proof that ends after its process died unreported does not open the gate")
            << "ready revoke hold:prove poll& held dies release await" << "trusted" << false << false
            << L{"prove", "poll:no"} << L{"trusted"};
        QTest::newRow("a renewed proof is no good poll")
            << "ready +9 proof:30 poll +1 fail" << "checking" << false << true << L{"prove", "poll:yes"}
            << L{"trusted", "checking"};

        // The process ends.
        QTest::newRow("an exit demotes and drops the proof")
            << "ready exit" << "checking" << false << false << L{} << L{"trusted", "checking"};
        QTest::newRow("death: restarting, relaunched after the back-off")
            << "ready exit poll& mark await" << "trusted" << false << true << L{"mark", "relaunch", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted"};
        QTest::newRow("death found by the poll alone")
            << "ready dies poll" << "trusted" << false << true << L{"relaunch", "poll:no"}
            << L{"trusted", "restarting", "trusted"};
        QTest::newRow("second death 299 s into health stops and clears")
            << "ready remember:Wi-Fi:48081 exit poll remember:Wi-Fi:48081 +299 remember:Wi-Fi:48081 exit poll"
            << "stopped" << false << false << L{"relaunch", "poll:no", "clear(Wi-Fi,48081)", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted", "checking", "stopped"};
        QTest::newRow("second death 300 s into health relaunches again")
            << "ready remember:Wi-Fi:48081 exit poll remember:Wi-Fi:48081 +300 remember:Wi-Fi:48081 exit poll"
            << "trusted" << false << true << L{"relaunch", "poll:no", "relaunch", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted", "checking", "restarting", "trusted"};
        QTest::newRow("health counts from the first good poll after the relaunch")
            << "ready exit poll +100 remember +250 remember exit poll" << "stopped" << false << false
            << L{"relaunch", "poll:no", "clear(-,48080)", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted", "checking", "stopped"};
        QTest::newRow("a failed poll restarts the 300 s count")
            << "ready exit poll remember +200 fail remember +200 remember exit poll" << "stopped" << false << false
            << L{"relaunch", "poll:no", "clear(-,48080)", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted", "checking", "trusted", "checking", "stopped"};
        QTest::newRow("after a failed poll, 300 s of health are enough again")
            << "ready exit poll remember +200 fail remember +300 remember exit poll" << "trusted" << false << true
            << L{"relaunch", "poll:no", "relaunch", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted", "checking", "trusted", "checking", "restarting",
                 "trusted"};
        QTest::newRow("a failed relaunch stops for good")
            << "ready exit relaunch:no poll" << "stopped" << false << false
            << L{"relaunch", "clear(-,48080)", "poll:no"} << L{"trusted", "checking", "restarting", "stopped"};
        QTest::newRow("while stopped a dead process is left alone")
            << "stop exit poll" << "stopped" << false << false << L{"clear(-,48080)", "poll:no"} << L{"stopped"};

        // Stops and cancels reaching a relaunch that waits.
        QTest::newRow("stopNow during the back-off: the relaunch never runs")
            << "ready exit poll& stop await" << "stopped" << false << false << L{"clear(-,48080)", "poll:no"}
            << L{"trusted", "checking", "restarting", "stopped"};
        QTest::newRow("cancelRelaunch during the back-off")
            << "ready exit poll& cancel await" << "restarting" << false << false << L{"poll:no"}
            << L{"trusted", "checking", "restarting"};
        QTest::newRow("stopNow during the relaunch: its failure stops nothing twice")
            << "ready exit hold relaunch:no poll& held stop release await" << "stopped" << false << false
            << L{"relaunch", "clear(-,48080)", "poll:no"} << L{"trusted", "checking", "restarting", "stopped"};
        QTest::newRow("cancelRelaunch during the relaunch: its failure is ignored")
            << "ready exit hold relaunch:no poll& held cancel release await" << "restarting" << false << false
            << L{"relaunch", "poll:no"} << L{"trusted", "checking", "restarting"};

        // A stop or a user restart while a proof is under way. The user stopped the gateway, so a
        // proof that ends after the stop counts for nothing and the poll does not go ahead; a
        // restart began a new launch generation, of which the proof says nothing.
        QTest::newRow("stopNow while a proof is pending")
            << "ready revoke hold:prove poll& held stop release await" << "stopped" << false << false
            << L{"prove", "clear(-,48080)", "poll:no"} << L{"trusted", "stopped"};
        QTest::newRow("stopNow while a proof is pending that then fails")
            << "ready revoke prove:no hold:prove poll& held stop release await" << "stopped" << false << false
            << L{"prove", "clear(-,48080)", "poll:no"} << L{"trusted", "stopped"};
        QTest::newRow("a user restart while a proof is pending")
            << "ready revoke hold:prove poll& held restart release await" << "trusted" << false << true
            << L{"prove", "relaunch", "restart:yes", "poll:no"} << L{"trusted", "checking", "trusted"};
        QTest::newRow("a failed user restart while a proof is pending")
            << "ready revoke hold:prove poll& held relaunch:no restart release await" << "stopped" << false << false
            << L{"prove", "relaunch", "restart:no", "poll:no"} << L{"trusted", "checking", "stopped"};

        // Stopped stays stopped until the user restarts or a new launch is ready.
        QTest::newRow("a good poll after a stop leaves it stopped")
            << "ready remember:Wi-Fi:48081 stop remember" << "stopped" << false << false
            << L{"clear(Wi-Fi,48081)"} << L{"trusted", "stopped"};
        QTest::newRow("no proof and no poll while stopped")
            << "ready stop poll" << "stopped" << false << false << L{"clear(-,48080)", "poll:no"}
            << L{"trusted", "stopped"};
        QTest::newRow("no proof and no poll while a stop clears the proxies")
            << "ready hold:clear stop& held poll release stopped" << "stopped" << false << false
            << L{"clear(-,48080)", "poll:no"} << L{"trusted", "stopped"};
        QTest::newRow("a user restart leaves stopped")
            << "ready stop remember restart remember" << "trusted" << false << true
            << L{"clear(-,48080)", "relaunch", "restart:yes"} << L{"trusted", "stopped", "checking", "trusted"};

        // Stopping and the stuck proxy.
        QTest::newRow("the first stopNow clears with no service and port 48080")
            << "stop" << "stopped" << false << false << L{"clear(-,48080)"} << L{"stopped"};
        QTest::newRow("clearProxy answering no leaves the proxy stuck")
            << "ready clear:no stop" << "stopped" << true << false << L{"clear(-,48080)"} << L{"trusted", "stopped"};
        QTest::newRow("stuck through a late good poll and a failed user restart")
            << "clear:no stop remember relaunch:no restart" << "stopped" << true << false
            << L{"clear(-,48080)", "relaunch", "restart:no"} << L{"stopped", "checking", "stopped"};
        QTest::newRow("stuck until ready")
            << "clear:no stop ready" << "trusted" << false << true << L{"clear(-,48080)"} << L{"stopped", "trusted"};

        // User restarts.
        QTest::newRow("a user restart")
            << "ready restart" << "trusted" << false << true << L{"relaunch", "restart:yes"}
            << L{"trusted", "checking", "trusted"};
        QTest::newRow("a failed user restart stops without clearing")
            << "ready relaunch:no restart" << "stopped" << false << false << L{"relaunch", "restart:no"}
            << L{"trusted", "checking", "stopped"};
        QTest::newRow("a user restart does not give the automatic relaunch back")
            << "ready exit poll restart exit poll" << "stopped" << false << false
            << L{"relaunch", "poll:no", "relaunch", "restart:yes", "clear(-,48080)", "poll:no"}
            << L{"trusted", "checking", "restarting", "trusted", "checking", "trusted", "checking", "stopped"};

        QTest::newRow("onLinkChange only on real changes")
            << "ready ready remember fail remember" << "trusted" << false << true << L{} << L{"trusted"};
        // clang-format on
    }
    void scenarios() {
        QFETCH(QString, steps);
        QFETCH(QString, link);
        QFETCH(bool, stuck);
        QFETCH(bool, proven);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, changes);

        Owner owner;
        QSignalSpy linkChanged(owner.watch.get(), &SidecarWatch::linkChanged);
        QCOMPARE(owner.watch->link(), SidecarLink::checking);
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            owner.step(step);
            if (QTest::currentTestFailed()) {
                qWarning("at step %s", qPrintable(step));
                return;
            }
        }
        QVERIFY(!owner.pending);
        QCOMPARE(linkName(owner.watch->link()), link);
        QCOMPARE(owner.watch->proxyStuck(), stuck);
        QCOMPARE(owner.gate->holds(), proven);
        QCOMPARE(owner.calls, calls);
        QCOMPARE(owner.changes, changes);
        QStringList signalled;
        for (const QList<QVariant>& arguments : std::as_const(linkChanged)) {
            signalled.append(linkName(arguments.at(0).value<SidecarLink>()));
        }
        QCOMPARE(signalled, changes);
    }

    void proxyTargetFollowsTheLastGoodPoll() {
        Owner owner;
        QCOMPARE(owner.watch->proxyTarget(), (SidecarWatch::ProxyTarget{std::nullopt, 48080}));
        owner.step("remember:Wi-Fi:48081");
        QCOMPARE(owner.watch->proxyTarget(), (SidecarWatch::ProxyTarget{QStringLiteral("Wi-Fi"), 48081}));
        owner.step("remember");
        QCOMPARE(owner.watch->proxyTarget(), (SidecarWatch::ProxyTarget{std::nullopt, 48080}));
    }

    // A relaunch of the owner's own notes the epoch before it waits; a stop or cancel while it
    // waits must show as a changed epoch, whatever else happens meanwhile.
    void relaunchEpochMovesWithEveryStopAndCancel() {
        Owner owner;
        const qint64 first = owner.watch->relaunchEpoch();
        owner.step("ready");
        owner.step("remember");
        owner.step("restart");
        QCOMPARE(owner.watch->relaunchEpoch(), first);
        owner.step("cancel");
        const qint64 afterCancel = owner.watch->relaunchEpoch();
        QVERIFY(afterCancel != first);
        owner.step("stop");
        QVERIFY(owner.watch->relaunchEpoch() != afterCancel);
    }

    // The owner may let go of the watch while a relaunch is under way.
    void watchGoneDuringTheRelaunch() {
        Owner owner;
        for (const char* step : {"ready", "exit", "hold", "relaunch:no", "poll&", "held"}) {
            owner.step(QString::fromLatin1(step));
        }
        owner.watch.reset();
        Q_EMIT owner.released();
        QCOMPARE(QCoro::waitFor(std::move(*owner.pending)), false);
        QCOMPARE(owner.calls, QStringList{"relaunch"});
    }

    // The owner may let go of the watch while a proof or a proxy clearing is under way: what is
    // suspended then ends without touching the watch, and no link change is reported any more.
    void watchGoneWhileAClosureIsHeld_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("during a proof") << "ready revoke hold:prove poll& held" << QStringList{"prove"};
        QTest::newRow("during the clearing of an automatic stop")
            << "ready exit poll remember exit hold:clear poll& held"
            << QStringList{"relaunch", "poll:no", "clear(-,48080)"};
        QTest::newRow("during the clearing of stopNow")
            << "ready hold:clear stop& held" << QStringList{"clear(-,48080)"};
    }
    void watchGoneWhileAClosureIsHeld() {
        QFETCH(QString, steps);
        QFETCH(QStringList, calls);
        Owner owner;
        for (const QString& step : steps.split(QLatin1Char(' '))) {
            owner.step(step);
            QVERIFY2(!QTest::currentTestFailed(), qPrintable(step));
        }
        const QStringList changes = owner.changes;
        owner.watch.reset();
        Q_EMIT owner.released();
        if (owner.pending) {
            QCOMPARE(QCoro::waitFor(std::move(*owner.pending)), false);
        }
        if (owner.pendingStop) {
            QCoro::waitFor(std::move(*owner.pendingStop));
        }
        QCOMPARE(owner.calls, calls);
        QCOMPARE(owner.changes, changes);
        QVERIFY(!owner.gate->holds());
    }
};

QTEST_GUILESS_MAIN(SidecarWatchTest)
#include "tst_sidecarwatch.moc"
