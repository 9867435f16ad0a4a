// Runs against a real Secret Service on a private bus: see with-secret-service.sh.
#include "FernholmKit/DataKey.h"
#include "FernholmKit/platform/SystemKeychain.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTest>

using namespace fernholm;

namespace fernholm {
inline char* toString(const KeychainCopy& copy) {
    return QTest::toString(
        QStringLiteral("status %1, %2")
            .arg(copy.status)
            .arg(copy.bytes ? QString::fromLatin1(copy.bytes->toHex()) : QStringLiteral("no bytes")));
}
} // namespace fernholm

namespace {

using Attributes = QMap<QString, QString>;

QDBusMessage secretCall(const QString& path, const QString& interface, const QString& method,
                        const QVariantList& arguments) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"), path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 10'000);
}

// The items the service finds for the attributes, unlocked and locked together.
QList<QDBusObjectPath> searchItems(const Attributes& attributes) {
    const QDBusMessage reply =
        secretCall(QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
                   QStringLiteral("SearchItems"), {QVariant::fromValue(attributes)});
    QList<QDBusObjectPath> found;
    for (const QVariant& list : reply.arguments()) {
        found += qdbus_cast<QList<QDBusObjectPath>>(list);
    }
    return found;
}

QVariant itemProperty(const QDBusObjectPath& item, const QString& name) {
    const QDBusMessage reply = secretCall(item.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                          QStringLiteral("Get"), {QStringLiteral("org.freedesktop.Secret.Item"), name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

} // namespace

class KeychainTest : public QObject {
    Q_OBJECT

    SystemKeychain m_item;

private Q_SLOTS:
    void initTestCase() {
        qDBusRegisterMetaType<Attributes>();
        // The wrapper set a service up; from here on, a service that does not answer is a failure.
        QVERIFY2(qEnvironmentVariable("FERNHOLM_SECRET_SERVICE") == QLatin1String("1"),
                 "run through tests/sessionbus/with-secret-service.sh (ctest does)");
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
