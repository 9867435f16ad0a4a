#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

namespace fernholm {

class AppModel;
class ProtectionStatus;
class Supervision;
class BrowsersCard;
class FirstRunFrame;
class Page;
class PageHeader;
class PrimaryButton;
class SetupStepCard;
class TextLabel;
class TextLink;

// The guided setup: step 1 has the system trust the gateway's certificate, step 2 turns
// protection on, and under them the browsers card lists what still goes around the gateway.
//
//     // first run: the whole window, in the first-run frame, with the step counter
//     auto* setup = new SetupScreen(model, true, [&] { completeSetup(); }, [&] { completeSetup(); });
//     // afterwards: a page of the main window
//     auto* setup = new SetupScreen(model, false, {}, [&] { restartTour(); });
//
// The page keeps nothing of the model's: it derives every row from the model's status and busy
// flag (SetupSteps) and updates them in place on the model's signals. Its buttons call
// installCA(), removeCA() and toggleProtection(); while the model is busy they are disabled.
// `onCompleted` runs once each time step 2's done row comes into view: when the page is shown
// with protection on, and when a new status turns protection on while the page is shown; and
// right after "Turn on" has asked for protection. Without `onShowTour` there is no tour control.
// The model must outlive the page.
class SetupScreen : public QWidget {
    Q_OBJECT
public:
    static constexpr int firstRunStepsWidth = 640;

    SetupScreen(AppModel& model, bool firstRun, std::function<void()> onCompleted = {},
                std::function<void()> onShowTour = {}, QWidget* parent = nullptr);
    ~SetupScreen() override;

    bool isFirstRun() const { return m_firstRun; }

    // The parts, for the window and tests. The first run has the frame, the counter and the tour
    // link; the normal page has the page, its header and the tour button.
    FirstRunFrame* frame() const { return m_frame; }
    TextLabel* stepCounter() const { return m_counter; }
    TextLink* tourLink() const { return m_tourLink; }
    Page* page() const { return m_page; }
    PageHeader* header() const { return m_header; }
    PrimaryButton* tourButton() const { return m_tourButton; }
    QWidget* steps() const { return m_steps; }
    SetupStepCard* certificateCard() const { return m_certificate; }
    SetupStepCard* turnOnCard() const { return m_turnOn; }
    BrowsersCard* browsersCard() const { return m_browsers; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* buildSteps();
    void buildFirstRun();
    void buildPage();
    void followStatus();
    void followBusy();
    void turnOn();

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    const bool m_firstRun;
    std::function<void()> m_onCompleted;
    std::function<void()> m_onShowTour;
    bool m_turnedOnShown = false; // step 2's done row is on screen
    int m_shows = 0;

    FirstRunFrame* m_frame = nullptr;
    TextLabel* m_counter = nullptr;
    TextLink* m_tourLink = nullptr;
    Page* m_page = nullptr;
    PageHeader* m_header = nullptr;
    PrimaryButton* m_tourButton = nullptr;
    QWidget* m_steps = nullptr;
    SetupStepCard* m_certificate = nullptr;
    SetupStepCard* m_turnOn = nullptr;
    BrowsersCard* m_browsers = nullptr;
};

} // namespace fernholm
