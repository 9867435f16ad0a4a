#include "FernholmApp/pages/redaction/DocumentOptionsCard.h"

#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/pages/redaction/RedactionCardParts.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

QVBoxLayout* optionColumn(QHBoxLayout* row) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    row->addLayout(column, 1);
    return column;
}

} // namespace

DocumentOptionsCard::DocumentOptionsCard(RedactionDraft& draft, QWidget* parent)
    : Surface(Look{Theme::cardRadius, Theme::muted, std::nullopt, false}, parent), m_draft(draft) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(24, 22, 24, 22);
    row->setSpacing(24);
    body()->addLayout(row);

    QVBoxLayout* left = optionColumn(row);
    left->addWidget(cardTitle(fernholm::tr("How values look in a redacted PDF"),
                              fernholm::tr("What the AI sees where your text was.")));
    m_boxStyle = new SegmentedControl({{labelled, fernholm::tr("Labelled")}, {black, fernholm::tr("Black bars")}}, 32,
                                      13, Theme::tile);
    left->addWidget(m_boxStyle, 0, Qt::AlignLeft);
    left->addStretch(1);

    QVBoxLayout* right = optionColumn(row);
    right->addWidget(cardTitle(fernholm::tr("Barcodes and QR codes"),
                               fernholm::tr("Kept only when they can be read and hold nothing personal.")));
    m_codes = new SegmentedControl({{blank, fernholm::tr("Cover")}, {keep, fernholm::tr("Keep")}}, 32, 13, Theme::tile);
    right->addWidget(m_codes, 0, Qt::AlignLeft);
    m_note = new TextLabel(
        fernholm::tr(
            "A code is kept only when it can be read and what it encodes has no personal data. Any other code (Aztec, DataMatrix, or one carrying a name or an account) is covered."),
        Fonts::sans(12), Theme::dim);
    right->addWidget(m_note);
    right->addStretch(1);

    connect(m_boxStyle, &SegmentedControl::activated, this,
            [this](const QVariant& value) { m_draft.setBoxStyle(value.toString()); });
    connect(m_codes, &SegmentedControl::activated, this,
            [this](const QVariant& value) { m_draft.setCodes(value.toString()); });
    connect(&m_draft, &RedactionDraft::changed, this, &DocumentOptionsCard::sync);
    sync();
}

void DocumentOptionsCard::sync() {
    const DocumentOptions& options = m_draft.edited().document;
    m_boxStyle->setSelection(options.boxStyle);
    m_codes->setSelection(options.codes);
    m_note->setVisible(showsCodesNote(options.codes));
}

} // namespace fernholm
