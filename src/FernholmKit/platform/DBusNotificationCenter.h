#pragma once

#include "FernholmKit/platform/NotificationCenter.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QHash>
#include <QMap>
#include <QSet>

#include <memory>
#include <optional>

namespace fernholm {

// The desktop notification service (org.freedesktop.Notifications) over D-Bus, asynchronous
// calls only. The service numbers what it shows; this keeps our identifier -> number, so a
// repost replaces its predecessor and a click or a close finds its identifier again.
//
// Nothing lists what a service shows. So that a later run can withdraw what this run left on
// screen, the shown numbers are noted in a file together with the bus's id and the unique name
// of the service that showed them: unique names are never reused on a bus, and a later run
// closes the noted numbers only while that same service still owns the name.
//
// When the service's name changes owner (the service restarted, or another took over), the old
// numbers are forgotten: the new service would take them for its own notifications, maybe another
// program's. Clicks count only when they come from the service that gave the number.
class DBusNotificationCenter final : public NotificationCenter, protected QDBusContext {
    Q_OBJECT
public:
    static inline const QString serviceName = QStringLiteral("org.freedesktop.Notifications");
    static inline const QString objectPath = QStringLiteral("/org/freedesktop/Notifications");
    static inline const QString appName = QStringLiteral("Tarvine");
    static inline const QString desktopEntry = QStringLiteral("com.orvendale.tarvine");
    static inline const QString defaultAction = QStringLiteral("default");
    static inline const QString shownFileName = QStringLiteral("com.orvendale.tarvine.notifications.json");

    // `shownFile`: where shown notifications are noted for the next run; none notes nothing.
    DBusNotificationCenter(const QDBusConnection& bus, std::optional<QString> shownFile, QObject* parent = nullptr);

    // On the session bus, noting under $XDG_RUNTIME_DIR; nothing when there is no session bus.
    static std::shared_ptr<NotificationCenter> forSession(const QMap<QString, QString>& env);
    // $XDG_RUNTIME_DIR/<shownFileName> when the variable names an absolute path.
    static std::optional<QString> shownFileIn(const QMap<QString, QString>& env);

    QCoro::Task<QStringList> delivered() override;
    QCoro::Task<Permission> permission() override;
    QCoro::Task<std::optional<QString>> add(QString identifier, QString title, QString body) override;
    void remove(const QStringList& identifiers) override;

Q_SIGNALS:
    // A Notify call ended; a repost under the same identifier waits for this.
    void addSettled();

private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    QCoro::Task<QString> busId();
    void close(uint id);
    void note();
    // Whether the signal being delivered comes from the service that holds our numbers.
    bool fromOurServer() const;

    QDBusConnection m_bus;
    std::optional<QString> m_file;
    QString m_busId;
    QString m_server;             // unique name of the service that showed what m_shown holds
    QHash<QString, uint> m_shown; // identifier -> the service's number
    QSet<QString> m_adding;       // identifiers whose Notify is under way
    QSet<QString> m_withdrawn;    // removed while their Notify was under way
};

} // namespace fernholm
