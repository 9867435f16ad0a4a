// Cold start of the program: a fresh process per run, from its start until the main window's
// first paint. The child is this program again (with --child): it runs the application's entry
// function, and an event filter installed when the application object is made notes the first
// paint of a window and asks the application to quit. The time is measured on this side, from
// just before the child is started until its "painted" line arrives, so loading the libraries
// and the process start count too. The child runs offscreen, in a home of its own with setup
// done and no gateway to find (the window shows that it found none).
#include "FernholmApp/shell/FernholmApplication.h"
#include "FernholmApp/studio/loader/StudioLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

namespace {

bool g_child = false;

class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_done && event->type() == QEvent::Paint) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && widget->window()->objectName() == QLatin1String("main")) {
                m_done = true;
                std::printf("painted\n");
                std::fflush(stdout);
                QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    bool m_done = false;
};

void watchFirstPaint() {
    if (g_child) {
        qApp->installEventFilter(new FirstPaint(qApp));
    }
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)

namespace {

char* g_self = nullptr;

void BM_ColdStartToFirstPaint(benchmark::State& state) {
    QTemporaryDir home;
    const QString config = home.filePath(QStringLiteral(".config"));
    {
        QSettings settings(config + QStringLiteral("/Orvendale/Tarvine.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("hasCompletedSetup"), true);
        settings.setValue(QStringLiteral("hasSeenTour"), true);
    }
    QDir().mkpath(home.filePath(QStringLiteral("empty")));
    QDir().mkpath(home.filePath(QStringLiteral("run")));
    QFile::setPermissions(home.filePath(QStringLiteral("run")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                    QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
    // A temporary folder of its own: a program already running for this user elsewhere (its
    // single-instance socket lives in the temporary folder) would take the start over.
    QDir().mkpath(home.filePath(QStringLiteral("tmp")));
    env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("run")));
    env.insert(QStringLiteral("TARVINE_REPO"), home.filePath(QStringLiteral("empty")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));

    for (auto _ : state) {
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        child.start(QString::fromLocal8Bit(g_self), {QStringLiteral("--child")});
        bool painted = false;
        while (!painted && child.waitForReadyRead(10000)) {
            while (child.canReadLine()) {
                painted = painted || child.readLine().startsWith("painted");
            }
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        child.waitForFinished(10000);
        if (!painted) {
            state.SkipWithError("the child never painted its window");
            break;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_ColdStartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        g_child = true;
        return fernholm::runApplication(1, argv, fernholm::studioOnDemand({QStringLiteral(FERNHOLM_STUDIO_MODULE)}));
    }
    g_self = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
