// The application object on fakes: start-up once per process, the quit paths (menu, signal,
// closing without a tray), the tray coming late, the single instance, the uninstall question and the menu items.

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/shell/FernholmApplication.h"
#include "FernholmApp/shell/MainWindow.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmApp/shell/tray/TrayHost.h"
#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/MemorySingleInstance.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QApplication>
#include <QSystemTrayIcon>

#include <csignal>

using namespace fernholm;
using namespace fernholm::test;

namespace {

struct Shell {
    TestPlatform fakes;
    int confirmations = 0;
    bool answer = false;
    int exits = 0;
    std::shared_ptr<MemorySingleInstance::Claims> claims = std::make_shared<MemorySingleInstance::Claims>();
    std::shared_ptr<MemorySingleInstance> instance = std::make_shared<MemorySingleInstance>(claims);
    std::unique_ptr<FernholmApplication> app;

    explicit Shell(bool signals = false, std::function<void(ShellOptions&)> adjust = {}) {
        fakes.defaults->setValue(RootView::setupKey, true);
        fakes.defaults->setValue(Tour::flagKey, true);
        ShellOptions options;
        options.config = quickConfig();
        options.platform = fakes.platform();
        options.tray = false;
        options.quitOnSignals = signals;
        options.confirmUninstall = [this] {
            ++confirmations;
            return answer;
        };
        options.exitLoop = [this] { ++exits; };
        if (instance->claim({}, {}) == SingleInstance::Claim::first) {
            options.instance = instance;
        }
        if (adjust) {
            adjust(options);
        }
        app = std::make_unique<FernholmApplication>(std::move(options));
    }
};

} // namespace

class ApplicationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }

    void showHideShowStartsOnce() {
        Shell shell;
        QVERIFY(!shell.app->isQuitHookInstalled());
        shell.app->showWindow();
        QVERIFY(shell.app->window()->isVisible());
        QCOMPARE(shell.app->window()->objectName(), QStringLiteral("main"));
        QCOMPARE(shell.app->window()->windowTitle(), QStringLiteral("Tarvine"));
        QVERIFY(shell.app->isQuitHookInstalled());
        // No gateway in the fakes: the one start reports that it found none.
        QVERIFY(shell.app->model().supervision().appError().has_value());
        const auto error = shell.app->model().supervision().appError();
        AppModelAccess::setAppError(shell.app->model(), std::nullopt);

        shell.app->window()->hide();
        shell.app->showWindow();
        QVERIFY(shell.app->window()->isVisible());
        QVERIFY2(!shell.app->model().supervision().appError(), "a second show started the model again");
        QVERIFY(error->contains(QStringLiteral("Python runtime")));
    }

    void menuHasItsThreeItems() {
        Shell shell;
        MainWindow* window = shell.app->window();
        QVERIFY(!window->updatesAction()->isEnabled());
        QCOMPARE(window->updatesAction()->text(), QStringLiteral("Check for Updates…"));
        QVERIFY(window->uninstallAction()->isEnabled());
        QCOMPARE(window->quitAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    // Quitting ends the event loop itself (a request to quit would be refused by the window that
    // hides instead of closing), after the model is down; later launches are no longer heard.
    void quitFromTheMenuShutsDown() {
        Shell shell;
        shell.app->showWindow();
        shell.app->window()->quitAction()->trigger();
        QVERIFY(shell.app->model().isShutDown());
        QCOMPARE(shell.exits, 1);
        QCOMPARE(shell.instance->stops, 1);
        MemorySingleInstance later(shell.claims);
        QCOMPARE(later.claim({}, {}), SingleInstance::Claim::busy);
    }

    // Without a tray the window only hides; a later launch brings it back.
    void closingWithoutATrayHides() {
        Shell shell;
        shell.app->showWindow();
        shell.app->window()->close();
        QVERIFY(!shell.app->window()->isVisible());
        QVERIFY(!shell.app->model().isShutDown());
        QCOMPARE(shell.exits, 0);
        MemorySingleInstance later(shell.claims);
        QCOMPARE(later.claim({}, {}), SingleInstance::Claim::handedOver);
        QTRY_VERIFY(shell.app->window()->isVisible());
    }

    void terminationSignalQuits() {
        Shell shell(true);
        shell.app->showWindow();
        ::raise(SIGTERM);
        QTRY_VERIFY(shell.app->model().isShutDown());
        QCOMPARE(shell.exits, 1);
    }

    // A desktop whose tray comes after the application: the icon appears once it does.
    void theTrayIconAppearsWithTheTray() {
        auto available = std::make_shared<bool>(false);
        Shell shell(false, [available](ShellOptions& options) {
            options.tray = true;
            options.trayAvailable = [available] { return *available; };
        });
        QVERIFY(!shell.app->tray());
        *available = true;
        QTRY_VERIFY(shell.app->tray());
        QVERIFY(shell.app->tray()->trayIcon()->isVisible());
    }

    void uninstallAsksFirst() {
        Shell shell;
        shell.app->showWindow();
        shell.app->window()->uninstallAction()->trigger();
        QCOMPARE(shell.confirmations, 1);
        // Cancelled: nothing was started.
        QVERIFY(!shell.app->model().supervision().busy());
        QVERIFY(!shell.app->model().isShutDown());
    }

    // Qt's own texts (standard buttons, context menus) follow the language.
    void qtTextsFollowTheLanguage() {
        L10n::setLanguage(QStringLiteral("pl"));
        followQtTranslations();
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Anuluj"));
        L10n::setLanguage(QStringLiteral("en"));
        followQtTranslations();
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
    }

    void tooltipsTakeTheThemeColours() {
        Shell shell;
        Appearance::instance().setAppAppearance(QStringLiteral("dark"));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), Theme::surface.resolve(ColorScheme::dark));
        Appearance::instance().setAppAppearance(QStringLiteral("light"));
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), Theme::surface.resolve(ColorScheme::light));
    }

    // A later launch hands over; the window comes back hidden, minimised or behind others alike.
    void secondLaunchBringsTheWindowForward_data() {
        QTest::addColumn<QString>("before");
        QTest::newRow("closed to the tray") << "hidden";
        QTest::newRow("minimised") << "minimised";
        QTest::newRow("shown") << "shown";
    }
    void secondLaunchBringsTheWindowForward() {
        QFETCH(QString, before);
        Shell shell;
        if (before == QLatin1String("minimised")) {
            shell.app->window()->showMinimized();
        } else if (before == QLatin1String("shown")) {
            shell.app->showWindow();
        }
        MemorySingleInstance later(shell.claims);
        QCOMPARE(later.claim(QStringLiteral("token-1"), {}), SingleInstance::Claim::handedOver);
        QTRY_VERIFY(shell.app->window()->isVisible());
        QTRY_VERIFY(!shell.app->window()->isMinimized());
        QTRY_COMPARE(QApplication::activeWindow(), shell.app->window());
    }
};

QTEST_MAIN(ApplicationTest)
#include "tst_application.moc"
