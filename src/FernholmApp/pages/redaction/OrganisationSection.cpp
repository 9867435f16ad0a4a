#include "FernholmApp/pages/redaction/OrganisationSection.h"

#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/components/text/TokenText.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

QWidget* keptRow(const QString& value) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    // A long value is cut with "…"; the whole value shows as its tooltip.
    auto* text = new TextLabel(value, Fonts::sans(13), Theme::ink);
    text->setObjectName(QStringLiteral("policyValue"));
    text->setMaxLines(1);
    text->setToolTip(value);
    line->addWidget(text, 0, Qt::AlignVCenter);
    auto* note = new TextLabel(fernholm::tr("never redacted"), Fonts::sans(12), Theme::dim);
    note->setMaxLines(1);
    note->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    line->addWidget(note, 0, Qt::AlignVCenter);
    line->addStretch(1);
    return row;
}

QWidget* termRow(const BlocklistEntry& entry) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(8);
    auto* keyword = new TextLabel(entry.keyword, Fonts::sans(13, 500), Theme::ink);
    keyword->setObjectName(QStringLiteral("policyValue"));
    keyword->setMaxLines(1);
    keyword->setToolTip(entry.keyword);
    line->addWidget(keyword, 0, Qt::AlignVCenter);
    line->addWidget(new TokenArrow(11), 0, Qt::AlignVCenter);
    const QString token = QLatin1Char('[') + slugifyLabel(entry.label) + QLatin1String("_1]");
    auto* chip = new TokenChip(token, 11);
    chip->setToolTip(token);
    line->addWidget(chip, 0, Qt::AlignVCenter);
    line->addStretch(1);
    return row;
}

} // namespace

OrganisationSection::OrganisationSection(RedactionDraft& draft, QWidget* parent) : QWidget(parent), m_draft(draft) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new SectionLabel(fernholm::tr("Set by your organisation"), Theme::faint));
    m_caption = new TextLabel(QString(), Fonts::sans(13), Theme::dim);
    column->addWidget(m_caption);
    m_box = sandSurface(Theme::cardRadius);
    m_box->body()->setContentsMargins(20, 20, 20, 20);
    m_box->body()->setSpacing(10);
    column->addWidget(m_box);

    connect(&m_draft, &RedactionDraft::changed, this, &OrganisationSection::sync);
    sync();
}

bool OrganisationSection::shows(const std::optional<OrganisationPolicy>& policy) {
    return policy && !policy->isEmpty();
}

QString OrganisationSection::caption(const OrganisationPolicy& policy) {
    QStringList parts;
    if (const auto n = policy.requiredTypes.size(); n > 0) {
        parts << L10n::plural(n, QStringLiteral("{n} type always redacted"),
                              QStringLiteral("{n} types always redacted"));
    }
    if (const auto n = policy.blocklist.size(); n > 0) {
        parts << L10n::plural(n, QStringLiteral("{n} term"), QStringLiteral("{n} terms"));
    }
    if (const auto n = policy.allowlist.size(); n > 0) {
        parts << L10n::plural(n, QStringLiteral("{n} value kept"), QStringLiteral("{n} values kept"));
    }
    return fernholm::tr("{parts}. Set in the Tarvine panel; you can add to it below, not take from it.",
                        {{QStringLiteral("parts"), parts.join(QStringLiteral(", "))}});
}

void OrganisationSection::sync() {
    const auto& policy = m_draft.edited().organisation;
    if (!shows(policy)) {
        setVisible(false);
        return;
    }
    if (m_shown != policy) {
        m_shown = policy;
        m_caption->setText(caption(*policy));
        fill(*policy);
    }
    setVisible(true);
}

void OrganisationSection::fill(const OrganisationPolicy& policy) {
    for (QWidget* row : std::as_const(m_rows)) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    if (m_divider) {
        m_divider->hide();
        m_divider->deleteLater();
        m_divider = nullptr;
    }
    for (const QString& value : policy.allowlist) {
        m_rows << keptRow(value);
        m_box->body()->addWidget(m_rows.last());
    }
    if (!policy.allowlist.isEmpty() && !policy.blocklist.isEmpty()) {
        m_divider = new RowDivider;
        m_box->body()->addWidget(m_divider);
    }
    for (const BlocklistEntry& entry : policy.blocklist) {
        m_rows << termRow(entry);
        m_box->body()->addWidget(m_rows.last());
    }
    m_box->setVisible(!policy.allowlist.isEmpty() || !policy.blocklist.isEmpty());
}

} // namespace fernholm
