#pragma once

#include "FernholmKit/presentation/BrowserNotices.h"

#include <QList>
#include <QWidget>

#include <optional>

class QVBoxLayout;

namespace fernholm {

class BrowserRowLine;
class SetupStepCard;
class Surface;
class TextLabel;

// The setup page's card of the browsers and apps whose traffic goes around the gateway, over the
// gateway's findings, with the caption under it (sans 12/400, Theme::faint), 8 apart and 8 below
// what comes before.
// - No list (no status, or the gateway sent none): the whole block is hidden.
// - An empty list: a done row "Browsers" with the all-clear text.
// - Rows: a card with the title (sans 15/600, Theme::ink) and one line per row, 10 apart, padded
//   22 across and 18 above and below; Theme::warningBg outlined in Theme::warningEdge when a row
//   is a warning, else Theme::surface outlined in Theme::cardEdge.
//
// setRows updates in place: lines are reused in order, so a selection in an unchanged line stays.
class BrowsersCard : public QWidget {
    Q_OBJECT
public:
    explicit BrowsersCard(QWidget* parent = nullptr);

    const std::optional<QList<BrowserSetupRow>>& rows() const { return m_rows; }
    void setRows(const std::optional<QList<BrowserSetupRow>>& rows);

    // At least one row is drawn as a warning.
    bool warns() const;

    SetupStepCard* allClearCard() const { return m_allClear; }
    Surface* listCard() const { return m_list; }
    TextLabel* listTitle() const { return m_listTitle; }
    QList<BrowserRowLine*> lines() const { return m_lines; }
    TextLabel* caption() const { return m_caption; }

private:
    std::optional<QList<BrowserSetupRow>> m_rows;
    SetupStepCard* m_allClear = nullptr;
    Surface* m_list = nullptr;
    TextLabel* m_listTitle = nullptr;
    QList<BrowserRowLine*> m_lines;
    TextLabel* m_caption = nullptr;
};

} // namespace fernholm
