#include "FernholmApp/components/activity/RedactionTable.h"

#include "FernholmApp/components/activity/EntitiesGrid.h"
#include "FernholmApp/components/activity/PromptView.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/text/L10n.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

QList<SegmentedControl::Option> pickerOptions() {
    return {{QVariant::fromValue(DetailView::prompt), fernholm::tr(QStringLiteral("Prompt"))},
            {QVariant::fromValue(DetailView::entities), fernholm::tr(QStringLiteral("Entities"))}};
}

} // namespace

RedactionTable::RedactionTable(const DetailFetchState& state, QWidget* parent)
    : Card(CardStyle::muted, 16, parent), m_state(state) {
    m_message = new TextLabel(QString(), Fonts::sans(12), Theme::dim, this);
    body()->addWidget(m_message);

    m_loaded = new QWidget(this);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    m_loaded->setSizePolicy(policy);
    auto* column = new QVBoxLayout(m_loaded);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto* header = new QHBoxLayout();
    header->setContentsMargins(0, 0, 0, 0);
    m_caption = new TextLabel(QString(), Fonts::sans(11), Theme::dim, m_loaded);
    // A long blocking reason wraps rather than losing its end.
    QSizePolicy captionPolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    captionPolicy.setHeightForWidth(true);
    m_caption->setSizePolicy(captionPolicy);
    header->addWidget(m_caption, 1, Qt::AlignVCenter);
    m_picker = new SegmentedControl(pickerOptions(), 32, 13, Theme::muted, m_loaded);
    m_picker->setSelection(QVariant::fromValue(m_view));
    connect(m_picker, &SegmentedControl::activated, this,
            [this](const QVariant& value) { setDetailView(value.value<DetailView>()); });
    header->addWidget(m_picker, 0, Qt::AlignVCenter);
    column->addLayout(header);
    m_prompt = new PromptView(m_loaded);
    column->addWidget(m_prompt);
    m_entities = new EntitiesGrid(m_loaded);
    column->addWidget(m_entities);
    m_noEntities = new TextLabel(fernholm::tr(QStringLiteral("No entities recorded")), Fonts::sans(12), Theme::dim,
                                 m_loaded);
    column->addWidget(m_noEntities);
    body()->addWidget(m_loaded);
    refresh();
}

void RedactionTable::setState(const DetailFetchState& state) {
    if (state == m_state) {
        return;
    }
    m_state = state;
    refresh();
}

void RedactionTable::setDetailView(DetailView view) {
    m_picker->setSelection(QVariant::fromValue(view));
    if (view == m_view) {
        return;
    }
    m_view = view;
    refresh();
}

const QSet<QString>& RedactionTable::expandedPanels() const {
    return m_prompt->expandedPanels();
}

QString RedactionTable::captionText(const DetailRecord& record) {
    if (record.reason && !record.reason->isEmpty()) {
        return fernholm::tr(QStringLiteral("blocked before sending · {reason}"),
                            {{QStringLiteral("reason"), L10n::sidecarText(*record.reason)}});
    }
    const QString ms = record.latencyMs ? QString::asprintf("%.0f", *record.latencyMs) : QStringLiteral("\u2014");
    return L10n::plural(dedupedByToken(record.details).size(),
                        QStringLiteral("scanned in {ms} ms · {n} item hidden before sending"),
                        QStringLiteral("scanned in {ms} ms · {n} items hidden before sending"),
                        {{QStringLiteral("ms"), ms}});
}

void RedactionTable::refresh() {
    switch (m_state.kind) {
    case DetailFetchState::Kind::loading:
    case DetailFetchState::Kind::none:
        m_message->setText(m_state.kind == DetailFetchState::Kind::loading
                               ? fernholm::tr(QStringLiteral("loading…"))
                               : fernholm::tr(QStringLiteral("No detail recorded")));
        m_message->show();
        m_loaded->hide();
        break;
    case DetailFetchState::Kind::loaded: {
        const DetailRecord& record = *m_state.record;
        const QList<DetectionDetail> entries = dedupedByToken(record.details);
        m_caption->setText(captionText(record));
        m_prompt->setRecord(record);
        m_entities->setEntries(entries);
        const bool prompt = m_view == DetailView::prompt;
        m_prompt->setVisible(prompt && !m_prompt->isEmpty());
        m_entities->setVisible(!prompt && !entries.isEmpty());
        m_noEntities->setVisible(!prompt && entries.isEmpty());
        m_message->hide();
        m_loaded->show();
        break;
    }
    }
    updateGeometry();
}

void RedactionTable::retranslate() {
    m_picker->setOptions(pickerOptions());
    m_picker->setSelection(QVariant::fromValue(m_view));
    m_noEntities->setText(fernholm::tr(QStringLiteral("No entities recorded")));
    refresh();
}

void RedactionTable::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
    }
    Card::changeEvent(event);
}

} // namespace fernholm
