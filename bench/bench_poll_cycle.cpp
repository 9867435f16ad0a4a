// What the application model's poll costs the GUI thread, against the stand-in gateway launched
// for real (its own process, so serving the replies is never counted here).
//   BM_PollCycle  one poll: the watch's check, the status (with two browser findings for the
//                 bypass notices), a page of 200 new events (every tenth blocked, for the
//                 blocked-request notices) and the event window, with the notices' clock one
//                 second further at each poll, as in a running application. The manual time is the GUI thread's CPU
//                 time (user + system, getrusage RUSAGE_THREAD) per poll; `process_cpu_us` adds the process's other
//                 threads (Qt's network thread among them). Goal: under 1 ms.
//   BM_IdleCost   a started model polling a healthy gateway once a second, left alone for
//                 FERNHOLM_IDLE_SECONDS (60 by default); `cpu_percent` is the process's CPU time
//                 (getrusage RUSAGE_SELF) over that wall time, in percent of one core. Goal: under
//                 0.1 %.
//   BM_StatusRequest  one GET /api/status with the client's headers and read buffer, through Qt's
//                 own manager (0) and through the loopback manager the client uses (1), on the
//                 same running gateway: the manual time is the GUI thread's CPU time per request,
//                 `process_cpu_us` the whole process's.
#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/control/BoundedReply.h"
#include "FernholmKit/control/LoopbackManager.h"
#include "support/MemoryDefaults.h"
#include "support/MemoryKeychain.h"
#include "support/MemoryLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <QCoroTask>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <memory>

using namespace fernholm;

namespace {

// A desktop that shows every notification and keeps none.
class QuietNotifications final : public NotificationCenter {
    Q_OBJECT
public:
    QCoro::Task<QStringList> delivered() override { co_return QStringList(); }
    QCoro::Task<Permission> permission() override { co_return Permission{true, std::nullopt}; }
    QCoro::Task<std::optional<QString>> add(QString, QString, QString) override { co_return std::optional<QString>(); }
    void remove(const QStringList&) override {}
};

int freePort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

double cpuMicroseconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto us = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_usec);
    };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

// Runs the event loop until `done` holds or the time is up; whether it held.
template <typename Done> bool waitFor(Done done, std::chrono::milliseconds limit) {
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    tick.start(5);
    if (!done()) {
        loop.exec();
    }
    return done();
}

// The stand-in gateway where the model's runtime lookup finds it, and a model over it; the
// tests' in-memory stand-ins for the rest of the platform.
class Rig {
public:
    explicit Rig(std::chrono::milliseconds pollInterval) {
        const QString python = m_folder.filePath(QStringLiteral("repo/.venv/bin/python"));
        QDir().mkpath(QFileInfo(python).absolutePath());
        m_placed = QFile::link(QStringLiteral(FERNHOLM_FAKE_GATEWAY), python);
        m_notifications = std::make_shared<QuietNotifications>();

        Platform platform;
        platform.defaults = std::make_shared<test::MemoryDefaults>();
        platform.keychain = std::make_shared<test::MemoryKeychain>();
        Environment environment = SidecarProcess::currentEnvironment();
        environment.insert(QStringLiteral("TARVINE_REPO"), m_folder.filePath(QStringLiteral("repo")));
        platform.environment = [environment] {
            return environment;
        };
        platform.proxyRunner = [](const QStringList&) {
            return std::optional<QString>();
        };
        platform.notifications = m_notifications;
        platform.loginItem = std::make_shared<test::MemoryLoginItem>();
        // The notices' clock: real time, or a second per poll when the benchmark steps it.
        platform.monotonicClock = [this] {
            return m_stepped ? *m_stepped : std::chrono::steady_clock::now();
        };

        Config config;
        config.port = freePort();
        config.pollInterval = pollInterval;
        model = std::make_unique<AppModel>(config, platform);
    }

    // Starts the model; whether its gateway came up and was polled once.
    bool start() {
        if (!m_placed) {
            return false;
        }
        int polls = 0;
        QObject::connect(model.get(), &AppModel::pollEnded, model.get(), [&polls] { ++polls; });
        model->start();
        const bool polled = waitFor([&] { return polls > 0; }, std::chrono::seconds(30));
        QObject::disconnect(model.get(), &AppModel::pollEnded, model.get(), nullptr);
        return polled && model->protection().status().has_value();
    }

    // One exchange with the gateway outside the control API (set-up, not measured).
    bool send(const QString& path, const QJsonObject& body) const {
        const GatewayClient client(model->config().port, model->controlToken().value_or(QString()),
                                   model->client().gate());
        return QCoro::waitFor(GatewayClient::exchange(client, GatewayClient::Method::post, path,
                                                      GatewayClient::compactJson(body), {200}, CancelToken()))
            .ok();
    }

    // Makes the notices' clock stand still until the next step.
    void stepClock(std::chrono::steady_clock::duration by) {
        m_stepped = m_stepped.value_or(std::chrono::steady_clock::now()) + by;
    }

    std::unique_ptr<AppModel> model;

private:
    std::optional<std::chrono::steady_clock::time_point> m_stepped;
    QTemporaryDir m_folder;
    bool m_placed = false;
    std::shared_ptr<QuietNotifications> m_notifications;
};

const QJsonArray findings{
    QJsonObject{{"kind", "bypass"},
                {"browser", "Firefox"},
                {"family", "firefox"},
                {"profile_id", "ff-default"},
                {"profile", "default-release"},
                {"set_by", "settings"},
                {"mode", "fixed_servers"}},
    QJsonObject{{"kind", "unsupported_app"}, {"browser", "ChatGPT Classic"}, {"profile_id", "chatgpt-classic"}},
};

// A page of 200 new events after `cursor`: mostly redacted requests with a few tokens, every
// tenth blocked for a reason of its own.
QByteArray eventsPage(qint64 cursor) {
    QJsonArray events;
    for (int i = 0; i < 200; ++i) {
        const qint64 n = cursor + i;
        const bool blocked = i % 10 == 0;
        QJsonObject event{
            {"ts", QStringLiteral("2024-05-01T10:%1:%2.%3Z")
                       .arg((n / 60) % 60, 2, 10, QLatin1Char('0'))
                       .arg(n % 60, 2, 10, QLatin1Char('0'))
                       .arg(n, 6, 10, QLatin1Char('0'))},
            {"surface", i % 3 == 0 ? "chatgpt_web" : "claude_web"},
            {"entities", QJsonObject{{"PERSON", 1}, {"EMAIL_ADDRESS", 2}}},
            {"tokens", QJsonArray{"[PERSON_1]", "[EMAIL_ADDRESS_1]", "[EMAIL_ADDRESS_2]"}},
            {"status", blocked ? "blocked" : "redacted"},
            {"route", "chat"},
        };
        if (blocked) {
            event.insert(QStringLiteral("reason"), QStringLiteral("secret key number %1").arg(n));
        }
        events.append(event);
    }
    return QJsonDocument(QJsonObject{{"events", events}, {"cursor", cursor + 200}}).toJson(QJsonDocument::Compact);
}

} // namespace

static void BM_PollCycle(benchmark::State& state) {
    Rig rig(std::chrono::hours(1)); // the loop polls once after the start; the benchmark does the rest
    if (!rig.start()) {
        state.SkipWithError("the stand-in gateway did not come up");
        return;
    }
    if (!rig.send(QStringLiteral("/fake/status"), {{"browser_bypass", findings}})) {
        state.SkipWithError("the gateway took no findings");
        return;
    }
    AppModel& model = *rig.model;
    qint64 cursor = 1000;
    double processUs = 0;
    for (auto _ : state) {
        // Queued outside the measure: the next events request takes it.
        const QJsonObject page{{"body", QString::fromUtf8(eventsPage(cursor))}};
        if (!rig.send(QStringLiteral("/fake/script"), {{"path", "/api/events"}, {"replies", QJsonArray{page}}})) {
            state.SkipWithError("the gateway took no events page");
            break;
        }
        cursor += 200;
        // A poll a second, as the loop makes them: the notices' cooldown and repeat window see
        // the time a real run would have taken.
        rig.stepClock(std::chrono::seconds(1));

        const double threadStart = cpuMicroseconds(RUSAGE_THREAD);
        const double processStart = cpuMicroseconds(RUSAGE_SELF);
        QCoro::waitFor(model.pollOnce());
        state.SetIterationTime((cpuMicroseconds(RUSAGE_THREAD) - threadStart) / 1e6);
        processUs += cpuMicroseconds(RUSAGE_SELF) - processStart;

        if (model.cursor() != cursor || model.protection().status() == std::nullopt) {
            state.SkipWithError("the poll did not take the page");
            break;
        }
    }
    state.counters["process_cpu_us"] = benchmark::Counter(processUs, benchmark::Counter::kAvgIterations);
    state.counters["events_held"] = static_cast<double>(model.activity().recentEvents().size());
}
BENCHMARK(BM_PollCycle)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

static void BM_IdleCost(benchmark::State& state) {
    const int seconds =
        qEnvironmentVariableIsSet("FERNHOLM_IDLE_SECONDS") ? qEnvironmentVariableIntValue("FERNHOLM_IDLE_SECONDS") : 60;
    Rig rig(std::chrono::milliseconds(1000));
    if (!rig.start()) {
        state.SkipWithError("the stand-in gateway did not come up");
        return;
    }
    // The launch's own stragglers (the providers, the data-key report) are not idling.
    waitFor([] { return false; }, std::chrono::seconds(2));
    int polls = 0;
    QObject::connect(rig.model.get(), &AppModel::pollEnded, rig.model.get(), [&polls] { ++polls; });
    for (auto _ : state) {
        const double start = cpuMicroseconds(RUSAGE_SELF);
        const auto wallStart = std::chrono::steady_clock::now();
        QEventLoop loop;
        QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
        loop.exec();
        const double wallUs =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - wallStart).count();
        const double cpuUs = cpuMicroseconds(RUSAGE_SELF) - start;
        state.SetIterationTime(cpuUs / 1e6);
        state.counters["cpu_percent"] = 100.0 * cpuUs / wallUs;
        state.counters["polls"] = polls;
        state.counters["cpu_us_per_poll"] = polls > 0 ? cpuUs / polls : 0.0;
    }
    if (rig.model->supervision().link() != SidecarLink::trusted) {
        state.SkipWithError("the gateway was not healthy throughout");
    }
}
BENCHMARK(BM_IdleCost)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

static void BM_StatusRequest(benchmark::State& state) {
    Rig rig(std::chrono::hours(1));
    if (!rig.start()) {
        state.SkipWithError("the stand-in gateway did not come up");
        return;
    }
    std::unique_ptr<QNetworkAccessManager> manager =
        state.range(0) == 0 ? std::make_unique<QNetworkAccessManager>() : std::make_unique<LoopbackManager>();
    manager->setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/api/status").arg(rig.model->config().port)));
    request.setRawHeader("Authorization", "Bearer " + rig.model->controlToken().value_or(QString()).toUtf8());
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(60'000);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    const auto once = [&] {
        QNetworkReply* reply = manager->get(request);
        BoundedReply bounded(reply, GatewaySession::replyAllowance, std::chrono::minutes(2));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(std::chrono::seconds(10), &loop, &QEventLoop::quit);
        if (!reply->isFinished()) {
            loop.exec();
        }
        const bool ok = reply->error() == QNetworkReply::NoError && !bounded.take().isEmpty();
        reply->deleteLater();
        return ok;
    };
    // The first exchange sets up what every later one shares (Qt's network thread, a connection).
    if (!once()) {
        state.SkipWithError("the status request failed");
        return;
    }
    double processUs = 0;
    for (auto _ : state) {
        const double threadStart = cpuMicroseconds(RUSAGE_THREAD);
        const double processStart = cpuMicroseconds(RUSAGE_SELF);
        const bool ok = once();
        state.SetIterationTime((cpuMicroseconds(RUSAGE_THREAD) - threadStart) / 1e6);
        processUs += cpuMicroseconds(RUSAGE_SELF) - processStart;
        if (!ok) {
            state.SkipWithError("the status request failed");
            break;
        }
    }
    state.counters["process_cpu_us"] = benchmark::Counter(processUs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StatusRequest)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "bench_poll_cycle.moc"
