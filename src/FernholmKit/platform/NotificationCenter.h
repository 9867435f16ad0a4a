#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <QCoroTask>

#include <optional>

namespace fernholm {

// Where the desktop shows this program's notifications, each known by an identifier of ours.
// Every call that needs an answer is awaited; none blocks the calling thread. GUI thread only.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    struct Permission {
        bool allowed = false;
        std::optional<QString> failure; // why the question itself failed
        bool operator==(const Permission&) const = default;
    };

    using QObject::QObject;

    // The identifiers of notifications that an earlier run of this program left on screen.
    virtual QCoro::Task<QStringList> delivered() = 0;
    // Whether a notification posted now would be shown.
    virtual QCoro::Task<Permission> permission() = 0;
    // Shows a notification at once, in place of one still shown under the same identifier;
    // answers why it could not be shown, or nothing.
    virtual QCoro::Task<std::optional<QString>> add(QString identifier, QString title, QString body) = 0;
    // Withdraws the shown notifications with these identifiers; unknown ones are ignored.
    virtual void remove(const QStringList& identifiers) = 0;

Q_SIGNALS:
    // The user clicked a notification of ours.
    void clicked(const QString& identifier);
};

} // namespace fernholm
