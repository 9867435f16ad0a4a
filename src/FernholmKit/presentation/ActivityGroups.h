#pragma once

// Which events the activity log and the home page list, in which order, under which day, and with
// which row ids. Pure functions of the model's events.

#include "FernholmKit/text/Calendar.h"
#include "FernholmKit/control/EventModels.h"

#include <QList>
#include <QString>

#include <array>

namespace fernholm {

// The activity log's filter, in the order its segments show.
enum class ActivityFilter { all, redacted, documents, blocked };

inline constexpr std::array<ActivityFilter, 4> allActivityFilters{ActivityFilter::all, ActivityFilter::redacted,
                                                                  ActivityFilter::documents, ActivityFilter::blocked};

// The segment title in the current language.
QString title(ActivityFilter filter);

// Whether an event is listed at all: something in it was replaced or blocked.
bool isListed(const Event& event);
// Whether the filter keeps a listed event.
bool keeps(ActivityFilter filter, const Event& event);

// One listed event. The id is the event's position plus the number of events the model dropped
// from the front of its list so far, so it stays with the event while older ones are dropped.
struct ActivityRow {
    qint64 id = 0;
    Event event;

    bool operator==(const ActivityRow&) const = default;
};

// A run of consecutive rows with the same day key. A key that comes back after another day (events
// out of time order) starts a group of its own, whose id tells it apart from the earlier one.
struct DayGroup {
    QString id;
    QString day;
    QList<ActivityRow> rows;

    bool operator==(const DayGroup&) const = default;
};

// The listed events that the filter keeps, newest first, grouped by day in the calendar's zone.
QList<DayGroup> activityGroups(const QList<Event>& events, qint64 offset, ActivityFilter filter,
                               const Calendar& calendar);

// The newest `count` listed events, newest first.
QList<ActivityRow> recentRows(const QList<Event>& events, qint64 offset, int count);

} // namespace fernholm
