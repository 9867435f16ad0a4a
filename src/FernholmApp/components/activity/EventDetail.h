#pragma once

#include <QString>
#include <QWidget>

namespace fernholm {

class ActivityFeed;
class RedactionTable;
class TextLabel;

// The block under an opened event row: the request's detail table, fed from the feed's detail
// cache, and a footnote saying where the detail comes from. It only reads the cache; whoever
// opens the row asks the feed to fetch (ActivityFeed::loadDetail).
//
//     auto* detail = new EventDetail(model.activity(), event.ts, item);
//
// The table follows detailCacheChanged in place (loading → loaded or none), keeping the user's
// picker choice and expanded panels; a new EventDetail starts afresh.
class EventDetail : public QWidget {
    Q_OBJECT
public:
    // `feed` must outlive the detail.
    EventDetail(const ActivityFeed& feed, const QString& ts, QWidget* parent = nullptr);

    QString ts() const { return m_ts; }
    // Another request (the row now shows another event): its state from the cache.
    void setTs(const QString& ts);

    RedactionTable* table() const { return m_table; }
    TextLabel* footnote() const { return m_footnote; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void follow();

    const ActivityFeed& m_feed;
    QString m_ts;
    RedactionTable* m_table;
    TextLabel* m_footnote;
};

} // namespace fernholm
