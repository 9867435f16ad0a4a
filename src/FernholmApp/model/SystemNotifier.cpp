#include "FernholmApp/model/SystemNotifier.h"

#include <QPointer>
#include <QTimer>

Q_LOGGING_CATEGORY(notificationsLog, "com.orvendale.tarvine.notifications")

namespace fernholm {

namespace {

// Shows one notification; a failure is logged and the notification is lost.
QCoro::Task<> deliver(std::shared_ptr<NotificationCenter> center, QString identifier, QString title, QString body) {
    const char* tag = notificationTarget(identifier) == NotificationTarget::home ? "bypass" : "block";
    const std::optional<QString> failure = co_await center->add(identifier, title, body);
    if (failure) {
        qCWarning(notificationsLog, "%s notification failed: %s", tag, qUtf8Printable(*failure));
    }
}

} // namespace

SystemNotifier::SystemNotifier(std::shared_ptr<NotificationCenter> center, QObject* parent)
    : QObject(parent), m_center(std::move(center)) {
    if (!m_center) {
        qCInfo(notificationsLog, "no session bus: notifications are off");
        return;
    }
    connect(m_center.get(), &NotificationCenter::clicked, this, [this](const QString& identifier) {
        if (onClick) {
            onClick(notificationTarget(identifier));
        }
    });
    purgeStaleBypassNotifications();
}

QStringList SystemNotifier::pendingIdentifiers() const {
    QStringList identifiers;
    for (const Post& post : m_pending) {
        identifiers.append(post.identifier);
    }
    return identifiers;
}

QCoro::Task<> SystemNotifier::purgeStaleBypassNotifications() {
    const QPointer<SystemNotifier> self(this);
    const std::shared_ptr<NotificationCenter> center = m_center;
    m_busy = true;
    const QStringList delivered = co_await center->delivered();
    if (!self) {
        co_return;
    }
    QStringList stale;
    for (const QString& identifier : delivered) {
        if (identifier.startsWith(bypassNotificationPrefix)) {
            stale.append(identifier);
        }
    }
    if (!stale.isEmpty()) {
        center->remove(stale);
    }
    m_busy = false;
    checkSettingsIfPending();
}

void SystemNotifier::post(const QString& identifier, const QString& title, const QString& body) {
    if (!m_center) {
        return;
    }
    const auto queued = std::find_if(m_pending.begin(), m_pending.end(),
                                     [&](const Post& post) { return post.identifier == identifier; });
    if (queued != m_pending.end()) {
        queued->title = title;
        queued->body = body;
    } else {
        m_pending.append(Post{identifier, title, body});
    }
    checkSettingsIfPending();
}

void SystemNotifier::checkSettingsIfPending() {
    if (!m_center || m_pending.isEmpty() || m_busy) {
        return;
    }
    m_busy = true;
    // Asked on the next turn of the event loop: the posts of this turn go out together, however
    // soon the centre answers.
    QTimer::singleShot(0, this, [this] { askPermission(); });
}

QCoro::Task<> SystemNotifier::askPermission() {
    const QPointer<SystemNotifier> self(this);
    const std::shared_ptr<NotificationCenter> center = m_center;
    const NotificationCenter::Permission permission = co_await center->permission();
    if (self) {
        permissionAnswered(permission);
    }
}

void SystemNotifier::permissionAnswered(const NotificationCenter::Permission& permission) {
    m_busy = false;
    if (permission.failure) {
        qCWarning(notificationsLog, "notification service query failed: %s", qUtf8Printable(*permission.failure));
    }
    if (permission.allowed) {
        deliverPending();
        return;
    }
    m_pending.clear();
    if (!m_loggedDenied) {
        m_loggedDenied = true;
        qCInfo(notificationsLog, "no notification service on the session bus");
    }
}

void SystemNotifier::deliverPending() {
    if (!m_center || m_pending.isEmpty()) {
        return;
    }
    const QList<Post> posts = std::exchange(m_pending, {});
    for (const Post& post : posts) {
        deliver(m_center, post.identifier, post.title, post.body);
    }
}

void SystemNotifier::remove(const QStringList& identifiers) {
    if (!m_center || identifiers.isEmpty()) {
        return;
    }
    m_pending.removeIf([&](const Post& post) { return identifiers.contains(post.identifier); });
    m_center->remove(identifiers);
}

} // namespace fernholm
