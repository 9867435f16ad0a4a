// The running application at rest over a healthy stand-in gateway polled every second, the
// studio never opened: its resident memory after 30 s of polling, and the processor time of the
// whole process (every thread) over the following 60 s, with the main window hidden and with it
// shown on Home. Each run is a fresh child process (this program with --child MODE) in a home of
// its own, offscreen, on a free port; it reports its figures on standard output and quits.
// Counters: rss_mb, pss_mb, anon_mb (from /proc/self/smaps_rollup), cpu_percent (of one core),
// webengine_children (web engine helper processes started: none are expected).
// Run by hand: about three minutes. Not part of the test suite.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/shell/FernholmApplication.h"
#include "FernholmApp/shell/MainWindow.h"
#include "FernholmApp/studio/loader/StudioLoader.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <unistd.h>

using namespace fernholm;

namespace {

constexpr int settleSeconds = 30;
constexpr int cpuSeconds = 60;

double smapsMegabytes(const QByteArray& field) {
    QFile file(QStringLiteral("/proc/self/smaps_rollup"));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field + ':')) {
            return line.mid(field.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return -1;
}

// Processor time of the whole process (every thread), in seconds.
double processSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The mapped files holding the most resident memory, largest first: "map <MB> <file>" lines.
void printLargestMappings(int count) {
    QFile file(QStringLiteral("/proc/self/smaps"));
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    QHash<QByteArray, double> byFile;
    QByteArray current;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.isEmpty() && !line.endsWith(" kB") && line.contains('-')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            current = parts.size() >= 6 ? parts.mid(5).join(' ') : QByteArray("[anonymous]");
        } else if (line.startsWith("Rss:")) {
            byFile[current] += line.mid(4).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    QList<QPair<double, QByteArray>> sorted;
    for (auto it = byFile.cbegin(); it != byFile.cend(); ++it) {
        sorted.append({it.value(), it.key()});
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (int i = 0; i < count && i < sorted.size(); ++i) {
        std::printf("map %.2f %s\n", sorted[i].first, sorted[i].second.constData());
    }
}

int webEngineChildren() {
    int count = 0;
    const QByteArray self = QByteArray::number(::getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1) == self && text.contains("QtWebEngine")) {
            ++count;
        }
    }
    return count;
}

int child(bool shown) {
    int argc = 1;
    char name[] = "tarvine";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvendale"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvine"));
    QApplication::setQuitOnLastWindowClosed(false);

    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    ShellOptions options;
    options.config.port = probe.serverPort();
    probe.close();
    options.platform = Platform::system();
    options.tray = false;
    const StudioWiring studio = studioOnDemand({QStringLiteral(FERNHOLM_STUDIO_MODULE)});
    const std::shared_ptr<void> keep = studio.prepare(options.platform, options.hooks);
    FernholmApplication shell(std::move(options));
    studio.attach(shell.model());
    // Protection on, once the gateway is proven and has told its status.
    bool switched = false;
    const auto switchOn = [&shell, &switched] {
        const auto& status = shell.model().protection().status();
        if (!switched && shell.model().supervision().link() == SidecarLink::trusted && status &&
            status->protection == Protection::off && !shell.model().supervision().busy()) {
            switched = true;
            shell.model().toggleProtection();
        }
    };
    QObject::connect(&shell.model().supervision(), &Supervision::linkChanged, &shell, switchOn);
    QObject::connect(&shell.model().protection(), &ProtectionStatus::statusChanged, &shell, switchOn);
    shell.showWindow();
    if (!shown) {
        shell.window()->hide();
    }
    double startSeconds = 0;
    QTimer::singleShot(settleSeconds * 1000, &app, [&] {
        std::printf("rss %.2f\npss %.2f\nanon %.2f\n", smapsMegabytes("Rss"), smapsMegabytes("Pss"),
                    smapsMegabytes("Anonymous"));
        printLargestMappings(8);
        std::fflush(stdout);
        startSeconds = processSeconds();
    });
    QTimer::singleShot((settleSeconds + cpuSeconds) * 1000, &app, [&] {
        const double seconds = processSeconds() - startSeconds;
        const std::optional<Status>& status = shell.model().protection().status();
        std::printf("cpuseconds %.4f\ncpu %.4f\nwebengine %d\nprotection %d\n", seconds, 100.0 * seconds / cpuSeconds,
                    webEngineChildren(), status && status->protection == Protection::on ? 1 : 0);
        std::fflush(stdout);
        shell.quit();
    });
    return QApplication::exec();
}

char* g_self = nullptr;

void BM_IdleMemoryAndProcessorTime(benchmark::State& state) {
    const bool shown = state.range(0) != 0;
    QTemporaryDir home;
    const QString checkout = home.filePath(QStringLiteral("checkout"));
    QDir().mkpath(checkout + QStringLiteral("/.venv/bin"));
    QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), checkout + QStringLiteral("/.venv/bin/python"));
    const QString config = home.filePath(QStringLiteral(".config"));
    {
        QSettings settings(config + QStringLiteral("/Orvendale/Tarvine.conf"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("hasCompletedSetup"), true);
        settings.setValue(QStringLiteral("hasSeenTour"), true);
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral(".cache")));
    // A temporary folder of its own: a program already running for this user elsewhere (its
    // single-instance socket lives in the temporary folder) would take the start over.
    QDir().mkpath(home.filePath(QStringLiteral("tmp")));
    env.insert(QStringLiteral("TMPDIR"), home.filePath(QStringLiteral("tmp")));
    env.insert(QStringLiteral("TARVINE_REPO"), checkout);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));

    for (auto _ : state) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QString::fromLocal8Bit(g_self), {QStringLiteral("--child"), shown ? "shown" : "hidden"});
        if (!process.waitForFinished((settleSeconds + cpuSeconds + 30) * 1000)) {
            process.kill();
            state.SkipWithError("the child did not finish");
            break;
        }
        QHash<QByteArray, double> figures;
        for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
            if (line.startsWith("map ")) {
                std::fprintf(stderr, "%s: %s\n", shown ? "shown" : "hidden", line.constData());
                continue;
            }
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2) {
                figures.insert(parts[0], parts[1].toDouble());
            }
        }
        if (!figures.contains("cpu")) {
            state.SkipWithError("the child reported nothing");
            break;
        }
        state.counters["rss_mb"] = figures.value("rss");
        state.counters["pss_mb"] = figures.value("pss");
        state.counters["anon_mb"] = figures.value("anon");
        state.counters["cpu_percent"] = figures.value("cpu");
        state.counters["webengine_children"] = figures.value("webengine");
        state.counters["protected"] = figures.value("protection");
        // The time reported is the processor time the process used in the 60 s.
        state.SetIterationTime(figures.value("cpuseconds"));
    }
}
BENCHMARK(BM_IdleMemoryAndProcessorTime)->ArgName("shown")->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(
    benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0) {
        return child(std::strcmp(argv[2], "shown") == 0);
    }
    g_self = argv[0];
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
