// The detail under an opened row for a long prompt (about 20,000 characters, 400 found values):
// the record arriving in an open detail (both panels cut, marked and laid out), and the written
// panel expanded to its whole text.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmApp/components/activity/EventDetail.h"
#include "FernholmApp/components/activity/PromptPanel.h"
#include "FernholmApp/components/activity/PromptView.h"
#include "FernholmApp/components/activity/RedactionTable.h"
#include "support/MemoryDefaults.h"
#include "support/MemoryKeychain.h"
#include "support/MemoryLoginItem.h"
#include "app/support/ActivityFeedAccess.h"

#include <QAbstractButton>
#include <QApplication>

#include <benchmark/benchmark.h>

using namespace fernholm;

namespace {

const QString reqId = QStringLiteral("2025-03-05T08:07:09Z");

Platform quietPlatform() {
    Platform platform;
    platform.defaults = std::make_shared<test::MemoryDefaults>();
    platform.keychain = std::make_shared<test::MemoryKeychain>();
    platform.loginItem = std::make_shared<test::MemoryLoginItem>();
    platform.proxyRunner = [](const QStringList&) { return std::optional<QString>(); };
    return platform;
}

DetailRecord longRecord() {
    DetailRecord r;
    r.reqId = reqId;
    r.surface = QStringLiteral("chatgpt");
    r.latencyMs = 120;
    QString before;
    QString after;
    for (int i = 1; i <= 400; ++i) {
        const QString value = QStringLiteral("Person Number%1").arg(i);
        const QString token = QStringLiteral("[PERSON_NAME_%1]").arg(i);
        DetectionDetail d;
        d.entityType = QStringLiteral("PERSON");
        d.detectedBy = QStringLiteral("model");
        d.value = value;
        d.token = token;
        d.confidence = 0.9;
        r.details << d;
        const QString line = QStringLiteral("Please write a short note to %1 about the meeting.\n");
        before += line.arg(value);
        after += line.arg(token);
    }
    r.beforeText = before;
    r.afterText = after;
    return r;
}

void settle() {
    for (int i = 0; i < 6; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
}

struct Open {
    Open() : model(config(), quietPlatform()) { test::ActivityFeedAccess::setDetailCache(model.activity(), {}); }
    static Config config() {
        Config c;
        c.port = 1; // never started: nothing is sent
        return c;
    }
    AppModel model;
};

void BM_RecordArrivesInOpenDetail(benchmark::State& state) {
    Open open;
    const DetailRecord record = longRecord();
    for (auto _ : state) {
        state.PauseTiming();
        test::ActivityFeedAccess::setDetailCache(open.model.activity(), {});
        auto detail = std::make_unique<EventDetail>(open.model.activity(), reqId);
        detail->resize(900, 400);
        detail->show();
        settle();
        state.ResumeTiming();
        test::ActivityFeedAccess::setDetailCache(open.model.activity(), {{reqId, record}});
        settle();
        benchmark::DoNotOptimize(detail->heightForWidth(900));
    }
}
BENCHMARK(BM_RecordArrivesInOpenDetail)->Unit(benchmark::kMillisecond);

void BM_ExpandWrittenPanel(benchmark::State& state) {
    Open open;
    test::ActivityFeedAccess::setDetailCache(open.model.activity(), {{reqId, longRecord()}});
    EventDetail detail(open.model.activity(), reqId);
    detail.resize(900, 400);
    detail.show();
    settle();
    PromptPanel* written = detail.table()->promptView()->writtenPanel();
    for (auto _ : state) {
        written->toggle()->click(); // expands, then folds on the next round
        settle();
        benchmark::DoNotOptimize(detail.heightForWidth(900));
    }
}
BENCHMARK(BM_ExpandWrittenPanel)->Unit(benchmark::kMillisecond);

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
