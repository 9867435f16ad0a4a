#pragma once

#include <QWidget>

namespace fernholm {

class DocumentOptionsCard;
class OrganisationSection;
class RedactionAllowlistCard;
class RedactionBlocklistCard;
class RedactionDraft;

// The lower half of the redaction rules page, Theme::sectionGap between its parts: the allowlist
// and blocklist cards side by side (16 apart, equally wide and equally high), the organisation's
// policy (absent without one) and the document options, all on the same draft of the rules,
// which must outlive them.
class RedactionLists : public QWidget {
    Q_OBJECT
public:
    explicit RedactionLists(RedactionDraft& draft, QWidget* parent = nullptr);

    RedactionAllowlistCard* allowlistCard() const { return m_allow; }
    RedactionBlocklistCard* blocklistCard() const { return m_block; }
    OrganisationSection* organisationSection() const { return m_organisation; }
    DocumentOptionsCard* documentsCard() const { return m_documents; }

private:
    RedactionAllowlistCard* m_allow = nullptr;
    RedactionBlocklistCard* m_block = nullptr;
    OrganisationSection* m_organisation = nullptr;
    DocumentOptionsCard* m_documents = nullptr;
};

} // namespace fernholm
