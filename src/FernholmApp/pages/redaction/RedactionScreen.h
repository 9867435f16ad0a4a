#pragma once

#include "FernholmApp/components/controls/TriStateSwitch.h"
#include "FernholmKit/control/CancelToken.h"
#include "FernholmKit/control/RedactionModels.h"

#include <QList>
#include <QWidget>

#include <array>

class QVBoxLayout;

namespace fernholm {

class AppModel;
class Page;
class RedactionDraft;
class PageHeader;
class RedactionCategoryCard;
class RedactionLists;
class UnsavedChangesBar;

// The redaction rules: which kinds of personal data the gateway replaces, one card per category
// in two balanced columns, each type with its switch and each category with a switch over all
// its unlocked types. Types the organisation requires are locked: shown, never switched here.
// Under the grid follow the allowlist and blocklist, the organisation's policy and the document
// options (RedactionLists).
//
// The page edits the model's working copy of the rules (AppModel::redactionDraft, one change per
// click) and keeps no copy of its own. While the working copy differs from the saved one, an
// "Unsaved changes" bar floats at the top trailing corner; its Save calls the model and its
// Discard the draft, and nothing reaches the gateway before Save. Each time the page is shown it
// asks the model to reload the rules; hiding it abandons a reload still on its way.
//
// Built once and updated in place on RedactionDraft::changed: cards and rows are reused while
// the categories keep their types, so focus and the scroll position survive every reload. The
// model must outlive the page.
class RedactionScreen : public QWidget {
    Q_OBJECT
public:
    explicit RedactionScreen(AppModel& model, QWidget* parent = nullptr);
    ~RedactionScreen() override;

    struct Counts {
        qsizetype on = 0;  // types switched on
        qsizetype all = 0; // types over all categories, locked ones included
        bool operator==(const Counts&) const = default;
    };
    static Counts counts(const RedactionPage& page);

    // Category indices for the left and the right column, each in ascending order. Columns are
    // balanced by an estimate of card height (a category's type count plus 2): each category goes
    // to the right column only when that one is shorter so far, so a tie goes left.
    using Columns = std::array<QList<int>, 2>;
    static Columns categoryColumns(const QList<RedactionCategory>& categories);

    // On when every unlocked type is on, off when none is, mixed otherwise.
    static TriStateSwitch::State categoryState(const RedactionCategory& category);
    // Whether no type of the category can be switched (true without any types).
    static bool allLocked(const RedactionCategory& category);

    // What finds a type, from its `source`, compared exactly: "Rules", "Model", "Not detected",
    // else "Rules + model".
    static QString sourceLabel(const QString& source);

    // The parts, for the window and tests.
    Page* page() const { return m_page; }
    PageHeader* header() const { return m_header; }
    QWidget* categoriesGrid() const { return m_grid; }
    // The card of category `index` of the working copy.
    RedactionCategoryCard* categoryCard(int index) const;
    qsizetype categoryCardCount() const { return m_cards.size(); }
    // The category indices each column shows now.
    const Columns& shownColumns() const { return m_columns; }
    // The allowlist and blocklist, the organisation's policy and the document options, under the grid.
    RedactionLists* lists() const { return m_lists; }
    UnsavedChangesBar* unsavedBar() const { return m_bar; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the header below the unsaved-changes bar when the bar would cover its title.
    void makeRoomForTheBar();
    QWidget* buildGrid();
    void showRules();
    void showCards(const RedactionPage& rules);

    AppModel& m_model;
    RedactionDraft& m_draft;
    CancelToken m_load;

    Page* m_page = nullptr;
    PageHeader* m_header = nullptr;
    QWidget* m_grid = nullptr;
    std::array<QVBoxLayout*, 2> m_columnLayouts{};
    QList<RedactionCategoryCard*> m_cards;
    Columns m_columns;
    RedactionLists* m_lists = nullptr;
    UnsavedChangesBar* m_bar = nullptr;
};

} // namespace fernholm
