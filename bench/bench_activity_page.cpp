// The activity page holding a full event list (200 events over several days) with one row open,
// brought up to date after a poll: one event appended, the oldest one dropped, the page's rows
// and day sections updated in place and the column laid out again.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/pages/activity/ActivityScreen.h"
#include "support/MemoryDefaults.h"
#include "support/MemoryKeychain.h"
#include "support/MemoryLoginItem.h"
#include "app/support/ActivityFeedAccess.h"

#include <QApplication>
#include <QDateTime>
#include <QTimeZone>

#include <benchmark/benchmark.h>

#include <memory>

using namespace fernholm;

namespace {

constexpr int eventCount = 200;

// The n-th event of an endless stream: one every 30 minutes, so 200 span about four days; every
// fifth passed unchanged, every seventh blocked.
Event streamEvent(qint64 n) {
    Event e;
    const QDateTime at = QDateTime(QDate(2025, 3, 1), QTime(0, 0), QTimeZone::utc()).addSecs(n * 1800);
    e.ts = at.toString(Qt::ISODate);
    e.surface = QStringLiteral("chatgpt");
    e.status = n % 5 == 0 ? QStringLiteral("passed") : n % 7 == 0 ? QStringLiteral("blocked") : QStringLiteral("redacted");
    e.tokens = {QStringLiteral("[PERSON_1]"), QStringLiteral("[EMAIL_1]")};
    e.entities = {{QStringLiteral("PERSON"), 1}, {QStringLiteral("EMAIL"), 1}};
    return e;
}

Platform quietPlatform() {
    Platform platform;
    platform.defaults = std::make_shared<test::MemoryDefaults>();
    platform.keychain = std::make_shared<test::MemoryKeychain>();
    platform.loginItem = std::make_shared<test::MemoryLoginItem>();
    platform.proxyRunner = [](const QStringList&) { return std::optional<QString>(); };
    return platform;
}

void settle() {
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

void BM_ActivityPageAfterPoll(benchmark::State& state) {
    Config config;
    config.port = 1; // never started: nothing is sent
    AppModel model(config, quietPlatform());
    QList<Event> events;
    for (qint64 n = 0; n < eventCount; ++n) {
        events << streamEvent(n);
    }
    qint64 offset = 0;
    test::ActivityFeedAccess::setRecentEvents(model.activity(), events, offset);

    ActivityScreen screen(model);
    screen.setCalendar(Calendar{QTimeZone("Europe/Warsaw"), QLocale(QLocale::English)});
    screen.resize(1000, 900);
    screen.show();
    QCoreApplication::processEvents();
    // Open the newest listed row; it stays open while the list moves.
    const ActivityRow open = screen.groups().first().rows.first();
    screen.toggle(open);
    settle();

    qint64 next = eventCount;
    for (auto _ : state) {
        events.removeFirst();
        events.append(streamEvent(next++));
        ++offset;
        test::ActivityFeedAccess::setRecentEvents(model.activity(), events, offset);
        settle();
    }
    state.counters["groups"] = double(screen.groups().size());
}
BENCHMARK(BM_ActivityPageAfterPoll)->Unit(benchmark::kMillisecond);

// The part of the update that is pure: which events are listed and under which day.
void BM_ActivityGroups(benchmark::State& state) {
    QList<Event> events;
    for (qint64 n = 0; n < eventCount; ++n) {
        events << streamEvent(n);
    }
    const Calendar calendar{QTimeZone("Europe/Warsaw"), QLocale(QLocale::English)};
    for (auto _ : state) {
        benchmark::DoNotOptimize(activityGroups(events, 0, ActivityFilter::all, calendar));
    }
}
BENCHMARK(BM_ActivityGroups)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("FERNHOLM_NO_ANIMATIONS", "1");
    QApplication app(argc, argv);
    BrandFonts::setResourceRoots(QStringList{QStringLiteral(FERNHOLM_RESOURCES)});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
