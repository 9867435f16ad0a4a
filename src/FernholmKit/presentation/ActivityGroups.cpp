#include "FernholmKit/presentation/ActivityGroups.h"

#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QSet>

namespace fernholm {

QString title(ActivityFilter filter) {
    switch (filter) {
    case ActivityFilter::all:
        return tr(QStringLiteral("All"));
    case ActivityFilter::redacted:
        return trIn("filter", QStringLiteral("Redacted"));
    case ActivityFilter::documents:
        return tr(QStringLiteral("Documents"));
    case ActivityFilter::blocked:
        return trIn("filter", QStringLiteral("Blocked"));
    }
    return {};
}

bool isListed(const Event& event) {
    const PillKind kind = pillKind(event.status);
    return kind == PillKind::redacted || kind == PillKind::blocked;
}

bool keeps(ActivityFilter filter, const Event& event) {
    switch (filter) {
    case ActivityFilter::all:
        return true;
    case ActivityFilter::redacted:
        return pillKind(event.status) == PillKind::redacted;
    case ActivityFilter::documents:
        return event.status.startsWith(QLatin1String("document_"));
    case ActivityFilter::blocked:
        return pillKind(event.status) == PillKind::blocked;
    }
    return false;
}

QList<DayGroup> activityGroups(const QList<Event>& events, qint64 offset, ActivityFilter filter,
                               const Calendar& calendar) {
    QList<DayGroup> groups;
    QSet<QString> ids;
    for (qsizetype i = events.size() - 1; i >= 0; --i) {
        const Event& event = events.at(i);
        if (!isListed(event) || !keeps(filter, event)) {
            continue;
        }
        const QString day = activityDay(event.ts, calendar);
        if (groups.isEmpty() || groups.constLast().day != day) {
            QString id = day;
            for (int n = 2; ids.contains(id); ++n) {
                id = day + QLatin1Char('#') + QString::number(n);
            }
            ids.insert(id);
            groups.append(DayGroup{id, day, {}});
        }
        groups.last().rows.append(ActivityRow{offset + i, event});
    }
    return groups;
}

QList<ActivityRow> recentRows(const QList<Event>& events, qint64 offset, int count) {
    QList<ActivityRow> rows;
    for (qsizetype i = events.size() - 1; i >= 0 && rows.size() < count; --i) {
        if (isListed(events.at(i))) {
            rows.append(ActivityRow{offset + i, events.at(i)});
        }
    }
    return rows;
}

} // namespace fernholm
