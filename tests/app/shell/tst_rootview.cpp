// The main window's content on a model that never starts: the test sets the model's state and the
// user defaults, and watches what the window shows, where it navigates and what its buttons do.

#include "FernholmApp/components/alerts/AlertHandlers.h"
#include "FernholmApp/components/alerts/PageAlerts.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/layout/Panel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/WorkbenchSession.h"
#include "FernholmApp/pages/activity/ActivityScreen.h"
#include "FernholmApp/pages/home/HomeScreen.h"
#include "FernholmApp/pages/workbench/TestScreen.h"
#include "FernholmApp/report/IssueForm.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmApp/shell/Sidebar.h"
#include "FernholmApp/shell/TourOverlay.h"
#include "FernholmKit/presentation/AlertCenter.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/PixelProbes.h"
#include "app/support/RecordingClipboard.h"
#include "app/support/TestPlatform.h"
#include "app/support/TextGeometry.h"
#include "app/support/ViewTesting.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrl>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::AppTab)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

struct Window {
    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::shared_ptr<RecordingClipboard> clipboard = std::make_shared<RecordingClipboard>();
    QList<QUrl> opened;
    int studioPages = 0;
    int studioLanguageCalls = 0;
    int languageCalls = 0;
    std::unique_ptr<RootView> root;

    explicit Window(bool setupDone, bool tourSeen = true) {
        if (setupDone) {
            fakes.defaults->setValue(RootView::setupKey, true);
        }
        if (tourSeen) {
            fakes.defaults->setValue(Tour::flagKey, true);
        }
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        AppModelAccess::setLink(*model, SidecarLink::stopped);
    }

    RootView& make() {
        RootViewHooks hooks;
        hooks.clipboard = clipboard;
        hooks.openUrl = [this](const QUrl& url) {
            opened.append(url);
        };
        hooks.studioPage = [this] {
            ++studioPages;
            auto* page = new QWidget;
            page->setObjectName(QStringLiteral("studio"));
            return page;
        };
        hooks.studioLanguageChanged = [this] {
            ++studioLanguageCalls;
        };
        hooks.languageChanged = [this] {
            ++languageCalls;
        };
        root = std::make_unique<RootView>(*model, fakes.defaults, std::function<void()>(), hooks);
        root->resize(1100, 760);
        root->show();
        return *root;
    }
};

Status statusWithError(std::optional<QString> error) {
    Status status;
    status.protection = Protection::error;
    status.error = std::move(error);
    return status;
}

} // namespace

class RootViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }
    void init() { L10n::setLanguage(QStringLiteral("en")); }

    void firstRunIgnoresRequestsUntilSetupEnds() {
        Window w(false, false);
        RootView& root = w.make();
        QVERIFY(!root.sidebar());
        QVERIFY(!root.tourOverlay());
        root.resize(900, 640);
        saveScreenshot(render(&root, ColorScheme::light), QStringLiteral("rootview-firstrun"));
        AppModelAccess::setActivityRequest(*w.model, 1);
        AppModelAccess::setPromptRequest(*w.model, 1);
        QCOMPARE(root.selection(), AppTab::home);

        root.completeSetup();
        QCOMPARE(w.fakes.defaults->value(RootView::setupKey).toBool(), true);
        QVERIFY(root.sidebar());
        QCOMPARE(root.selection(), AppTab::home);
        QVERIFY(qobject_cast<HomeScreen*>(root.page()));
        QVERIFY(root.tour().isActive());
        QVERIFY(root.tourOverlay() && root.tourOverlay()->isVisible());

        // Once only: a second call neither moves nor restarts anything.
        root.tour().next();
        root.applyTourStep();
        // The sample prompt is checked once after the pause (and fails: nothing runs here).
        QTRY_VERIFY(w.model->workbench().scanError().has_value());
        const AppTab there = root.selection();
        QWidget* content = root.content();
        root.completeSetup();
        QCOMPARE(root.selection(), there);
        QCOMPARE(root.content(), content);
        QCOMPARE(root.tour().index(), 1);

        // After setup the requests count.
        AppModelAccess::setActivityRequest(*w.model, 2);
        QCOMPARE(root.selection(), AppTab::activity);
    }

    void neverSmallerThanTheMinimum() {
        Window w(true);
        RootView& root = w.make();
        root.resize(400, 300);
        QCOMPARE(root.minimumSize(), QSize(900, 640));
        QVERIFY(root.width() >= 900 && root.height() >= 640);
    }

    void sidebarItemsShowTheirPages_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<QString>("page");
        QTest::newRow("home") << AppTab::home << "fernholm::HomeScreen";
        QTest::newRow("activity") << AppTab::activity << "fernholm::ActivityScreen";
        QTest::newRow("test") << AppTab::test << "fernholm::TestScreen";
        QTest::newRow("documents") << AppTab::testDocument << "studio";
    }

    void sidebarItemsShowTheirPages() {
        QFETCH(AppTab, tab);
        QFETCH(QString, page);
        Window w(true);
        RootView& root = w.make();
        // Start somewhere else, so that every row is a real move.
        root.select(tab == AppTab::activity ? AppTab::test : AppTab::activity);
        QTest::mouseClick(root.sidebar()->item(tab), Qt::LeftButton);
        QCOMPARE(root.selection(), tab);
        QVERIFY(root.page());
        const QString shown = root.page()->objectName() == QLatin1String("studio")
                                  ? root.page()->objectName()
                                  : QString::fromLatin1(root.page()->metaObject()->className());
        QCOMPARE(shown, page);
        // Home shows its own alerts; every other page has the alert block on top.
        QCOMPARE(root.pageAlerts()->parentWidget()->isVisible(), tab != AppTab::home);
        QCOMPARE(root.sidebar()->selection(), tab);
    }

    void alertBlockFollowsTheModel() {
        Window w(true);
        RootView& root = w.make();
        root.select(AppTab::activity);
        AppModelAccess::setStatus(*w.model, statusWithError(QStringLiteral("listener failed")));
        QVERIFY(!root.alertLayout().critical.isEmpty());
        QCOMPARE(root.pageAlerts()->alertLayout(), root.alertLayout());
        for (const AppAlert& alert : root.alertLayout().critical) {
            QVERIFY2(root.pageAlerts()->widgetFor(alert.id), qPrintable(alert.id));
        }
        QVERIFY(root.pageAlerts()->parentWidget()->isVisible());
        // The busy flag reaches every alert button.
        QVERIFY(!AlertHandlers::of(root.pageAlerts()).busy);
        AppModelAccess::setBusy(*w.model, true);
        QVERIFY(AlertHandlers::of(root.pageAlerts()).busy);
    }

    // Nothing polls here: a snooze made elsewhere hides the warning at
    // once, and its end brings the warning back by itself.
    void aSnoozedWarningComesBackWhenItsSnoozeEnds() {
        Window w(true);
        RootView& root = w.make();
        root.select(AppTab::activity);
        Status running;
        running.protection = Protection::on;
        AppModelAccess::setLink(*w.model, SidecarLink::trusted);
        AppModelAccess::setStatus(*w.model, running);
        const auto hasAppError = [&root] {
            for (const AppAlert& alert : root.alertLayout().warnings) {
                if (alert.id == QLatin1String("app_error")) {
                    return true;
                }
            }
            return false;
        };
        AppModelAccess::setAppError(*w.model, QStringLiteral("Toggle failed: refused"));
        QVERIFY(hasAppError());
        QVERIFY(root.pageAlerts()->widgetFor(QStringLiteral("app_error")));
        const AppAlert warning = root.alertLayout().warnings.first();

        // As the tray panel does; the snooze is back-dated so that it ends in under a second.
        const auto almostADay = std::chrono::duration_cast<Clock::duration>(AlertCenter::snoozeFor) -
                                std::chrono::duration_cast<Clock::duration>(std::chrono::milliseconds(700));
        w.model->alertCenter().snooze(warning, Clock::now() - almostADay);
        QVERIFY(!hasAppError());
        QVERIFY(!root.pageAlerts()->widgetFor(QStringLiteral("app_error")));

        QTRY_VERIFY_WITH_TIMEOUT(hasAppError(), 10000);
        QVERIFY(root.pageAlerts()->widgetFor(QStringLiteral("app_error")));
    }

    void copyErrorPutsTheTextOrNothing_data() {
        QTest::addColumn<bool>("withStatus");
        QTest::addColumn<QString>("copied");
        QTest::newRow("gateway error") << true << "listener failed";
        QTest::newRow("no status") << false << "";
    }

    void copyErrorPutsTheTextOrNothing() {
        QFETCH(bool, withStatus);
        QFETCH(QString, copied);
        Window w(true);
        RootView& root = w.make();
        if (withStatus) {
            AppModelAccess::setStatus(*w.model, statusWithError(QStringLiteral("listener failed")));
        }
        root.run(AlertAction::copyError());
        QCOMPARE(w.clipboard->calls, QStringList({"clear", "text:" + copied}));
    }

    void alertActionsThatNavigateOrOpen() {
        Window w(false);
        RootView& root = w.make();
        // Showing the browsers works in the first run too.
        root.run(AlertAction::showBrowsers());
        QCOMPARE(root.selection(), AppTab::setup);

        Window after(true);
        RootView& main = after.make();
        main.run(AlertAction::openURL(QStringLiteral("Help"), QUrl(QStringLiteral("https://example.org/help"))));
        QCOMPARE(after.opened, QList<QUrl>({QUrl(QStringLiteral("https://example.org/help"))}));
        main.run(AlertAction::degraded(DegradedAction::none));
        QCOMPARE(main.selection(), AppTab::home);
        main.run(AlertAction::degraded(DegradedAction::setUp));
        QCOMPARE(main.selection(), AppTab::setup);
    }

    void tourFillsAnEmptyPromptInTheCurrentLanguage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty, Polish") << "" << Tour::samplePrompt(QStringLiteral("pl"));
        QTest::newRow("typed prompt kept") << "my own words" << "my own words";
    }

    void tourFillsAnEmptyPromptInTheCurrentLanguage() {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        L10n::setLanguage(QStringLiteral("pl"));
        Window w(true, false);
        if (!typed.isEmpty()) {
            w.model->workbench().setPromptText(typed);
        }
        RootView& root = w.make();
        QVERIFY(root.tour().isActive());
        QVERIFY(root.tourOverlay());
        QTest::mouseClick(root.tourOverlay()->forwardButton(), Qt::LeftButton);
        QCOMPARE(root.selection(), AppTab::test);
        QCOMPARE(w.model->workbench().promptText(), expected);
        // One check of the prompt after the pause; nothing answers it here.
        QTRY_VERIFY(w.model->workbench().scanError().has_value());
        QTest::mouseClick(root.tourOverlay()->forwardButton(), Qt::LeftButton);
        QCOMPARE(root.selection(), AppTab::testDocument);
        QCOMPARE(root.page()->objectName(), QStringLiteral("studio"));

        root.select(AppTab::settings);
        root.restartTour();
        QCOMPARE(root.tour().index(), 0);
        QCOMPARE(root.selection(), AppTab::home);
    }

    void reportSheetFollowsTheRequest() {
        Window w(true);
        RootView& root = w.make();
        QVERIFY(!root.issueSheet());
        AppModelAccess::setIssueRequest(
            *w.model, IssueRequest{QUuid::createUuid(), QStringLiteral("row-1"), QStringLiteral("bug")});
        QVERIFY(root.issueSheet());
        IssueFormView* first = root.issueSheet();
        const auto firstForm = first->form();
        QVERIFY(first->isVisible());

        first->close();
        QVERIFY(!w.model->issueRequest());
        QTRY_VERIFY(!root.issueSheet());

        AppModelAccess::setIssueRequest(*w.model,
                                        IssueRequest{QUuid::createUuid(), std::nullopt, QStringLiteral("bug")});
        QVERIFY(root.issueSheet());
        QVERIFY(root.issueSheet()->form() != firstForm);
    }

    void sameLanguageChangesNothing() {
        Window w(true);
        RootView& root = w.make();
        const int writes = w.fakes.defaults->writes();
        QWidget* content = root.content();
        root.setLanguage(QStringLiteral("en"));
        QCOMPARE(w.fakes.defaults->writes(), writes);
        QCOMPARE(root.content(), content);
        QCOMPARE(w.studioLanguageCalls, 0);
        QCOMPARE(root.languageEpoch(), 0);
    }

    void otherLanguageRebuildsAndKeepsTheSelection() {
        Window w(true);
        RootView& root = w.make();
        root.select(AppTab::activity);
        QPointer<QWidget> content = root.content();
        root.setLanguage(QStringLiteral("pl"));
        QCOMPARE(w.fakes.defaults->value(RootView::languageKey).toString(), QStringLiteral("pl"));
        QCOMPARE(L10n::language(), QStringLiteral("pl"));
        QVERIFY(root.content() != content);
        QTRY_VERIFY(!content);
        QCOMPARE(root.languageEpoch(), 1);
        QCOMPARE(root.selection(), AppTab::activity);
        QCOMPARE(root.sidebar()->selection(), AppTab::activity);
        QVERIFY(qobject_cast<ActivityScreen*>(root.page()));
        QCOMPARE(w.studioLanguageCalls, 1);
        QCOMPARE(w.languageCalls, 1);
        root.resize(900, 640);
        saveScreenshot(render(&root, ColorScheme::light), QStringLiteral("rootview-activity-pl"));
    }

    void screenshots_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }

    void screenshots() {
        QFETCH(ColorScheme, scheme);
        Window w(true);
        RootView& root = w.make();
        root.resize(900, 640);
        const QImage image = render(&root, scheme);
        saveScreenshot(image, QStringLiteral("rootview-home-%1").arg(scheme == ColorScheme::dark ? "dark" : "light"));
        // The sidebar and the page beside it, each drawn, and their text whole.
        QVERIFY(root.sidebar() && root.sidebar()->isVisible() && root.page() && root.page()->isVisible());
        const QRect sidebar(root.sidebar()->mapTo(&root, QPoint(0, 0)), root.sidebar()->size());
        const QRect page(root.page()->mapTo(&root, QPoint(0, 0)), root.page()->size());
        QVERIFY(!sidebar.intersects(page));
        QVERIFY(hasInk(image, sidebar, sample(image, sidebar.bottomRight() - QPoint(2, 2))));
        QVERIFY(hasInk(image, page, sample(image, page.bottomRight() - QPoint(2, 2))));
        QVERIFY2(textProblems(&root).isEmpty(), qPrintable(textProblems(&root).join(u';')));
    }
};

QTEST_MAIN(RootViewTest)
#include "tst_rootview.moc"
