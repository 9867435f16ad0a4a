// Runs against a real Secret Service on a private bus: see with-secret-service.sh.
#include "FernholmKit/DataKey.h"
#include "FernholmKit/platform/SystemKeychain.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QScopeGuard>
#include <QTest>

using namespace fernholm;

// A secret as the Secret Service carries it over the bus: (oayays).
struct BusSecret {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};
Q_DECLARE_METATYPE(BusSecret)

QDBusArgument& operator<<(QDBusArgument& argument, const BusSecret& secret) {
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BusSecret& secret) {
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

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

QVariant property(const QDBusObjectPath& object, const QString& interface, const QString& name) {
    const QDBusMessage reply = secretCall(object.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                          QStringLiteral("Get"), {interface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

QVariant itemProperty(const QDBusObjectPath& item, const QString& name) {
    return property(item, QStringLiteral("org.freedesktop.Secret.Item"), name);
}

bool isLocked(const QDBusObjectPath& collection) {
    return property(collection, QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Locked")).toBool();
}

QDBusObjectPath defaultCollection() {
    const QDBusMessage reply =
        secretCall(QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
                   QStringLiteral("ReadAlias"), {QStringLiteral("default")});
    return reply.arguments().value(0).value<QDBusObjectPath>();
}

// Secrets travel in the clear on the private bus: nothing here is worth an encrypted session.
QDBusObjectPath plainSession() {
    const QDBusMessage reply = secretCall(
        QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
        QStringLiteral("OpenSession"), {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    return reply.arguments().value(1).value<QDBusObjectPath>();
}

// The service locks a collection without asking anyone.
bool lock(const QDBusObjectPath& collection) {
    secretCall(QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"),
               QStringLiteral("Lock"), {QVariant::fromValue(QList<QDBusObjectPath>{collection})});
    return isLocked(collection);
}

// Unlocking through the Secret Service interface needs a prompter, which the private bus does
// not have; the keyring daemon's own interface takes the password directly.
bool unlock(const QDBusObjectPath& collection, const QByteArray& password) {
    const BusSecret master{plainSession(), {}, password, QStringLiteral("text/plain")};
    secretCall(QStringLiteral("/org/freedesktop/secrets"),
               QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
               QStringLiteral("UnlockWithMasterPassword"),
               {QVariant::fromValue(collection), QVariant::fromValue(master)});
    return !isLocked(collection);
}

QDBusObjectPath createCollection(const QString& label, const QByteArray& password) {
    const BusSecret master{plainSession(), {}, password, QStringLiteral("text/plain")};
    const QVariantMap properties{{QStringLiteral("org.freedesktop.Secret.Collection.Label"), label}};
    const QDBusMessage reply = secretCall(QStringLiteral("/org/freedesktop/secrets"),
                                          QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
                                          QStringLiteral("CreateWithMasterPassword"),
                                          {QVariant::fromValue(properties), QVariant::fromValue(master)});
    return reply.arguments().value(0).value<QDBusObjectPath>();
}

void deleteCollection(const QDBusObjectPath& collection) {
    secretCall(collection.path(), QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Delete"), {});
}

// Stores the bytes under the data key's attributes in the given collection, as the system
// keychain would have stored them there.
bool storeIn(const QDBusObjectPath& collection, const QByteArray& bytes) {
    Attributes attributes = DataKey::baseQuery();
    attributes.insert(QStringLiteral("xdg:schema"), QStringLiteral("com.orvendale.tarvine.DataKey"));
    const QVariantMap properties{
        {QStringLiteral("org.freedesktop.Secret.Item.Label"), QStringLiteral("Tarvine data key")},
        {QStringLiteral("org.freedesktop.Secret.Item.Attributes"), QVariant::fromValue(attributes)},
    };
    const BusSecret secret{plainSession(), {}, bytes, QStringLiteral("application/octet-stream")};
    const QDBusMessage reply =
        secretCall(collection.path(), QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("CreateItem"),
                   {QVariant::fromValue(properties), QVariant::fromValue(secret), QVariant::fromValue(false)});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

class KeychainTest : public QObject {
    Q_OBJECT

    SystemKeychain m_item;

private Q_SLOTS:
    void initTestCase() {
        qDBusRegisterMetaType<Attributes>();
        qDBusRegisterMetaType<BusSecret>();
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
