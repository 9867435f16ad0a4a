// The supervision watch over a real stand-in gateway (tests/fakegateway), found through the
// runtime lookup in a temporary checkout, with its closures wired the way the application wires
// them and the desktop proxy settings on the GSettings keyfile backend in a temporary
// configuration folder (set up in main, before GIO is first used).

#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/supervision/SidecarProcess.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "FernholmKit/supervision/SystemProxyCleaner.h"
#include "support/DesktopProxySettings.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <QCoroTask>
#include <QCoroTimer>

#include <memory>
#include <vector>

#include <signal.h>
#include <sys/types.h>

using namespace fernholm;
using namespace fernholm::test;
using namespace std::chrono_literals;

namespace {

// The proxy port the stand-in reports in its status; not the watch's default, so a clear with
// that default would leave the desktop pointing at the dead gateway.
constexpr int gatewayProxyPort = 48181;
static_assert(gatewayProxyPort != SidecarWatch::defaultProxyPort);

// Real launches, possibly under a sanitizer on a busy machine: more than a relaunch's whole
// readiness wait. (A wait that fails goes on for twice as long again before it reports.)
constexpr int patienceMs = 30'000;

QCoro::Task<bool> clearSystemProxy(std::optional<QString> service, int port, std::optional<QString> parked) {
    const SystemProxyCleaner::Result result =
        co_await SystemProxyCleaner::clearAsync(std::move(service), port, std::move(parked));
    co_return result.ok();
}

// Plays the application's side of supervision: one control token for the whole run, one
// process per launch with a launch generation of its own, the watch's closures, and a poll loop
// that asks the watch before every status poll.
class GatewayOwner : public QObject {
    Q_OBJECT
public:
    static constexpr Seconds readyTimeout{20.0};
    static constexpr Seconds proofTimeout{3.0};
    static constexpr Seconds terminateGrace{5.0};
    static constexpr std::chrono::milliseconds backoff{100};
    static constexpr std::chrono::milliseconds pollPeriod{100};

    GatewayOwner(Runtime runtime, int port, Environment environment, QString token)
        : m_runtime(std::move(runtime)), m_port(port), m_environment(std::move(environment)), m_token(std::move(token)),
          m_client(m_port, m_token, gate) {
        watch = std::make_unique<SidecarWatch>(
            gate, [this] { return m_sidecar && m_sidecar->isRunning(); },
            [this] {
                ++proofs;
                return SidecarProcess::answersAsOurs(m_port, m_token, proofTimeout);
            },
            [this](std::optional<QString> service, int proxyPort) {
                cleared.append(service.value_or(QStringLiteral("-")) + QLatin1Char(':') + QString::number(proxyPort));
                return clearSystemProxy(std::move(service), proxyPort, parkedFile());
            },
            [this] { return relaunchSidecar(); }, backoff);
        watch->setOnLinkChange([this] { links.append(linkName(watch->link())); });
    }

    // The first launch; once it has proved itself, polling begins.
    QCoro::Task<SidecarState> start() {
        SidecarProcess* process = makeSidecar();
        const SidecarState state = co_await process->start(readyTimeout);
        states.append(state);
        if (state == SidecarState::ready()) {
            gate->proven(Clock::now());
            watch->ready();
            m_loop = std::make_unique<QCoro::Task<>>(pollLoop());
        }
        co_return state;
    }

    void stopPolling() { m_stopPolling = true; }
    bool polling() const { return m_loop && !m_loop->isReady(); }

    const std::vector<std::unique_ptr<SidecarProcess>>& launched() const { return m_launched; }
    qint64 generation() const { return m_generation; }

    const std::shared_ptr<ProofGate> gate = std::make_shared<ProofGate>();
    std::unique_ptr<SidecarWatch> watch;

    QStringList links;   // the link after each change
    QStringList cleared; // "service:port" of each clearProxy call, "-" for no service
    QList<SidecarState> states;
    int proofs = 0;
    int relaunches = 0;
    int goodPolls = 0;
    int failedPolls = 0;

private:
    SidecarProcess* makeSidecar() {
        auto process = std::make_unique<SidecarProcess>(m_runtime, m_port, m_environment, std::nullopt, m_token);
        const qint64 generation = ++m_generation;
        gate->begin(generation);
        // Only the exit of the current process concerns the watch; an older one's changes nothing.
        process->onExit = [this, generation] {
            gate->revoke(generation);
            if (generation == m_generation) {
                watch->sidecarExited();
            }
        };
        m_sidecar = process.get();
        m_launched.push_back(std::move(process));
        return m_sidecar;
    }

    std::optional<QString> parkedFile() const {
        return QDir(m_runtime.workingDir).filePath(QStringLiteral("_proxy_parked.json"));
    }

    QCoro::Task<bool> relaunchSidecar() {
        ++relaunches;
        if (m_sidecar && m_sidecar->isRunning()) {
            co_await m_sidecar->terminate(terminateGrace);
        }
        SidecarProcess* process = makeSidecar();
        const SidecarState state = co_await process->start(readyTimeout);
        states.append(state);
        if (state != SidecarState::ready()) {
            co_return false;
        }
        gate->proven(Clock::now());
        watch->ready();
        co_return true;
    }

    // True when the gateway has stopped for good and polling ends.
    QCoro::Task<bool> pollOnce() {
        const bool mayPoll = co_await watch->beforePoll();
        if (!mayPoll) {
            co_return watch->link() == SidecarLink::stopped;
        }
        const Result<Status> status = co_await m_client.status();
        if (status.ok()) {
            ++goodPolls;
            watch->remember(status.value());
        } else {
            ++failedPolls;
            watch->pollFailed();
        }
        co_return false;
    }

    QCoro::Task<> pollLoop() {
        const QPointer<GatewayOwner> self(this);
        while (self && !m_stopPolling) {
            const bool stopped = co_await pollOnce();
            if (!self || stopped) {
                co_return;
            }
            co_await QCoro::sleepFor(pollPeriod);
        }
    }

    const Runtime m_runtime;
    const int m_port;
    const Environment m_environment;
    const QString m_token;
    const GatewayClient m_client;
    std::vector<std::unique_ptr<SidecarProcess>> m_launched;
    SidecarProcess* m_sidecar = nullptr;
    qint64 m_generation = 0;
    std::unique_ptr<QCoro::Task<>> m_loop;
    bool m_stopPolling = false;
};

} // namespace

class WatchSupervisionTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<GatewayOwner> m_owner;
    QString m_dump;

    // The process id the stand-in gateway launched last wrote down, or 0.
    qint64 dumpedPid() const {
        QFile file(m_dump);
        if (!file.open(QIODevice::ReadOnly)) {
            return 0;
        }
        return QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("pid")).toInteger();
    }

private Q_SLOTS:
    void initTestCase() {
        // Never the desktop's real settings.
        verifyDesktopProxyTestSetup();
    }

    void init() {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_dump = m_temp->filePath(QStringLiteral("dump.json"));

        // A checkout whose interpreter is the stand-in gateway.
        const QString repo = m_temp->filePath(QStringLiteral("repo"));
        QVERIFY(QDir().mkpath(repo + QStringLiteral("/.venv/bin")));
        QVERIFY(QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), repo + QStringLiteral("/.venv/bin/python")));

        Environment environment = SidecarProcess::currentEnvironment();
        environment.insert(QStringLiteral("TARVINE_REPO"), repo);
        environment.insert(QStringLiteral("FAKE_GW_DUMP"), m_dump);
        environment.insert(QStringLiteral("FAKE_GW_PROXY_PORT"), QString::number(gatewayProxyPort));
        const auto runtime = SidecarProcess::resolveRuntime(environment, std::nullopt, QString(), QString());
        QVERIFY(runtime);
        QCOMPARE(runtime->kind, RuntimeKind::repoVenv);

        const auto token = GatewayClient::makeToken();
        QVERIFY(token);
        m_owner = std::make_unique<GatewayOwner>(*runtime, fernholm::test::freeLoopbackPort(), environment, *token);
    }

    void cleanup() {
        // Never leave the poll loop, or a relaunch inside it, running against a dead owner.
        if (m_owner) {
            m_owner->stopPolling();
            QTRY_VERIFY_WITH_TIMEOUT(!m_owner->polling(), patienceMs);
        }
        m_owner.reset();
        m_temp.reset();
    }

    void relaunchedOnceThenStoppedWithTheProxyPutBack() {
        GatewayOwner& owner = *m_owner;
        SidecarWatch& watch = *owner.watch;
        // The gateway took over the desktop's proxy before it died.
        const DesktopProxy ours = DesktopProxy::manual(gatewayProxyPort);
        storeDesktopProxy(ours);
        QCOMPARE(loadDesktopProxy(), ours);

        QCOMPARE(QCoro::waitFor(owner.start()), SidecarState::ready());
        QCOMPARE(watch.link(), SidecarLink::trusted);
        QTRY_VERIFY_WITH_TIMEOUT(owner.goodPolls >= 1, patienceMs);
        QVERIFY(!watch.proxyTarget().service);
        QCOMPARE(watch.proxyTarget().port, gatewayProxyPort);
        const qint64 firstPid = dumpedPid();
        QVERIFY(firstPid > 0);

        // A proof that the control client dropped is renewed through the identity proof, and
        // polling goes on.
        QCOMPARE(owner.proofs, 0);
        owner.gate->revoke();
        QTRY_VERIFY_WITH_TIMEOUT(owner.proofs >= 1 && owner.gate->holds(), patienceMs);
        int polls = owner.goodPolls;
        QTRY_VERIFY_WITH_TIMEOUT(owner.goodPolls > polls, patienceMs);
        QCOMPARE(owner.links, QStringList{"trusted"});

        // The first death: one relaunch after the back-off, a new process that proves itself
        // with the same token under a new launch generation.
        QCOMPARE(::kill(static_cast<pid_t>(firstPid), SIGKILL), 0);
        const QStringList relaunched{"trusted", "checking", "restarting", "trusted"};
        QTRY_COMPARE_WITH_TIMEOUT(owner.links, relaunched, patienceMs);
        QCOMPARE(owner.relaunches, 1);
        const QList<SidecarState> bothReady{SidecarState::ready(), SidecarState::ready()};
        QCOMPARE(owner.states, bothReady);
        QCOMPARE(owner.launched().size(), size_t(2));
        QVERIFY(!owner.launched().front()->isRunning());
        QVERIFY(owner.launched().back()->isRunning());
        QCOMPARE(owner.generation(), qint64(2));
        QCOMPARE(owner.gate->generation(), qint64(2));
        QVERIFY(owner.gate->holds());
        const qint64 secondPid = dumpedPid();
        QVERIFY(secondPid > 0);
        QVERIFY(secondPid != firstPid);
        polls = owner.goodPolls;
        QTRY_VERIFY_WITH_TIMEOUT(owner.goodPolls > polls, patienceMs);
        QCOMPARE(watch.link(), SidecarLink::trusted);
        QVERIFY(owner.cleared.isEmpty());
        QCOMPARE(loadDesktopProxy(), ours);

        // The second death, well inside the healthy stretch: no second relaunch; supervision
        // stops and the desktop proxy no longer points at the gateway.
        QCOMPARE(::kill(static_cast<pid_t>(secondPid), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!owner.polling(), patienceMs);
        const QStringList stopped{"trusted", "checking", "restarting", "trusted", "checking", "stopped"};
        QCOMPARE(owner.links, stopped);
        QCOMPARE(watch.link(), SidecarLink::stopped);
        QVERIFY(!watch.proxyStuck());
        QCOMPARE(owner.relaunches, 1);
        QCOMPARE(owner.launched().size(), size_t(2));
        QVERIFY(!owner.launched().back()->isRunning());
        QVERIFY(!owner.gate->holds());
        QCOMPARE(owner.cleared, QStringList{"-:" + QString::number(gatewayProxyPort)});

        DesktopProxy off;
        off.httpPort = off.httpsPort = gatewayProxyPort;
        QCOMPARE(loadDesktopProxy(), off);
    }
};

int main(int argc, char** argv) {
    return fernholm::test::runWithKeyfileSettings<WatchSupervisionTest>(argc, argv);
}

#include "tst_watchsupervision.moc"
