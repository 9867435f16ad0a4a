#pragma once

// Keeps the browser-bypass notifications in step with the findings of each status reply.

#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/control/Models.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace fernholm {

struct BypassNotification {
    QString identifier;
    QString title;
    QString body;
    bool operator==(const BypassNotification&) const = default;
};

// What one poll changes: notifications to post, in the order of the findings, and identifiers
// to withdraw, sorted.
struct BypassNotificationChange {
    QList<BypassNotification> show;
    QStringList remove;
    bool operator==(const BypassNotificationChange&) const = default;
};

// Finding kinds that raise a notification; every other kind ("checking", …) never does.
inline const QSet<QString> notifyingFindingKinds{QStringLiteral("bypass"), QStringLiteral("unsupported_app")};

// The notification for one finding, posted under the bypass prefix and its profile identifier.
BypassNotification bypassNotification(const BrowserFinding& finding);

class BypassNotifier {
public:
    // The findings of the latest status reply, absent when it carried none. A finding already
    // shown is not shown again, even when its text changed; an identifier that a current
    // finding still uses is never withdrawn.
    BypassNotificationChange ingest(const std::optional<QList<BrowserFinding>>& findings);
    // Every identifier shown so far, distinct and sorted, to withdraw; afterwards every current
    // finding is shown again.
    QStringList forgetAll();

    // The identity of a finding across polls; its kind is no part of it.
    static QString key(const BrowserFinding& finding);

private:
    QHash<QString, QString> m_known; // finding key -> identifier of its notification
};

} // namespace fernholm
