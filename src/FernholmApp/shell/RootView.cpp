#include "FernholmApp/shell/RootView.h"

#include "FernholmApp/components/alerts/AlertHandlers.h"
#include "FernholmApp/components/alerts/PageAlerts.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/layout/FirstRunFrame.h"
#include "FernholmApp/components/layout/Panel.h"
#include "FernholmApp/components/text/MarkedTitle.h"
#include "FernholmApp/model/AlertDispatch.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Clipboard.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/model/WorkbenchSession.h"
#include "FernholmApp/pages/activity/ActivityScreen.h"
#include "FernholmApp/pages/home/HomeScreen.h"
#include "FernholmApp/pages/providers/ProvidersScreen.h"
#include "FernholmApp/pages/redaction/RedactionScreen.h"
#include "FernholmApp/pages/settings/SettingsScreen.h"
#include "FernholmApp/pages/setup/SetupScreen.h"
#include "FernholmApp/pages/workbench/TestScreen.h"
#include "FernholmApp/report/IssueForm.h"
#include "FernholmApp/shell/Sidebar.h"
#include "FernholmApp/shell/TourOverlay.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/presentation/IssueReport.h"
#include "FernholmKit/text/L10n.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QPainter>
#include <QResizeEvent>
#include <QVBoxLayout>


namespace fernholm {

RootView::RootView(AppModel& model, std::shared_ptr<Defaults> defaults, std::function<void()> checkForUpdates,
                   RootViewHooks hooks, QWidget* parent)
    : QWidget(parent), m_model(model), m_protection(model.protection()), m_supervision(model.supervision()),
      m_defaults(std::move(defaults)), m_checkForUpdates(std::move(checkForUpdates)), m_hooks(std::move(hooks)),
      m_tour(std::make_unique<Tour>(*m_defaults)) {
    if (!m_hooks.clipboard) {
        m_hooks.clipboard = Clipboard::system();
    }
    if (!m_hooks.openUrl) {
        m_hooks.openUrl = [](const QUrl& url) {
            QDesktopServices::openUrl(url);
        };
    }
    setMinimumSize(minimumWidth, minimumHeight);
    setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    installHandlers();
    m_layout = AlertLayout::empty;

    // The model works the alerts out; the sidebar's summary also follows the protection state.
    connect(&m_model.alerts(), &AlertsModel::changed, this, &RootView::refreshAlerts);
    connect(&m_protection, &ProtectionStatus::statusChanged, this, &RootView::refreshAlerts);
    for (auto signal : {&Supervision::linkChanged, &Supervision::proxyStuckChanged}) {
        connect(&m_supervision, signal, this, &RootView::refreshAlerts);
    }
    connect(&m_supervision, &Supervision::busyChanged, this,
            [this] { AlertHandlers::setBusy(this, m_supervision.busy()); });
    connect(&m_model, &AppModel::activityRequestChanged, this, [this] {
        navigate(AppTab::activity);
    });
    connect(&m_model, &AppModel::homeRequestChanged, this, [this] {
        navigate(AppTab::home);
    });
    connect(&m_model, &AppModel::promptRequestChanged, this, [this] {
        navigate(AppTab::test);
    });
    connect(&m_model, &AppModel::issueRequestChanged, this, &RootView::followIssueRequest);
    connect(m_tour.get(), &Tour::isActiveChanged, this, &RootView::followTour);

    buildContent();
    followIssueRequest();
}

RootView::~RootView() {
    // The report sheet is a window of its own: it goes with the content it belongs to.
    delete m_sheet;
}

Sidebar* RootView::sidebar() const {
    return m_sidebar;
}

Panel* RootView::panel() const {
    return m_panel;
}

PageAlerts* RootView::pageAlerts() const {
    return m_pageAlerts;
}

TourOverlay* RootView::tourOverlay() const {
    return m_overlay;
}

IssueFormView* RootView::issueSheet() const {
    return m_sheet;
}

bool RootView::hasCompletedSetup() const {
    return m_defaults->boolean(setupKey).value_or(false);
}

void RootView::installHandlers() {
    QPointer<RootView> self(this);
    AlertHandlers::set(this, {
                                 .run =
                                     [self](const AlertAction& action) {
                                         if (self) {
                                             self->run(action);
                                         }
                                     },
                                 .snooze =
                                     [self](const AppAlert& alert) {
                                         if (self) {
                                             self->m_model.alerts().snooze(alert);
                                         }
                                     },
                                 .busy = m_supervision.busy(),
                             });
}

void RootView::buildContent() {
    // The old content may hold the button that led here: it goes once its handler has returned.
    if (m_content) {
        m_content->hide();
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    if (m_overlay) {
        m_overlay->hide();
        m_overlay->deleteLater();
        m_overlay = nullptr;
    }
    m_content = hasCompletedSetup() ? buildMain() : buildFirstRun();
    layout()->addWidget(m_content);
    refreshAlerts();
    followTour();
}

QWidget* RootView::buildFirstRun() {
    m_sidebar = nullptr;
    m_panel = nullptr;
    m_pageAlerts = nullptr;
    m_pageHost = nullptr;
    m_page = nullptr;
    // Both ways out of the first run end it; the tour then starts unless it was seen.
    return new SetupScreen(
        m_model, true, [this] { completeSetup(); }, [this] { completeSetup(); });
}

QWidget* RootView::buildMain() {
    auto* main = new QWidget;
    auto* row = new QHBoxLayout(main);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const ProtectionUIState state =
        protectionUIState(m_protection.status(), m_supervision.link(), m_supervision.proxyStuck());
    m_sidebarSummary = protectionSummary(m_layout, state);
    m_sidebar = new Sidebar(m_selection, m_sidebarSummary, m_layout);
    connect(m_sidebar, &Sidebar::selectionWritten, this, &RootView::select);
    row->addWidget(m_sidebar);
    m_panel = new Panel;
    row->addWidget(m_panel, 1);
    // The alert block and the page's place are made once; pages come and go inside.
    m_pageAlerts = new PageAlerts(m_layout, m_selection);
    auto* top = new QWidget;
    auto* margins = new QVBoxLayout(top);
    margins->setContentsMargins(20, 20, 20, 0);
    margins->addWidget(m_pageAlerts);
    m_panel->setTop(top);
    m_pageHost = new QWidget;
    auto* host = new QVBoxLayout(m_pageHost);
    host->setContentsMargins(0, 0, 0, 0);
    host->setSpacing(0);
    m_panel->setContent(m_pageHost);
    m_page = nullptr;
    showPage();
    return main;
}

void RootView::select(AppTab tab) {
    if (m_sidebar) {
        m_sidebar->setSelection(tab);
    }
    if (tab == m_selection) {
        return;
    }
    const bool setupChanged = (tab == AppTab::setup) != (m_selection == AppTab::setup);
    m_selection = tab;
    if (m_panel) {
        showPage();
    }
    // The setup page shows its own topics' warnings; every other page gets them as alerts.
    if (setupChanged) {
        refreshAlerts();
    }
}

void RootView::navigate(AppTab tab) {
    // Requests from notifications and the tray count only once setup is done.
    if (hasCompletedSetup()) {
        select(tab);
    }
}

void RootView::showPage() {
    if (m_page && m_pageTab == m_selection) {
        return;
    }
    m_pageTab = m_selection;
    m_pageAlerts->setPage(m_selection);
    showAlertBlock();
    // The old page may hold the link that led here: it goes once its handler has returned.
    if (m_page) {
        m_page->hide();
        m_pageHost->layout()->removeWidget(m_page);
        m_page->deleteLater();
    }
    m_page = makePage(m_selection);
    m_pageHost->layout()->addWidget(m_page);
    if (m_overlay) {
        m_overlay->raise();
    }
}

void RootView::showAlertBlock() {
    // Home shows the alerts itself; a block with nothing to show takes no room.
    m_pageAlerts->parentWidget()->setVisible(m_selection != AppTab::home && m_pageAlerts->hasContent());
}

QWidget* RootView::makePage(AppTab tab) {
    switch (tab) {
    case AppTab::home:
        return new HomeScreen(
            m_model, m_layout, [this] { select(AppTab::activity); }, [this] { select(AppTab::providers); });
    case AppTab::activity:
        return new ActivityScreen(m_model);
    case AppTab::test:
        return new TestScreen(m_model.workbench(), m_hooks.clipboard);
    case AppTab::testDocument:
        if (m_hooks.studioPage) {
            return m_hooks.studioPage();
        }
        break;
    case AppTab::settings:
        return new SettingsScreen(
            m_model, m_defaults, m_checkForUpdates, [this] { restartTour(); }, [this] { select(AppTab::setup); },
            [this](const QString& code) {
                // The new language rebuilds the content, the page whose control was clicked
                // included: the switch waits until the click has been handled.
                QMetaObject::invokeMethod(this, [this, code] { setLanguage(code); }, Qt::QueuedConnection);
            });
    case AppTab::redaction:
        return new RedactionScreen(m_model);
    case AppTab::setup:
        return new SetupScreen(m_model, false, {}, [this] { restartTour(); });
    case AppTab::providers:
        return new ProvidersScreen(m_model);
    }
    return new QWidget;
}

void RootView::refreshAlerts() {
    const bool onSetup = hasCompletedSetup() && m_selection == AppTab::setup;
    const AlertLayout& layout = m_model.alerts().layout(onSetup);
    // Most signals change nothing shown: then nothing is touched, so nothing repaints.
    const bool changed = !(layout == m_layout);
    m_layout = layout;
    if (m_sidebar) {
        const ProtectionUIState state =
            protectionUIState(m_protection.status(), m_supervision.link(), m_supervision.proxyStuck());
        const ProtectionSummary summary = protectionSummary(m_layout, state);
        if (summary != m_sidebarSummary) {
            m_sidebarSummary = summary;
            m_sidebar->setSummary(summary);
        }
        if (changed) {
            m_sidebar->setAlertLayout(m_layout);
        }
    }
    if (!changed) {
        return;
    }
    if (m_pageAlerts) {
        m_pageAlerts->setAlertLayout(m_layout);
        showAlertBlock();
    }
    if (auto* home = qobject_cast<HomeScreen*>(m_page.data())) {
        home->setAlertLayout(m_layout);
    }
}

void RootView::run(const AlertAction& action) {
    runAlert(m_model, AlertSurface::window, action,
             AlertShell{.openUrl = m_hooks.openUrl,
                        .copyText = [this](const QString& text) { m_hooks.clipboard->copyPlainText(text); },
                        .showPage = [this](AppTab tab) { select(tab); },
                        .openWindow = {}});
}

void RootView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_appeared) {
        return;
    }
    m_appeared = true;
    m_tour->startIfUnseen(hasCompletedSetup());
    if (m_tour->isActive()) {
        applyTourStep();
    }
}

void RootView::completeSetup() {
    if (hasCompletedSetup()) {
        return;
    }
    m_defaults->setValue(setupKey, true);
    m_selection = AppTab::home;
    buildContent();
    m_tour->startIfUnseen(true);
    if (m_tour->isActive()) {
        applyTourStep();
    }
}

void RootView::applyTourStep() {
    if (!m_tour->isActive()) {
        return;
    }
    const TourStep step = m_tour->step();
    select(step.tab());
    if (step == TourStep::test && m_model.workbench().promptText().isEmpty()) {
        m_model.workbench().setPromptText(Tour::samplePrompt(L10n::language()));
    }
}

void RootView::restartTour() {
    m_tour->restart();
    applyTourStep();
}

void RootView::followTour() {
    const bool show = m_tour->isActive() && m_panel;
    if (!show) {
        if (m_overlay) {
            m_overlay->deleteLater();
            m_overlay->hide();
            m_overlay = nullptr;
        }
        return;
    }
    if (!m_overlay) {
        m_overlay = new TourOverlay(
            *m_tour, [this] { applyTourStep(); },
            [this] {
                if (m_hooks.openStudioSample) {
                    m_hooks.openStudioSample();
                }
            },
            this);
        connect(m_tour.get(), &Tour::indexChanged, m_overlay, [this] { placeOverlay(); });
    }
    placeOverlay();
    m_overlay->show();
    m_overlay->raise();
}

void RootView::placeOverlay() {
    if (!m_overlay) {
        return;
    }
    const QSize size = m_overlay->sizeHint();
    const int inset = qRound(Theme::pagePadding);
    m_overlay->setGeometry(width() - inset - size.width(), height() - inset - size.height(), size.width(),
                           size.height());
    m_overlay->raise();
}

void RootView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::background.on(this));
}

void RootView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeOverlay();
}

void RootView::followIssueRequest() {
    const auto& request = m_model.issueRequest();
    if (!request) {
        m_sheetRequest = QUuid();
        if (m_sheet) {
            m_sheet->hide();
            m_sheet->deleteLater();
            m_sheet = nullptr;
        }
        return;
    }
    if (request->id == m_sheetRequest && m_sheet) {
        return;
    }
    if (m_sheet) {
        m_sheet->hide();
        m_sheet->deleteLater();
    }
    m_sheetRequest = request->id;
    auto form = IssueFormModel::create(m_model.client(), request->row, request->category,
                                       IssueFormModel::standardDebounce);
    AppModel* model = &m_model;
    const QUuid id = request->id;
    m_sheet = new IssueFormView(
        std::move(form),
        // A sheet replaced by a newer request closes without clearing that request.
        [model, id] { model->closeIssueRequest(id); },
        window());
    m_sheet->show();
}

void RootView::setLanguage(const QString& language) {
    if (language == L10n::language()) {
        return;
    }
    m_defaults->setValue(languageKey, language);
    L10n::setLanguage(language);
    ++m_languageEpoch;
    buildContent();
    if (m_hooks.studioLanguageChanged) {
        m_hooks.studioLanguageChanged();
    }
    if (m_hooks.languageChanged) {
        m_hooks.languageChanged();
    }
}

} // namespace fernholm
