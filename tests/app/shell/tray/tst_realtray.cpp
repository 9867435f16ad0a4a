// The tray host in a real tray (trayer under an X server, see tst_realtray.cmake): the icon is
// embedded in the tray's panel, and a click on it opens the panel beside it, on screen.
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmApp/shell/tray/PopoverRow.h"
#include "FernholmApp/shell/tray/TrayHost.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/StatusFixtures.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

namespace {

constexpr int patienceMs = 20'000;

// Runs xdotool and returns its standard output; fails the test when it cannot run.
QString xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10'000) || process.exitCode() != 0) {
        qWarning() << "xdotool" << arguments << "failed:" << process.readAllStandardError();
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The geometry of trayer's panel window, from xdotool; empty when not found.
QRect trayerPanel() {
    const QString pid = qEnvironmentVariable("FERNHOLM_TRAYER_PID");
    const QStringList windows =
        xdotool({QStringLiteral("search"), QStringLiteral("--pid"), pid}).split(u'\n', Qt::SkipEmptyParts);
    QRect largest;
    for (const QString& window : windows) {
        const QStringList lines =
            xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window}).split(u'\n');
        QHash<QString, int> values;
        for (const QString& line : lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq > 0) {
                values.insert(line.left(eq), line.mid(eq + 1).toInt());
            }
        }
        const QRect rect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                         values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
        if (rect.width() * rect.height() > largest.width() * largest.height()) {
            largest = rect;
        }
    }
    return largest;
}

} // namespace

class RealTrayTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
        QVERIFY2(!qEnvironmentVariableIsEmpty("FERNHOLM_TRAYER_PID"), "run through tray/with-trayer.sh");
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }

    void clickOpensThePanelBesideTheIcon() {
        QTRY_VERIFY_WITH_TIMEOUT(TrayHost::available(), patienceMs);

        TestPlatform fakes;
        AppModel model(quickConfig(), fakes.platform());
        AppModelAccess::setStatus(model, status(Protection::on, true));
        int windows = 0;
        TrayHost host(model, TrayHost::Hooks{[&] { ++windows; }, [] {}, [] {}, {}});
        host.show();
        QCOMPARE(host.currentSymbol(), TraySymbol::mark);

        // The icon's geometry turns non-empty inside trayer's panel once it is embedded (the panel
        // grows to take it).
        const auto embedded = [&] {
            const QRect icon = host.trayIcon()->geometry();
            return !icon.isEmpty() && trayerPanel().contains(icon.center());
        };
        QTRY_VERIFY_WITH_TIMEOUT(embedded(), patienceMs);
        const QRect icon = host.trayIcon()->geometry();

        xdotool({QStringLiteral("mousemove"), QString::number(icon.center().x()), QString::number(icon.center().y()),
                 QStringLiteral("click"), QStringLiteral("1")});
        QTRY_VERIFY_WITH_TIMEOUT(host.isPanelVisible(), patienceMs);
        QWidget* window = host.panelWindow();
        QTRY_VERIFY_WITH_TIMEOUT(window->geometry().top() > icon.bottom(), patienceMs);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(screen.contains(window->geometry()));
        QVERIFY(window->geometry().left() <= icon.center().x() && icon.center().x() <= window->geometry().right());
        QCOMPARE(window->width(), MenuBarPopover::panelWidth);
        QVERIFY(host.panel()->protectionSwitch()->isOn());

        // The whole screen, for people to look at.
        QTest::qWait(200);
        const QPixmap root = QGuiApplication::primaryScreen()->grabWindow(0);
        QVERIFY(!root.isNull());
        QVERIFY(!saveScreenshot(root.toImage(), QStringLiteral("tray-real")).isEmpty());

        // A row of the panel reaches the owner's hook, and the panel goes.
        const QPoint open = host.panel()->actionRows().first()->mapToGlobal(QPoint(40, 18));
        xdotool({QStringLiteral("mousemove"), QString::number(open.x()), QString::number(open.y()),
                 QStringLiteral("click"), QStringLiteral("1")});
        QTRY_COMPARE_WITH_TIMEOUT(windows, 1, patienceMs);
        QTRY_VERIFY(!host.isPanelVisible());
    }
};

QTEST_MAIN(RealTrayTest)
#include "tst_realtray.moc"
