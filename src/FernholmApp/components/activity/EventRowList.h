#pragma once

#include "FernholmKit/presentation/ActivityGroups.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <functional>

class QVBoxLayout;

namespace fernholm {

class AppModel;
class EventListItem;

// The rows of one list card (a day of the activity log, the home page's recent requests): for
// each row, a divider before every row but the first, the event row, the report link under a
// blocked event and, while the row is open, the request's detail.
//
//     auto* list = new EventRowList(model, /*showTokens*/ false, /*padding*/ 16,
//                                   [this](const ActivityRow& row) { toggle(row); });
//     list->setRows(rows, expanded);   // every change of the model's events
//
// Rows are kept by id: a row whose id stays is the same widget afterwards (open detail, hover,
// focus survive), only told about a changed event. Clicking a row calls the toggle callback; the
// owner keeps the set of open ids and hands it back with setRows or setExpanded.
class EventRowList : public QWidget {
    Q_OBJECT
public:
    EventRowList(AppModel& model, bool showTokens, int verticalPadding,
                 std::function<void(const ActivityRow&)> toggle, QWidget* parent = nullptr);
    ~EventRowList() override;

    void setRows(const QList<ActivityRow>& rows, const QSet<qint64>& expanded);
    void setExpanded(const QSet<qint64>& expanded);
    // The calendar the rows' times are told in (the system's unless set).
    void setCalendar(const Calendar& calendar);

    const QList<ActivityRow>& rows() const { return m_rows; }
    // The widget of row `id` (event row, report link, detail), or null.
    QWidget* itemFor(qint64 id) const;
    // The event row of row `id`, or null.
    QWidget* eventRowFor(qint64 id) const;
    // The detail under row `id` while it is open, else null.
    QWidget* detailFor(qint64 id) const;
    bool isOpen(qint64 id) const;

private:
    AppModel& m_model;
    bool m_showTokens;
    int m_padding;
    Calendar m_calendar;
    std::function<void(const ActivityRow&)> m_toggle;
    QVBoxLayout* m_column;
    QList<ActivityRow> m_rows;
    QHash<qint64, EventListItem*> m_items;
};

} // namespace fernholm
