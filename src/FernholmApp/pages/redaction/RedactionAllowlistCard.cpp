#include "FernholmApp/pages/redaction/RedactionAllowlistCard.h"

#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/components/controls/EntryField.h"
#include "FernholmApp/components/layout/FlowLayout.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/RemoveButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Painting.h"
#include "FernholmApp/pages/redaction/RedactionCardParts.h"
#include "FernholmKit/control/RedactionEdits.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace fernholm {

AllowChip::AllowChip(const QString& value, QWidget* parent) : QWidget(parent) {
    setFixedHeight(chipHeight);
    // Narrower than its value when the card is: the value is then cut with "…" (its tooltip
    // shows it whole) and the remove button stays on the chip.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 0, 6, 0);
    row->setSpacing(6);
    m_text = new TextLabel(value, Fonts::sans(13), Theme::ink);
    m_text->setMaxLines(1);
    m_text->setMaximumWidth(maxTextWidth);
    row->addWidget(m_text, 0, Qt::AlignVCenter);
    m_remove = new RemoveButton(value);
    row->addWidget(m_remove, 0, Qt::AlignVCenter);
    setToolTip(value);
}

QString AllowChip::value() const {
    return m_text->text();
}

void AllowChip::setValue(const QString& value) {
    if (value == m_text->text()) {
        return;
    }
    m_text->setText(value);
    m_remove->setValue(value);
    setToolTip(value);
    updateGeometry();
}

void AllowChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint::fill(painter, Paint::capsule(QRectF(rect())), Theme::tile.on(this));
}

RedactionAllowlistCard::RedactionAllowlistCard(RedactionDraft& draft, QWidget* parent)
    : Surface(Look{Theme::cardRadius, Theme::surface, Theme::cardEdge, true}, parent), m_draft(draft) {
    body()->setContentsMargins(20, 20, 20, 20);
    body()->setSpacing(14);
    body()->addWidget(
        cardTitle(fernholm::tr("Allowlist"), fernholm::tr("Exact values that pass through raw, never redacted.")));

    m_chipBox = new QWidget;
    m_flow = new FlowLayout(6, m_chipBox);
    m_flow->setContentsMargins(0, 0, 0, 0);
    body()->addWidget(m_chipBox);

    auto* entry = new QHBoxLayout;
    entry->setSpacing(8);
    m_field = new EntryField(fernholm::tr("Add a value…"));
    entry->addWidget(m_field, 1, Qt::AlignVCenter);
    m_add = new PrimaryButton(fernholm::tr("Add"), PrimaryButton::Style::smallSand);
    m_add->setArrow(false);
    entry->addWidget(m_add, 0, Qt::AlignVCenter);
    body()->addLayout(entry);

    m_orgLine = new OrgLine;
    body()->addWidget(m_orgLine);
    body()->addStretch(1);

    connect(m_field, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_add->setEnabled(canAddAllowEntry(text)); });
    connect(m_field, &QLineEdit::returnPressed, this, &RedactionAllowlistCard::addAllow);
    connect(m_add, &QAbstractButton::clicked, this, &RedactionAllowlistCard::addAllow);
    connect(&m_draft, &RedactionDraft::changed, this, &RedactionAllowlistCard::sync);
    m_add->setEnabled(false);
    sync();
}

void RedactionAllowlistCard::addAllow() {
    if (m_draft.addAllowEntry(m_field->text())) {
        m_field->clear();
    }
}

void RedactionAllowlistCard::removeAt(int index) {
    m_draft.removeAllowEntry(index);
}

void RedactionAllowlistCard::sync() {
    const QStringList& values = m_draft.edited().allowlist;
    // Chips stand for positions: the first ones are kept and renamed, extra ones go, missing ones
    // are added at the end.
    while (m_chips.size() > values.size()) {
        AllowChip* chip = m_chips.takeLast();
        m_flow->removeWidget(chip);
        chip->hide();
        chip->deleteLater();
    }
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i < m_chips.size()) {
            m_chips[i]->setValue(values[i]);
            continue;
        }
        auto* chip = new AllowChip(values[i], m_chipBox);
        connect(chip->removeButton(), &QAbstractButton::clicked, this,
                [this, chip] { removeAt(int(m_chips.indexOf(chip))); });
        m_flow->addWidget(chip);
        m_chips.append(chip);
    }
    m_chipBox->setVisible(!values.isEmpty());

    const auto& policy = m_draft.edited().organisation;
    const qsizetype extra = policy ? policy->allowlist.size() : 0;
    if (extra > 0) {
        m_orgLine->setText(L10n::plural(extra, QStringLiteral("{n} more set by your organisation"),
                                        QStringLiteral("{n} more set by your organisation")));
    }
    m_orgLine->setVisible(extra > 0);
}

} // namespace fernholm
