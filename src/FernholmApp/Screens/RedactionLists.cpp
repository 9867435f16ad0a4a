#include "FernholmApp/Screens/RedactionLists.h"

#include "FernholmApp/Screens/CardPairLayout.h"
#include "FernholmApp/Screens/DocumentOptionsCard.h"
#include "FernholmApp/Screens/OrganisationSection.h"
#include "FernholmApp/Screens/RedactionAllowlistCard.h"
#include "FernholmApp/Screens/RedactionBlocklistCard.h"
#include "FernholmApp/Theme.h"

#include <QVBoxLayout>

namespace fernholm {

RedactionLists::RedactionLists(AppModel& model, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(int(Theme::sectionGap));

    auto* pair = new QWidget(this);
    auto* cards = new CardPairLayout(16, pair);
    cards->setContentsMargins(0, 0, 0, 0);
    m_allow = new RedactionAllowlistCard(model, pair);
    m_block = new RedactionBlocklistCard(model, pair);
    cards->addWidget(m_allow);
    cards->addWidget(m_block);
    column->addWidget(pair);

    // Made with its parent: it hides itself at once when there is no policy.
    m_organisation = new OrganisationSection(model, this);
    column->addWidget(m_organisation);
    m_documents = new DocumentOptionsCard(model, this);
    column->addWidget(m_documents);
}

} // namespace fernholm
