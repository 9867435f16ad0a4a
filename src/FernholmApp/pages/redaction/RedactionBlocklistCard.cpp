#include "FernholmApp/pages/redaction/RedactionBlocklistCard.h"

#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/components/controls/EntryField.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/RemoveButton.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/pages/redaction/RedactionCardParts.h"
#include "FernholmKit/control/RedactionEdits.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

// A label chip wider than this cuts its slug with "…".
constexpr int maxChipWidth = 160;

} // namespace

const std::array<ThemeColor, 12> RedactionBlocklistCard::palette = {
    Theme::fixed(0xD1495B), Theme::fixed(0x2E86AB), Theme::fixed(0x3A9D5D), Theme::fixed(0x9B5DE5),
    Theme::fixed(0xE07A1F), Theme::fixed(0x00A6A6), Theme::fixed(0xC9184A), Theme::fixed(0x6A7F2A),
    Theme::fixed(0x5465FF), Theme::fixed(0xB5651D), Theme::fixed(0xD65DB1), Theme::fixed(0x1B998B),
};

ThemeColor RedactionBlocklistCard::labelColor(qsizetype index) {
    const auto n = qsizetype(palette.size());
    return palette[size_t(((index % n) + n) % n)];
}

QString RedactionBlocklistCard::previewToken(const QString& label) {
    return QLatin1Char('[') + slugifyLabel(label.trimmed()) + QLatin1String("_1]");
}

QString RedactionBlocklistCard::chipText(const QString& label) {
    return slugifyLabel(label).toUpper();
}

BlockRow::BlockRow(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new RowDivider);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 8, 0, 8);
    row->setSpacing(10);
    m_keyword = new TextLabel(QString(), Fonts::sans(14), Theme::ink);
    m_keyword->setMaxLines(1);
    m_keyword->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    row->addWidget(m_keyword, 1, Qt::AlignVCenter);
    m_chip = new LabelChip(QString(), RedactionBlocklistCard::labelColor(0));
    m_chip->setMaximumWidth(maxChipWidth);
    row->addWidget(m_chip, 0, Qt::AlignVCenter);
    m_remove = new RemoveButton(QString());
    row->addWidget(m_remove, 0, Qt::AlignVCenter);
    column->addLayout(row);
}

void BlockRow::setEntry(const QString& keyword, const QString& label, int index) {
    m_keyword->setText(keyword);
    m_keyword->setToolTip(keyword);
    m_chip->setText(RedactionBlocklistCard::chipText(label));
    m_chip->setFill(RedactionBlocklistCard::labelColor(index));
    m_chip->setToolTip(label);
    if (m_remove->value() != keyword) {
        m_remove->setValue(keyword);
    }
}

RedactionBlocklistCard::RedactionBlocklistCard(RedactionDraft& draft, QWidget* parent)
    : Surface(Look{Theme::cardRadius, Theme::surface, Theme::cardEdge, true}, parent), m_draft(draft) {
    body()->setContentsMargins(20, 20, 20, 20);
    body()->setSpacing(14);
    body()->addWidget(cardTitle(fernholm::tr("Blocklist"), fernholm::tr("Keyword + label pairs, always redacted.")));

    m_rowBox = new QWidget;
    auto* rows = new QVBoxLayout(m_rowBox);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    body()->addWidget(m_rowBox);

    // The phrase, its label and the button on one line; in a narrow card the label and the
    // button wrap under the phrase, so that no field is squeezed past reading.
    auto* entry = new QVBoxLayout;
    entry->setSpacing(8);
    m_entryTop = new QHBoxLayout;
    m_entryTop->setSpacing(8);
    m_entryBottom = new QHBoxLayout;
    m_entryBottom->setSpacing(8);
    entry->addLayout(m_entryTop);
    entry->addLayout(m_entryBottom);
    m_keyword = new EntryField(fernholm::tr("Add a phrase…"));
    m_entryTop->addWidget(m_keyword, 1, Qt::AlignVCenter);
    m_label = new EntryField(fernholm::tr("Label"));
    m_label->setFixedWidth(labelWidth);
    m_add = new PrimaryButton(fernholm::tr("Add"), PrimaryButton::Style::smallSand);
    m_add->setArrow(false);
    body()->addLayout(entry);
    placeEntry(false);

    m_preview = new QWidget;
    auto* preview = new QHBoxLayout(m_preview);
    preview->setContentsMargins(0, 0, 0, 0);
    preview->setSpacing(6);
    preview->addWidget(new TextLabel(fernholm::tr("Token preview:"), Fonts::sans(12), Theme::faint), 0,
                       Qt::AlignVCenter);
    m_previewChip = new TokenChip(QString(), 11);
    preview->addWidget(m_previewChip, 0, Qt::AlignVCenter);
    preview->addStretch(1);
    body()->addWidget(m_preview);

    m_orgLine = new OrgLine;
    body()->addWidget(m_orgLine);
    body()->addStretch(1);

    for (EntryField* field : {m_keyword, m_label}) {
        connect(field, &QLineEdit::textChanged, this, &RedactionBlocklistCard::entryEdited);
        connect(field, &QLineEdit::returnPressed, this, &RedactionBlocklistCard::addBlock);
    }
    connect(m_add, &QAbstractButton::clicked, this, &RedactionBlocklistCard::addBlock);
    connect(&m_draft, &RedactionDraft::changed, this, &RedactionBlocklistCard::sync);
    entryEdited();
    sync();
}

void RedactionBlocklistCard::entryEdited() {
    m_add->setEnabled(canAddBlockEntry(m_keyword->text(), m_label->text()));
    const QString label = m_label->text().trimmed();
    if (!label.isEmpty()) {
        m_previewChip->setToken(previewToken(label));
    }
    m_preview->setVisible(!label.isEmpty());
}

void RedactionBlocklistCard::addBlock() {
    if (!m_draft.addBlockEntry(m_keyword->text(), m_label->text())) {
        return;
    }
    m_keyword->clear();
    m_label->clear();
}

void RedactionBlocklistCard::removeAt(int index) {
    m_draft.removeBlockEntry(index);
}

void RedactionBlocklistCard::sync() {
    const QList<BlocklistEntry>& entries = m_draft.edited().blocklist;
    auto* rows = static_cast<QVBoxLayout*>(m_rowBox->layout());
    while (m_rows.size() > entries.size()) {
        BlockRow* row = m_rows.takeLast();
        rows->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i == m_rows.size()) {
            auto* row = new BlockRow(m_rowBox);
            connect(row->removeButton(), &QAbstractButton::clicked, this,
                    [this, row] { removeAt(int(m_rows.indexOf(row))); });
            rows->addWidget(row);
            m_rows.append(row);
        }
        m_rows[i]->setEntry(entries[i].keyword, entries[i].label, int(i));
    }
    m_rowBox->setVisible(!entries.isEmpty());

    const auto& policy = m_draft.edited().organisation;
    const qsizetype extra = policy ? policy->blocklist.size() : 0;
    if (extra > 0) {
        m_orgLine->setText(L10n::plural(extra, QStringLiteral("{n} more set by your organisation"),
                                        QStringLiteral("{n} more set by your organisation")));
    }
    m_orgLine->setVisible(extra > 0);
}

bool RedactionBlocklistCard::entryWraps() const {
    return m_entryWraps;
}

void RedactionBlocklistCard::placeEntry(bool wraps) {
    m_entryWraps = wraps;
    m_entryTop->removeWidget(m_label);
    m_entryTop->removeWidget(m_add);
    m_entryBottom->removeWidget(m_label);
    m_entryBottom->removeWidget(m_add);
    QHBoxLayout* line = wraps ? m_entryBottom : m_entryTop;
    if (wraps) {
        m_label->setMinimumWidth(0);
        m_label->setMaximumWidth(QWIDGETSIZE_MAX);
    } else {
        m_label->setFixedWidth(labelWidth);
    }
    line->addWidget(m_label, wraps ? 1 : 0, Qt::AlignVCenter);
    line->addWidget(m_add, 0, Qt::AlignVCenter);
}

void RedactionBlocklistCard::resizeEvent(QResizeEvent* event) {
    Surface::resizeEvent(event);
    const QMargins margins = body()->contentsMargins();
    const int inner = width() - margins.left() - margins.right();
    const int oneLine = comfortablePhrase + 8 + labelWidth + 8 + m_add->sizeHint().width();
    if ((inner < oneLine) != m_entryWraps) {
        placeEntry(inner < oneLine);
    }
}

} // namespace fernholm
