#include "FernholmKit/presentation/AlertCenter.h"

#include "FernholmKit/platform/Defaults.h"

#include <QVariantMap>

#include <algorithm>
#include <cmath>

namespace fernholm {

namespace {

// A stored end far outside the clock's range (a hand-edited file) is pinned near its limits
// (about the years 1685 and 2255) instead of overflowing the conversion.
Time clampedTime(double secondsSince1970) {
    constexpr double limit = 9.0e9;
    return timeFromSeconds(std::clamp(secondsSince1970, -limit, limit));
}

} // namespace

AlertCenter::AlertCenter(Defaults& defaults, QObject* parent) : QObject(parent), m_defaults(defaults) {
    load();
}

void AlertCenter::load() {
    const auto stored = m_defaults.numberMap(snoozeKey);
    if (!stored) {
        return;
    }
    QHash<QString, Time> snoozes;
    for (auto it = stored->begin(); it != stored->end(); ++it) {
        // NaN or infinity names no moment; like any other value that is not a number, it
        // spoils the whole stored value.
        if (!std::isfinite(it.value())) {
            return;
        }
        snoozes.insert(it.key(), clampedTime(it.value()));
    }
    m_snoozes = std::move(snoozes);
}

void AlertCenter::store() {
    QVariantMap map;
    for (auto it = m_snoozes.begin(); it != m_snoozes.end(); ++it) {
        map.insert(it.key(), secondsSince1970(it.value()));
    }
    m_defaults.setValue(snoozeKey, map);
}

AlertLayout AlertCenter::layout(const QList<AppAlert>& alerts, Time now) {
    QSet<QString> ids;
    for (const AppAlert& alert : alerts) {
        ids.insert(alert.id);
    }
    m_firstSeen.removeIf([&ids](const QHash<QString, Time>::iterator it) { return !ids.contains(it.key()); });
    for (const QString& id : ids) {
        if (!m_firstSeen.contains(id)) {
            m_firstSeen.insert(id, now);
        }
    }
    return arranged(alerts, now);
}

AlertLayout AlertCenter::arranged(const QList<AppAlert>& alerts, Time now) const {
    return arrangeAlerts(alerts, m_firstSeen, snoozedAt(now), 2);
}

QSet<QString> AlertCenter::snoozedAt(Time now) const {
    QSet<QString> live;
    for (auto it = m_snoozes.begin(); it != m_snoozes.end(); ++it) {
        if (it.value() > now) {
            live.insert(it.key());
        }
    }
    return live;
}

void AlertCenter::snooze(const AppAlert& alert, Time now) {
    if (alert.level == AlertLevel::critical) {
        return;
    }
    m_snoozes.removeIf([now](const QHash<QString, Time>::iterator it) { return it.value() <= now; });
    m_snoozes.insert(alert.id, now + std::chrono::duration_cast<Clock::duration>(snoozeFor));
    store();
    Q_EMIT snoozesChanged();
}

} // namespace fernholm
