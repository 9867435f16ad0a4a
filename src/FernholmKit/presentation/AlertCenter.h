#pragma once

#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/control/Time.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <chrono>

namespace fernholm {

class Defaults;

// When each current alert first appeared, and which alerts the user snoozed until when. The
// snoozes outlive the process in the user defaults; first-seen times live in memory only, so
// after a restart every alert counts as new. Used on the GUI thread only.
class AlertCenter : public QObject {
    Q_OBJECT
public:
    static inline const QString snoozeKey = QStringLiteral("alertSnoozes");
    static constexpr std::chrono::seconds snoozeFor{86400};

    // `defaults` must outlive the centre.
    explicit AlertCenter(Defaults& defaults, QObject* parent = nullptr);

    // Updates the first-seen times (an id that vanished counts as new when it returns) and
    // arranges the alerts, with at most two warnings. Writes nothing.
    AlertLayout layout(const QList<AppAlert>& alerts, Time now);
    // Arranges the alerts as layout() does, from the first-seen times as they stand; an alert
    // never seen counts as the oldest. For a second list made from the same alerts.
    AlertLayout arranged(const QList<AppAlert>& alerts, Time now) const;

    // Hides a warning or a notice for a day; critical alerts cannot be snoozed. Expired snoozes
    // are dropped from storage here.
    void snooze(const AppAlert& alert, Time now);

    // Until when each id is snoozed; expired entries stay until the next snooze.
    const QHash<QString, Time>& snoozes() const { return m_snoozes; }

Q_SIGNALS:
    void snoozesChanged();

private:
    void load();
    void store();
    QSet<QString> snoozedAt(Time now) const;

    Defaults& m_defaults;
    QHash<QString, Time> m_firstSeen;
    QHash<QString, Time> m_snoozes;
};

} // namespace fernholm
