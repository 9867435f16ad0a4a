// Launch to ready against the stand-in gateway, split into what the child takes, what the probe
// cadence costs and what the supervision itself adds. The child writes down when its main() began
// and when it listened; this side notes when start() was called, when the child process was
// running (QProcess's started()), when each probe began and ended, and when start() answered.
// All clocks are the system clock in microseconds; the counters are milliseconds, averaged over
// the iterations.
//   total          start() called until it answered ready
//   setup          start() called until the child ran: the launch's preparation, fork and exec
//   child_startup  the child ran until it listened: its libraries, its main(), reading its input
//   cadence_wait   the child listened until the probe that proved it began: the readiness loop's
//                  pause between probes, and a probe already under way that came too early
//   proof          the successful probe's exchange, until start() answered
//   overhead       total less child_startup and cadence_wait: what the supervision itself adds
//                  (setup + proof)
// The manual time reported per iteration is `overhead`.
#include "FernholmKit/supervision/SidecarProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <QCoroTask>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace fernholm;

namespace {

const QString token = QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");

int freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

double nowUs() {
    return static_cast<double>(
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
}

} // namespace

static void BM_StartToReady(benchmark::State& state) {
    QTemporaryDir temp;
    const QString python = temp.filePath(QStringLiteral("repo/.venv/bin/python"));
    QDir().mkpath(QFileInfo(python).absolutePath());
    if (!QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), python)) {
        state.SkipWithError("cannot place the stand-in gateway");
        return;
    }
    const QString dumpPath = temp.filePath(QStringLiteral("dump.json"));
    double total = 0, setup = 0, childStartup = 0, cadenceWait = 0, proof = 0, overhead = 0;

    for (auto _ : state) {
        QFile::remove(dumpPath);
        SidecarProcess process(SidecarProcess::checkoutRuntime(temp.filePath(QStringLiteral("repo"))), freePort(),
                               {{QStringLiteral("FAKE_GW_DUMP"), dumpPath}}, QByteArray(32, '\x5a'), token);
        double running = 0;
        auto* child = process.findChild<QProcess*>();
        if (!child) {
            state.SkipWithError("no child process object");
            break;
        }
        QObject::connect(child, &QProcess::started, child, [&running] { running = nowUs(); });
        double lastProbeStart = 0;
        auto probe = [&](int port) -> QCoro::Task<bool> {
            lastProbeStart = nowUs();
            co_return co_await SidecarProcess::answersAsOurs(port, token, Seconds(1.0));
        };
        const double began = nowUs();
        const SidecarState result = QCoro::waitFor(process.start(Seconds(20.0), probe));
        const double ready = nowUs();
        if (result != SidecarState::ready() || running == 0) {
            state.SkipWithError("the stand-in gateway did not become ready");
            break;
        }
        QFile file(dumpPath);
        file.open(QIODevice::ReadOnly);
        const QJsonObject dump = QJsonDocument::fromJson(file.readAll()).object();
        const double listening = dump.value(QStringLiteral("listening_us")).toDouble();

        const double took = ready - began;
        const double startup = listening - running;
        const double waited = std::max(0.0, lastProbeStart - listening);
        total += took;
        setup += running - began;
        childStartup += startup;
        cadenceWait += waited;
        proof += ready - lastProbeStart;
        overhead += took - startup - waited;
        state.SetIterationTime((took - startup - waited) / 1e6);
        QCoro::waitFor(process.terminate(Seconds(2.0)));
    }
    const double n = static_cast<double>(state.iterations()) * 1000.0;
    state.counters["total_ms"] = total / n;
    state.counters["setup_ms"] = setup / n;
    state.counters["child_startup_ms"] = childStartup / n;
    state.counters["cadence_wait_ms"] = cadenceWait / n;
    state.counters["proof_ms"] = proof / n;
    state.counters["overhead_ms"] = overhead / n;
}
BENCHMARK(BM_StartToReady)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);

// One identity proof against a running stand-in gateway.
static void BM_ProofExchange(benchmark::State& state) {
    QTemporaryDir temp;
    const QString python = temp.filePath(QStringLiteral("repo/.venv/bin/python"));
    QDir().mkpath(QFileInfo(python).absolutePath());
    QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), python);
    const int port = freePort();
    SidecarProcess process(SidecarProcess::checkoutRuntime(temp.filePath(QStringLiteral("repo"))), port, {},
                           std::nullopt, token);
    if (QCoro::waitFor(process.start(Seconds(20.0))) != SidecarState::ready()) {
        state.SkipWithError("the stand-in gateway did not become ready");
        return;
    }
    for (auto _ : state) {
        if (!QCoro::waitFor(SidecarProcess::answersAsOurs(port, token, Seconds(1.0)))) {
            state.SkipWithError("proof refused");
            break;
        }
    }
    QCoro::waitFor(process.terminate(Seconds(2.0)));
}
BENCHMARK(BM_ProofExchange)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
