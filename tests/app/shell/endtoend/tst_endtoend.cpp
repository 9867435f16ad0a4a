// The built program end to end, as a user runs it: the stand-in gateway found through
// TARVINE_REPO on the real port, setup and tour already done, protection switched on through the
// accessibility bus, the desktop proxy pointed at the gateway as a gateway does, and a quit by the
// menu or by SIGTERM; on the way, the home page's counters are read as assistive technology reads
// them. Afterwards nothing may be left: the program ended with 0, its gateway is
// gone and the desktop proxy is off again.

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr quint16 port = 9090;

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

} // namespace

class EndToEndTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void protectOnAndQuit_data() {
        QTest::addColumn<bool>("bySignal");
        QTest::newRow("menu Quit") << false;
        QTest::newRow("SIGTERM") << true;
    }

    void protectOnAndQuit() {
        QFETCH(bool, bySignal);
        {
            QTcpServer probe;
            QVERIFY2(probe.listen(QHostAddress::LocalHost, port),
                     "port 9090 is taken by another program: the end-to-end test runs the real program, which "
                     "needs that port; stop whatever holds it and run the test again");
        }

        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString checkout = home.filePath(QStringLiteral("checkout"));
        QVERIFY(QDir().mkpath(checkout + QStringLiteral("/.venv/bin")));
        QVERIFY(QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), checkout + QStringLiteral("/.venv/bin/python")));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        env.insert(QStringLiteral("TARVINE_REPO"), checkout);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        env.insert(QStringLiteral("FERNHOLM_NO_ANIMATIONS"), QStringLiteral("1"));

        {
            QSettings settings(home.filePath(QStringLiteral(".config/Orvendale/Tarvine.conf")), QSettings::IniFormat);
            settings.setValue(QStringLiteral("hasCompletedSetup"), true);
            settings.setValue(QStringLiteral("hasSeenTour"), true);
            settings.setValue(QStringLiteral("appLanguage"), QStringLiteral("en"));
        }

        QProcess app;
        // A failed check leaves early: the program must not outlive the test.
        const auto stop = qScopeGuard([&app] {
            if (app.state() != QProcess::NotRunning) {
                app.kill();
                app.waitForFinished();
            }
        });
        app.setProcessEnvironment(env);
        app.setProcessChannelMode(QProcess::ForwardedChannels);
        app.start(QStringLiteral(FERNHOLM_PROGRAM), {});
        QVERIFY2(app.waitForStarted(), qPrintable(app.errorString()));
        const QString pid = QString::number(app.processId());

        int code = -1;
        QString said = run({QStringLiteral("/usr/bin/python3"), QStringLiteral(FERNHOLM_DRIVER), pid,
                            QStringLiteral("toggle"), QStringLiteral("Turn protection on"),
                            QStringLiteral("Pause protection")},
                           env, &code);
        QVERIFY2(code == 0, qPrintable(said));

        // The home page's counters reach assistive technology as one element.
        said = run({QStringLiteral("/usr/bin/python3"), QStringLiteral(FERNHOLM_DRIVER), pid,
                    QStringLiteral("counters")},
                   env, &code);
        QVERIFY2(code == 0, qPrintable(said));

        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        QDir().mkpath(QStringLiteral(FERNHOLM_SCREENSHOTS));
        screen.save(QStringLiteral(FERNHOLM_SCREENSHOTS "/endtoend-%1.png").arg(bySignal ? "signal" : "menu"));

        // The gateway points the desktop's proxy at itself; its stand-in leaves that to us.
        for (const QStringList& set :
             {QStringList{"org.gnome.system.proxy", "mode", "manual"},
              QStringList{"org.gnome.system.proxy.http", "host", "127.0.0.1"},
              QStringList{"org.gnome.system.proxy.http", "port", "48080"},
              QStringList{"org.gnome.system.proxy.https", "host", "127.0.0.1"},
              QStringList{"org.gnome.system.proxy.https", "port", "48080"}}) {
            said = run(QStringList{QStringLiteral("gsettings"), QStringLiteral("set")} + set, env, &code);
            QVERIFY2(code == 0, qPrintable(said));
        }
        QCOMPARE(run({QStringLiteral("gsettings"), QStringLiteral("get"), QStringLiteral("org.gnome.system.proxy"),
                      QStringLiteral("mode")},
                     env),
                 QStringLiteral("'manual'"));
        QVERIFY(!processesUnder(checkout).isEmpty());

        if (bySignal) {
            app.terminate();
        } else {
            said = run({QStringLiteral("/usr/bin/python3"), QStringLiteral(FERNHOLM_DRIVER), pid, QStringLiteral("menu"),
                        QStringLiteral("Quit")},
                       env, &code);
            QVERIFY2(code == 0, qPrintable(said));
        }
        QVERIFY2(app.waitForFinished(30000), "the program did not end");
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(processesUnder(checkout).isEmpty(), 10000);
        QCOMPARE(run({QStringLiteral("gsettings"), QStringLiteral("get"), QStringLiteral("org.gnome.system.proxy"),
                      QStringLiteral("mode")},
                     env),
                 QStringLiteral("'none'"));
    }
};

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
