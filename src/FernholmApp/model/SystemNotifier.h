#pragma once

#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/platform/NotificationCenter.h"

#include <QList>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <functional>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(notificationsLog)

namespace fernholm {

// The application's one road to desktop notifications. Posts wait in a queue until the centre
// says it would show them, then go out at once; when it would not, the queue is dropped quietly.
// A click becomes a navigation request. Without a centre (no session bus) it does nothing. At
// start it withdraws the bypass notices an earlier run left on screen, before anything new goes
// out. GUI thread only; nothing here fails to the caller.
class SystemNotifier : public QObject {
    Q_OBJECT
public:
    // `center` may be null: then every call does nothing.
    explicit SystemNotifier(std::shared_ptr<NotificationCenter> center, QObject* parent = nullptr);

    // Where a clicked notification leads; does nothing until the owner sets it.
    std::function<void(NotificationTarget)> onClick = [](NotificationTarget) {
    };

    // Queues one notification (a queued one with the same identifier is updated in its place)
    // and asks the centre whether it may go out.
    void post(const QString& identifier, const QString& title, const QString& body);
    // Drops queued posts with these identifiers and withdraws shown ones.
    void remove(const QStringList& identifiers);

    bool hasCenter() const { return m_center != nullptr; }
    // The identifiers waiting for the centre's answer, oldest first.
    QStringList pendingIdentifiers() const;

private:
    struct Post {
        QString identifier;
        QString title;
        QString body;
    };

    QCoro::Task<> purgeStaleBypassNotifications();
    void checkSettingsIfPending();
    QCoro::Task<> askPermission();
    void permissionAnswered(const NotificationCenter::Permission& permission);
    void deliverPending();

    std::shared_ptr<NotificationCenter> m_center;
    bool m_busy = false;
    QList<Post> m_pending;
    bool m_loggedDenied = false;
};

} // namespace fernholm
