// Runs on a private session bus without a keyring daemon: see with-secret-service.sh --keyring none.
// The test itself owns the Secret Service's name there and never answers a call, as a hung or
// stopped daemon would not.
#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/platform/SystemKeychain.h"
#include "support/KitPrinters.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <QCoroTask>

#include <memory>
#include <mutex>
#include <optional>

using namespace fernholm;
using namespace std::chrono_literals;

namespace {

// Takes every call to any object path and answers none of them, until it is told to refuse
// them all, those it kept waiting included.
class SilentService final : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.type() != QDBusMessage::MethodCallMessage) {
            return false;
        }
        std::lock_guard lock(m_lock);
        ++m_calls;
        if (m_refusing) {
            connection.send(refusal(message));
        } else {
            m_waiting.append(message);
        }
        return true;
    }

    int calls() const {
        std::lock_guard lock(m_lock);
        return m_calls;
    }
    // Calls taken and not answered yet.
    qsizetype waiting() const {
        std::lock_guard lock(m_lock);
        return m_waiting.size();
    }
    void refuseAll(const QDBusConnection& connection) {
        std::lock_guard lock(m_lock);
        m_refusing = true;
        for (const QDBusMessage& message : std::as_const(m_waiting)) {
            connection.send(refusal(message));
        }
        m_waiting.clear();
    }

private:
    static QDBusMessage refusal(const QDBusMessage& message) {
        return message.createErrorReply(QDBusError::Failed, QStringLiteral("the stand-in is leaving"));
    }

    mutable std::mutex m_lock;
    int m_calls = 0;
    bool m_refusing = false;
    QList<QDBusMessage> m_waiting;
};

const QString standInConnection = QStringLiteral("silent-secret-service");

// Well short of the bus's own 25 s reply time-out, after which the store's calls would fail
// by themselves.
constexpr auto bound = 500ms;

} // namespace

class HungKeychainTest : public QObject {
    Q_OBJECT

    SilentService m_service;

    // What a call answered, and what the event loop and the store did meanwhile.
    template <typename T> struct Outcome {
        std::optional<T> answer;
        int ticks = 0;           // turns of a 10 ms timer while the call ran
        qsizetype unanswered = 0; // calls the store still held when the answer came
    };

    // Runs the call, waiting up to 10 s for its answer (the bus's own reply time-out is 25 s).
    template <typename T> Outcome<T> run(QCoro::Task<T> task) {
        auto outcome = std::make_shared<Outcome<T>>();
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [outcome] { ++outcome->ticks; });
        ticker.start(10ms);
        const auto await = [](QCoro::Task<T> call, std::shared_ptr<Outcome<T>> into,
                              const SilentService* service) -> QCoro::Task<> {
            T answer = co_await std::move(call);
            into->unanswered = service->waiting();
            into->answer = std::move(answer);
        };
        QCoro::Task<> awaiting = await(std::move(task), outcome, &m_service);
        // Without an answer in time the outcome says so; the call finishes later on its own state.
        [[maybe_unused]] const bool answered =
            QTest::qWaitFor([outcome] { return outcome->answer.has_value(); }, 10'000);
        return *outcome;
    }

    template <typename T> void checkBounded(const Outcome<T>& outcome) {
        // It asked the store and gave up while the store still kept it waiting, without holding
        // up the event loop meanwhile.
        QVERIFY2(outcome.answer, "no answer within 10 s");
        QVERIFY(m_service.calls() > 0);
        QVERIFY2(outcome.unanswered > 0, "the answer came after the store had let go of the call");
        QVERIFY2(outcome.ticks > 0, "the event loop stood still while the keychain was asked");
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(qEnvironmentVariable("FERNHOLM_PRIVATE_BUS") == QLatin1String("1"),
                 "run through tests/support/with-secret-service.sh --keyring none (ctest does)");
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, standInConnection);
        QVERIFY2(bus.isConnected(), "no session bus");
        QVERIFY(bus.registerVirtualObject(QStringLiteral("/"), &m_service, QDBusConnection::SubPath));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.secrets")));
    }
    void cleanupTestCase() {
        // With error replies the work that was let go of ends, before the program does. The
        // stand-in takes calls on this thread, which must keep turning meanwhile.
        m_service.refuseAll(QDBusConnection(standInConnection));
        QTRY_VERIFY_WITH_TIMEOUT(DataKey::waitForWorkers(0ms), 30'000);
        QDBusConnection::disconnectFromBus(standInConnection);
    }

    void startGivesNoKeyWithinTheBound() {
        DataKeySource source(std::make_shared<SystemKeychain>(), secureRandomFill, bound);
        const auto outcome = run(source.forStartAsync());
        checkBounded(outcome);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(*outcome.answer, DataKeyRead::none());
    }

    void retryGivesNoKeyWithinTheBound() {
        DataKeySource source(std::make_shared<SystemKeychain>(), secureRandomFill, bound);
        const auto outcome = run(source.retryAsync());
        checkBounded(outcome);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(*outcome.answer, std::nullopt);
        QCOMPARE(source.pending(), std::nullopt);
    }

    // The start's read stays stuck in the service; a retry does not queue behind it but asks the
    // service itself (a service that came back would answer it).
    void retryIsNotQueuedBehindAStuckRead() {
        DataKeySource source(std::make_shared<SystemKeychain>(), secureRandomFill, bound);
        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::none());
        const int before = m_service.calls();
        QVERIFY(before > 0);
        QCoro::Task<std::optional<QByteArray>> retry = source.retryAsync();
        QTRY_VERIFY_WITH_TIMEOUT(m_service.calls() > before, 10'000);
        QCOMPARE(QCoro::waitFor(std::move(retry)), std::nullopt);
    }

    void deleteIsUnavailableWithinTheBound() {
        const auto outcome = run(DataKey::deleteItemAsync(std::make_shared<SystemKeychain>(), bound));
        checkBounded(outcome);
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(*outcome.answer, keychain::notAvailable);
    }
};

QTEST_GUILESS_MAIN(HungKeychainTest)
#include "tst_hungkeychain.moc"
