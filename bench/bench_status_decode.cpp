#include "FernholmKit/control/Models.h"

#include <QFile>

#include <benchmark/benchmark.h>

using namespace fernholm;

static void BM_DecodeFullStatus(benchmark::State& state) {
    QFile file(QStringLiteral(FERNHOLM_TEST_DATA "/status/full.json"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("missing tests/data/status/full.json");
        return;
    }
    const QByteArray body = file.readAll();
    for (auto _ : state) {
        auto result = json::decode<Status>(body);
        benchmark::DoNotOptimize(result);
        if (!result) {
            state.SkipWithError("decode failed");
            break;
        }
    }
}
BENCHMARK(BM_DecodeFullStatus);

BENCHMARK_MAIN();
