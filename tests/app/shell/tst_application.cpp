// The application object on fakes: start-up once per process, the quit paths (menu, signal,
// closing without a tray), the single instance, the uninstall question and the menu items.

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmApp/shell/FernholmApplication.h"
#include "FernholmApp/shell/MainWindow.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QUuid>

#include <csignal>

using namespace fernholm;
using namespace fernholm::test;

namespace {

struct Shell {
    TestPlatform fakes;
    int confirmations = 0;
    bool answer = false;
    std::unique_ptr<FernholmApplication> app;

    explicit Shell(bool signals = false) {
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
        QVERIFY(shell.app->model().appError().has_value());
        const auto error = shell.app->model().appError();
        shell.app->model().setAppError(std::nullopt);

        shell.app->window()->hide();
        shell.app->showWindow();
        QVERIFY(shell.app->window()->isVisible());
        QVERIFY2(!shell.app->model().appError(), "a second show started the model again");
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

    void quitFromTheMenuShutsDown() {
        Shell shell;
        shell.app->showWindow();
        shell.app->window()->quitAction()->trigger();
        QVERIFY(shell.app->model().isShutDown());
    }

    void closingWithoutATrayQuits() {
        Shell shell;
        shell.app->showWindow();
        shell.app->window()->close();
        QVERIFY(shell.app->model().isShutDown());
    }

    void terminationSignalQuits() {
        Shell shell(true);
        shell.app->showWindow();
        ::raise(SIGTERM);
        QTRY_VERIFY(shell.app->model().isShutDown());
    }

    void uninstallAsksFirst() {
        Shell shell;
        shell.app->showWindow();
        shell.app->window()->uninstallAction()->trigger();
        QCOMPARE(shell.confirmations, 1);
        // Cancelled: nothing was started.
        QVERIFY(!shell.app->model().busy());
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

    void secondLaunchShowsAHiddenWindow() {
        Shell shell;
        const QString name = QStringLiteral("tarvine-test-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
        QVERIFY(shell.app->listen(name));
        QVERIFY(!shell.app->window()->isVisible());
        QVERIFY(FernholmApplication::forwardToRunningInstance(name));
        QTRY_VERIFY(shell.app->window()->isVisible());

        QVERIFY(!FernholmApplication::forwardToRunningInstance(name + QStringLiteral("-nobody")));
    }
};

QTEST_MAIN(ApplicationTest)
#include "tst_application.moc"
