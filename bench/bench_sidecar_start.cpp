// Launch to ready against the stand-in gateway, split into what the child takes and what the
// supervision adds. All times are wall-clock milliseconds, averaged over the iterations.
//   spawn       start() called until the child's main() runs (fork, exec, loading its libraries)
//   child_init  the child's main() until it listens
//   tick_wait   the listener waiting for the next probe (the 0.2 s cadence)
//   proof       the successful probe's exchange
//   overhead    the rest: launch set-up, stdin, failed probes before the listener was up
// The manual time reported per iteration is `overhead + proof`: the supervision's own share
// beyond the child's start-up and the probe cadence.
#include "FernholmKit/SidecarProcess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include <QCoroTask>

#include <benchmark/benchmark.h>

using namespace fernholm;

namespace {

const QString token = QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");

int freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

double nowMs() {
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch());
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
    double spawn = 0, childInit = 0, tickWait = 0, proof = 0, overhead = 0, total = 0;

    for (auto _ : state) {
        QFile::remove(dumpPath);
        SidecarProcess process(SidecarProcess::checkoutRuntime(temp.filePath(QStringLiteral("repo"))), freePort(),
                               {{QStringLiteral("FAKE_GW_DUMP"), dumpPath}}, QByteArray(32, '\x5a'), token);
        double lastProbeStart = 0;
        double lastProbeEnd = 0;
        double probeEndBeforeLast = 0;
        auto probe = [&](int port) -> QCoro::Task<bool> {
            probeEndBeforeLast = lastProbeEnd;
            lastProbeStart = nowMs();
            const bool proven = co_await SidecarProcess::answersAsOurs(port, token, Seconds(1.0));
            lastProbeEnd = nowMs();
            co_return proven;
        };
        const double began = nowMs();
        const SidecarState result = QCoro::waitFor(process.start(Seconds(20.0), probe));
        const double ready = nowMs();
        if (result != SidecarState::ready()) {
            state.SkipWithError("the stand-in gateway did not become ready");
            break;
        }
        QFile file(dumpPath);
        file.open(QIODevice::ReadOnly);
        const QJsonObject dump = QJsonDocument::fromJson(file.readAll()).object();
        const double childMain = dump.value(QStringLiteral("started_ms")).toDouble();
        const double listening = dump.value(QStringLiteral("listening_ms")).toDouble();

        const double waited = std::max(0.0, lastProbeStart - std::max(listening, probeEndBeforeLast));
        const double proofTook = ready - lastProbeStart;
        const double rest = (ready - began) - (childMain - began) - (listening - childMain) - waited - proofTook;
        spawn += childMain - began;
        childInit += listening - childMain;
        tickWait += waited;
        proof += proofTook;
        overhead += rest;
        total += ready - began;
        state.SetIterationTime((rest + proofTook) / 1000.0);
        QCoro::waitFor(process.terminate(Seconds(2.0)));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["spawn_ms"] = spawn / n;
    state.counters["child_init_ms"] = childInit / n;
    state.counters["tick_wait_ms"] = tickWait / n;
    state.counters["proof_ms"] = proof / n;
    state.counters["overhead_ms"] = overhead / n;
    state.counters["total_ms"] = total / n;
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
