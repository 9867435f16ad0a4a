#pragma once

#include "FernholmApp/components/layout/Card.h"
#include "FernholmKit/presentation/DetailFetchState.h"
#include "FernholmApp/components/activity/DetailView.h"

#include <QSet>

namespace fernholm {

class EntitiesGrid;
class PromptView;
class SegmentedControl;
class TextLabel;

// What the gateway did to one request, on a sand card: "loading…" until the detail is known,
// "No detail recorded" when there is none, else a caption (how long the scan took and how many
// values were hidden, or why the request was blocked), a Prompt/Entities picker and the chosen
// view.
//
//     auto* table = new RedactionTable(DetailFetchState::of(feed.detailCache(), ts), this);
//     table->setState(DetailFetchState::of(feed.detailCache(), ts));   // on every cache change
//
// The picker's choice and the expanded panels stay while the table lives, also when the state
// moves from loading to loaded; a state equal to the shown one changes nothing.
class RedactionTable : public Card {
    Q_OBJECT
public:
    explicit RedactionTable(const DetailFetchState& state, QWidget* parent = nullptr);

    const DetailFetchState& state() const { return m_state; }
    void setState(const DetailFetchState& state);

    DetailView detailView() const { return m_view; }
    void setDetailView(DetailView view);
    // The labels of the prompt panels the user expanded.
    const QSet<QString>& expandedPanels() const;

    // The caption of a record: the blocked reason when there is one, else the scan's time and
    // the number of distinct placeholders.
    static QString captionText(const DetailRecord& record);

    // "loading…" / "No detail recorded" (hidden once loaded).
    TextLabel* message() const { return m_message; }
    TextLabel* caption() const { return m_caption; }
    SegmentedControl* picker() const { return m_picker; }
    PromptView* promptView() const { return m_prompt; }
    EntitiesGrid* entitiesGrid() const { return m_entities; }
    // "No entities recorded" in the entities view of a record without details.
    TextLabel* noEntities() const { return m_noEntities; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void retranslate();

    DetailFetchState m_state;
    DetailView m_view = DetailView::prompt;
    TextLabel* m_message;
    QWidget* m_loaded;
    TextLabel* m_caption;
    SegmentedControl* m_picker;
    PromptView* m_prompt;
    EntitiesGrid* m_entities;
    TextLabel* m_noEntities;
};

} // namespace fernholm
