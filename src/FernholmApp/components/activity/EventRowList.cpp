#include "FernholmApp/components/activity/EventRowList.h"

#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/components/activity/EventDetail.h"
#include "FernholmApp/components/activity/EventRow.h"
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/activity/ReportBlockedButton.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/activity/StatusWidgets.h"
#include "FernholmKit/presentation/ActivityText.h"

#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace fernholm {

// One row of the list with what hangs under it.
class EventListItem : public QWidget {
public:
    EventListItem(AppModel& model, const ActivityRow& row, bool showTokens, int padding, const Calendar& calendar,
                  std::function<void()> toggle, QWidget* parent)
        : QWidget(parent), m_model(model), m_row(row) {
        QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        policy.setHeightForWidth(true);
        setSizePolicy(policy);
        m_column = new QVBoxLayout(this);
        m_column->setContentsMargins(0, 0, 0, 0);
        m_column->setSpacing(0);
        m_divider = new RowDivider(this);
        m_column->addWidget(m_divider);
        // Every listed event was redacted or blocked, so every row opens.
        m_eventRow = new EventRow(row.event, false, true, showTokens, padding, std::move(toggle), this);
        m_eventRow->setCalendar(calendar);
        m_column->addWidget(m_eventRow);
        m_report = new ReportBlockedButton(row.event, model, this);
        m_column->addWidget(m_report);
    }

    const ActivityRow& row() const { return m_row; }
    EventRow* eventRow() const { return m_eventRow; }
    EventDetail* detail() const { return m_detail; }

    void setRow(const ActivityRow& row) {
        if (row == m_row) {
            return;
        }
        m_row = row;
        m_eventRow->setEvent(row.event);
        m_report->setEvent(row.event);
        if (m_detail) {
            m_detail->setTs(row.event.ts);
        }
    }

    void setCalendar(const Calendar& calendar) { m_eventRow->setCalendar(calendar); }

    void setFirst(bool first) { m_divider->setVisible(!first); }

    bool isOpen() const { return m_eventRow->isExpanded(); }

    // An opened row unfolds a new detail under it (its picker and panels start afresh); a closed
    // one folds it away.
    void setOpen(bool open) {
        m_eventRow->setExpanded(open);
        if (open == (m_detail != nullptr)) {
            return;
        }
        const int duration = Motion::duration(this, 180);
        if (open) {
            m_detail = new EventDetail(m_model.activity(), m_row.event.ts, this);
            m_column->addWidget(m_detail);
            if (duration > 0) {
                // Unfolds from nothing to its height at the row's width.
                QWidget* detail = m_detail;
                const int target = detail->hasHeightForWidth() ? detail->heightForWidth(width())
                                                               : detail->sizeHint().height();
                auto* unfold = new QPropertyAnimation(detail, "maximumHeight", detail);
                unfold->setDuration(duration);
                unfold->setEasingCurve(Motion::easeOut());
                unfold->setStartValue(0);
                unfold->setEndValue(std::max(target, 1));
                connect(unfold, &QPropertyAnimation::finished, detail,
                        [detail] { detail->setMaximumHeight(QWIDGETSIZE_MAX); });
                unfold->start(QAbstractAnimation::DeleteWhenStopped);
            }
        } else {
            QWidget* detail = m_detail;
            m_detail = nullptr;
            if (duration > 0) {
                auto* fold = new QPropertyAnimation(detail, "maximumHeight", detail);
                fold->setDuration(duration);
                fold->setEasingCurve(Motion::easeOut());
                fold->setStartValue(detail->height());
                fold->setEndValue(0);
                connect(fold, &QPropertyAnimation::finished, detail, [detail] { detail->deleteLater(); });
                fold->start(QAbstractAnimation::DeleteWhenStopped);
            } else {
                m_column->removeWidget(detail);
                delete detail;
            }
        }
    }

private:
    AppModel& m_model;
    ActivityRow m_row;
    QVBoxLayout* m_column;
    RowDivider* m_divider;
    EventRow* m_eventRow;
    ReportBlockedButton* m_report;
    EventDetail* m_detail = nullptr;
};

EventRowList::EventRowList(AppModel& model, bool showTokens, int verticalPadding,
                           std::function<void(const ActivityRow&)> toggle, QWidget* parent)
    : QWidget(parent), m_model(model), m_showTokens(showTokens), m_padding(verticalPadding),
      m_calendar{QTimeZone::systemTimeZone(), QLocale()}, m_toggle(std::move(toggle)) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
}

EventRowList::~EventRowList() = default;

void EventRowList::setRows(const QList<ActivityRow>& rows, const QSet<qint64>& expanded) {
    QHash<qint64, EventListItem*> kept;
    QList<QWidget*> order;
    for (const ActivityRow& row : rows) {
        if (kept.contains(row.id)) {
            continue;
        }
        EventListItem* item = m_items.value(row.id);
        if (item) {
            item->setRow(row);
        } else {
            const qint64 id = row.id;
            item = new EventListItem(m_model, row, m_showTokens, m_padding, m_calendar, [this, id] {
                if (EventListItem* current = m_items.value(id)) {
                    m_toggle(current->row());
                }
            }, this);
        }
        item->setFirst(order.isEmpty());
        item->setOpen(expanded.contains(row.id));
        kept.insert(row.id, item);
        order.append(item);
    }
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
        if (kept.value(it.key()) != it.value()) {
            m_column->removeWidget(it.value());
            it.value()->deleteLater();
            it.value()->hide();
        }
    }
    m_items = kept;
    m_rows = rows;
    arrangeWidgets(m_column, order);
    for (QWidget* widget : std::as_const(order)) {
        widget->show();
    }
}

void EventRowList::setCalendar(const Calendar& calendar) {
    if (calendar == m_calendar) {
        return;
    }
    m_calendar = calendar;
    for (EventListItem* item : std::as_const(m_items)) {
        item->setCalendar(calendar);
    }
}

void EventRowList::setExpanded(const QSet<qint64>& expanded) {
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it) {
        it.value()->setOpen(expanded.contains(it.key()));
    }
}

QWidget* EventRowList::itemFor(qint64 id) const {
    return m_items.value(id);
}

QWidget* EventRowList::eventRowFor(qint64 id) const {
    EventListItem* item = m_items.value(id);
    return item ? item->eventRow() : nullptr;
}

QWidget* EventRowList::detailFor(qint64 id) const {
    EventListItem* item = m_items.value(id);
    return item ? item->detail() : nullptr;
}

bool EventRowList::isOpen(qint64 id) const {
    EventListItem* item = m_items.value(id);
    return item && item->isOpen();
}

} // namespace fernholm
