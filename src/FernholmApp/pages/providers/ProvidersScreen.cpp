#include "FernholmApp/pages/providers/ProvidersScreen.h"

#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/layout/SettingsRows.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/providers/ProviderRows.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace fernholm {

namespace {

void growsForWidth(QWidget* widget) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    widget->setSizePolicy(policy);
}

} // namespace

ProvidersScreen::ProvidersScreen(AppModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()) {
    m_page = new Page(Theme::sectionGap);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_page);

    m_header = new PageHeader(
        fernholm::tr("Providers"),
        fernholm::tr(
            "The AI chats Tarvine protects. A provider you switch off is not inspected: what you send there goes out as you wrote it."));
    m_page->addWidget(m_header);

    // The note while protection is not on.
    m_note = sandSurface(Theme::bannerRadius);
    growsForWidth(m_note);
    m_note->body()->setContentsMargins(18, 10, 10, 10);
    auto* noteRow = new QHBoxLayout;
    noteRow->setSpacing(10);
    auto* noteText =
        new TextLabel(fernholm::tr("These settings take effect when protection is on."), Fonts::sans(13, 500), Theme::ink);
    growsForWidth(noteText);
    noteRow->addWidget(noteText, 1, Qt::AlignVCenter);
    m_turnOn = new PrimaryButton(fernholm::tr("Turn on"), PrimaryButton::Style::small);
    m_turnOn->setArrow(false);
    connect(m_turnOn, &PrimaryButton::clicked, this, [this] { m_model.toggleProtection(); });
    noteRow->addWidget(m_turnOn, 0, Qt::AlignVCenter);
    m_note->body()->addLayout(noteRow);
    m_page->addWidget(m_note);

    const auto toggle = [this](const QString& name, bool enabled) {
        m_model.setProvider(name, enabled);
    };

    m_mainCard = cardSurface(Theme::cardRadius, Theme::surface);
    growsForWidth(m_mainCard);
    m_main = new ProviderList(Theme::tile, toggle);
    m_mainCard->body()->addWidget(m_main);
    m_page->addWidget(m_mainCard);

    m_experimentalGroup = new QWidget;
    growsForWidth(m_experimentalGroup);
    auto* group = new QVBoxLayout(m_experimentalGroup);
    group->setContentsMargins(0, 0, 0, 0);
    group->setSpacing(10);
    m_experimentalLabel = new SectionLabel(fernholm::tr("Experimental"), Theme::faint);
    group->addWidget(m_experimentalLabel, 0, Qt::AlignLeft);
    m_experimentalCard = sandSurface(Theme::cardRadius);
    growsForWidth(m_experimentalCard);
    m_experimental = new ProviderList(Theme::surface, toggle);
    m_experimentalCard->body()->addWidget(m_experimental);
    group->addWidget(m_experimentalCard);
    m_page->addWidget(m_experimentalGroup);

    m_footer = new QWidget;
    growsForWidth(m_footer);
    auto* footer = new QHBoxLayout(m_footer);
    footer->setContentsMargins(0, 0, 0, 0);
    footer->setSpacing(8);
    footer->addWidget(new RowSymbol(QStringLiteral("info.circle"), 13, IconWeight::light, Theme::faint), 0,
                      Qt::AlignVCenter);
    auto* footerText = new TextLabel(
        fernholm::tr("These switches apply while protection is on. Any other site is never touched."),
        Fonts::sans(13, 400), Theme::faint);
    growsForWidth(footerText);
    footer->addWidget(footerText, 1, Qt::AlignVCenter);
    m_page->addWidget(m_footer);

    connect(&m_protection, &ProtectionStatus::providersChanged, this, &ProvidersScreen::showProviders);
    connect(&m_protection, &ProtectionStatus::statusChanged, this, &ProvidersScreen::showProtection);
    connect(&m_supervision, &Supervision::busyChanged, this, &ProvidersScreen::showProtection);
    showProviders();
    showProtection();
}

void ProvidersScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Coming to the page refreshes the list; a failed load leaves it as it was.
    m_model.loadProviders();
}

void ProvidersScreen::showProviders() {
    QList<Provider> main;
    QList<Provider> experimental;
    for (const Provider& provider : m_protection.providers()) {
        (provider.experimental.value_or(false) ? experimental : main).append(provider);
    }
    m_main->setProviders(main);
    m_experimental->setProviders(experimental);
    m_mainCard->setVisible(!main.isEmpty());
    m_experimentalGroup->setVisible(!experimental.isEmpty());
}

void ProvidersScreen::showProtection() {
    const auto& status = m_protection.status();
    const bool on = status && status->protection == Protection::on;
    m_note->setVisible(!on);
    m_turnOn->setEnabled(!m_supervision.busy() && status.has_value());
    m_main->setDimmed(!on);
    m_experimental->setDimmed(!on);
}

} // namespace fernholm
