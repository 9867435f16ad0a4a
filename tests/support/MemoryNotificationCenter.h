#pragma once

#include "FernholmKit/platform/NotificationCenter.h"

#include <QHash>
#include <QList>
#include <QMap>

namespace fernholm::test {

// A notification centre held in memory: answers as scripted and records what it was asked.
// (Every co_return hands over a copy: QCoro moves from an lvalue given to co_return.)
class MemoryNotificationCenter final : public NotificationCenter {
    Q_OBJECT
public:
    struct Notice {
        QString identifier;
        QString title;
        QString body;
        bool operator==(const Notice&) const = default;
    };

    // What delivered() answers: notifications an earlier run left on screen.
    QStringList left;
    Permission answer{true, std::nullopt};
    // identifier -> why adding it fails
    QHash<QString, QString> addFailures;

    QList<Notice> added;         // every successful add, in order
    QList<QStringList> removals; // every remove() call
    QMap<QString, Notice> shown; // on screen now, by identifier
    int permissionQuestions = 0;

    QCoro::Task<QStringList> delivered() override {
        for (const QString& identifier : std::as_const(left)) {
            shown.insert(identifier, Notice{identifier, {}, {}});
        }
        co_return QStringList(left);
    }
    QCoro::Task<Permission> permission() override {
        ++permissionQuestions;
        co_return Permission(answer);
    }
    QCoro::Task<std::optional<QString>> add(QString identifier, QString title, QString body) override {
        if (const auto failure = addFailures.constFind(identifier); failure != addFailures.constEnd()) {
            co_return std::optional<QString>(*failure);
        }
        const Notice notice{identifier, title, body};
        added.append(notice);
        shown.insert(identifier, notice);
        co_return std::nullopt;
    }
    void remove(const QStringList& identifiers) override {
        removals.append(identifiers);
        for (const QString& identifier : identifiers) {
            shown.remove(identifier);
        }
    }

    // The user clicks a notification.
    void click(const QString& identifier) { Q_EMIT clicked(identifier); }
};

} // namespace fernholm::test
