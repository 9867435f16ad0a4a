#pragma once

#include "FernholmKit/presentation/LoginItemSwitch.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace fernholm {

class AppModel;
class ProtectionStatus;
class Supervision;
class Defaults;
class LinkRow;
class Page;
class PrimaryButton;
class SegmentedControl;
class SettingRow;
class SettingsSection;
class TextLabel;
class VSwitch;

// The settings page: open at login, language and appearance; the version (with "Check now" when
// the application has an updater); links to the problem report, the tour, the setup page and,
// while the certificate is trusted, its removal.
//
//     auto* page = new SettingsScreen(model, defaults, checkForUpdates, showTour, showSetup,
//                                     [root](const QString& code) { root->setLanguage(code); });
//
// Built once and updated in place on the model's signals (login item, status, busy). The
// language control calls `onLanguage` with the chosen code, also when it is the current one;
// the page stores no language itself. Choosing an appearance stores it under "appAppearance"
// and applies it at once. Each time the page is shown it reads the login item afresh. An empty
// `checkForUpdates` means there is no updater: the version row then has neither the button nor
// the line about automatic updates. The model and the defaults must outlive the page.
class SettingsScreen : public QWidget {
    Q_OBJECT
public:
    SettingsScreen(AppModel& model, std::shared_ptr<Defaults> defaults, std::function<void()> checkForUpdates,
                   std::function<void()> onShowTour, std::function<void()> onSetup,
                   std::function<void(const QString&)> onLanguage, QWidget* parent = nullptr);

    // "Tarvine " and the version as it stands, or the translated development-build title.
    static QString versionTitle(const std::optional<QString>& version);
    // The open-at-login row's detail: the error as it stands, else the switch's note, else the
    // usual line.
    static QString loginDetail(const LoginItemSwitch& item, const std::optional<QString>& error);

    // The appearance choice shown: "system", "light", "dark" or whatever was stored.
    QString appearance() const { return m_appearance; }

    // The parts, for the window and tests.
    Page* page() const { return m_page; }
    SettingsSection* generalSection() const { return m_general; }
    SettingsSection* updatesSection() const { return m_updates; }
    SettingsSection* helpSection() const { return m_help; }
    SettingRow* loginRow() const { return m_loginRow; }
    VSwitch* loginSwitch() const { return m_loginSwitch; }
    SegmentedControl* languageControl() const { return m_language; }
    SegmentedControl* appearanceControl() const { return m_appearanceControl; }
    SettingRow* versionRow() const { return m_versionRow; }
    // Null without an updater.
    PrimaryButton* checkNowButton() const { return m_checkNow; }
    LinkRow* reportRow() const { return m_reportRow; }
    LinkRow* tourRow() const { return m_tourRow; }
    LinkRow* setupRow() const { return m_setupRow; }
    LinkRow* removeCertificateRow() const { return m_removeRow; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void chooseAppearance(const QString& appearance);
    void showLoginItem();
    void showCertificate();

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    std::shared_ptr<Defaults> m_defaults;
    std::function<void()> m_checkForUpdates;
    std::function<void()> m_onShowTour;
    std::function<void()> m_onSetup;
    std::function<void(const QString&)> m_onLanguage;
    QString m_appearance;

    Page* m_page = nullptr;
    SettingsSection* m_general = nullptr;
    SettingsSection* m_updates = nullptr;
    SettingsSection* m_help = nullptr;
    SettingRow* m_loginRow = nullptr;
    VSwitch* m_loginSwitch = nullptr;
    SegmentedControl* m_language = nullptr;
    SegmentedControl* m_appearanceControl = nullptr;
    SettingRow* m_versionRow = nullptr;
    PrimaryButton* m_checkNow = nullptr;
    LinkRow* m_reportRow = nullptr;
    LinkRow* m_tourRow = nullptr;
    LinkRow* m_setupRow = nullptr;
    LinkRow* m_removeRow = nullptr;
};

} // namespace fernholm
