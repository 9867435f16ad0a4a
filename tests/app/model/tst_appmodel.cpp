// The application model's start-up over the stand-in gateway, found through the real runtime
// lookup in a temporary checkout and launched for real; keychain, defaults, notifications, windows
// and the proxy tool are fakes.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/presentation/BypassNotifier.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "support/ClientFixtures.h"
#include "support/LoopbackPort.h"
#include "support/SidecarPrinters.h"

#include <QDateTime>
#include <QJsonArray>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

// Real launches, possibly under a sanitizer on a busy machine.
constexpr int patienceMs = 30'000;

// Defaults that note, for each write, whether the gateway had been started by then.
class WatchedDefaults final : public Defaults {
public:
    explicit WatchedDefaults(const StandInCheckout& checkout) : m_checkout(checkout) {}
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override {
        m_values.insert(key, value);
        writes.append(key + (m_checkout.dump().isEmpty() ? QLatin1String(" before launch") : QLatin1String(" after")));
    }
    void remove(const QString& key) override { m_values.remove(key); }
    void removeAll() override { m_values.clear(); }

    QStringList writes;

private:
    const StandInCheckout& m_checkout;
    QVariantMap m_values;
};

} // namespace

class AppModelTest : public QObject, public StandInModel {
    Q_OBJECT

    // The two lines the stand-in read on its standard input.
    QStringList stdinLines() const { return m_checkout->dump().value(QLatin1String("stdin")).toString().split(u'\n'); }

private Q_SLOTS:
    void init() {
        QVERIFY(setUpStandIn());
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        tearDownStandIn();
    }

    void startUp_data() {
        QTest::addColumn<Environment>("switches");
        QTest::addColumn<double>("readyTimeout");
        QTest::addColumn<SidecarState>("state");
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<QString>("tail");

        QTest::newRow("ready") << Environment{} << 20.0 << SidecarState::ready() << SidecarLink::trusted << QString();
        QTest::newRow("exits with 3") << Environment{{"FAKE_GW_EXIT_CODE", "3"}, {"FAKE_GW_STDERR_TEXT", "boom\n"}}
                                      << 20.0 << SidecarState::exited(3) << SidecarLink::checking << "boom\n";
        QTest::newRow("port in use") << Environment{{"FAKE_GW_PORT_IN_USE", "1"}} << 20.0 << SidecarState::exited(1)
                                     << SidecarLink::checking << "OSError: [Errno 98] Address already in use\n";
        // The child that never proves itself is stopped, and so is the link: a restart is offered.
        QTest::newRow("never proves itself")
            << Environment{{"FAKE_GW_WRONG_PROOF", "1"}} << 1.0
            << SidecarState::failed(QStringLiteral("control port {port} did not open within 1s"))
            << SidecarLink::stopped << QString();
    }
    void startUp() {
        QFETCH(Environment, switches);
        QFETCH(double, readyTimeout);
        QFETCH(SidecarState, state);
        QFETCH(SidecarLink, link);
        QFETCH(QString, tail);
        m_config.readyTimeout = Seconds(readyTimeout);
        state.reason.replace(QLatin1String("{port}"), QString::number(m_config.port));

        AppModel& model = startedModel(switches);
        QCOMPARE(model.supervision().sidecarState(), state);
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().link(), link, patienceMs);
        QVERIFY(model.runtime());
        QCOMPARE(model.runtime()->kind, RuntimeKind::repoVenv);
        // Only a proven gateway is polled for its status.
        QTRY_COMPARE(model.protection().status().has_value(), state == SidecarState::ready());
        // Noted at the launch: a child stopped before it could write anything down has one too.
        QCOMPARE(launchedPids().size(), 1);
        const qint64 pid = launchedPids().constFirst();

        switch (state.kind) {
        case SidecarState::Kind::ready:
            QCOMPARE(model.supervision().appError(), std::nullopt);
            QVERIFY(model.client().gate()->holds());
            QTRY_VERIFY(!model.protection().providers().isEmpty());
            QVERIFY(processExists(pid));
            QCOMPARE(m_fakes->studio.syncs.last(), (StudioSync{true, true}));
            break;
        case SidecarState::Kind::exited:
            QCOMPARE(model.supervision().appError(), startFailureText(state.code, tail));
            QCOMPARE(model.supervision().appErrorDetail(), tail);
            break;
        case SidecarState::Kind::failed:
            QCOMPARE(model.supervision().appError(), state.reason);
            QCOMPARE(model.supervision().appErrorDetail(), std::nullopt);
            QVERIFY(!processExists(pid));
            QVERIFY(!model.sidecar()->isRunning());
            break;
        default:
            QFAIL("no such outcome");
        }
        QCOMPARE(model.client().gate()->holds(), state == SidecarState::ready());

        // Once only: a second start() launches nothing, whatever became of the first.
        m_checkout->forgetDump();
        const SidecarProcess* first = model.sidecar();
        model.start();
        QCOMPARE(model.sidecar(), first);
        QCOMPARE(model.client().gate()->generation(), 1);
        QCOMPARE(m_checkout->dump(), QJsonObject());
    }

    void aStartThatNeverProvesItselfCanBeRestarted() {
        // The same limit holds for the restart, which must prove itself within it on a loaded
        // machine under the sanitizers: short enough for the first start to give up soon, no
        // shorter.
        m_config.readyTimeout = Seconds(5.0);
        AppModel& model = startedModel({{"FAKE_GW_WRONG_PROOF", "1"}});
        QTRY_COMPARE(model.supervision().link(), SidecarLink::stopped);
        const std::optional<QString> error = model.supervision().appError();
        QVERIFY(error);

        m_fakes->environment = m_checkout->environment();
        model.restartSidecar();
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().link(), SidecarLink::trusted, patienceMs);
        QTRY_VERIFY(!model.isReplacing());
        QCOMPARE(model.supervision().sidecarState(), SidecarState::ready());
        QCOMPARE(model.supervision().appError(), std::nullopt);
        QCOMPARE(model.client().gate()->generation(), 2);
        QVERIFY(processExists(m_checkout->dumpedPid()));
    }

    void withoutARuntimeNothingIsLaunched() {
        m_fakes->environment = Environment{{"HOME", m_checkout->repo()}};
        AppModel model(m_config, m_fakes->platform());
        QSignalSpy stateChanges(&model.supervision(), &Supervision::sidecarStateChanged);
        model.start();
        QCOMPARE(model.supervision().sidecarState(), SidecarState::failed(QStringLiteral("runtime not found")));
        QCOMPARE(model.supervision().appError(),
                 QStringLiteral("Could not locate a Python runtime. The bundled runtime is missing; for a dev run set "
                                "TARVINE_REPO to the project directory."));
        QCOMPARE(model.sidecar(), nullptr);
        QCOMPARE(model.runtime(), std::nullopt);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);

        model.start();
        QCOMPARE(stateChanges.size(), 1);
        QCOMPARE(m_checkout->dump(), QJsonObject());
    }

    void withoutRandomBytesThereIsNoToken() {
        m_fakes->random = [](std::span<uint8_t>) {
            return int32_t(-1);
        };
        AppModel& model = makeModel();
        QCOMPARE(model.controlToken(), std::nullopt);
        QCOMPARE(model.client().session()->authorization(), QByteArray("Bearer "));

        model.start();
        QCOMPARE(model.supervision().sidecarState(), SidecarState::failed(QStringLiteral("no control token")));
        QCOMPARE(model.supervision().appError(),
                 QStringLiteral("Could not start the gateway: the system gave no random bytes for its key."));
        QCOMPARE(model.runtime(), std::nullopt);
        QCOMPARE(model.sidecar(), nullptr);
        QCOMPARE(m_checkout->dump(), QJsonObject());
    }

    void aReplacedKeyIsNotedBeforeTheLaunchAndReportedAfterIt() {
        m_fakes->keychain->stored = QByteArray(16, 's'); // a value that can never be a key
        m_fakes->environment = m_checkout->environment();
        Platform platform = m_fakes->platform();
        auto defaults = std::make_shared<WatchedDefaults>(*m_checkout);
        platform.defaults = defaults;
        m_model = std::make_unique<AppModel>(m_config, platform);
        m_model->start();
        QTRY_COMPARE_WITH_TIMEOUT(m_model->supervision().sidecarState(), SidecarState::ready(), patienceMs);

        QCOMPARE(defaults->writes, QStringList{"dataKeyResetAt before launch"});
        // 1'700'000'000 s after 1970, in UTC, to the second.
        QCOMPARE(defaults->value(QStringLiteral("dataKeyResetAt")), QVariant(QStringLiteral("2023-11-14T22:13:20Z")));
        QVERIFY(m_fakes->keychain->stored);
        QCOMPARE(stdinLines().value(0).toLatin1(), m_fakes->keychain->stored->toHex());

        QTRY_VERIFY(gatewayRequests(*m_model).contains(QStringLiteral("POST /api/data_key_reset")));
        const auto status = gatewayExchange(*m_model, "GET", QStringLiteral("/api/status"));
        QVERIFY(status);
        QVERIFY(QString::fromUtf8(status.value()).contains(QLatin1String("2023-11-14T22:13:20Z")));
    }

    void anUnavailableKeyLaunchesWithoutOne() {
        m_fakes->keychain->copyStatuses = {keychain::notAvailable};
        AppModel& model = startedModel();
        QCOMPARE(model.supervision().sidecarState(), SidecarState::ready());
        QCOMPARE(stdinLines().value(0), QString());
        QCOMPARE(stdinLines().value(1), *model.controlToken());
        QCOMPARE(m_fakes->defaults->writes(), 0);
        QCOMPARE(m_fakes->keychain->adds, 0);
        QVERIFY(!gatewayRequests(model).contains(QStringLiteral("POST /api/data_key_reset")));
    }

    // A keyring that never answers holds the launch back by the bound, and not the window: then
    // the gateway starts without a key.
    void aHungKeychainDelaysTheLaunchByItsBound() {
        m_fakes->keychain->hold();
        const auto release = qScopeGuard([this] { m_fakes->keychain->release(); });
        m_config.keychainBound = std::chrono::milliseconds(1000);
        AppModel& model = makeModel();
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(50);
        const qint64 startedMs = QDateTime::currentMSecsSinceEpoch();
        model.start();
        QCOMPARE(model.supervision().sidecarState(), SidecarState::starting());
        QVERIFY(m_fakes->keychain->waitUntilHolding());
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::ready(), patienceMs);

        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        const qint64 launchedMs = m_checkout->dump().value(QLatin1String("started_us")).toInteger() / 1000;
        QVERIFY2(launchedMs - startedMs >= 900, qPrintable(QString::number(launchedMs - startedMs)));
        QCOMPARE(stdinLines().value(0), QString());
        QCOMPARE(m_fakes->defaults->writes(), 0);
    }

    // The exit of a process that is no longer the current launch reaches nothing.
    void anOldLaunchsExitChangesNothing() {
        AppModel& model = startedModel();
        QCOMPARE(model.supervision().sidecarState(), SidecarState::ready());
        const std::function<void()> oldExit = model.sidecar()->onExit;
        model.replaceSidecar();
        QTRY_VERIFY_WITH_TIMEOUT(!model.isReplacing(), patienceMs);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);
        QCOMPARE(model.client().gate()->generation(), 2);

        oldExit();
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QVERIFY(model.client().gate()->holds());
        QCOMPARE(model.watch().link(), SidecarLink::trusted);
        QCOMPARE(model.supervision().link(), SidecarLink::trusted);

        // The current one's does.
        model.sidecar()->onExit();
        QVERIFY(!model.client().gate()->holds());
        QTRY_COMPARE(model.supervision().link(), SidecarLink::checking);
    }

    void aClickNavigatesWithOrWithoutAWindow_data() {
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<bool>("hasWindow");
        QTest::addColumn<int>("activity");
        QTest::addColumn<int>("home");
        QTest::newRow("blocked") << blockNotificationIdentifier << true << 1 << 0;
        QTest::newRow("blocked, no window") << blockNotificationIdentifier << false << 1 << 0;
        QTest::newRow("bypass") << bypassNotificationPrefix + QStringLiteral("firefox") << true << 0 << 1;
        QTest::newRow("bypass, no window") << bypassNotificationPrefix + QStringLiteral("firefox") << false << 0 << 1;
    }
    void aClickNavigatesWithOrWithoutAWindow() {
        QFETCH(QString, identifier);
        QFETCH(bool, hasWindow);
        QFETCH(int, activity);
        QFETCH(int, home);
        m_fakes->windows->hasWindow = hasWindow;
        m_fakes->environment = {};
        AppModel model(m_config, m_fakes->platform());
        model.start(); // no runtime: the notifier is there all the same
        m_fakes->notifications->click(identifier);
        QCOMPARE(m_fakes->windows->activations, 1);
        QCOMPARE(model.activityRequest(), activity);
        QCOMPARE(model.homeRequest(), home);
    }

    // Views set the state of a model that runs nothing; each setter signals real changes only,
    // and a new error line takes its detail with it.
    void settersSignalChangesOnly() {
        AppModel model(m_config, m_fakes->platform());
        QSignalSpy errors(&model.supervision(), &Supervision::appErrorChanged);
        AppModelAccess::setAppError(model, QStringLiteral("broken"));
        AppModelAccess::setAppErrorDetail(model, QStringLiteral("trace"));
        AppModelAccess::setAppErrorDetail(model, QStringLiteral("trace"));
        QCOMPARE(errors.size(), 2);
        AppModelAccess::setAppError(model, QStringLiteral("broken"));
        QCOMPARE(model.supervision().appErrorDetail(), std::nullopt);
        QCOMPARE(errors.size(), 3);

        QSignalSpy links(&model.supervision(), &Supervision::linkChanged);
        AppModelAccess::setLink(model, SidecarLink::trusted);
        AppModelAccess::setLink(model, SidecarLink::stopped);
        QCOMPARE(links.size(), 1);

        QSignalSpy rules(&model.redactionDraft(), &RedactionDraft::changed);
        RedactionPage edited;
        edited.allowlist = {QStringLiteral("ACME")};
        RedactionDraftAccess::setEdited(model.redactionDraft(), edited);
        QVERIFY(model.redactionDraft().hasChanges());
        RedactionDraftAccess::setSaved(model.redactionDraft(), edited);
        QVERIFY(!model.redactionDraft().hasChanges());
        QCOMPARE(rules.size(), 2);
        QCOMPARE(m_checkout->dump(), QJsonObject());
    }
};

QTEST_GUILESS_MAIN(AppModelTest)
#include "tst_appmodel.moc"
