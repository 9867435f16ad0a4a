#pragma once

// The Secret Service as a test drives it over the session bus, beside the keychain code under
// test: searching, locking, unlocking with a password, making collections and storing items
// the way an earlier run of the program would have.

#include "FernholmKit/supervision/DataKey.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QList>
#include <QMap>
#include <QString>

// A secret as the Secret Service carries it over the bus: (oayays).
struct BusSecret {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};
Q_DECLARE_METATYPE(BusSecret)

inline QDBusArgument& operator<<(QDBusArgument& argument, const BusSecret& secret) {
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument, BusSecret& secret) {
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

namespace fernholm::test::secrets {

using Attributes = QMap<QString, QString>;

inline void registerTypes() {
    qDBusRegisterMetaType<Attributes>();
    qDBusRegisterMetaType<BusSecret>();
}

inline QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                         const QVariantList& arguments) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.secrets"), path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 10'000);
}

inline QDBusMessage serviceCall(const QString& method, const QVariantList& arguments) {
    return call(QStringLiteral("/org/freedesktop/secrets"), QStringLiteral("org.freedesktop.Secret.Service"), method,
                arguments);
}

// The keyring daemon's own interface, which takes passwords directly: the private bus has no
// prompter.
inline QDBusMessage keyringCall(const QString& method, const QVariantList& arguments) {
    return call(QStringLiteral("/org/freedesktop/secrets"),
                QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"), method, arguments);
}

// The items the service finds for the attributes, unlocked and locked together.
inline QList<QDBusObjectPath> searchItems(const Attributes& attributes) {
    const QDBusMessage reply = serviceCall(QStringLiteral("SearchItems"), {QVariant::fromValue(attributes)});
    QList<QDBusObjectPath> found;
    for (const QVariant& list : reply.arguments()) {
        found += qdbus_cast<QList<QDBusObjectPath>>(list);
    }
    return found;
}

inline QVariant property(const QDBusObjectPath& object, const QString& interface, const QString& name) {
    const QDBusMessage reply = call(object.path(), QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {interface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

inline QVariant itemProperty(const QDBusObjectPath& item, const QString& name) {
    return property(item, QStringLiteral("org.freedesktop.Secret.Item"), name);
}

inline bool isLocked(const QDBusObjectPath& collection) {
    return property(collection, QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Locked")).toBool();
}

inline QDBusObjectPath defaultCollection() {
    const QDBusMessage reply = serviceCall(QStringLiteral("ReadAlias"), {QStringLiteral("default")});
    return reply.arguments().value(0).value<QDBusObjectPath>();
}

// Secrets travel in the clear on the private bus: nothing here is worth an encrypted session.
inline QDBusObjectPath plainSession() {
    const QDBusMessage reply = serviceCall(QStringLiteral("OpenSession"),
                                           {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    return reply.arguments().value(1).value<QDBusObjectPath>();
}

// The service locks a collection without asking anyone.
inline bool lock(const QDBusObjectPath& collection) {
    serviceCall(QStringLiteral("Lock"), {QVariant::fromValue(QList<QDBusObjectPath>{collection})});
    return isLocked(collection);
}

inline bool unlock(const QDBusObjectPath& collection, const QByteArray& password) {
    const BusSecret master{plainSession(), {}, password, QStringLiteral("text/plain")};
    keyringCall(QStringLiteral("UnlockWithMasterPassword"),
                {QVariant::fromValue(collection), QVariant::fromValue(master)});
    return !isLocked(collection);
}

inline QDBusObjectPath createCollection(const QString& label, const QByteArray& password) {
    const BusSecret master{plainSession(), {}, password, QStringLiteral("text/plain")};
    const QVariantMap properties{{QStringLiteral("org.freedesktop.Secret.Collection.Label"), label}};
    const QDBusMessage reply = keyringCall(QStringLiteral("CreateWithMasterPassword"),
                                           {QVariant::fromValue(properties), QVariant::fromValue(master)});
    return reply.arguments().value(0).value<QDBusObjectPath>();
}

inline void deleteCollection(const QDBusObjectPath& collection) {
    call(collection.path(), QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("Delete"), {});
}

// Stores the bytes under the data key's attributes in the given collection, schema name and all,
// as earlier versions of the system keychain stored them.
inline bool storeIn(const QDBusObjectPath& collection, const QByteArray& bytes) {
    Attributes attributes = DataKey::baseQuery();
    attributes.insert(QStringLiteral("xdg:schema"), QStringLiteral("com.orvendale.tarvine.DataKey"));
    const QVariantMap properties{
        {QStringLiteral("org.freedesktop.Secret.Item.Label"), QStringLiteral("Tarvine data key")},
        {QStringLiteral("org.freedesktop.Secret.Item.Attributes"), QVariant::fromValue(attributes)},
    };
    const BusSecret secret{plainSession(), {}, bytes, QStringLiteral("application/octet-stream")};
    const QDBusMessage reply =
        call(collection.path(), QStringLiteral("org.freedesktop.Secret.Collection"), QStringLiteral("CreateItem"),
             {QVariant::fromValue(properties), QVariant::fromValue(secret), QVariant::fromValue(false)});
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace fernholm::test::secrets
