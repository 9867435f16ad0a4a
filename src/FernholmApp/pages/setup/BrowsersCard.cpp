#include "FernholmApp/pages/setup/BrowsersCard.h"

#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/pages/setup/BrowserRowLine.h"
#include "FernholmApp/pages/setup/SetupStepCard.h"
#include "FernholmKit/presentation/SetupSteps.h"

#include <QVBoxLayout>

#include <algorithm>

namespace fernholm {

namespace {

SetupStep allClearStep() {
    return {SetupStep::Look::done, 0, browsersCardTitle(), browsersAllClearText(), SetupStep::Control::none};
}

} // namespace

BrowsersCard::BrowsersCard(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 8, 0, 0);
    column->setSpacing(8);

    m_allClear = new SetupStepCard(allClearStep());
    column->addWidget(m_allClear);

    m_list = new Surface({Theme::cardRadius, Theme::surface, Theme::cardEdge, false});
    m_list->body()->setContentsMargins(22, 18, 22, 18);
    m_list->body()->setSpacing(10);
    m_listTitle = new TextLabel(browsersCardTitle(), Fonts::sans(15, 600), Theme::ink);
    m_list->body()->addWidget(m_listTitle);
    column->addWidget(m_list);

    m_caption = new TextLabel(browsersCardCaption(), Fonts::sans(12), Theme::faint);
    column->addWidget(m_caption);

    setVisible(false);
    m_allClear->setVisible(false);
    m_list->setVisible(false);
}

bool BrowsersCard::warns() const {
    if (!m_rows) {
        return false;
    }
    return std::any_of(m_rows->begin(), m_rows->end(),
                       [](const BrowserSetupRow& row) { return SetupSteps::isWarningKind(row.kind); });
}

void BrowsersCard::setRows(const std::optional<QList<BrowserSetupRow>>& rows) {
    if (rows == m_rows && (rows || isHidden())) {
        return;
    }
    m_rows = rows;
    if (!rows) {
        setVisible(false);
        return;
    }
    const bool empty = rows->isEmpty();
    m_allClear->setVisible(empty);
    m_list->setVisible(!empty);
    // Lines are reused in order; only the ones beyond the new count go.
    while (m_lines.size() > rows->size()) {
        BrowserRowLine* line = m_lines.takeLast();
        m_list->body()->removeWidget(line);
        delete line;
    }
    for (qsizetype i = 0; i < rows->size(); ++i) {
        if (i < m_lines.size()) {
            m_lines[i]->setRow(rows->at(i));
        } else {
            auto* line = new BrowserRowLine(rows->at(i));
            m_lines.append(line);
            m_list->body()->addWidget(line);
        }
    }
    const bool warning = warns();
    m_list->setLook({Theme::cardRadius, warning ? Theme::warningBg : Theme::surface,
                     warning ? Theme::warningEdge : Theme::cardEdge, false});
    setVisible(true);
}

} // namespace fernholm
