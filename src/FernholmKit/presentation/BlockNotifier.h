#pragma once

// Notices for newly blocked requests, and where a clicked notification leads.

#include "FernholmKit/control/EventModels.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace fernholm {

// Every blocked-request notice is posted under this one identifier, so a newer one replaces an older one.
inline const QString blockNotificationIdentifier = QStringLiteral("com.orvendale.tarvine.blocked");
// A bypass notification's identifier: this prefix and the finding's browser profile identifier.
inline const QString bypassNotificationPrefix = QStringLiteral("com.orvendale.tarvine.bypass.");

// Where a clicked notification leads.
enum class NotificationTarget { activity, home };

// Bypass notifications lead home; every other identifier, the blocked-request one included, to the activity log.
NotificationTarget notificationTarget(const QString& identifier);

// The text of one blocked-request notification.
struct BlockNotice {
    QString title;
    QString body;
    bool operator==(const BlockNotice&) const = default;
};

// The display name of the AI service behind a surface; "an AI service" (translated) when unknown.
QString noticeDestination(const QString& surface);
// The notice for one blocked request.
BlockNotice blockNotice(const Event& event);

// Turns the blocked requests of each poll into at most one notice, at least `cooldown` seconds
// apart; a request seen again within `repeatWindow` seconds of its last sighting stays silent.
// Times are seconds on one clock of the caller's choice (the application reads a monotonic one).
class BlockNotifier {
public:
    BlockNotifier(double cooldown, double repeatWindow);

    // The events of the latest poll in delivery order; the notice to post now, if any. The first
    // call only takes note that polling began: its events are the backlog and stay unannounced.
    std::optional<BlockNotice> ingest(const QList<Event>& events, double now);

    // The identity of a blocked request across polls.
    static QString key(const Event& event);

    double cooldown() const { return m_cooldown; }
    double repeatWindow() const { return m_repeatWindow; }

private:
    double m_cooldown;
    double m_repeatWindow;
    bool m_primed = false;
    QHash<QString, double> m_lastSeen;
    std::optional<double> m_lastShown;
    QList<Event> m_queued; // at most one per key
};

} // namespace fernholm
