#include "FernholmApp/components/alerts/PageAlerts.h"

#include "FernholmApp/components/alerts/CriticalAlertViews.h"
#include "FernholmApp/components/alerts/MoreAlertsLine.h"
#include "FernholmApp/components/alerts/WarningAlertViews.h"

#include <QEvent>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// The notice of `layout` when it belongs to `page`.
std::optional<AppAlert> noticeFor(const AlertLayout& layout, AppTab page) {
    if (layout.notice && layout.notice->page && *layout.notice->page == page) {
        return layout.notice;
    }
    return std::nullopt;
}

} // namespace

PageAlerts::PageAlerts(const AlertLayout& layout, AppTab page, QWidget* parent)
    : QWidget(parent), m_layout(layout), m_page(page) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(8);
    m_more = new MoreAlertsLine(0, this);
    m_more->hide();
    rebuild();
}

void PageAlerts::setAlertLayout(const AlertLayout& layout) {
    if (layout == m_layout) {
        return;
    }
    m_layout = layout;
    rebuild();
}

void PageAlerts::setPage(AppTab page) {
    if (page == m_page) {
        return;
    }
    m_page = page;
    rebuild();
}

bool PageAlerts::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::ParentChange) {
        applyVisibility();
    }
    return handled;
}

void PageAlerts::applyVisibility() {
    // Shown only inside a parent: without one, showing would open a window of its own.
    if (parentWidget() || !hasContent()) {
        setVisible(hasContent());
    }
}

bool PageAlerts::hasContent() const {
    return !m_layout.critical.isEmpty() || !m_layout.warnings.isEmpty() || noticeFor(m_layout, m_page);
}

QList<QWidget*> PageAlerts::alertWidgets() const {
    return m_order;
}

QWidget* PageAlerts::widgetFor(const QString& id) const {
    return m_widgets.value(id);
}

void PageAlerts::rebuild() {
    // What to show, in order; a strip for a warning and for the notice.
    struct Entry {
        AppAlert alert;
        bool card;
    };
    QList<Entry> entries;
    for (const AppAlert& alert : std::as_const(m_layout.critical)) {
        entries.append({alert, true});
    }
    for (const AppAlert& alert : std::as_const(m_layout.warnings)) {
        entries.append({alert, false});
    }
    const auto notice = noticeFor(m_layout, m_page);

    QHash<QString, QWidget*> kept;
    QList<QWidget*> order;
    const auto place = [&](const AppAlert& alert, bool card) {
        if (kept.contains(alert.id)) {
            return; // an id shown twice in one layout: the first place holds
        }
        QWidget* widget = m_widgets.value(alert.id);
        if (card) {
            auto* existing = qobject_cast<CriticalCard*>(widget);
            if (existing) {
                existing->setAlert(alert);
            } else {
                widget = new CriticalCard(alert, true, this);
            }
        } else {
            auto* existing = qobject_cast<AlertStrip*>(widget);
            if (existing) {
                existing->setAlert(alert);
            } else {
                widget = new AlertStrip(alert, this);
            }
        }
        kept.insert(alert.id, widget);
        order.append(widget);
    };
    for (const Entry& entry : std::as_const(entries)) {
        place(entry.alert, entry.card);
    }
    const qsizetype beforeNotice = order.size();
    if (notice) {
        place(*notice, false);
    }

    for (auto it = m_widgets.cbegin(); it != m_widgets.cend(); ++it) {
        if (kept.value(it.key()) != it.value()) {
            m_column->removeWidget(it.value());
            delete it.value();
        }
    }
    m_widgets = kept;

    QList<QWidget*> shown = order;
    const bool more = m_layout.moreWarnings >= 1;
    if (more) {
        m_more->setCount(m_layout.moreWarnings);
        shown.insert(beforeNotice, m_more);
    }
    m_more->setVisible(more);

    // Put the widgets in order only when the order changed.
    QList<QWidget*> current;
    for (int i = 0; i < m_column->count(); ++i) {
        if (QWidget* widget = m_column->itemAt(i)->widget()) {
            current.append(widget);
        }
    }
    if (current != shown) {
        for (QWidget* widget : std::as_const(current)) {
            m_column->removeWidget(widget);
        }
        for (QWidget* widget : std::as_const(shown)) {
            m_column->addWidget(widget);
        }
    }
    for (QWidget* widget : std::as_const(order)) {
        widget->show();
    }
    m_order = order;
    applyVisibility();
    m_column->invalidate();
    updateGeometry();
}

} // namespace fernholm
