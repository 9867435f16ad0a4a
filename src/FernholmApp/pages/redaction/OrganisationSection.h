#pragma once

#include "FernholmKit/control/RedactionModels.h"

#include <QList>
#include <QWidget>

#include <optional>

namespace fernholm {

class RedactionDraft;
class RowDivider;
class Surface;
class TextLabel;

// What an organisation's policy imposes on the redaction rules, read-only: a caption counting the
// required types, terms and kept values, and a sand box listing the policy's own allowlist
// ("never redacted") and blocklist (keyword → placeholder), a divider between the two only when
// both have entries.
//
// The section is hidden unless the working copy carries a policy with something in it; the box is
// hidden unless the policy lists values or terms. It follows RedactionDraft::changed and
// rebuilds its rows only when the policy itself changed (it holds nothing the user can focus).
class OrganisationSection : public QWidget {
    Q_OBJECT
public:
    explicit OrganisationSection(RedactionDraft& draft, QWidget* parent = nullptr);

    // Whether a policy is worth a section: present and not empty.
    static bool shows(const std::optional<OrganisationPolicy>& policy);
    // "{parts}. Set in the Tarvine panel; you can add to it below, not take from it.", the parts
    // counting required types, terms and kept values, in that order, those with none left out.
    static QString caption(const OrganisationPolicy& policy);

    TextLabel* captionLabel() const { return m_caption; }
    Surface* box() const { return m_box; }
    // The divider between the kept values and the terms; null while there is none.
    RowDivider* divider() const { return m_divider; }
    // The rows of the box, in order: kept values, then terms.
    QList<QWidget*> rows() const { return m_rows; }

private:
    void sync();
    void fill(const OrganisationPolicy& policy);

    RedactionDraft& m_draft;
    std::optional<OrganisationPolicy> m_shown;
    TextLabel* m_caption = nullptr;
    Surface* m_box = nullptr;
    RowDivider* m_divider = nullptr;
    QList<QWidget*> m_rows;
};

} // namespace fernholm
