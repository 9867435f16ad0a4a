// Launches the stand-in gateway (tests/fakegateway) through the real lookup paths.
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/supervision/SidecarProcess.h"
#include "FernholmKit/Version.h"
#include "support/KitPrinters.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QCoroTask>
#include <QCoroTimer>

#include <csignal>
#include <memory>

using namespace fernholm;
using namespace std::chrono_literals;

namespace {

using PortProbe = SidecarProcess::PortProbe;

const QString token = QStringLiteral("c0ffee0123456789abcdef0123456789abcdef0123456789abcdef0123456789");

QByteArray dataKey() {
    QByteArray key;
    for (int i = 0; i < 32; ++i) {
        key.append(static_cast<char>(0xe0 + i % 16 + (i < 16 ? 0 : -0x60)));
    }
    return key;
}

void placeFake(const QString& path) {
    if (QFileInfo(path).isSymLink()) {
        return;
    }
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), path));
}

PortProbe neverProven(int* calls = nullptr) {
    return [calls](int) -> QCoro::Task<bool> {
        if (calls) {
            ++*calls;
        }
        co_return false;
    };
}

SidecarState startAndWait(SidecarProcess& process, Seconds timeout, SidecarProcess::PortProbe probe = {}) {
    return QCoro::waitFor(process.start(timeout, std::move(probe)));
}

void stop(SidecarProcess& process) {
    QCoro::waitFor(process.terminate(2s));
    QVERIFY(!process.isRunning());
}

} // namespace

class SidecarLaunchTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    QString m_dump;
    int m_port = 0;

    QString at(QString path) const { return path.replace(QLatin1Char('@'), m_temp->path()); }

    // A checkout at @/repo whose interpreter is the stand-in gateway.
    Runtime checkout() {
        placeFake(at("@/repo/.venv/bin/python"));
        const auto runtime = SidecarProcess::resolveRuntime({{"TARVINE_REPO", at("@/repo")}}, std::nullopt, {}, {});
        return runtime.value_or(Runtime{});
    }

    // An installed build at @/inst whose shipped sidecar is the stand-in gateway.
    Runtime embedded() {
        placeFake(at("@/inst/share/tarvine/sidecar/sidecar"));
        const auto resources = SidecarProcess::installedResourceFolder(at("@/inst/bin/tarvine"));
        const auto runtime =
            SidecarProcess::resolveRuntime({{"XDG_DATA_HOME", at("@/xdg")}}, resources, at("@/inst/bin/tarvine"), {});
        return runtime.value_or(Runtime{});
    }

    Environment inherited(const Environment& more = {}) const {
        Environment env{
            {"PATH", "/usr/bin:/bin"},
            {"HOME", m_temp->path()},
            {"LANG", "C.UTF-8"},
            {"LC_ALL", "C.UTF-8"},
            {"USER", "tester"},
            {"INHERITED_MARKER", "inherited"},
            {"TARVINE_DATA_KEY", "inherited-key"},
            {"TARVINE_NO_BROWSER", "inherited"},
            {"FAKE_GW_DUMP", m_dump},
        };
        env.insert(more);
        return env;
    }

    std::unique_ptr<SidecarProcess> checkoutProcess(const Environment& faults, bool secrets = false) {
        return std::make_unique<SidecarProcess>(checkout(), m_port, inherited(faults),
                                                secrets ? std::optional(dataKey()) : std::nullopt,
                                                secrets ? std::optional(token) : std::nullopt);
    }

    // The stand-in writes its record just after it starts listening, and a connection to its
    // port may already count as ready: the record is waited for.
    QJsonObject dump() const {
        (void)QTest::qWaitFor([this] { return QFileInfo::exists(m_dump); }, 10000);
        QFile file(m_dump);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QJsonDocument::fromJson(file.readAll()).object();
    }

private Q_SLOTS:
    void init() {
        m_temp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_temp->isValid());
        m_dump = at("@/dump.json");
        m_port = fernholm::test::freeLoopbackPort();
    }

    void launchContract_data() {
        QTest::addColumn<bool>("isEmbedded");
        QTest::addColumn<bool>("secrets");
        QTest::newRow("checkout with secrets") << false << true;
        QTest::newRow("checkout without secrets") << false << false;
        QTest::newRow("embedded with secrets") << true << true;
        QTest::newRow("embedded without secrets") << true << false;
    }
    void launchContract() {
        QFETCH(bool, isEmbedded);
        QFETCH(bool, secrets);
        Runtime runtime = isEmbedded ? embedded() : checkout();
        QCOMPARE(runtime.kind, isEmbedded ? RuntimeKind::embedded : RuntimeKind::repoVenv);
        const Environment extras{
            {"FAKE_GW_DUMP", m_dump},
            {"EXTRA_MARKER", "extra"},
            {"TARVINE_DATA_KEY", "extra-key"},
            {"TARVINE_NO_BROWSER", "extra"},
        };
        runtime.extraEnv.insert(extras);
        const Environment parent = inherited();

        SidecarProcess process(runtime, m_port, parent, secrets ? std::optional(dataKey()) : std::nullopt,
                               secrets ? std::optional(token) : std::nullopt);
        QCOMPARE(startAndWait(process, 10s), SidecarState::ready());
        QTRY_VERIFY(QFileInfo::exists(m_dump));
        const QJsonObject received = dump();
        stop(process);

        Environment expected = isEmbedded ? SidecarProcess::embeddedEnvironment(parent) : parent;
        if (isEmbedded) {
            QCOMPARE(expected.keys(), QStringList({"HOME", "LANG", "LC_ALL", "PATH", "USER"}));
        }
        expected.insert("TARVINE_APP_PORT", QString::number(m_port));
        expected.insert("TARVINE_NO_BROWSER", "1");
        expected.insert("TARVINE_APP_VERSION", QStringLiteral(FERNHOLM_APP_VERSION));
        expected.insert(runtime.extraEnv);
        expected.insert("TARVINE_DATA_KEY", "stdin");
        QVariantMap expectedMap;
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            expectedMap.insert(it.key(), it.value());
        }
        QCOMPARE(received.value("env").toObject().toVariantMap(), expectedMap);
        QCOMPARE(expected.value("TARVINE_NO_BROWSER"), QStringLiteral("extra"));

        const QString keyHex = QString::fromLatin1(dataKey().toHex());
        QCOMPARE(keyHex.size(), 64);
        const QString input = received.value("stdin").toString();
        QCOMPARE(input, secrets ? keyHex + "\n" + token + "\n" : QStringLiteral("\n\n"));

        const QStringList argv = received.value("argv").toVariant().toStringList();
        QCOMPARE(argv.mid(1), runtime.args);
        QCOMPARE(QFileInfo(received.value("cwd").toString()).canonicalFilePath(),
                 QFileInfo(runtime.workingDir).canonicalFilePath());

        // The secrets travel on standard input only.
        QStringList visible = argv;
        for (const QJsonValue& value : received.value("env").toObject()) {
            visible << value.toString();
        }
        visible << received.value("env").toObject().keys();
        for (const QString& text : visible) {
            QVERIFY2(!text.contains(keyHex, Qt::CaseInsensitive) && !text.contains(token), qPrintable(text));
        }
    }

    // The child starts in the checkout, so a root named relative to our current folder must not
    // be looked up again from there.
    void relativeCheckoutRootLaunches() {
        placeFake(at("@/repo/.venv/bin/python"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_temp->path()));
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        const auto runtime =
            SidecarProcess::resolveRuntime({{"TARVINE_REPO", "repo"}}, std::nullopt, {}, QDir::currentPath());
        QVERIFY(runtime);
        SidecarProcess process(*runtime, m_port, inherited(), dataKey(), token);
        QCOMPARE(startAndWait(process, 10s), SidecarState::ready());
        QCOMPARE(QFileInfo(dump().value("cwd").toString()).canonicalFilePath(),
                 QFileInfo(at("@/repo")).canonicalFilePath());
        stop(process);
    }

    void startOutcomes_data() {
        QTest::addColumn<QString>("layout"); // "fake", "missing", "plain file", "not a program" or "script"
        QTest::addColumn<Environment>("faults");
        QTest::addColumn<double>("timeout");
        QTest::addColumn<bool>("defaultProbe");     // else a probe that never answers yes
        QTest::addColumn<SidecarState>("expected"); // "@" in a reason: the temporary folder, "%port": the port
        QTest::addColumn<bool>("prefixOnly");

        const QString notFound = "python not found at @/repo/.venv/bin/python";
        QTest::newRow("no python") << "missing" << Environment{} << 5.0 << true << SidecarState::failed(notFound)
                                   << false;
        QTest::newRow("python not executable")
            << "plain file" << Environment{} << 5.0 << true << SidecarState::failed(notFound) << false;
        QTest::newRow("launch refused") << "not a program" << Environment{} << 5.0 << true
                                        << SidecarState::failed("failed to launch: ") << true;
        QTest::newRow("exits with 3") << "fake" << Environment{{"FAKE_GW_EXIT_CODE", "3"}} << 10.0 << false
                                      << SidecarState::exited(3) << false;
        QTest::newRow("exits without reading its input")
            << "script" << Environment{} << 10.0 << false << SidecarState::exited(5) << false;
        QTest::newRow("port in use") << "fake" << Environment{{"FAKE_GW_PORT_IN_USE", "1"}} << 10.0 << true
                                     << SidecarState::exited(1) << false;
        QTest::newRow("never listens") << "fake" << Environment{{"FAKE_GW_NEVER_LISTEN", "1"}} << 1.0 << true
                                       << SidecarState::failed("control port %port did not open within 1s") << false;
        QTest::newRow("wrong proof") << "fake" << Environment{{"FAKE_GW_WRONG_PROOF", "1"}} << 1.0 << true
                                     << SidecarState::failed("control port %port did not open within 1s") << false;
        QTest::newRow("proof later than the probe waits")
            << "fake" << Environment{{"FAKE_GW_SLOW_MS", "1700"}} << 1.0 << true
            << SidecarState::failed("control port %port did not open within 1s") << false;
        QTest::newRow("proof slow but in time")
            << "fake" << Environment{{"FAKE_GW_SLOW_MS", "300"}} << 10.0 << true << SidecarState::ready() << false;
        QTest::newRow("time-out 1.9 prints 1")
            << "fake" << Environment{{"FAKE_GW_NEVER_LISTEN", "1"}} << 1.9 << false
            << SidecarState::failed("control port %port did not open within 1s") << false;
    }
    void startOutcomes() {
        QFETCH(QString, layout);
        QFETCH(Environment, faults);
        QFETCH(double, timeout);
        QFETCH(bool, defaultProbe);
        QFETCH(SidecarState, expected);
        QFETCH(bool, prefixOnly);

        const QString python = at("@/repo/.venv/bin/python");
        if (layout == "fake") {
            placeFake(python);
        } else if (layout != "missing") {
            QVERIFY(QDir().mkpath(QFileInfo(python).absolutePath()));
            QFile file(python);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(layout == "script" ? "#!/bin/sh\nexit 5\n"
                                          : "\x7f"
                                            "ELF but not really\n");
            file.close();
            if (layout != "plain file") {
                QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther));
            }
        }
        expected.reason = at(expected.reason).replace("%port", QString::number(m_port));

        SidecarProcess process(SidecarProcess::checkoutRuntime(at("@/repo")), m_port, inherited(faults), dataKey(),
                               token);
        const SidecarState state = startAndWait(process, Seconds(timeout), defaultProbe ? PortProbe{} : neverProven());
        if (prefixOnly) {
            QCOMPARE(state.kind, expected.kind);
            QVERIFY2(state.reason.startsWith(expected.reason) && state.reason.size() > expected.reason.size(),
                     qPrintable(state.reason));
        } else {
            QCOMPARE(state, expected);
        }
        if (expected.kind != SidecarState::Kind::ready && expected.kind != SidecarState::Kind::failed) {
            QVERIFY(!process.isRunning());
        }
        if (faults.contains("FAKE_GW_PORT_IN_USE")) {
            QVERIFY2(process.stderrTail().contains("OSError: [Errno 98] Address already in use"),
                     qPrintable(process.stderrTail()));
        }
        stop(process);
    }

    void readyTimeOutOfZeroOrLessNeverProbes_data() {
        QTest::addColumn<double>("timeout");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0") << 0.0 << "0";
        QTest::newRow("-0.5") << -0.5 << "0";
        QTest::newRow("-2.7") << -2.7 << "-2";
    }
    void readyTimeOutOfZeroOrLessNeverProbes() {
        QFETCH(double, timeout);
        QFETCH(QString, shown);
        auto process = checkoutProcess({}, true);
        int probes = 0;
        const SidecarState state = startAndWait(*process, Seconds(timeout), neverProven(&probes));
        QCOMPARE(state, SidecarState::failed(
                            QStringLiteral("control port %1 did not open within %2s").arg(m_port).arg(shown)));
        QCOMPARE(probes, 0);
        QVERIFY(process->isRunning()); // the caller decides whether to stop it
        stop(*process);
    }

    void stderrTail_data() {
        QTest::addColumn<int>("fillerBytes"); // "x"
        QTest::addColumn<QString>("text");    // after the filler
        QTest::addColumn<QString>("expected");
        const QString lastLine = QStringLiteral("\nOSError: [Errno 98] Address already in use");
        QTest::newRow("short") << 0 << "one line\n"
                               << "one line\n";
        QTest::newRow("10,000 bytes keep the last 8192")
            << 9000 << QString(1000, 'y') << QString(7192, 'x') + QString(1000, 'y');
        // 10,043 bytes: the cut falls on the second byte of a two-byte character.
        QTest::newRow("cut inside a character")
            << 0 << QString(5000, QChar(0x0141)) + lastLine << QString(4074, QChar(0x0141)) + lastLine;
        // 8401 bytes: the cut leaves the last three bytes of a four-byte character in front.
        const QString key = QString::fromUtf8("\xF0\x9F\x94\x91");
        QTest::newRow("cut inside a four-byte character")
            << 0 << key.repeated(2100) + QStringLiteral("a") << key.repeated(2047) + QStringLiteral("a");
    }
    void stderrTail() {
        QFETCH(int, fillerBytes);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        auto process = checkoutProcess({{"FAKE_GW_STDERR_BYTES", QString::number(fillerBytes)},
                                        {"FAKE_GW_STDERR_TEXT", text},
                                        {"FAKE_GW_EXIT_CODE", "0"}});
        QCOMPARE(startAndWait(*process, 10s, neverProven()), SidecarState::exited(0));
        QTRY_COMPARE(process->stderrTail(), expected);
        QVERIFY(process->stderrTail().toUtf8().size() <= SidecarProcess::stderrTailLimit);
    }

    void terminateStopsTheChild_data() {
        QTest::addColumn<bool>("ignoresTerm");
        QTest::addColumn<double>("grace");
        QTest::newRow("ends on SIGTERM") << false << 10.0;
        QTest::newRow("ignores SIGTERM, killed after the grace") << true << 0.3;
    }
    void terminateStopsTheChild() {
        QFETCH(bool, ignoresTerm);
        QFETCH(double, grace);
        auto process = checkoutProcess(ignoresTerm ? Environment{{"FAKE_GW_IGNORE_SIGTERM", "1"}} : Environment{});
        int exits = 0;
        process->onExit = [&exits] {
            ++exits;
        };
        QCOMPARE(startAndWait(*process, 10s), SidecarState::ready());
        QVERIFY(process->isRunning());

        const auto asked = std::chrono::steady_clock::now();
        QCoro::waitFor(process->terminate(Seconds(grace)));
        const Seconds took = std::chrono::steady_clock::now() - asked;
        QVERIFY(!process->isRunning());
        if (ignoresTerm) {
            // The grace was honoured before the kill.
            QVERIFY2(took.count() >= grace, qPrintable(QString::number(took.count())));
        }
        QTRY_COMPARE(exits, 1);
    }

    void terminateWithoutAChildReturnsAtOnce() {
        auto unstarted = checkoutProcess({});
        QVERIFY(unstarted->terminate(5s).isReady());

        auto ended = checkoutProcess({{"FAKE_GW_EXIT_CODE", "0"}});
        QCOMPARE(startAndWait(*ended, 10s, neverProven()), SidecarState::exited(0));
        QVERIFY(ended->terminate(5s).isReady());
    }

    // The blocking stop: the child is gone, and its exit handled, by the time the call returns.
    void terminateNowBlocksUntilTheChildIsGone_data() {
        QTest::addColumn<bool>("ignoresTerm");
        QTest::addColumn<double>("grace");
        // An hour: a call that sat out the grace instead of returning once the child has gone would
        // run into the test's own time-out.
        QTest::newRow("ends on SIGTERM, long before the grace") << false << 3600.0;
        QTest::newRow("ignores SIGTERM, killed after the grace") << true << 0.3;
    }
    void terminateNowBlocksUntilTheChildIsGone() {
        QFETCH(bool, ignoresTerm);
        QFETCH(double, grace);
        auto process = checkoutProcess(ignoresTerm ? Environment{{"FAKE_GW_IGNORE_SIGTERM", "1"}} : Environment{});
        int exits = 0;
        process->onExit = [&exits] {
            ++exits;
        };
        QCOMPARE(startAndWait(*process, 10s), SidecarState::ready());
        const qint64 pid = dump().value(QLatin1String("pid")).toInteger();
        QVERIFY(pid > 0);

        const auto asked = std::chrono::steady_clock::now();
        process->terminateNow(Seconds(grace));
        const Seconds took = std::chrono::steady_clock::now() - asked;
        // No turn of the event loop in between.
        QVERIFY(!process->isRunning());
        QCOMPARE(exits, 1);
        QCOMPARE(::kill(static_cast<pid_t>(pid), 0), -1); // reaped
        if (ignoresTerm) {
            // The grace was honoured before the kill.
            QVERIFY2(took.count() >= grace, qPrintable(QString::number(took.count())));
        }

        process->terminateNow(Seconds(grace));
        QCOMPARE(exits, 1);
    }

    void terminateNowWithoutAChildDoesNothing() {
        auto unstarted = checkoutProcess({});
        unstarted->terminateNow(5s);
        QVERIFY(!unstarted->isRunning());

        auto ended = checkoutProcess({{"FAKE_GW_EXIT_CODE", "0"}});
        QCOMPARE(startAndWait(*ended, 10s, neverProven()), SidecarState::exited(0));
        // Returns at once: with a child to wait for, this grace would outlast the test's time-out.
        ended->terminateNow(1h);
        QVERIFY(!ended->isRunning());
    }

    void onExitIsTheOneSetAtLaunchAndRunsOnce() {
        auto process = checkoutProcess({{"FAKE_GW_EXIT_CODE", "4"}, {"FAKE_GW_EXIT_AFTER_MS", "300"}});
        int first = 0;
        int later = 0;
        process->onExit = [&first] {
            ++first;
        };
        auto starting = process->start(10s);
        process->onExit = [&later] {
            ++later;
        };
        QCOMPARE(QCoro::waitFor(std::move(starting)), SidecarState::ready());
        QTRY_VERIFY(!process->isRunning());
        QCOMPARE(first, 1);
        QCoro::waitFor(process->terminate(1s));
        QCOMPARE(first, 1);
        QCOMPARE(later, 0);
    }

    // The owner may let go of the process while it starts: the launch ends as abandoned, the
    // child goes with the object, and onExit is not called for it.
    void destroyedWhileStarting_data() {
        QTest::addColumn<bool>("duringProbe"); // else during the pause between two probes
        QTest::newRow("during a probe") << true;
        QTest::newRow("between two probes") << false;
    }
    void destroyedWhileStarting() {
        QFETCH(bool, duringProbe);
        auto process = checkoutProcess({}, true);
        int exits = 0;
        process->onExit = [&exits] {
            ++exits;
        };
        // Once the child listens, the process is let go of: at once, or once the probe has answered.
        bool letGo = false;
        const PortProbe probe = [&](int port) -> QCoro::Task<bool> {
            const bool listening = co_await SidecarProcess::portAccepts(port);
            if (listening && !letGo) {
                letGo = true;
                if (duringProbe) {
                    process.reset();
                } else {
                    QTimer::singleShot(0, this, [&process] { process.reset(); });
                }
            }
            co_return false;
        };
        QCOMPARE(startAndWait(*process, 10s, probe), SidecarState::failed("launch abandoned"));
        QVERIFY(!process);
        QCOMPARE(exits, 0);
        QVERIFY(!QCoro::waitFor(SidecarProcess::portAccepts(m_port)));
    }

    // The child answers its proof and ends before that answer is taken in, and another listener
    // takes the port: the launch is no success, and the bearer token goes nowhere.
    void proofFromAChildThatEndedIsNotReady() {
        auto process = checkoutProcess({{"FAKE_GW_EXIT_AFTER_HELLO", "1"}}, true);
        bool ended = false;
        process->onExit = [&ended] {
            ended = true;
        };
        fernholm::test::TestHttpServer other;
        bool answered = false;
        bool takenOver = false;
        const PortProbe probe = [&](int port) -> QCoro::Task<bool> {
            answered = co_await SidecarProcess::answersAsOurs(port, token, 1s);
            if (!answered) {
                co_return false; // not listening yet
            }
            // The answer is taken in only once the child's end has been seen.
            for (int i = 0; i < 500 && !ended; ++i) {
                co_await QCoro::sleepFor(10ms);
            }
            takenOver = ended && other.listen(static_cast<quint16>(port));
            co_return true;
        };
        const SidecarState state = startAndWait(*process, 10s, probe);
        QVERIFY(answered);
        QVERIFY(takenOver);
        QCOMPARE(state, SidecarState::exited(0));

        // The owner opens the gate for a ready launch only.
        auto gate = std::make_shared<ProofGate>();
        if (state == SidecarState::ready()) {
            gate->proven(Clock::now());
        }
        QCOMPARE(QCoro::waitFor(GatewayClient(m_port, token, gate).status()).error(), GatewayError::unverified());
        QCOMPARE(other.connectionCount(), 0);
    }

    void startsOnlyOnce() {
        auto process = checkoutProcess({});
        QCOMPARE(startAndWait(*process, 10s), SidecarState::ready());
        QCOMPARE(startAndWait(*process, 10s).kind, SidecarState::Kind::failed);
        stop(*process);
    }

    // The stand-in gateway's control API, as the control client sees it.
    void standInServesTheStatus_data() {
        QTest::addColumn<Environment>("faults");
        QTest::addColumn<bool>("rightToken");
        QTest::addColumn<std::optional<GatewayError::Kind>>("failure");
        QTest::addColumn<int>("code");
        QTest::newRow("status") << Environment{} << true << std::optional<GatewayError::Kind>() << 0;
        QTest::newRow("wrong token") << Environment{} << false << std::optional(GatewayError::Kind::http) << 401;
        QTest::newRow("answers 500") << Environment{{"FAKE_GW_HTTP_500", "1"}} << true
                                     << std::optional(GatewayError::Kind::http) << 500;
        QTest::newRow("broken JSON") << Environment{{"FAKE_GW_BROKEN_JSON", "1"}} << true
                                     << std::optional(GatewayError::Kind::decoding) << 0;
    }
    void standInServesTheStatus() {
        QFETCH(Environment, faults);
        QFETCH(bool, rightToken);
        QFETCH(std::optional<GatewayError::Kind>, failure);
        QFETCH(int, code);
        auto process = checkoutProcess(faults, true);
        QCOMPARE(startAndWait(*process, 10s), SidecarState::ready());

        auto gate = std::make_shared<ProofGate>();
        gate->proven(Clock::now());
        const GatewayClient client(m_port, rightToken ? token : token.toUpper(), gate);
        const auto status = QCoro::waitFor(client.status());
        QCOMPARE(status.ok(), !failure.has_value());
        if (failure) {
            QCOMPARE(status.error().kind(), *failure);
            QCOMPARE(status.error().statusCode(), code);
        } else {
            QCOMPARE(status.value().protection, Protection::off);
        }
        stop(*process);
    }
};

QTEST_GUILESS_MAIN(SidecarLaunchTest)
#include "tst_sidecarlaunch.moc"
