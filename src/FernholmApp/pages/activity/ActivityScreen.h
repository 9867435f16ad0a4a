#pragma once

#include "FernholmKit/presentation/ActivityGroups.h"
#include "FernholmKit/text/Calendar.h"
#include "FernholmKit/control/Time.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace fernholm {

class AppModel;
class EventRowList;
class Page;
class PageHeader;
class SectionLabel;
class SegmentedControl;
class Surface;

// The activity log: the requests of the model's recent traffic in which something was replaced
// or blocked, newest first, grouped by day, with a filter; each row opens onto the request's
// detail.
//
//     panel->setContent(new ActivityScreen(model));
//
// It reads the model's events and asks the model for a request's detail when a row opens; it
// never calls the gateway. Built once and updated in place on the model's change signals: day
// sections are kept by group and rows by id (the event's position plus the model's offset), so
// open rows, their detail, hover and the scroll position survive every poll and the trimming of
// old events. Days are reckoned in the system's zone and locale unless setCalendar/setNow say
// otherwise (tests). The model must outlive the page.
class ActivityScreen : public QWidget {
    Q_OBJECT
public:
    explicit ActivityScreen(AppModel& model, QWidget* parent = nullptr);
    ~ActivityScreen() override;

    ActivityFilter filter() const { return m_filter; }
    void setFilter(ActivityFilter filter);
    // Ids of the rows whose detail is open.
    const QSet<qint64>& expanded() const { return m_expanded; }
    // Opens or closes a row; opening asks the model for the request's detail.
    void toggle(const ActivityRow& row);

    // The calendar days are reckoned in and the clock "Today" is told by.
    void setCalendar(const Calendar& calendar);
    void setNow(std::function<Time()> now);

    // What the page lists now.
    const QList<DayGroup>& groups() const { return m_groups; }

    // The parts, for the window and tests.
    Page* page() const { return m_page; }
    PageHeader* header() const { return m_header; }
    SegmentedControl* filterControl() const { return m_filterControl; }
    Surface* emptyState() const { return m_empty; }
    // The day sections in their order on screen.
    QList<QWidget*> daySections() const;
    // The section of group `id`, or null.
    QWidget* daySectionFor(const QString& id) const;
    SectionLabel* dayLabelFor(const QString& id) const;
    EventRowList* rowsFor(const QString& id) const;
    // The list holding row `id`, or null.
    EventRowList* listOfRow(qint64 id) const;

private:
    struct DaySection;

    void refresh();

    AppModel& m_model;
    ActivityFilter m_filter = ActivityFilter::all;
    QSet<qint64> m_expanded;
    Calendar m_calendar;
    std::function<Time()> m_now;
    QList<DayGroup> m_groups;

    Page* m_page = nullptr;
    PageHeader* m_header = nullptr;
    SegmentedControl* m_filterControl = nullptr;
    Surface* m_empty = nullptr;
    QWidget* m_days = nullptr;
    QVBoxLayout* m_daysColumn = nullptr;
    QHash<QString, DaySection*> m_sections;
    QList<QString> m_order;
};

} // namespace fernholm
