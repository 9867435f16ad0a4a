#include "FernholmKit/DataKey.h"
#include "FernholmKit/RelaunchGate.h"
#include "support/MemoryKeychain.h"

#include <QTest>

using namespace fernholm;
using fernholm::test::MemoryKeychain;

namespace fernholm {
inline char* toString(const DataKeyRead& read) {
    static const char* const kinds[] = {"key", "replaced", "unavailable"};
    return QTest::toString(QStringLiteral("%1(%2)")
                               .arg(QLatin1String(kinds[static_cast<int>(read.kind)]))
                               .arg(QString::fromLatin1(read.bytes.toHex())));
}
} // namespace fernholm

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

} // namespace

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

    void postponeShutsDownBeforeInstalling() {
        QStringList steps;
        const RelaunchGate gate{[&] {
            steps << QStringLiteral("shutdown");
        }};
        QVERIFY(gate.postpone([&] { steps << QStringLiteral("install"); }));
        QCOMPARE(steps, QStringList({"shutdown", "install"}));
        steps.clear();
        gate.beforeInstallOnQuit();
        QCOMPARE(steps, QStringList({"shutdown"}));
    }
};

QTEST_GUILESS_MAIN(DataKeyTest)
#include "tst_datakey.moc"
