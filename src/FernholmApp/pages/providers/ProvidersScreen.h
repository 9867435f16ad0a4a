#pragma once

#include <QWidget>

namespace fernholm {

class AppModel;
class ProtectionStatus;
class Supervision;
class Page;
class PageHeader;
class PrimaryButton;
class ProviderList;
class SectionLabel;
class Surface;
class TextLabel;

// The providers page: the AI chat sites the gateway knows, each with a switch that has the
// gateway inspect it or leave it alone; the experimental ones in a group of their own. While
// protection is not on, a note says the switches wait for it (with "Turn on") and the rows are
// drawn faded; the switches work all the same.
//
//     panel->setContent(new ProvidersScreen(model));
//
// Holds nothing of its own: it shows the model's providers, status and busy flag in place as
// they change, and each switch asks the model for the change (the switch moves when the model's
// list does). Each time the page is shown it has the model load the list afresh. The model must
// outlive the page.
class ProvidersScreen : public QWidget {
    Q_OBJECT
public:
    explicit ProvidersScreen(AppModel& model, QWidget* parent = nullptr);

    // The parts, for the window and tests.
    Page* page() const { return m_page; }
    PageHeader* header() const { return m_header; }
    // The note shown while protection is not on, and its button.
    Surface* inactiveNote() const { return m_note; }
    PrimaryButton* turnOnButton() const { return m_turnOn; }
    // The card of the main providers (hidden while there are none) and its rows.
    Surface* mainCard() const { return m_mainCard; }
    ProviderList* mainList() const { return m_main; }
    // The experimental group (hidden while there are none), its label, card and rows.
    QWidget* experimentalGroup() const { return m_experimentalGroup; }
    SectionLabel* experimentalLabel() const { return m_experimentalLabel; }
    Surface* experimentalCard() const { return m_experimentalCard; }
    ProviderList* experimentalList() const { return m_experimental; }
    QWidget* footer() const { return m_footer; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showProviders();
    void showProtection();

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    Page* m_page = nullptr;
    PageHeader* m_header = nullptr;
    Surface* m_note = nullptr;
    PrimaryButton* m_turnOn = nullptr;
    Surface* m_mainCard = nullptr;
    ProviderList* m_main = nullptr;
    QWidget* m_experimentalGroup = nullptr;
    SectionLabel* m_experimentalLabel = nullptr;
    Surface* m_experimentalCard = nullptr;
    ProviderList* m_experimental = nullptr;
    QWidget* m_footer = nullptr;
};

} // namespace fernholm
