#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/supervision/RelaunchGate.h"
#include "support/KitPrinters.h"
#include "support/MemoryKeychain.h"

#include <QCoroTask>
#include <QTest>
#include <QThreadPool>
#include <QTimer>

using namespace fernholm;
using fernholm::test::MemoryKeychain;

namespace {

using Statuses = QList<int32_t>;
constexpr int32_t accessDenied = -25293;

// Random bytes that tell the keys apart: the n-th key drawn is 32 bytes of value 0xa0 + n.
struct CountingRandom {
    std::shared_ptr<int> draws = std::make_shared<int>(0);
    bool fails = false;

    int32_t operator()(std::span<uint8_t> buffer) const {
        if (fails) {
            return -1;
        }
        ++*draws;
        std::fill(buffer.begin(), buffer.end(), static_cast<uint8_t>(0xa0 + *draws));
        return 0;
    }
};

QByteArray drawn(int n) {
    return QByteArray(DataKey::length, static_cast<char>(0xa0 + n));
}

std::deque<int32_t> queue(const Statuses& statuses) {
    return {statuses.cbegin(), statuses.cend()};
}

using namespace std::chrono_literals;

// Counts the turns of the event loop that waits for a task: a call that blocks its thread lets
// none pass.
struct Ticks {
    QTimer timer;
    int count = 0;
    Ticks() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++count; });
        timer.start(5ms);
    }
};

// Lets the keychain work that a call gave up on run to its end.
void drainKeychainWork() {
    QVERIFY(DataKey::waitForWorkers(10s));
}

enum class Call { forStart, retry };

} // namespace

Q_DECLARE_METATYPE(Call)

class DataKeyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data() {
        QTest::addColumn<std::optional<QByteArray>>("stored");
        QTest::addColumn<Statuses>("copyStatuses");
        QTest::addColumn<Statuses>("addStatuses");
        QTest::addColumn<Statuses>("deleteStatuses");
        QTest::addColumn<bool>("randomFails");
        QTest::addColumn<DataKeyRead>("expected");
        QTest::addColumn<std::optional<QByteArray>>("storedAfter");
        QTest::addColumn<int>("adds");
        QTest::addColumn<int>("deletes");

        const QByteArray valid(32, 'k');
        const QByteArray short16(16, 's');
        const auto none = std::optional<QByteArray>();
        QTest::newRow("empty keychain") << none << Statuses{} << Statuses{} << Statuses{} << false
                                        << DataKeyRead::found(drawn(1)) << std::optional(drawn(1)) << 1 << 0;
        QTest::newRow("valid key") << std::optional(valid) << Statuses{} << Statuses{} << Statuses{} << false
                                   << DataKeyRead::found(valid) << std::optional(valid) << 0 << 0;
        QTest::newRow("16 bytes stored") << std::optional(short16) << Statuses{} << Statuses{} << Statuses{} << false
                                         << DataKeyRead::replacedBy(drawn(1)) << std::optional(drawn(1)) << 1 << 1;
        QTest::newRow("33 bytes stored") << std::optional(QByteArray(33, 'l')) << Statuses{} << Statuses{} << Statuses{}
                                         << false << DataKeyRead::replacedBy(drawn(1)) << std::optional(drawn(1)) << 1
                                         << 1;
        QTest::newRow("16 bytes whose delete fails")
            << std::optional(short16) << Statuses{} << Statuses{} << Statuses{accessDenied} << false
            << DataKeyRead::none() << std::optional(short16) << 0 << 1;
        QTest::newRow("copy refused") << std::optional(valid) << Statuses{accessDenied} << Statuses{} << Statuses{}
                                      << false << DataKeyRead::none() << std::optional(valid) << 0 << 0;
        QTest::newRow("copy refused, nothing stored") << none << Statuses{accessDenied} << Statuses{} << Statuses{}
                                                      << false << DataKeyRead::none() << none << 0 << 0;
        QTest::newRow("success without bytes")
            << std::optional(valid) << Statuses{keychain::success} << Statuses{} << Statuses{} << false
            << DataKeyRead::none() << std::optional(valid) << 0 << 0;
        QTest::newRow("empty keychain, random fails")
            << none << Statuses{} << Statuses{} << Statuses{} << true << DataKeyRead::none() << none << 0 << 0;
        QTest::newRow("empty keychain, add refused") << none << Statuses{} << Statuses{accessDenied} << Statuses{}
                                                     << false << DataKeyRead::none() << none << 1 << 0;
        QTest::newRow("16 bytes, random fails after the delete")
            << std::optional(short16) << Statuses{} << Statuses{} << Statuses{} << true << DataKeyRead::none() << none
            << 0 << 1;
    }
    void read() {
        QFETCH(std::optional<QByteArray>, stored);
        QFETCH(Statuses, copyStatuses);
        QFETCH(Statuses, addStatuses);
        QFETCH(Statuses, deleteStatuses);
        QFETCH(bool, randomFails);
        QFETCH(DataKeyRead, expected);
        QFETCH(std::optional<QByteArray>, storedAfter);
        QFETCH(int, adds);
        QFETCH(int, deletes);

        MemoryKeychain item;
        item.stored = stored;
        item.copyStatuses = queue(copyStatuses);
        item.addStatuses = queue(addStatuses);
        item.deleteStatuses = queue(deleteStatuses);
        CountingRandom random;
        random.fails = randomFails;

        QCOMPARE(DataKey::read(item, random), expected);
        QCOMPARE(item.stored, storedAfter);
        QCOMPARE(item.adds, adds);
        QCOMPARE(item.deletes, deletes);
        QCOMPARE(expected.key().has_value(), expected.kind != DataKeyRead::Kind::unavailable);
    }

    void keyMadeOnceIsReadAgain() {
        MemoryKeychain item;
        const DataKeyRead first = DataKey::read(item);
        QCOMPARE(first.kind, DataKeyRead::Kind::key);
        QCOMPARE(first.bytes.size(), DataKey::length);
        QCOMPARE(DataKey::read(item), first);
        QCOMPARE(item.adds, 1);
    }

    void retryKeepsItsReadForTheNextStart() {
        auto item = std::make_shared<MemoryKeychain>();
        CountingRandom random;
        DataKeySource source(item, random);

        QCOMPARE(source.retry(), std::optional(drawn(1)));
        QCOMPARE(source.pending(), std::optional(DataKeyRead::found(drawn(1))));
        const int copiesAfterRetry = item->copies;

        QCOMPARE(source.forStart(), DataKeyRead::found(drawn(1)));
        QCOMPARE(item->copies, copiesAfterRetry); // the kept read, not a second one
        QCOMPARE(source.pending(), std::nullopt);

        QCOMPARE(source.forStart(), DataKeyRead::found(drawn(1)));
        QCOMPARE(item->copies, copiesAfterRetry + 1);
    }

    void retryThatReplacedIsWhatTheNextStartReports() {
        auto item = std::make_shared<MemoryKeychain>();
        item->stored = QByteArray(16, 's');
        DataKeySource source(item, CountingRandom{});
        QCOMPARE(source.retry(), std::optional(drawn(1)));
        QCOMPARE(source.forStart(), DataKeyRead::replacedBy(drawn(1)));
    }

    void refusedRetryLeavesWhatWasKept() {
        auto item = std::make_shared<MemoryKeychain>();
        DataKeySource source(item, CountingRandom{});

        // Nothing kept: the refused retry keeps nothing, and the start reads for itself.
        item->copyStatuses = {accessDenied};
        QCOMPARE(source.retry(), std::nullopt);
        QCOMPARE(source.pending(), std::nullopt);
        QCOMPARE(source.forStart(), DataKeyRead::found(drawn(1)));
        QCOMPARE(item->copies, 2);

        // A kept read survives a later refused retry.
        QCOMPARE(source.retry(), std::optional(drawn(1)));
        item->copyStatuses = {accessDenied};
        QCOMPARE(source.retry(), std::nullopt);
        QCOMPARE(source.pending(), std::optional(DataKeyRead::found(drawn(1))));
        const int copies = item->copies;
        QCOMPARE(source.forStart(), DataKeyRead::found(drawn(1)));
        QCOMPARE(item->copies, copies);
    }

    void refusedStartGivesNoKey() {
        auto item = std::make_shared<MemoryKeychain>();
        item->copyStatuses = {accessDenied};
        DataKeySource source(item, CountingRandom{});
        const DataKeyRead read = source.forStart();
        QCOMPARE(read, DataKeyRead::none());
        QCOMPARE(read.key(), std::nullopt);
        QCOMPARE(item->adds, 0);
    }

    void awaitableCallsAnswerAsTheBlockingOnes() {
        auto item = std::make_shared<MemoryKeychain>();
        CountingRandom random;
        DataKeySource source(item, random, 5s);

        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::found(drawn(1)));
        QCOMPARE(source.pending(), std::nullopt);
        QCOMPARE(QCoro::waitFor(source.retryAsync()), std::optional(drawn(1)));
        QCOMPARE(source.pending(), std::optional(DataKeyRead::found(drawn(1))));
        const int copies = item->copies;
        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::found(drawn(1)));
        QCOMPARE(item->copies, copies); // the kept read, not a second one
        QCOMPARE(source.pending(), std::nullopt);

        item->copyStatuses = {accessDenied};
        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::none());
        QCOMPARE(QCoro::waitFor(DataKey::deleteItemAsync(item, 5s)), keychain::success);
        QCOMPARE(item->stored, std::nullopt);
        QCOMPARE(QCoro::waitFor(DataKey::deleteItemAsync(item, 5s)), keychain::itemNotFound);
    }

    void keychainWorkRunsOffTheCallersThread() {
        auto item = std::make_shared<MemoryKeychain>();
        DataKeySource source(item, CountingRandom{}, 5s);
        Ticks ticks;
        item->hold();
        QTimer::singleShot(100ms, [&] {
            if (item->waitUntilHolding()) {
                item->release();
            }
        });
        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::found(drawn(1)));
        QVERIFY2(ticks.count > 0, "the event loop stood still while the keychain was read");
    }

    // A store that does not answer: the call gives up at its bound with the keychain's
    // "unavailable", the event loop turns meanwhile, and the read it let go of writes nothing
    // when the store comes back, neither a new key nor the replacement of a short one.
    void storeThatDoesNotAnswer_data() {
        QTest::addColumn<Call>("call");
        QTest::addColumn<std::optional<QByteArray>>("stored");
        const auto none = std::optional<QByteArray>();
        QTest::newRow("start, empty keychain") << Call::forStart << none;
        QTest::newRow("start, 16 bytes stored") << Call::forStart << std::optional(QByteArray(16, 's'));
        QTest::newRow("retry, empty keychain") << Call::retry << none;
        QTest::newRow("retry, 16 bytes stored") << Call::retry << std::optional(QByteArray(16, 's'));
    }
    void storeThatDoesNotAnswer() {
        QFETCH(Call, call);
        QFETCH(std::optional<QByteArray>, stored);
        auto item = std::make_shared<MemoryKeychain>();
        item->stored = stored;
        CountingRandom random;
        DataKeySource source(item, random, 100ms);

        item->hold();
        Ticks ticks;
        if (call == Call::forStart) {
            QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::none());
        } else {
            QCOMPARE(QCoro::waitFor(source.retryAsync()), std::nullopt);
        }
        QVERIFY(ticks.count > 0);
        QCOMPARE(source.pending(), std::nullopt);

        QVERIFY(item->waitUntilHolding());
        item->release();
        drainKeychainWork();
        QCOMPARE(item->copies, 1);
        QCOMPARE(item->adds, 0);
        QCOMPARE(item->deletes, 0);
        QCOMPARE(item->stored, stored);
    }

    void retryThatTimesOutKeepsWhatWasKept() {
        auto item = std::make_shared<MemoryKeychain>();
        DataKeySource source(item, CountingRandom{}, 100ms);
        QCOMPARE(QCoro::waitFor(source.retryAsync()), std::optional(drawn(1)));
        item->hold();
        QCOMPARE(QCoro::waitFor(source.retryAsync()), std::nullopt);
        QCOMPARE(source.pending(), std::optional(DataKeyRead::found(drawn(1))));
        item->release();
        drainKeychainWork();
    }

    // A delete after a read that the store does not answer does not wait behind that read: once
    // the store answers again, the delete is done while the read stays stuck.
    void deleteAfterAStuckReadGoesToTheStore() {
        auto item = std::make_shared<MemoryKeychain>();
        item->stored = QByteArray(32, 'k');
        DataKeySource source(item, CountingRandom{}, 100ms);
        item->hold();
        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::none());
        QVERIFY(item->waitUntilHolding());
        item->letLaterOnesThrough();
        QCOMPARE(QCoro::waitFor(DataKey::deleteItemAsync(item, 10s)), keychain::success);
        QCOMPARE(item->stored, std::nullopt);
        item->release();
        drainKeychainWork();
        QCOMPARE(item->deletes, 1);
    }

    // The store came back while the start's read stays stuck in it: the retry does not wait behind
    // that read, and finds the key.
    void retryAfterAStuckReadReachesTheStore() {
        auto item = std::make_shared<MemoryKeychain>();
        item->stored = QByteArray(32, 'k');
        // Long enough for the retry's own read to end well within it on a busy machine.
        DataKeySource source(item, CountingRandom{}, 3s);
        item->hold();
        QCOMPARE(QCoro::waitFor(source.forStartAsync()), DataKeyRead::none());
        QVERIFY(item->waitUntilHolding());
        item->letLaterOnesThrough();
        QCOMPARE(QCoro::waitFor(source.retryAsync()), std::optional(QByteArray(32, 'k')));
        QCOMPARE(source.pending(), std::optional(DataKeyRead::found(QByteArray(32, 'k'))));
        item->release();
        drainKeychainWork();
        QCOMPARE(item->copies, 2);
        QCOMPARE(item->adds, 0);
    }

    // The owner may let go of the source while a retry waits for the store.
    void sourceGoneDuringARetry() {
        auto item = std::make_shared<MemoryKeychain>();
        auto source = std::make_unique<DataKeySource>(item, CountingRandom{}, 5s);
        item->hold();
        QCoro::Task<std::optional<QByteArray>> retry = source->retryAsync();
        QVERIFY(item->waitUntilHolding());
        source.reset();
        item->release();
        QCOMPARE(QCoro::waitFor(std::move(retry)), std::optional(drawn(1)));
        QCOMPARE(item->stored, std::optional(drawn(1)));
    }

    void postponeShutsDownBeforeInstalling() {
        QStringList steps;
        const RelaunchGate gate{[&] {
            steps << QStringLiteral("shutdown");
        }};
        QVERIFY(gate.postpone([&] { steps << QStringLiteral("install"); }));
        QCOMPARE(steps, QStringList({"shutdown", "install"}));
    }

    // A finished download announces an install on quit long before the quit: the gateway keeps
    // running (and may still be restarted) until the quit itself shuts it down.
    void installOnQuitStopsNothing() {
        int shutdowns = 0;
        const RelaunchGate gate{[&] {
            ++shutdowns;
        }};
        QVERIFY(!gate.beforeInstallOnQuit());
        QCOMPARE(shutdowns, 0);
    }
};

QTEST_GUILESS_MAIN(DataKeyTest)
#include "tst_datakey.moc"
