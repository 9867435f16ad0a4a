// The tray host without a real tray: the icon it picks, its menu, its panel window.
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/shell/tray/MenuBarPopover.h"
#include "FernholmApp/shell/tray/PopoverRow.h"
#include "FernholmApp/shell/tray/TrayHost.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/LayoutTesting.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/StatusFixtures.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(std::optional<fernholm::Status>)
Q_DECLARE_METATYPE(fernholm::TraySymbol)

namespace {

std::optional<Status> partly() {
    Status s = status(Protection::on, true);
    s.browserBypass = findingsOfKinds({QStringLiteral("bypass")});
    return s;
}

struct Host {
    Host() {
        model = std::make_unique<AppModel>(quickConfig(), fakes.platform());
        tray = std::make_unique<TrayHost>(
            *model, TrayHost::Hooks{[this] { ++windows; }, [this] { ++prompts; }, [this] { ++quits; }, {}});
    }
    QStringList menuTexts() const {
        QStringList texts;
        for (QAction* action : tray->menu()->actions()) {
            if (!action->isSeparator()) {
                texts << action->text();
            }
        }
        return texts;
    }
    QAction* menuAction(int index) const {
        QList<QAction*> actions;
        for (QAction* action : tray->menu()->actions()) {
            if (!action->isSeparator()) {
                actions << action;
            }
        }
        return actions.at(index);
    }

    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<TrayHost> tray;
    int windows = 0;
    int prompts = 0;
    int quits = 0;
};

// Whether the image has opaque pixels that stand out against `background`.
bool standsOut(const QImage& icon, const QColor& background) {
    QImage over(icon.size(), QImage::Format_ARGB32_Premultiplied);
    over.fill(background);
    {
        QPainter p(&over);
        p.drawImage(0, 0, icon);
    }
    int contrasting = 0;
    for (int y = 0; y < over.height(); ++y) {
        for (int x = 0; x < over.width(); ++x) {
            const QColor c = over.pixelColor(x, y);
            if (std::abs(c.lightness() - background.lightness()) > 120) {
                ++contrasting;
            }
        }
    }
    return contrasting >= over.width(); // at least a line's worth of pixels
}

} // namespace

class TrayHostTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void symbol_data() {
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<bool>("imagesShipped");
        QTest::addColumn<TraySymbol>("symbol");
        const std::optional<Status> on = status(Protection::on, true);
        QTest::newRow("no status") << std::optional<Status>() << true << TraySymbol::markOff;
        QTest::newRow("on") << on << true << TraySymbol::mark;
        QTest::newRow("partly") << partly() << true << TraySymbol::markOff;
        QTest::newRow("off") << std::optional<Status>(status(Protection::off)) << true << TraySymbol::markOff;
        QTest::newRow("on, not confirmed") << std::optional<Status>(status(Protection::on, false)) << true
                                           << TraySymbol::markOff;
        QTest::newRow("on, no images") << on << false << TraySymbol::onGlyph;
        QTest::newRow("no status, no images") << std::optional<Status>() << false << TraySymbol::offGlyph;
    }
    void symbol() {
        QFETCH(std::optional<Status>, status);
        QFETCH(bool, imagesShipped);
        QFETCH(TraySymbol, symbol);
        QTemporaryDir empty;
        if (!imagesShipped) {
            BrandFonts::setResourceRoots(QStringList{empty.path()});
        }
        QCOMPARE(TrayHost::symbol(status), symbol);
        // Whatever is drawn reads on a light panel and on a dark one.
        const QImage icon = TrayHost::icon(status).pixmap(QSize(22, 22)).toImage();
        QCOMPARE(icon.size(), QSize(22, 22));
        QVERIFY(standsOut(icon, Qt::white));
        QVERIFY(standsOut(icon, QColor(0x20, 0x20, 0x20)));
        if (!imagesShipped) {
            saveScreenshot(TrayHost::icon(status).pixmap(QSize(64, 64)).toImage(),
                           QStringLiteral("tray-icon-glyph-%1").arg(int(symbol)));
        } else {
            saveScreenshot(TrayHost::icon(status).pixmap(QSize(64, 64)).toImage(),
                           QStringLiteral("tray-icon-%1").arg(int(symbol)));
        }
    }

    void iconFollowsTheStatusOnly() {
        Host h;
        QCOMPARE(h.tray->currentSymbol(), TraySymbol::markOff);
        AppModelAccess::setStatus(*h.model, status(Protection::on, true));
        QCOMPARE(h.tray->currentSymbol(), TraySymbol::mark);
        // The link does not count: the status still says on.
        AppModelAccess::setLink(*h.model, SidecarLink::checking);
        QCOMPARE(h.tray->currentSymbol(), TraySymbol::mark);
        AppModelAccess::setStatus(*h.model, partly());
        QCOMPARE(h.tray->currentSymbol(), TraySymbol::markOff);
        QVERIFY(h.tray->trayIcon()->toolTip().startsWith(QStringLiteral("Tarvine\n")));
    }

    void theIconIsSetOnlyWhenItsImageChanges() {
        Host h;
        const qint64 off = h.tray->trayIcon()->icon().cacheKey();
        // Telemetry and fields the icon does not show: the tray keeps the icon it has.
        Status busy = status(Protection::off);
        for (int poll = 1; poll <= 10; ++poll) {
            busy.uptimeS = poll;
            busy.memoryMb = 100.0 + poll;
            AppModelAccess::setStatus(*h.model, busy);
            QCOMPARE(h.tray->trayIcon()->icon().cacheKey(), off);
        }
        AppModelAccess::setStatus(*h.model, status(Protection::on, true));
        const qint64 on = h.tray->trayIcon()->icon().cacheKey();
        QVERIFY(on != off);
        AppModelAccess::setStatus(*h.model, partly());
        QVERIFY(h.tray->trayIcon()->icon().cacheKey() != on);
        QCOMPARE(h.tray->currentSymbol(), TraySymbol::markOff);
    }

    void contextMenu() {
        Host h;
        QCOMPARE(h.menuTexts(), (QStringList{"Open Tarvine", "Check a prompt", "Quit"}));
        QCOMPARE(h.tray->trayIcon()->contextMenu(), h.tray->menu());
        h.menuAction(0)->trigger();
        h.menuAction(1)->trigger();
        h.menuAction(2)->trigger();
        QCOMPARE(h.windows, 1);
        QCOMPARE(h.prompts, 1);
        QCOMPARE(h.quits, 1);
    }

    void retranslate() {
        Host h;
        AppModelAccess::setStatus(*h.model, status(Protection::off));
        const QString english = h.tray->trayIcon()->toolTip();
        L10n::setLanguage(QStringLiteral("pl"));
        h.tray->retranslate();
        QCOMPARE(h.menuTexts(), (QStringList{"Otwórz Tarvine", "Sprawdź prompt", "Zakończ"}));
        QCOMPARE(h.tray->trayIcon()->toolTip(), QStringLiteral("Tarvine\nOchrona jest wyłączona"));
        QVERIFY(h.tray->trayIcon()->toolTip() != english);
        QCOMPARE(h.tray->trayIcon()->contextMenu(), h.tray->menu());
        // The panel is built again in the new language, and still works.
        h.tray->showPanel();
        QVERIFY(h.tray->isPanelVisible());
        QCOMPARE(h.tray->panel()->actionRows().first()->accessibleName(), QStringLiteral("Otwórz Tarvine"));
        QTest::mouseClick(h.tray->panel()->actionRows().first(), Qt::LeftButton);
        QCOMPARE(h.windows, 1);
        QVERIFY(!h.tray->isPanelVisible());
    }

    void panelWindow() {
        Host h;
        QVERIFY(!h.tray->isPanelVisible());
        h.tray->togglePanel();
        QVERIFY(h.tray->isPanelVisible());
        QWidget* window = h.tray->panelWindow();
        QVERIFY(window->windowFlags().testFlag(Qt::Tool));
        QVERIFY(window->windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(window->width(), MenuBarPopover::panelWidth);
        // Without an icon geometry (no tray here) it still lies on the screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(window->geometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(window->x()).arg(window->y()).arg(window->width()).arg(
                     window->height())));
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!h.tray->isPanelVisible());
        h.tray->togglePanel();
        QVERIFY(h.tray->isPanelVisible());
        h.tray->togglePanel();
        QVERIFY(!h.tray->isPanelVisible());
    }

    void quitFromThePanelHidesItFirst() {
        Host h;
        h.tray->showPanel();
        QTest::mouseClick(h.tray->panel()->actionRows().last(), Qt::LeftButton);
        QCOMPARE(h.quits, 1);
        QVERIFY(!h.tray->isPanelVisible());
    }
};

QTEST_MAIN(TrayHostTest)
#include "tst_trayhost.moc"
