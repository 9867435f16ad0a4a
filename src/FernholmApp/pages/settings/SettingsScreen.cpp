#include "FernholmApp/pages/settings/SettingsScreen.h"

#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/SettingsRows.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/AppPreferences.h"
#include "FernholmApp/model/AppVersion.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/text/L10n.h"

#include <QVBoxLayout>

namespace fernholm {

SettingsScreen::SettingsScreen(AppModel& model, std::shared_ptr<Defaults> defaults,
                               std::function<void()> checkForUpdates, std::function<void()> onShowTour,
                               std::function<void()> onSetup, std::function<void(const QString&)> onLanguage,
                               QWidget* parent)
    : QWidget(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()),
      m_defaults(std::move(defaults)), m_checkForUpdates(std::move(checkForUpdates)),
      m_onShowTour(std::move(onShowTour)), m_onSetup(std::move(onSetup)), m_onLanguage(std::move(onLanguage)),
      m_appearance(AppPreferences::storedAppearance(*m_defaults)) {
    m_page = new Page(28);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_page);

    TextLabel* title = Theme::title(fernholm::tr("Settings"));
    title->setHeading(true);
    m_page->addWidget(title);

    // General
    m_general = new SettingsSection(fernholm::tr("General"));
    const QString loginTitle = fernholm::tr("Open Tarvine when you log in");
    m_loginSwitch = new VSwitch(VSwitch::Size::small, Theme::switchOn, Theme::switchOff, loginTitle);
    connect(m_loginSwitch, &VSwitch::toggleRequested, this, [this](bool on) { m_model.setOpenAtLogin(on); });
    m_loginRow = new SettingRow(loginTitle, QString(), m_loginSwitch);
    m_general->addRow(m_loginRow);

    // The language names read the same in every language.
    m_language = new SegmentedControl({{QStringLiteral("en"), QStringLiteral("English")},
                                       {QStringLiteral("pl"), QStringLiteral("Polski")}},
                                      32, 13, Theme::muted);
    m_language->setSelection(L10n::language());
    connect(m_language, &SegmentedControl::activated, this, [this](const QVariant& value) {
        if (m_onLanguage) {
            m_onLanguage(value.toString());
        }
    });
    m_general->addRow(new SettingRow(fernholm::tr("Language"), std::nullopt, m_language));

    m_appearanceControl = new SegmentedControl({{QStringLiteral("system"), fernholm::tr("System")},
                                                {QStringLiteral("light"), fernholm::tr("Light")},
                                                {QStringLiteral("dark"), fernholm::tr("Dark")}},
                                               32, 13, Theme::muted);
    m_appearanceControl->setSelection(m_appearance);
    connect(m_appearanceControl, &SegmentedControl::activated, this,
            [this](const QVariant& value) { chooseAppearance(value.toString()); });
    m_general->addRow(new SettingRow(fernholm::tr("Appearance"), std::nullopt, m_appearanceControl));
    m_page->addWidget(m_general);

    // Updates. Without an updater nothing checks by itself, so the row does not claim it.
    m_updates = new SettingsSection(fernholm::tr("Updates"));
    std::optional<QString> updatesDetail;
    if (m_checkForUpdates) {
        m_checkNow = new PrimaryButton(fernholm::tr("Check now"), PrimaryButton::Style::secondary);
        m_checkNow->setArrow(false);
        connect(m_checkNow, &PrimaryButton::clicked, this, [this] { m_checkForUpdates(); });
        updatesDetail = fernholm::tr("Tarvine checks for updates by itself and asks before it installs one.");
    }
    m_versionRow = new SettingRow(versionTitle(appVersion()), updatesDetail, m_checkNow);
    m_updates->addRow(m_versionRow);
    m_page->addWidget(m_updates);

    // Help
    m_help = new SettingsSection(fernholm::tr("Help"));
    m_reportRow = new LinkRow(fernholm::tr("Report a problem"),
                              fernholm::tr("Sends what went wrong — placeholders only, never your values."));
    connect(m_reportRow, &LinkRow::clicked, this,
            [this] { m_model.reportProblem(std::nullopt, QStringLiteral("other")); });
    m_help->addRow(m_reportRow);
    m_tourRow = new LinkRow(fernholm::tr("Show the tour again"), std::nullopt);
    connect(m_tourRow, &LinkRow::clicked, this, [this] {
        if (m_onShowTour) {
            m_onShowTour();
        }
    });
    m_help->addRow(m_tourRow);
    m_setupRow = new LinkRow(fernholm::tr("Setup"),
                             fernholm::tr("The certificate, protection, and browsers that go around Tarvine."));
    connect(m_setupRow, &LinkRow::clicked, this, [this] {
        if (m_onSetup) {
            m_onSetup();
        }
    });
    m_help->addRow(m_setupRow);
    m_removeRow = new LinkRow(fernholm::tr("Remove the certificate"),
                              fernholm::tr("Protection stops until you install it again."));
    connect(m_removeRow, &LinkRow::clicked, this, [this] { m_model.removeCA(); });
    m_help->addRow(m_removeRow);
    m_page->addWidget(m_help);

    connect(&m_model, &AppModel::loginItemChanged, this, &SettingsScreen::showLoginItem);
    connect(&m_protection, &ProtectionStatus::statusChanged, this, &SettingsScreen::showCertificate);
    connect(&m_supervision, &Supervision::busyChanged, this, &SettingsScreen::showCertificate);
    showLoginItem();
    showCertificate();
}

QString SettingsScreen::versionTitle(const std::optional<QString>& version) {
    if (version) {
        return QStringLiteral("Tarvine ") + *version;
    }
    return fernholm::tr("Tarvine (development build)");
}

QString SettingsScreen::loginDetail(const LoginItemSwitch& item, const std::optional<QString>& error) {
    if (error) {
        return *error;
    }
    if (item.note) {
        return *item.note;
    }
    return fernholm::tr("Protection comes back on by itself after a restart.");
}

void SettingsScreen::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A change made in the system's settings while the page was away shows now.
    m_model.refreshLoginItem();
}

void SettingsScreen::chooseAppearance(const QString& appearance) {
    m_appearance = appearance;
    m_appearanceControl->setSelection(appearance);
    m_defaults->setValue(AppPreferences::appearanceKey, appearance);
    AppPreferences::applyAppearance(appearance);
}

void SettingsScreen::showLoginItem() {
    m_loginSwitch->setOn(m_model.loginItem().isOn);
    m_loginRow->label()->setDetail(loginDetail(m_model.loginItem(), m_model.loginItemError()));
}

void SettingsScreen::showCertificate() {
    const auto& status = m_protection.status();
    m_help->setRowShown(m_removeRow, status && status->ca == CAStatus::ok);
    m_removeRow->setEnabled(!m_supervision.busy());
}

} // namespace fernholm
