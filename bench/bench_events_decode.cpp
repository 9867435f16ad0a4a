#include "FernholmKit/control/EventModels.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>

using namespace fernholm;

namespace {

// A page such as a busy gateway sends after a quiet spell: 200 events over several services,
// most with a few detections, some blocked with a reason, route and fingerprint.
QByteArray eventsPage(int count) {
    static const char* surfaces[] = {"claude_web", "chatgpt_web", "gemini_web", "copilot_web", "mistral_web"};
    static const char* kinds[] = {"EMAIL_ADDRESS", "PERSON", "PHONE_NUMBER", "IBAN_CODE", "LOCATION", "PESEL"};
    static const char* statuses[] = {"redacted", "passed", "blocked", "document_redacted"};
    QJsonArray events;
    for (int i = 0; i < count; ++i) {
        QJsonObject entities;
        QJsonArray tokens;
        for (int k = 0; k < i % 4; ++k) {
            const QString kind = QString::fromLatin1(kinds[(i + k) % 6]);
            entities.insert(kind, 1 + (i + k) % 3);
            tokens.append(QStringLiteral("[%1_%2]").arg(kind).arg(i * 3 + k));
        }
        QJsonObject event{
            {"ts", QStringLiteral("2026-05-01T10:%1:%2.%3+02:00")
                       .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(i % 60, 2, 10, QLatin1Char('0'))
                       .arg(i * 7 % 1000, 3, 10, QLatin1Char('0'))},
            {"surface", QString::fromLatin1(surfaces[i % 5])},
            {"entities", entities},
            {"tokens", tokens},
            {"status", QString::fromLatin1(statuses[i % 4])},
        };
        if (i % 4 == 2) {
            event.insert("reason", QStringLiteral("The request carried a secret key and was stopped."));
            event.insert("route", i % 8 == 2 ? QStringLiteral("upload") : QStringLiteral("request"));
            event.insert("fingerprint", QStringLiteral("%1").arg(0x9e3779b97f4a7c15ULL * (i + 1), 16, 16));
        } else {
            event.insert("reason", QJsonValue::Null);
        }
        events.append(event);
    }
    return QJsonDocument(QJsonObject{{"events", events}, {"cursor", 4200 + count}}).toJson(QJsonDocument::Compact);
}

} // namespace

static void BM_DecodeEventsPage(benchmark::State& state) {
    const QByteArray body = eventsPage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto result = json::decode<EventsPage>(body);
        benchmark::DoNotOptimize(result);
        if (!result || result.value().events.size() != state.range(0)) {
            state.SkipWithError("decode failed");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * body.size());
}
BENCHMARK(BM_DecodeEventsPage)->Arg(200)->Unit(benchmark::kMicrosecond);

static void BM_ParseOnly(benchmark::State& state) {
    const QByteArray body = eventsPage(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto result = json::parseObject(body);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ParseOnly)->Arg(200)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
