#pragma once

#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/presentation/AppTab.h"

#include <QHash>
#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace fernholm {

class MoreAlertsLine;

// The alert block at the top of every page but home: every critical alert as a compact
// CriticalCard, the warnings as AlertStrips, "{n} more need attention" when warnings were left
// out, and the notice that belongs to this page (a notice for another page or for none is not
// shown here), 8 px apart. With nothing to show it is hidden and takes no room.
//
//     auto* alerts = new PageAlerts(AlertLayout::empty, AppTab::activity, this);
//     column->addWidget(alerts);
//     // whenever the model's alerts change:
//     alerts->setAlertLayout(model.alerts().layout(false));
//
// It updates in place: an equal layout changes nothing, and the card or strip of an alert id
// that stays is the same widget afterwards (it keeps its place, focus and selection), only
// updated when its alert changed. The buttons inside act through the AlertHandlers set on an
// ancestor. Height for width.
class PageAlerts : public QWidget {
    Q_OBJECT
public:
    PageAlerts(const AlertLayout& layout, AppTab page, QWidget* parent = nullptr);

    const AlertLayout& alertLayout() const { return m_layout; }
    void setAlertLayout(const AlertLayout& layout);

    AppTab page() const { return m_page; }
    void setPage(AppTab page);

    // Whether the block shows anything.
    bool hasContent() const;

    // The alert widgets in their order on screen (cards, strips), without the more-line.
    QList<QWidget*> alertWidgets() const;
    // The widget showing alert `id`, or null.
    QWidget* widgetFor(const QString& id) const;
    MoreAlertsLine* moreLine() const { return m_more; }

protected:
    bool event(QEvent* event) override;

private:
    void rebuild();
    void applyVisibility();

    AlertLayout m_layout;
    AppTab m_page;
    QVBoxLayout* m_column;
    QHash<QString, QWidget*> m_widgets;
    QList<QWidget*> m_order;
    MoreAlertsLine* m_more;
};

} // namespace fernholm
