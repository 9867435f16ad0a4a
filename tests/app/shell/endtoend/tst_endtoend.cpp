// The built program end to end, as a user runs it on a desktop with a window manager and a tray:
// the stand-in gateway found through TARVINE_REPO on the real port, setup and tour already done.
//
// - Protection switched on through the accessibility bus, the desktop proxy pointed at the gateway
//   as a gateway does, and a quit by the menu or by SIGTERM: the program ends with 0, its gateway
//   is gone and the desktop proxy is off again. On the way, the home page's counters are read as
//   assistive technology reads them. Quitting is repeated, since whether a quit was
//   refused used to depend on the order of the windows.
// - One instance per user: launches made together leave one program and one gateway, later ones
//   hand over and leave the proxy alone, a launch made while the program quits starts afresh, and
//   a later launch brings the window forward however it was put away.
// - The lock and the socket live in the user's runtime folder: nothing in the shared temporary
//   folder, where a stranger's socket at the old name is never spoken to.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocalServer>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <csignal>
#include <memory>

#include <unistd.h>

namespace {

constexpr quint16 port = 9090;
// How long to wait for a quitting program to end: its way out takes up to the model's terminate
// grace (5 s) and a moment more, but a loaded machine may stretch that well past it.
constexpr int quitBound = 30'000;

// waitForFinished answers false for a process whose end the event loop has already taken in.
bool hasEnded(QProcess* process, int bound) {
    return process->state() == QProcess::NotRunning || process->waitForFinished(bound);
}

QString run(const QStringList& command, const QProcessEnvironment& env, int* code = nullptr) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(45000)) {
        process.kill();
        process.waitForFinished();
    }
    if (code) {
        *code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    return QString::fromLocal8Bit(process.readAll()).trimmed();
}

// Processes whose command line names `folder`: the gateway launched from the stand-in checkout.
QStringList processesUnder(const QString& folder) {
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(folder.toLocal8Bit())) {
            found.append(pid);
        }
    }
    return found;
}

// The parent of a process, from the fourth field of /proc/PID/stat.
QString parentOf(const QString& pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 1 ? QString::fromLatin1(fields.at(1)) : QString();
}

// One user's desktop session for the program: a home of its own, the stand-in checkout, settings
// that skip setup and tour, and a temporary folder of its own.
class Session {
public:
    Session() {
        m_checkout = m_home.filePath(QStringLiteral("checkout"));
        QDir().mkpath(m_checkout + QStringLiteral("/.venv/bin"));
        m_linked = QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), m_checkout + QStringLiteral("/.venv/bin/python"));
        m_temp = m_home.filePath(QStringLiteral("tmp"));
        QDir().mkpath(m_temp);

        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("HOME"), m_home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
        m_env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.filePath(QStringLiteral(".local/share")));
        m_env.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral(".cache")));
        m_env.insert(QStringLiteral("TMPDIR"), m_temp);
        m_env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        m_env.insert(QStringLiteral("TARVINE_REPO"), m_checkout);
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        m_env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        m_env.insert(QStringLiteral("FERNHOLM_NO_ANIMATIONS"), QStringLiteral("1"));

        QSettings settings(m_home.filePath(QStringLiteral(".config/Orvendale/Tarvine.conf")), QSettings::IniFormat);
        settings.setValue(QStringLiteral("hasCompletedSetup"), true);
        settings.setValue(QStringLiteral("hasSeenTour"), true);
        settings.setValue(QStringLiteral("appLanguage"), QStringLiteral("en"));
    }
    ~Session() {
        // A failed check leaves early: no program may outlive the test.
        for (const auto& program : m_programs) {
            if (program->state() != QProcess::NotRunning) {
                program->kill();
                program->waitForFinished();
            }
        }
        // Nor any gateway of this checkout: a stray one would hold the port for the next case.
        for (const QString& pid : processesUnder(m_checkout)) {
            ::kill(pid.toInt(), SIGKILL);
        }
    }

    bool isValid() const { return m_home.isValid() && m_linked; }
    const QProcessEnvironment& env() const { return m_env; }
    QString checkout() const { return m_checkout; }
    QString temp() const { return m_temp; }
    QString runtime() const { return m_env.value(QStringLiteral("XDG_RUNTIME_DIR")); }

    QProcess* launch() {
        auto program = std::make_unique<QProcess>();
        program->setProcessEnvironment(m_env);
        program->setProcessChannelMode(QProcess::ForwardedChannels);
        program->start(QStringLiteral(FERNHOLM_PROGRAM), {});
        m_programs.push_back(std::move(program));
        return m_programs.back().get();
    }

    QString drive(const QStringList& arguments, int* code) const {
        return run(QStringList{QStringLiteral("/usr/bin/python3"), QStringLiteral(FERNHOLM_DRIVER)} + arguments, m_env,
                   code);
    }
    // The gateway started by the program `pid`.
    QStringList gatewaysOf(qint64 pid) const {
        QStringList found;
        for (const QString& gateway : processesUnder(m_checkout)) {
            if (parentOf(gateway) == QString::number(pid)) {
                found.append(gateway);
            }
        }
        return found;
    }
    QString proxyMode() const {
        return run({QStringLiteral("gsettings"), QStringLiteral("get"), QStringLiteral("org.gnome.system.proxy"),
                    QStringLiteral("mode")},
                   m_env);
    }
    // The gateway points the desktop's proxy at itself; its stand-in leaves that to us.
    bool pointProxyAtGateway() const {
        for (const QStringList& set :
             {QStringList{"org.gnome.system.proxy", "mode", "manual"},
              QStringList{"org.gnome.system.proxy.http", "host", "127.0.0.1"},
              QStringList{"org.gnome.system.proxy.http", "port", "48080"},
              QStringList{"org.gnome.system.proxy.https", "host", "127.0.0.1"},
              QStringList{"org.gnome.system.proxy.https", "port", "48080"}}) {
            int code = -1;
            run(QStringList{QStringLiteral("gsettings"), QStringLiteral("set")} + set, m_env, &code);
            if (code != 0) {
                return false;
            }
        }
        return proxyMode() == QLatin1String("'manual'");
    }
    // The main window of the program `pid`, as X knows it; 0 while there is none. The tray icon
    // bears the same name, at the tray's size.
    qulonglong windowOf(qint64 pid) const {
        const QString ids = run({QStringLiteral("xdotool"), QStringLiteral("search"), QStringLiteral("--pid"),
                                 QString::number(pid), QStringLiteral("--name"), QStringLiteral("^Tarvine$")},
                                m_env);
        for (const QString& id : ids.split(u'\n', Qt::SkipEmptyParts)) {
            const QString info = run({QStringLiteral("xwininfo"), QStringLiteral("-id"), id}, m_env);
            const int width = info.section(QStringLiteral("Width:"), 1).section(u'\n', 0, 0).trimmed().toInt();
            if (width > 200) {
                return id.toULongLong();
            }
        }
        return 0;
    }
    // What the window manager says is the active window.
    qulonglong activeWindow() const {
        const QString said =
            run({QStringLiteral("xprop"), QStringLiteral("-root"), QStringLiteral("_NET_ACTIVE_WINDOW")}, m_env);
        return said.section(u'#', 1).trimmed().toULongLong(nullptr, 16);
    }
    // Whether the window is mapped (shown, not minimised or hidden).
    bool isViewable(qulonglong window) const {
        return run({QStringLiteral("xwininfo"), QStringLiteral("-id"), QString::number(window)}, m_env)
            .contains(QLatin1String("IsViewable"));
    }
    // Entries of the shared temporary folder that the program may have made.
    QStringList oursInTemp() const {
        return QDir(m_temp).entryList({QStringLiteral("tarvine*"), QStringLiteral("com.orvendale.tarvine*")},
                                      QDir::AllEntries | QDir::System | QDir::Hidden);
    }

private:
    QTemporaryDir m_home;
    QString m_checkout;
    QString m_temp;
    bool m_linked = false;
    QProcessEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

// Waits until the program is up: its gateway proven, its switch taking clicks.
bool waitUntilReady(Session& session, QProcess* program, QString* said) {
    int code = -1;
    *said = session.drive({QString::number(program->processId()), QStringLiteral("ready"),
                           QStringLiteral("Turn protection on")},
                          &code);
    return code == 0;
}

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

    // Quits the program by the menu or by SIGTERM and checks that nothing is left.
    void quitAndCheck(Session& session, QProcess* program, bool bySignal) {
        const qint64 pid = program->processId();
        if (bySignal) {
            program->terminate();
        } else {
            int code = -1;
            const QString said = session.drive({QString::number(pid), QStringLiteral("menu"), QStringLiteral("Quit")},
                                               &code);
            QVERIFY2(code == 0, qPrintable(said));
        }
        QVERIFY2(hasEnded(program, quitBound), "the program did not end");
        QCOMPARE(program->exitStatus(), QProcess::NormalExit);
        QCOMPARE(program->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(processesUnder(session.checkout()).isEmpty(), 10000);
        QCOMPARE(session.proxyMode(), QStringLiteral("'none'"));
    }

private Q_SLOTS:
    void initTestCase() {
        QTcpServer probe;
        QVERIFY2(probe.listen(QHostAddress::LocalHost, port),
                 "port 9090 is taken by another program: the end-to-end test runs the real program, which "
                 "needs that port; stop whatever holds it and run the test again");
    }

    void protectOnAndQuit_data() {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("menu Quit") << false;
        QTest::newRow("SIGTERM") << true;
    }
    void protectOnAndQuit() {
        QFETCH(bool, bySignal);
        Session session;
        QVERIFY(session.isValid());
        QProcess* app = session.launch();
        QVERIFY2(app->waitForStarted(), qPrintable(app->errorString()));
        const QString pid = QString::number(app->processId());

        int code = -1;
        const QString said = session.drive({pid, QStringLiteral("toggle"), QStringLiteral("Turn protection on"),
                                            QStringLiteral("Pause protection")},
                                           &code);
        QVERIFY2(code == 0, qPrintable(said));

        // The home page's counters reach assistive technology as one element.
        const QString counters = session.drive({pid, QStringLiteral("counters")}, &code);
        QVERIFY2(code == 0, qPrintable(counters));

        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        QDir().mkpath(QStringLiteral(FERNHOLM_SCREENSHOTS));
        screen.save(QStringLiteral(FERNHOLM_SCREENSHOTS "/endtoend-%1.png").arg(bySignal ? "signal" : "menu"));

        QVERIFY(session.pointProxyAtGateway());
        QVERIFY(!processesUnder(session.checkout()).isEmpty());
        quitAndCheck(session, app, bySignal);
    }

    // Whether a quit was refused depended on the order of the windows, which changes from run to
    // run: every one of several runs in a row must end.
    void quitEndsTheProgramEveryTime_data() {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("menu Quit") << false;
        QTest::newRow("SIGTERM") << true;
    }
    void quitEndsTheProgramEveryTime() {
        QFETCH(bool, bySignal);
        Session session;
        QVERIFY(session.isValid());
        for (int round = 0; round < 4; ++round) {
            QProcess* app = session.launch();
            QVERIFY2(app->waitForStarted(), qPrintable(app->errorString()));
            QString said;
            QVERIFY2(waitUntilReady(session, app, &said), qPrintable(said));
            QVERIFY(session.pointProxyAtGateway());
            quitAndCheck(session, app, bySignal);
            if (QTest::currentTestFailed()) {
                qWarning("failed in round %d", round + 1);
                return;
            }
        }
    }

    // Launches made together leave one program with one gateway; a launch while it runs hands over
    // and leaves the proxy as it is. The lock and the socket are in the runtime folder, nothing
    // is in the shared temporary folder, and a stranger's socket at the old name there is never
    // spoken to.
    void oneInstancePerUser() {
        Session session;
        QVERIFY(session.isValid());
        QLocalServer stranger;
        QVERIFY(stranger.listen(QDir(session.temp()).filePath(QStringLiteral("tarvine-%1").arg(::getuid()))));
        int strangerCalls = 0;
        connect(&stranger, &QLocalServer::newConnection, this, [&strangerCalls] { ++strangerCalls; });

        QProcess* one = session.launch();
        QProcess* two = session.launch();
        QVERIFY(one->waitForStarted() && two->waitForStarted());
        // One of the two hands over and leaves; which one is the race's.
        QTRY_VERIFY_WITH_TIMEOUT(one->state() == QProcess::NotRunning || two->state() == QProcess::NotRunning, 30000);
        QProcess* gone = one->state() == QProcess::NotRunning ? one : two;
        QProcess* kept = gone == one ? two : one;
        QCOMPARE(gone->exitStatus(), QProcess::NormalExit);
        QCOMPARE(gone->exitCode(), 0);
        QString said;
        QVERIFY2(waitUntilReady(session, kept, &said), qPrintable(said));
        QCOMPARE(kept->state(), QProcess::Running);
        QCOMPARE(processesUnder(session.checkout()).size(), 1);
        QCOMPARE(session.gatewaysOf(kept->processId()).size(), 1);

        QVERIFY(session.pointProxyAtGateway());
        QProcess* later = session.launch();
        QVERIFY2(later->waitForFinished(30000), "a later launch did not hand over");
        QCOMPARE(later->exitCode(), 0);
        QCOMPARE(session.proxyMode(), QStringLiteral("'manual'"));
        QCOMPARE(processesUnder(session.checkout()).size(), 1);
        QCOMPARE(kept->state(), QProcess::Running);

        const QDir runtime(session.runtime());
        QVERIFY(runtime.exists(QStringLiteral("com.orvendale.tarvine.lock")));
        QVERIFY(runtime.exists(QStringLiteral("com.orvendale.tarvine.socket")));
        QCOMPARE(session.oursInTemp(), QStringList{QStringLiteral("tarvine-%1").arg(::getuid())});
        QCOMPARE(strangerCalls, 0);

        quitAndCheck(session, kept, true);
    }

    // A launch made while the program quits is not swallowed: it waits for the quit to end and
    // then starts with a gateway of its own.
    void launchDuringQuitStartsAfresh() {
        Session session;
        QVERIFY(session.isValid());
        QProcess* first = session.launch();
        QVERIFY(first->waitForStarted());
        QString said;
        QVERIFY2(waitUntilReady(session, first, &said), qPrintable(said));
        const QString socket = QDir(session.runtime()).filePath(QStringLiteral("com.orvendale.tarvine.socket"));
        QVERIFY(QFile::exists(socket));

        first->terminate();
        // The quitting program stops listening before it stops its gateway.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(socket) || first->state() == QProcess::NotRunning, 10000);
        QProcess* second = session.launch();
        QVERIFY(second->waitForStarted());
        QVERIFY2(hasEnded(first, quitBound), "the quitting program did not end");
        QCOMPARE(first->exitCode(), 0);

        QVERIFY2(waitUntilReady(session, second, &said), qPrintable(said));
        QCOMPARE(second->state(), QProcess::Running);
        QCOMPARE(session.gatewaysOf(second->processId()).size(), 1);
        quitAndCheck(session, second, true);
    }

    // A later launch brings the window forward: shown, restored and active, whether it was closed
    // to the tray, minimised, or covered by another window.
    void laterLaunchBringsTheWindowForward_data() {
        QTest::addColumn<QString>("putAway");
        QTest::newRow("closed to the tray") << "closed";
        QTest::newRow("minimised") << "minimised";
        QTest::newRow("covered") << "covered";
    }
    void laterLaunchBringsTheWindowForward() {
        QFETCH(QString, putAway);
        Session session;
        QVERIFY(session.isValid());
        QProcess* app = session.launch();
        QVERIFY(app->waitForStarted());
        QString said;
        QVERIFY2(waitUntilReady(session, app, &said), qPrintable(said));
        qulonglong window = 0;
        QTRY_VERIFY_WITH_TIMEOUT((window = session.windowOf(app->processId())) != 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(session.isViewable(window), 10000);

        // Another window that the user went on working in.
        QWidget cover;
        const auto coverTheScreen = [&] {
            cover.setWindowTitle(QStringLiteral("cover"));
            cover.setGeometry(QGuiApplication::primaryScreen()->geometry());
            cover.show();
            cover.activateWindow();
        };
        if (putAway == QLatin1String("closed")) {
            // The window manager's Close, as the title bar's button or Alt+F4 ask for it.
            // A key pressed while the window manager is still settling the new window can be
            // lost on a loaded machine; pressing it again is what a user would do.
            bool closed = false;
            for (int attempt = 0; attempt < 5 && !closed; ++attempt) {
                run({QStringLiteral("xdotool"), QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                     QString::number(window), QStringLiteral("key"), QStringLiteral("alt+F4")},
                    session.env());
                closed = QTest::qWaitFor([&] { return !session.isViewable(window); }, 4000);
            }
            QVERIFY(closed);
            QCOMPARE(app->state(), QProcess::Running);
            coverTheScreen();
            QTRY_VERIFY_WITH_TIMEOUT(session.activeWindow() == cover.winId(), 10000);
        } else if (putAway == QLatin1String("minimised")) {
            run({QStringLiteral("xdotool"), QStringLiteral("windowminimize"), QStringLiteral("--sync"),
                 QString::number(window)},
                session.env());
            QTRY_VERIFY_WITH_TIMEOUT(!session.isViewable(window), 10000);
        } else {
            coverTheScreen();
            QTRY_VERIFY_WITH_TIMEOUT(session.activeWindow() == cover.winId(), 10000);
        }
        QVERIFY(session.activeWindow() != window);

        QProcess* later = session.launch();
        QVERIFY2(later->waitForFinished(30000), "a later launch did not hand over");
        QCOMPARE(later->exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(session.isViewable(window), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(session.activeWindow(), window, 10000);

        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        QDir().mkpath(QStringLiteral(FERNHOLM_SCREENSHOTS));
        screen.save(QStringLiteral(FERNHOLM_SCREENSHOTS "/endtoend-forward-%1.png").arg(putAway));
        quitAndCheck(session, app, true);
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
