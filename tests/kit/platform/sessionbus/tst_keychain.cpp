// Runs against a real Secret Service on a private bus: see with-secret-service.sh.
#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/platform/SystemKeychain.h"

#include "support/SecretServiceBus.h"

#include <QScopeGuard>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test::secrets;

namespace fernholm {
inline char* toString(const KeychainCopy& copy) {
    return QTest::toString(
        QStringLiteral("status %1, %2")
            .arg(copy.status)
            .arg(copy.bytes ? QString::fromLatin1(copy.bytes->toHex()) : QStringLiteral("no bytes")));
}
} // namespace fernholm

class KeychainTest : public QObject {
    Q_OBJECT

    SystemKeychain m_item;

private Q_SLOTS:
    void initTestCase() {
        registerTypes();
        // The wrapper set a service up; from here on, a service that does not answer is a failure.
        QVERIFY2(qEnvironmentVariable("FERNHOLM_SECRET_SERVICE") == QLatin1String("1"),
                 "run through tests/support/with-secret-service.sh (ctest does)");
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no session bus");
    }
    void init() {
        const int32_t status = m_item.deleteItem();
        QVERIFY2(status == keychain::success || status == keychain::itemNotFound, QByteArray::number(status));
    }

    void addCopyDelete() {
        QCOMPARE(m_item.copy(), (KeychainCopy{keychain::itemNotFound, std::nullopt}));
        QCOMPARE(m_item.deleteItem(), keychain::itemNotFound);

        QByteArray bytes;
        for (int i = 0; i < 32; ++i) {
            bytes.append(static_cast<char>(i * 8)); // zero bytes and bytes above 127 included
        }
        QCOMPARE(m_item.add(bytes), keychain::success);
        QCOMPARE(m_item.copy(), (KeychainCopy{keychain::success, bytes}));
        QCOMPARE(m_item.add(QByteArray(32, 'x')), keychain::duplicateItem);
        QCOMPARE(m_item.copy(), (KeychainCopy{keychain::success, bytes}));

        QCOMPARE(m_item.deleteItem(), keychain::success);
        QCOMPARE(m_item.copy(), (KeychainCopy{keychain::itemNotFound, std::nullopt}));
    }

    void itemCarriesItsAttributesAndLabel() {
        QCOMPARE(m_item.add(QByteArray(32, 'k')), keychain::success);
        const auto found = searchItems(DataKey::baseQuery());
        QCOMPARE(found.size(), 1);
        QCOMPARE(itemProperty(found.first(), QStringLiteral("Label")).toString(), QStringLiteral("Tarvine data key"));
        QVERIFY(searchItems({{"service", "com.orvendale.tarvine"}, {"account", "other"}}).isEmpty());
    }

    // A locked keyring whose unlock prompt nobody answers (no prompter exists on the private bus)
    // must not look empty: a new key in place of the stored one would make everything the gateway
    // protected with it unreadable.
    void lockedItemIsNeitherMissingNorReplaced_data() {
        QTest::addColumn<bool>("otherCollection"); // else the default one, where new items go
        QTest::newRow("in the default collection") << false;
        QTest::newRow("in another collection") << true;
    }
    void lockedItemIsNeitherMissingNorReplaced() {
        QFETCH(bool, otherCollection);
        QByteArray stored;
        for (int i = 0; i < 32; ++i) {
            stored.append(static_cast<char>(255 - i));
        }

        QDBusObjectPath collection = defaultCollection();
        // The wrapper unlocked the login keyring with one line feed as its password.
        QByteArray password("\n");
        if (otherCollection) {
            password = "other";
            collection = createCollection(QStringLiteral("Other"), password);
            QVERIFY2(collection.path().startsWith(QLatin1String("/org/freedesktop/secrets/collection/")),
                     qPrintable(collection.path()));
            QVERIFY(storeIn(collection, stored));
        } else {
            QCOMPARE(m_item.add(stored), keychain::success);
        }
        const auto cleanup = qScopeGuard([&] {
            unlock(collection, password);
            if (otherCollection) {
                deleteCollection(collection);
            }
        });
        QCOMPARE(m_item.copy(), (KeychainCopy{keychain::success, stored}));
        QVERIFY(lock(collection));

        const KeychainCopy locked = m_item.copy();
        QVERIFY2(locked.status != keychain::success && locked.status != keychain::itemNotFound,
                 QByteArray::number(locked.status));
        QCOMPARE(locked.bytes, std::nullopt);
        QVERIFY(m_item.add(QByteArray(32, 'n')) != keychain::success);
        QCOMPARE(DataKey::read(m_item), DataKeyRead::none());

        QVERIFY(unlock(collection, password));
        QCOMPARE(m_item.copy(), (KeychainCopy{keychain::success, stored}));
        QCOMPARE(searchItems(DataKey::baseQuery()).size(), 1);
    }

    void dataKeyEndToEnd() {
        const DataKeyRead made = DataKey::read(m_item);
        QCOMPARE(made.kind, DataKeyRead::Kind::key);
        QCOMPARE(made.bytes.size(), DataKey::length);
        QCOMPARE(DataKey::read(m_item), made);
        QCOMPARE(DataKey::load(), std::optional(made.bytes));

        // A value of the wrong length is replaced by a new key.
        QCOMPARE(m_item.deleteItem(), keychain::success);
        QCOMPARE(m_item.add(QByteArray(16, 's')), keychain::success);
        const DataKeyRead replaced = DataKey::read(m_item);
        QCOMPARE(replaced.kind, DataKeyRead::Kind::replaced);
        QCOMPARE(replaced.bytes.size(), DataKey::length);
        QVERIFY(replaced.bytes != made.bytes);
        QCOMPARE(m_item.copy().bytes, std::optional(replaced.bytes));

        DataKey::deleteItem();
        QCOMPARE(m_item.copy().status, keychain::itemNotFound);
    }
};

QTEST_GUILESS_MAIN(KeychainTest)
#include "tst_keychain.moc"
