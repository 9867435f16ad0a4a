#pragma once

#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/presentation/AppTab.h"
#include "FernholmKit/presentation/Tour.h"
#include "FernholmKit/presentation/ViewState.h"

#include <QPointer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <memory>

class QUrl;

namespace fernholm {

class AppModel;
class ProtectionStatus;
class Supervision;
class Clipboard;
class Defaults;
class IssueFormView;
class PageAlerts;
class Panel;
class Sidebar;
class TourOverlay;

// What the window's content needs from outside the application library: the clipboard, the
// opening of links, and the studio (its page lives in a library of its own). Empty members get
// the desktop's clipboard, QDesktopServices and no studio page.
struct RootViewHooks {
    std::shared_ptr<Clipboard> clipboard;
    std::function<void(const QUrl&)> openUrl;
    // Makes the documents page; empty: that page stays empty.
    std::function<QWidget*()> studioPage;
    // The studio reloads its page in the new language.
    std::function<void()> studioLanguageChanged;
    // The tour card's sample button.
    std::function<void()> openStudioSample;
    // Called after the content was rebuilt in another language (the shell retranslates the rest).
    std::function<void()> languageChanged;
};

// The content of the main window: the setup page until setup is completed, then the sidebar and
// the panel with the selected page and its alerts; the tour card over the bottom-right corner
// while the tour runs; the problem-report sheet while the model holds a report request.
//
//     auto* root = new RootView(model, defaults, {}, hooks);
//     window->setCentralWidget(root);
//
// Alerts, sidebar and pages update in place on the model's signals. A change of language throws
// the content away and builds it again; the selection, the tour and the model stay.
class RootView : public QWidget {
    Q_OBJECT
public:
    static inline const QString setupKey = QStringLiteral("hasCompletedSetup");
    static inline const QString languageKey = QStringLiteral("appLanguage");
    static inline const QString appearanceKey = QStringLiteral("appAppearance");
    static constexpr int minimumWidth = 900;
    static constexpr int minimumHeight = 640;

    // `model` and `defaults` must outlive the view.
    RootView(AppModel& model, std::shared_ptr<Defaults> defaults, std::function<void()> checkForUpdates,
             RootViewHooks hooks, QWidget* parent = nullptr);
    ~RootView() override;

    AppTab selection() const { return m_selection; }
    void select(AppTab tab);

    bool hasCompletedSetup() const;
    // Ends the first run: the default is written, Home shown, the tour started unless seen.
    void completeSetup();

    // "en" or "pl"; the current language does nothing.
    void setLanguage(const QString& language);
    int languageEpoch() const { return m_languageEpoch; }

    Tour& tour() { return *m_tour; }
    // Moves the selection to the tour's step (and fills an empty prompt on the workbench step).
    void applyTourStep();
    // Starts the tour again from its first step, even when it was seen.
    void restartTour();

    // What an alert button does.
    void run(const AlertAction& action);

    // The alert layout in force: the model's, for the page shown.
    const AlertLayout& alertLayout() const { return m_layout; }
    void refreshAlerts();

    // The parts, for tests and the shell.
    QWidget* content() const { return m_content; }
    Sidebar* sidebar() const;
    Panel* panel() const;
    // The alert block above every page but Home (hidden there).
    PageAlerts* pageAlerts() const;
    QWidget* page() const { return m_page; }
    TourOverlay* tourOverlay() const;
    IssueFormView* issueSheet() const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildContent();
    QWidget* buildFirstRun();
    QWidget* buildMain();
    void showPage();
    void showAlertBlock();
    QWidget* makePage(AppTab tab);
    void installHandlers();
    void followTour();
    void placeOverlay();
    void followIssueRequest();
    void navigate(AppTab tab);

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    std::shared_ptr<Defaults> m_defaults;
    std::function<void()> m_checkForUpdates;
    RootViewHooks m_hooks;
    std::unique_ptr<Tour> m_tour;
    AppTab m_selection = AppTab::home;
    int m_languageEpoch = 0;
    bool m_appeared = false;
    AlertLayout m_layout;
    ProtectionSummary m_sidebarSummary{};

    QPointer<QWidget> m_content;
    QPointer<Sidebar> m_sidebar;
    QPointer<Panel> m_panel;
    QPointer<PageAlerts> m_pageAlerts;
    QPointer<QWidget> m_pageHost;
    QPointer<QWidget> m_page;
    AppTab m_pageTab = AppTab::home;
    QPointer<TourOverlay> m_overlay;
    QPointer<IssueFormView> m_sheet;
    QUuid m_sheetRequest;
};

} // namespace fernholm
