#include "FernholmApp/pages/redaction/RedactionScreen.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/layout/CardPairLayout.h"
#include "FernholmApp/pages/redaction/RedactionCategoryCard.h"
#include "FernholmApp/pages/redaction/RedactionLists.h"
#include "FernholmApp/pages/redaction/UnsavedChangesBar.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/control/RedactionEdits.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QShowEvent>
#include <QVBoxLayout>

namespace fernholm {

namespace {

constexpr int gridGap = 16;

} // namespace

RedactionScreen::RedactionScreen(AppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_draft(model.redactionDraft()) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    m_page = new Page(Theme::sectionGap);
    outer->addWidget(m_page);

    m_header = new PageHeader(fernholm::tr("Redaction rules"), QString());
    m_page->addWidget(m_header);
    m_page->addWidget(buildGrid());
    // The allowlist and blocklist cards, the organisation section and the documents card.
    m_lists = new RedactionLists(m_draft);
    m_page->addWidget(m_lists);

    m_bar = new UnsavedChangesBar(m_page);
    connect(m_bar->discardButton(), &QAbstractButton::clicked, &m_draft, &RedactionDraft::discard);
    connect(m_bar->saveButton(), &QAbstractButton::clicked, &m_model, &AppModel::saveRedaction);
    m_page->installEventFilter(this);

    connect(&m_draft, &RedactionDraft::changed, this, &RedactionScreen::showRules);
    showRules();
}

RedactionScreen::~RedactionScreen() {
    m_load.cancel();
}

// --- Derived values ---

RedactionScreen::Counts RedactionScreen::counts(const RedactionPage& page) {
    Counts counts;
    for (const RedactionCategory& category : page.categories) {
        for (const RedactionType& type : category.types) {
            ++counts.all;
            counts.on += type.enabled ? 1 : 0;
        }
    }
    return counts;
}

RedactionScreen::Columns RedactionScreen::categoryColumns(const QList<RedactionCategory>& categories) {
    Columns columns;
    std::array<qsizetype, 2> heights{0, 0};
    for (qsizetype i = 0; i < categories.size(); ++i) {
        const int column = heights[1] < heights[0] ? 1 : 0;
        columns[column].append(int(i));
        heights[column] += categories.at(i).types.size() + 2;
    }
    return columns;
}

TriStateSwitch::State RedactionScreen::categoryState(const RedactionCategory& category) {
    qsizetype on = 0;
    const QList<RedactionType> unlocked = unlockedTypes(category);
    for (const RedactionType& type : unlocked) {
        on += type.enabled ? 1 : 0;
    }
    if (on == 0) {
        return TriStateSwitch::State::off;
    }
    return on == unlocked.size() ? TriStateSwitch::State::on : TriStateSwitch::State::mixed;
}

bool RedactionScreen::allLocked(const RedactionCategory& category) {
    return unlockedTypes(category).isEmpty();
}

QString RedactionScreen::sourceLabel(const QString& source) {
    if (source == QLatin1String("rules")) {
        return fernholm::tr("Rules");
    }
    if (source == QLatin1String("model")) {
        return fernholm::tr("Model");
    }
    if (source == QLatin1String("none")) {
        return fernholm::tr("Not detected");
    }
    return fernholm::tr("Rules + model");
}

RedactionCategoryCard* RedactionScreen::categoryCard(int index) const {
    return index >= 0 && index < m_cards.size() ? m_cards.at(index) : nullptr;
}

// --- Building and showing ---

QWidget* RedactionScreen::buildGrid() {
    m_grid = new QWidget;
    auto* pair = new CardPairLayout(gridGap, m_grid);
    for (QVBoxLayout*& layout : m_columnLayouts) {
        auto* column = new QWidget;
        layout = new QVBoxLayout(column);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(gridGap);
        // Both columns are as tall as the taller one; the cards stay at the top of theirs.
        layout->addStretch(1);
        pair->addWidget(column);
    }
    return m_grid;
}

void RedactionScreen::showRules() {
    const RedactionPage& rules = m_draft.edited();
    const Counts c = counts(rules);
    m_header->setSubtitle(
        fernholm::tr("What Tarvine replaces before a message or file leaves this computer. {on} of {all} types on.",
                     {{"on", c.on}, {"all", c.all}}));
    showCards(rules);
    m_bar->setShown(m_draft.hasChanges());
    makeRoomForTheBar();
}

void RedactionScreen::showCards(const RedactionPage& rules) {
    const qsizetype wanted = rules.categories.size();
    while (m_cards.size() > wanted) {
        delete m_cards.takeLast();
    }
    while (m_cards.size() < wanted) {
        auto* card = new RedactionCategoryCard;
        connect(card, &RedactionCategoryCard::typeToggleRequested, this, [this, card](const QString& typeKey, bool on) {
            m_draft.switchType(m_cards.indexOf(card), card->category().key, typeKey, on);
        });
        connect(card, &RedactionCategoryCard::categoryToggleRequested, this,
                [this, card](bool on) { m_draft.switchCategory(m_cards.indexOf(card), card->category().key, on); });
        m_cards.append(card);
    }
    for (qsizetype i = 0; i < wanted; ++i) {
        m_cards[i]->setCategory(rules.categories.at(i));
    }

    const Columns columns = categoryColumns(rules.categories);
    if (columns != m_columns || m_cards.size() != wanted) {
        m_columns = columns;
        for (QVBoxLayout* layout : m_columnLayouts) {
            for (RedactionCategoryCard* card : std::as_const(m_cards)) {
                layout->removeWidget(card);
            }
        }
        for (size_t column = 0; column < m_columns.size(); ++column) {
            QVBoxLayout* layout = m_columnLayouts[column];
            for (const int index : std::as_const(m_columns[column])) {
                // Before the stretch that keeps the column's cards at its top.
                layout->insertWidget(layout->count() - 1, m_cards.at(index));
            }
        }
    }
    m_grid->setVisible(wanted > 0);
}

// --- Life cycle ---

void RedactionScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) {
        return; // a window coming back from the task bar, not the page being opened
    }
    m_load.cancel();
    m_load = CancelToken::create();
    m_model.loadRedaction(m_load);
    m_bar->place();
}

void RedactionScreen::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) {
        m_load.cancel();
    }
}

bool RedactionScreen::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_page && (event->type() == QEvent::Resize || event->type() == QEvent::LayoutDirectionChange)) {
        m_bar->place();
        makeRoomForTheBar();
    }
    return QWidget::eventFilter(watched, event);
}

void RedactionScreen::makeRoomForTheBar() {
    // The bar floats at the top of the page, over the header's trailing end. When the title at
    // its full size would reach under the bar, the header starts below the bar instead.
    int room = 0;
    if (m_bar->isShown()) {
        m_bar->place();
        const QRect capsule = m_bar->geometry().marginsRemoved(UnsavedChangesBar::shadowMargins);
        const int pageTop = m_page->content()->layout()->contentsMargins().top();
        const QRect title(m_header->titleLabel()->mapTo(m_page, QPoint(0, 0)), m_header->titleLabel()->sizeHint());
        const int gap = 12;
        const bool overlaps = title.left() - gap <= capsule.right() && title.right() + gap >= capsule.left();
        if (overlaps) {
            room = std::max(0, UnsavedChangesBar::topGap + capsule.height() + gap - pageTop);
        }
    }
    const QMargins margins = m_header->contentsMargins();
    if (margins.top() != room) {
        m_header->setContentsMargins(margins.left(), room, margins.right(), margins.bottom());
    }
}

} // namespace fernholm
