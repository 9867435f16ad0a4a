#include "FernholmKit/presentation/ActivityText.h"

#include <benchmark/benchmark.h>

using namespace fernholm;

// What the activity list computes for every row on every render: day key, time and sentence.
static void BM_ActivityRows(benchmark::State& state) {
    const Calendar calendar{QTimeZone("Europe/Warsaw"), QLocale(QStringLiteral("en_US"))};
    QList<Event> events;
    for (int i = 0; i < 200; ++i) {
        Event e;
        e.ts = QStringLiteral("2025-03-%1T%2:%3:07+01:00")
                   .arg(1 + i / 20, 2, 10, QLatin1Char('0'))
                   .arg(i % 24, 2, 10, QLatin1Char('0'))
                   .arg(i % 60, 2, 10, QLatin1Char('0'));
        e.surface = QStringLiteral("chatgpt_web");
        e.status = i % 7 == 0 ? QStringLiteral("blocked") : QStringLiteral("redacted");
        e.tokens = QStringList{QStringLiteral("[NAME_1]"), QStringLiteral("[EMAIL_1]")};
        events.append(e);
    }
    for (auto _ : state) {
        for (const Event& e : events) {
            benchmark::DoNotOptimize(activityDay(e.ts, calendar));
            benchmark::DoNotOptimize(activityTime(e.ts, calendar));
            benchmark::DoNotOptimize(activitySentence(e));
        }
    }
    state.SetItemsProcessed(state.iterations() * events.size());
}
BENCHMARK(BM_ActivityRows);

BENCHMARK_MAIN();
