#include "FernholmApp/pages/activity/ActivityScreen.h"

#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/components/activity/EventRowList.h"
#include "FernholmApp/components/activity/StatusWidgets.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QVBoxLayout>

namespace fernholm {

namespace {

QVBoxLayout* column(QWidget* widget, int spacing) {
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

void growsForWidth(QWidget* widget) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
}

} // namespace

// One day: its heading over a card of its rows.
struct ActivityScreen::DaySection {
    QWidget* widget = nullptr;
    SectionLabel* label = nullptr;
    EventRowList* rows = nullptr;
    QString day;
};

ActivityScreen::ActivityScreen(AppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_calendar{QTimeZone::systemTimeZone(), QLocale()},
      m_now([] { return Clock::now(); }) {
    m_page = new Page(Theme::sectionGap);
    column(this, 0)->addWidget(m_page);

    QList<SegmentedControl::Option> options;
    for (const ActivityFilter filter : allActivityFilters) {
        options.append({QVariant::fromValue(int(filter)), title(filter)});
    }
    m_filterControl = new SegmentedControl(options, 32, 13, Theme::muted);
    m_filterControl->setSelection(QVariant::fromValue(int(m_filter)));
    connect(m_filterControl, &SegmentedControl::activated, this,
            [this](const QVariant& value) { setFilter(ActivityFilter(value.toInt())); });
    m_header = new PageHeader(
        fernholm::tr("Activity"),
        fernholm::tr("Only placeholders are kept here. What you wrote stays on this computer."), m_filterControl);
    m_page->addWidget(m_header);

    m_empty = cardSurface(Theme::cardRadius, Theme::surface);
    growsForWidth(m_empty);
    m_empty->body()->setContentsMargins(24, 24, 24, 24);
    m_empty->body()->setSpacing(6);
    auto* emptyTitle = new TextLabel(fernholm::tr("No traffic yet"), Fonts::display(22), Theme::ink);
    emptyTitle->setHeading(true);
    m_empty->body()->addWidget(emptyTitle);
    m_empty->body()->addWidget(new TextLabel(
        fernholm::tr("Send a prompt through a connected app and it will show up here."), Fonts::sans(13, 400),
        Theme::dim));
    m_page->addWidget(m_empty);

    m_days = new QWidget;
    growsForWidth(m_days);
    m_daysColumn = column(m_days, int(Theme::sectionGap));
    m_page->addWidget(m_days);

    connect(&m_model.activity(), &ActivityFeed::recentEventsChanged, this, &ActivityScreen::refresh);
    refresh();
}

ActivityScreen::~ActivityScreen() {
    qDeleteAll(m_sections);
}

void ActivityScreen::setFilter(ActivityFilter filter) {
    m_filterControl->setSelection(QVariant::fromValue(int(filter)));
    if (filter == m_filter) {
        return;
    }
    m_filter = filter;
    refresh();
}

void ActivityScreen::setCalendar(const Calendar& calendar) {
    m_calendar = calendar;
    // Headings depend on the calendar too: make the sections afresh.
    for (DaySection* section : std::as_const(m_sections)) {
        m_daysColumn->removeWidget(section->widget);
        delete section->widget;
    }
    qDeleteAll(m_sections);
    m_sections.clear();
    m_order.clear();
    refresh();
}

void ActivityScreen::setNow(std::function<Time()> now) {
    m_now = std::move(now);
    for (DaySection* section : std::as_const(m_sections)) {
        section->label->setText(activityDayLabel(section->day, m_now(), m_calendar));
    }
}

void ActivityScreen::toggle(const ActivityRow& row) {
    const bool opening = !m_expanded.remove(row.id);
    if (opening) {
        m_expanded.insert(row.id);
    }
    if (EventRowList* list = listOfRow(row.id)) {
        list->setExpanded(m_expanded);
    }
    if (opening) {
        m_model.activity().loadDetail(row.event.ts);
    }
}

void ActivityScreen::refresh() {
    const ActivityFeed& feed = m_model.activity();
    m_groups = activityGroups(feed.recentEvents(), feed.recentEventsOffset(), m_filter, m_calendar);
    const Time now = m_now();

    QHash<QString, DaySection*> kept;
    QList<QWidget*> order;
    QList<QString> ids;
    for (const DayGroup& group : std::as_const(m_groups)) {
        DaySection* section = m_sections.value(group.id);
        if (!section) {
            section = new DaySection;
            section->day = group.day;
            section->widget = new QWidget;
            growsForWidth(section->widget);
            QVBoxLayout* sectionColumn = column(section->widget, 10);
            section->label = new SectionLabel(QString(), Theme::faint);
            sectionColumn->addWidget(section->label);
            Surface* card = cardSurface(Theme::cardRadius, Theme::surface);
            growsForWidth(card);
            section->rows = new EventRowList(m_model, false, 16, [this](const ActivityRow& row) { toggle(row); });
            section->rows->setCalendar(m_calendar);
            card->body()->addWidget(section->rows);
            sectionColumn->addWidget(card);
        }
        section->label->setText(activityDayLabel(group.day, now, m_calendar));
        section->rows->setRows(group.rows, m_expanded);
        kept.insert(group.id, section);
        order.append(section->widget);
        ids.append(group.id);
    }
    for (auto it = m_sections.cbegin(); it != m_sections.cend(); ++it) {
        if (kept.value(it.key()) != it.value()) {
            m_daysColumn->removeWidget(it.value()->widget);
            it.value()->widget->hide();
            it.value()->widget->deleteLater();
            delete it.value();
        }
    }
    m_sections = kept;
    m_order = ids;
    arrangeWidgets(m_daysColumn, order);
    for (QWidget* widget : std::as_const(order)) {
        widget->show();
    }
    m_empty->setVisible(m_groups.isEmpty());
    m_days->setVisible(!m_groups.isEmpty());
}

QList<QWidget*> ActivityScreen::daySections() const {
    QList<QWidget*> sections;
    for (const QString& id : m_order) {
        sections.append(m_sections.value(id)->widget);
    }
    return sections;
}

QWidget* ActivityScreen::daySectionFor(const QString& id) const {
    DaySection* section = m_sections.value(id);
    return section ? section->widget : nullptr;
}

SectionLabel* ActivityScreen::dayLabelFor(const QString& id) const {
    DaySection* section = m_sections.value(id);
    return section ? section->label : nullptr;
}

EventRowList* ActivityScreen::rowsFor(const QString& id) const {
    DaySection* section = m_sections.value(id);
    return section ? section->rows : nullptr;
}

EventRowList* ActivityScreen::listOfRow(qint64 id) const {
    for (DaySection* section : std::as_const(m_sections)) {
        if (section->rows->itemFor(id)) {
            return section->rows;
        }
    }
    return nullptr;
}

} // namespace fernholm
