// keyring_step: one step of a keychain test that spans two runs of the keyring daemon, run by
// tst_lockedkeyring inside with-secret-service.sh. It prints what it did and saw as one JSON
// object on standard output.
//
//   keyring_step store-default KEYHEX
//       stores the key through the system keychain (the daemon's default keyring)
//   keyring_step store-other PASSWORDHEX KEYHEX
//       makes a second keyring "Other" with that password and stores the key there, schema name
//       and all, as an earlier version of the system keychain would have
//   keyring_step read COLLECTION PASSWORDHEX
//       with the keyring the key is in (an object path) still locked: counts the data key's items,
//       asks the system keychain for the key, tries to add another, reads the data key, counts
//       again and takes the digests of the keyring files; then unlocks the collection with its
//       password and asks for the key again
#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/platform/SystemKeychain.h"
#include "support/SecretServiceBus.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

using namespace fernholm;
namespace secrets = fernholm::test::secrets;

namespace {

QJsonValue hexOrNull(const std::optional<QByteArray>& bytes) {
    return bytes ? QJsonValue(QString::fromLatin1(bytes->toHex())) : QJsonValue();
}

QJsonObject copied(SystemKeychain& item) {
    const KeychainCopy copy = item.copy();
    return {{QStringLiteral("status"), copy.status}, {QStringLiteral("bytes"), hexOrNull(copy.bytes)}};
}

int itemCount() {
    return static_cast<int>(secrets::searchItems(DataKey::baseQuery()).size());
}

QJsonObject keyringFileDigests() {
    QJsonObject digests;
    const QDir folder(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/keyrings"));
    for (const QString& name : folder.entryList(QDir::Files)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            digests.insert(name, QString::fromLatin1(
                                     QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
        }
    }
    return digests;
}

QString readKind(const DataKeyRead& read) {
    switch (read.kind) {
    case DataKeyRead::Kind::key:
        return QStringLiteral("key");
    case DataKeyRead::Kind::replaced:
        return QStringLiteral("replaced");
    case DataKeyRead::Kind::unavailable:
        break;
    }
    return QStringLiteral("unavailable");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    secrets::registerTypes();
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    SystemKeychain item;
    QJsonObject out;

    if (command == QLatin1String("store-default") && args.size() == 2) {
        out.insert(QStringLiteral("status"), item.add(QByteArray::fromHex(args.at(1).toLatin1())));
        out.insert(QStringLiteral("collection"), secrets::defaultCollection().path());
    } else if (command == QLatin1String("store-other") && args.size() == 3) {
        const QDBusObjectPath other =
            secrets::createCollection(QStringLiteral("Other"), QByteArray::fromHex(args.at(1).toLatin1()));
        out.insert(QStringLiteral("stored"), secrets::storeIn(other, QByteArray::fromHex(args.at(2).toLatin1())));
        out.insert(QStringLiteral("collection"), other.path());
    } else if (command == QLatin1String("read") && args.size() == 3) {
        const QDBusObjectPath collection(args.at(1));
        out.insert(QStringLiteral("locked"), secrets::isLocked(collection));
        out.insert(QStringLiteral("defaultLocked"), secrets::isLocked(secrets::defaultCollection()));
        out.insert(QStringLiteral("itemsBefore"), itemCount());
        out.insert(QStringLiteral("copy"), copied(item));
        out.insert(QStringLiteral("add"), item.add(QByteArray(DataKey::length, 'n')));
        const DataKeyRead read = DataKey::read(item);
        out.insert(QStringLiteral("read"), readKind(read));
        out.insert(QStringLiteral("itemsAfter"), itemCount());
        out.insert(QStringLiteral("files"), keyringFileDigests());
        out.insert(QStringLiteral("unlocked"), secrets::unlock(collection, QByteArray::fromHex(args.at(2).toLatin1())));
        out.insert(QStringLiteral("copyUnlocked"), copied(item));
        out.insert(QStringLiteral("itemsUnlocked"), itemCount());
    } else {
        std::fprintf(stderr, "usage: keyring_step store-default KEYHEX | store-other PASSWORDHEX KEYHEX | "
                             "read COLLECTION PASSWORDHEX\n");
        return 2;
    }
    std::fputs(QJsonDocument(out).toJson(QJsonDocument::Compact).constData(), stdout);
    return 0;
}
