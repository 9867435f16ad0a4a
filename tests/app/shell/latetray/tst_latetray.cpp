// An application started before the desktop's tray (an autostart that runs before the panel):
// under an X server with no tray, the shell runs without an icon; once trayer takes the tray's
// selection, the icon appears in it. The test starts trayer itself (see tst_latetray.cmake).
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/shell/FernholmApplication.h"
#include "FernholmApp/shell/MainWindow.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmApp/shell/tray/TrayHost.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"

#include <QGuiApplication>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

class LateTrayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }

    void theIconAppearsWhenTheTrayDoes() {
        QVERIFY2(!TrayHost::available(), "a tray is already running on this display");
        TestPlatform fakes;
        fakes.defaults->setValue(RootView::setupKey, true);
        fakes.defaults->setValue(Tour::flagKey, true);
        ShellOptions options;
        options.config = quickConfig();
        options.platform = fakes.platform();
        options.exitLoop = [] {};
        FernholmApplication shell(std::move(options));
        shell.showWindow();
        QVERIFY(!shell.tray());

        // With no tray, closing only hides the window.
        shell.window()->close();
        QVERIFY(!shell.window()->isVisible());
        QVERIFY(!shell.model().isShutDown());

        QProcess trayer;
        trayer.setProcessChannelMode(QProcess::ForwardedChannels);
        trayer.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                                QStringLiteral("right"), QStringLiteral("--widthtype"),
                                                QStringLiteral("request"), QStringLiteral("--height"),
                                                QStringLiteral("24")});
        QVERIFY2(trayer.waitForStarted(), "trayer is not installed (scripts/install-deps installs it)");
        QTRY_VERIFY_WITH_TIMEOUT(shell.tray(), 20'000);
        QVERIFY(shell.tray()->trayIcon()->isVisible());
        // Embedded: the tray gave the icon its place.
        QTRY_VERIFY_WITH_TIMEOUT(!shell.tray()->trayIcon()->geometry().isEmpty(), 20'000);
        trayer.terminate();
        trayer.waitForFinished();
    }
};

QTEST_MAIN(LateTrayTest)
#include "tst_latetray.moc"
