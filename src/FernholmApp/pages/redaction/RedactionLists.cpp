#include "FernholmApp/pages/redaction/RedactionLists.h"

#include "FernholmApp/components/layout/CardPairLayout.h"
#include "FernholmApp/pages/redaction/DocumentOptionsCard.h"
#include "FernholmApp/pages/redaction/OrganisationSection.h"
#include "FernholmApp/pages/redaction/RedactionAllowlistCard.h"
#include "FernholmApp/pages/redaction/RedactionBlocklistCard.h"
#include "FernholmApp/theme/Theme.h"

#include <QVBoxLayout>

namespace fernholm {

RedactionLists::RedactionLists(RedactionDraft& draft, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Theme::sectionGap));

    auto* pair = new QWidget(this);
    auto* cards = new CardPairLayout(16, pair);
    cards->setContentsMargins(0, 0, 0, 0);
    m_allow = new RedactionAllowlistCard(draft, pair);
    m_block = new RedactionBlocklistCard(draft, pair);
    cards->addWidget(m_allow);
    cards->addWidget(m_block);
    column->addWidget(pair);

    // Made with its parent: it hides itself at once when there is no policy.
    m_organisation = new OrganisationSection(draft, this);
    column->addWidget(m_organisation);
    m_documents = new DocumentOptionsCard(draft, this);
    column->addWidget(m_documents);
}

} // namespace fernholm
