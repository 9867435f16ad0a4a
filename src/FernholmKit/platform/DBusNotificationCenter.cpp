#include "FernholmKit/platform/DBusNotificationCenter.h"

#include <QCoroDBusPendingCall>
#include <QCoroSignal>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QSaveFile>

namespace fernholm {

namespace {

QDBusMessage busCall(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), method);
    message.setArguments(arguments);
    return message;
}

QString failureText(const QDBusMessage& reply) {
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

// What a run noted: the bus, the service that showed the notifications, and their numbers.
struct Noted {
    QString bus;
    QString server;
    QHash<QString, uint> shown;
};

std::optional<Noted> readNoted(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QJsonObject object = QJsonDocument::fromJson(file.readAll()).object();
    Noted noted{object.value(QLatin1String("bus")).toString(), object.value(QLatin1String("server")).toString(), {}};
    const QJsonObject shown = object.value(QLatin1String("shown")).toObject();
    for (auto it = shown.constBegin(); it != shown.constEnd(); ++it) {
        const qint64 id = it->toInteger(-1);
        if (id > 0 && id <= std::numeric_limits<uint>::max()) {
            noted.shown.insert(it.key(), static_cast<uint>(id));
        }
    }
    if (noted.bus.isEmpty() || noted.server.isEmpty() || noted.shown.isEmpty()) {
        return std::nullopt;
    }
    return noted;
}

} // namespace

DBusNotificationCenter::DBusNotificationCenter(const QDBusConnection& bus, std::optional<QString> shownFile,
                                               QObject* parent)
    : NotificationCenter(parent), m_bus(bus), m_file(std::move(shownFile)) {
    // QtDBus connects signals by signature only. Naming the service makes the bus deliver only
    // what its current owner emits.
    m_bus.connect(serviceName, objectPath, serviceName, QStringLiteral("ActionInvoked"), this,
                  SLOT(actionInvoked(uint, QString)));
    m_bus.connect(serviceName, objectPath, serviceName, QStringLiteral("NotificationClosed"), this,
                  SLOT(notificationClosed(uint, uint)));
    auto* watcher =
        new QDBusServiceWatcher(serviceName, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &DBusNotificationCenter::ownerChanged);
    // Needed only to note what is shown; nothing waits for it.
    busId();
}

std::shared_ptr<NotificationCenter> DBusNotificationCenter::forSession(const QMap<QString, QString>& env) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return nullptr;
    }
    return std::make_shared<DBusNotificationCenter>(bus, shownFileIn(env));
}

std::optional<QString> DBusNotificationCenter::shownFileIn(const QMap<QString, QString>& env) {
    const QString folder = env.value(QStringLiteral("XDG_RUNTIME_DIR"));
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        return std::nullopt;
    }
    return QDir(folder).filePath(shownFileName);
}

QCoro::Task<QString> DBusNotificationCenter::busId() {
    if (m_busId.isEmpty()) {
        const QPointer<DBusNotificationCenter> self(this);
        QDBusPendingCall call = m_bus.asyncCall(busCall(QStringLiteral("GetId")));
        const QDBusMessage reply = co_await call;
        if (!self) {
            co_return QString();
        }
        if (m_busId.isEmpty() && reply.type() == QDBusMessage::ReplyMessage) {
            m_busId = reply.arguments().value(0).toString();
            if (!m_shown.isEmpty()) {
                note();
            }
        }
    }
    // A copy: QCoro moves from an lvalue handed to co_return.
    co_return QString(m_busId);
}

QCoro::Task<QStringList> DBusNotificationCenter::delivered() {
    const QPointer<DBusNotificationCenter> self(this);
    if (!m_file) {
        co_return QStringList();
    }
    const std::optional<Noted> noted = readNoted(*m_file);
    if (!noted) {
        co_return QStringList();
    }
    const QString bus = co_await busId();
    if (!self) {
        co_return QStringList();
    }
    QDBusPendingCall ownerCall = m_bus.asyncCall(busCall(QStringLiteral("GetNameOwner"), {serviceName}));
    const QDBusMessage owner = co_await ownerCall;
    if (!self) {
        co_return QStringList();
    }
    const bool sameService = !bus.isEmpty() && bus == noted->bus && owner.type() == QDBusMessage::ReplyMessage &&
                             owner.arguments().value(0).toString() == noted->server;
    if (!sameService) {
        // What another service showed went with it, and its numbers mean nothing to this one.
        note();
        co_return QStringList();
    }
    if (m_server.isEmpty() || m_server == noted->server) {
        m_server = noted->server;
        for (auto it = noted->shown.constBegin(); it != noted->shown.constEnd(); ++it) {
            if (!m_shown.contains(it.key())) {
                m_shown.insert(it.key(), it.value());
            }
        }
    }
    note();
    co_return noted->shown.keys();
}

QCoro::Task<NotificationCenter::Permission> DBusNotificationCenter::permission() {
    const QPointer<DBusNotificationCenter> self(this);
    QDBusPendingCall ownedCall = m_bus.asyncCall(busCall(QStringLiteral("NameHasOwner"), {serviceName}));
    const QDBusMessage owned = co_await ownedCall;
    if (!self) {
        co_return Permission{false, std::nullopt};
    }
    if (owned.type() != QDBusMessage::ReplyMessage) {
        co_return Permission{false, failureText(owned)};
    }
    if (owned.arguments().value(0).toBool()) {
        co_return Permission{true, std::nullopt};
    }
    // The bus starts an activatable service on the first call.
    QDBusPendingCall namesCall = m_bus.asyncCall(busCall(QStringLiteral("ListActivatableNames")));
    const QDBusMessage names = co_await namesCall;
    if (names.type() != QDBusMessage::ReplyMessage) {
        co_return Permission{false, failureText(names)};
    }
    co_return Permission{names.arguments().value(0).toStringList().contains(serviceName), std::nullopt};
}

QCoro::Task<std::optional<QString>> DBusNotificationCenter::add(QString identifier, QString title, QString body) {
    const QPointer<DBusNotificationCenter> self(this);
    // One Notify per identifier at a time: a second one sent before the first is answered would
    // not know the number to replace and would show a second notification.
    while (m_adding.contains(identifier)) {
        co_await qCoro(this, &DBusNotificationCenter::addSettled);
        if (!self) {
            co_return std::nullopt;
        }
    }
    m_adding.insert(identifier);

    QDBusMessage message =
        QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), desktopEntry},
        {QStringLiteral("suppress-sound"), true},
    };
    message.setArguments({appName, QVariant::fromValue(m_shown.value(identifier, 0u)), QString(), title, body,
                          QStringList{defaultAction, appName}, hints, QVariant::fromValue(qint32(-1))});
    QDBusPendingCall call = m_bus.asyncCall(message);
    const QDBusMessage reply = co_await call;
    if (!self) {
        co_return std::nullopt;
    }
    m_adding.remove(identifier);
    const bool withdrawn = m_withdrawn.remove(identifier);

    std::optional<QString> failure;
    if (reply.type() != QDBusMessage::ReplyMessage) {
        failure = failureText(reply);
    } else {
        const uint id = reply.arguments().value(0).toUInt();
        if (reply.service() != m_server) {
            // Another service took over: it knows nothing of the old one's numbers.
            m_shown.clear();
            m_server = reply.service();
        }
        if (withdrawn) {
            close(id);
            m_shown.remove(identifier);
        } else {
            m_shown.insert(identifier, id);
        }
        note();
    }
    Q_EMIT addSettled();
    co_return failure;
}

void DBusNotificationCenter::remove(const QStringList& identifiers) {
    bool changed = false;
    for (const QString& identifier : identifiers) {
        if (m_adding.contains(identifier)) {
            m_withdrawn.insert(identifier);
        }
        if (const auto it = m_shown.constFind(identifier); it != m_shown.constEnd()) {
            close(it.value());
            m_shown.erase(it);
            changed = true;
        }
    }
    if (changed) {
        note();
    }
}

void DBusNotificationCenter::close(uint id) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("CloseNotification"));
    message.setArguments({QVariant::fromValue(id)});
    m_bus.send(message);
}

void DBusNotificationCenter::ownerChanged(const QString&, const QString&, const QString& newOwner) {
    if (newOwner == m_server) {
        return;
    }
    // What the old service showed went with it; its numbers mean nothing to the new one.
    m_shown.clear();
    m_server.clear();
    note();
}

bool DBusNotificationCenter::fromOurServer() const {
    return calledFromDBus() && !m_server.isEmpty() && message().service() == m_server;
}

void DBusNotificationCenter::actionInvoked(uint id, const QString& action) {
    if (action != defaultAction || !fromOurServer()) {
        return;
    }
    const QString identifier = m_shown.key(id);
    if (!identifier.isEmpty()) {
        Q_EMIT clicked(identifier);
    }
}

void DBusNotificationCenter::notificationClosed(uint id, uint) {
    if (!fromOurServer()) {
        return;
    }
    const QString identifier = m_shown.key(id);
    if (!identifier.isEmpty()) {
        m_shown.remove(identifier);
        note();
    }
}

void DBusNotificationCenter::note() {
    if (!m_file) {
        return;
    }
    if (m_shown.isEmpty() || m_server.isEmpty()) {
        QFile::remove(*m_file);
        return;
    }
    if (m_busId.isEmpty()) {
        return; // written once the bus has said which it is
    }
    QJsonObject shown;
    for (auto it = m_shown.constBegin(); it != m_shown.constEnd(); ++it) {
        shown.insert(it.key(), static_cast<qint64>(it.value()));
    }
    const QJsonObject object{
        {QStringLiteral("bus"), m_busId},
        {QStringLiteral("server"), m_server},
        {QStringLiteral("shown"), shown},
    };
    QSaveFile file(*m_file);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(object).toJson(QJsonDocument::Compact));
        file.commit();
    }
}

} // namespace fernholm
