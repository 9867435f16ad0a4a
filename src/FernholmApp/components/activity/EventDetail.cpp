#include "FernholmApp/components/activity/EventDetail.h"

#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/components/activity/RedactionTable.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QVBoxLayout>

namespace fernholm {

namespace {

QString footnoteText() {
    return fernholm::tr(
        QStringLiteral("Shown from this computer only — the activity log itself holds only the placeholders."));
}

} // namespace

EventDetail::EventDetail(const ActivityFeed& feed, const QString& ts, QWidget* parent)
    : QWidget(parent), m_feed(feed), m_ts(ts) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 0, 20, 20);
    column->setSpacing(8);
    m_table = new RedactionTable(DetailFetchState::of(feed.detailCache(), ts), this);
    column->addWidget(m_table);
    m_footnote = new TextLabel(footnoteText(), Fonts::sans(12), Theme::faint, this);
    column->addWidget(m_footnote);
    connect(&feed, &ActivityFeed::detailCacheChanged, this, &EventDetail::follow);
}

void EventDetail::setTs(const QString& ts) {
    if (ts == m_ts) {
        return;
    }
    m_ts = ts;
    follow();
}

void EventDetail::follow() {
    m_table->setState(DetailFetchState::of(m_feed.detailCache(), m_ts));
}

void EventDetail::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        m_footnote->setText(footnoteText());
    }
    QWidget::changeEvent(event);
}

} // namespace fernholm
