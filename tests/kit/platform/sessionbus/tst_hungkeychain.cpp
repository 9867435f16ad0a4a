// Runs on a private session bus without a keyring daemon: see with-secret-service.sh --keyring none.
// The test itself owns the Secret Service's name there and never answers a call, as a hung or
// stopped daemon would not.
#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/platform/SystemKeychain.h"
#include "support/KitPrinters.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

#include <QCoroTask>

#include <mutex>

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

    // Runs the call while counting the event loop's turns; answers what it answered.
    template <typename T> T timed(QCoro::Task<T> task, qint64& elapsed, int& ticks) {
        QTimer ticker;
        ticks = 0;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(10ms);
        QElapsedTimer clock;
        clock.start();
        T answer = QCoro::waitFor(std::move(task));
        elapsed = clock.elapsed();
        return answer;
    }

    void checkBounded(qint64 elapsed, int ticks) {
        // It waited for the store (timers may fire a little early), and gave up long before the
        // store's own calls would have failed.
        QVERIFY2(elapsed >= bound.count() / 2, qPrintable(QString::number(elapsed)));
        QVERIFY2(elapsed < 10'000, qPrintable(QString::number(elapsed)));
        QVERIFY2(ticks > 0, "the event loop stood still while the keychain was asked");
        QVERIFY(m_service.calls() > 0);
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
        qint64 elapsed = 0;
        int ticks = 0;
        QCOMPARE(timed(source.forStartAsync(), elapsed, ticks), DataKeyRead::none());
        checkBounded(elapsed, ticks);
    }

    void retryGivesNoKeyWithinTheBound() {
        DataKeySource source(std::make_shared<SystemKeychain>(), secureRandomFill, bound);
        qint64 elapsed = 0;
        int ticks = 0;
        QCOMPARE(timed(source.retryAsync(), elapsed, ticks), std::nullopt);
        checkBounded(elapsed, ticks);
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
        qint64 elapsed = 0;
        int ticks = 0;
        QCOMPARE(timed(DataKey::deleteItemAsync(std::make_shared<SystemKeychain>(), bound), elapsed, ticks),
                 keychain::notAvailable);
        checkBounded(elapsed, ticks);
    }
};

QTEST_GUILESS_MAIN(HungKeychainTest)
#include "tst_hungkeychain.moc"
