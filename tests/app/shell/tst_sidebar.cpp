#include "FernholmApp/shell/Sidebar.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/TextPainting.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QAccessible>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::AlertLayout)
Q_DECLARE_METATYPE(fernholm::AppTab)
Q_DECLARE_METATYPE(fernholm::ProtectionSummary)
Q_DECLARE_METATYPE(const fernholm::ThemeColor*)

namespace {

AppAlert alert(const QString& id, AlertLevel level) {
    AppAlert a;
    a.id = id;
    a.level = level;
    a.title = id;
    return a;
}

AlertLayout layoutOf(int criticals, int warnings, int more = 0, bool notice = false) {
    AlertLayout layout;
    for (int i = 0; i < criticals; ++i) {
        layout.critical << alert(QStringLiteral("c%1").arg(i), AlertLevel::critical);
    }
    for (int i = 0; i < warnings; ++i) {
        layout.warnings << alert(QStringLiteral("w%1").arg(i), AlertLevel::warning);
    }
    layout.moreWarnings = more;
    if (notice) {
        layout.notice = alert(QStringLiteral("n"), AlertLevel::notice);
    }
    return layout;
}

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// A sidebar at its real size, shown, in a window as tall as a small main window.
struct Shown {
    explicit Shown(AppTab selection = AppTab::home, ProtectionSummary summary = ProtectionSummary::protected_,
                   const AlertLayout& layout = {}) {
        sidebar = new Sidebar(selection, summary, layout, &window);
        sidebar->setVersion(QStringLiteral("2.1.0"));
        auto* row = new QHBoxLayout(&window);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(sidebar);
        row->addStretch(1);
        window.resize(400, 720);
        window.show();
        test::settle();
    }
    QWidget window;
    Sidebar* sidebar;
};

} // namespace

class SidebarTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void highlightsOneItem_data() {
        QTest::addColumn<AppTab>("selection");
        QTest::addColumn<AppTab>("highlighted");
        for (AppTab tab : allAppTabs) {
            QTest::addRow("%d", int(tab)) << tab << (tab == AppTab::setup ? AppTab::settings : tab);
        }
    }
    void highlightsOneItem() {
        QFETCH(AppTab, selection);
        QFETCH(AppTab, highlighted);
        // Built on another page first: the highlight moves in place.
        Shown shown(selection == AppTab::home ? AppTab::activity : AppTab::home);
        shown.sidebar->setSelection(selection);
        for (SidebarItem* item : shown.sidebar->items()) {
            const bool expected = item->tab() == highlighted;
            QCOMPARE(item->isSelected(), expected);
            QCOMPARE(QAccessible::queryAccessibleInterface(item)->state().selected, expected);
            QCOMPARE(QFontInfo(item->shownTitleFont()).weight(), expected ? 600 : 500);
        }
        // The selected row lies on a surface card; the others on the sidebar's own background.
        SidebarItem* item = shown.sidebar->item(highlighted);
        const QImage image = test::render(shown.sidebar, ColorScheme::light);
        const QPointF inside = item->mapTo(shown.sidebar, QPoint(item->width() - 6, 6));
        FERNHOLM_COMPARE_COLOR(test::sample(image, inside), Theme::surface.resolve(ColorScheme::light), 6);
        SidebarItem* other = shown.sidebar->item(highlighted == AppTab::home ? AppTab::activity : AppTab::home);
        const QPointF outside = other->mapTo(shown.sidebar, QPoint(other->width() - 6, 6));
        FERNHOLM_COMPARE_COLOR(test::sample(image, outside), Theme::sidebar.resolve(ColorScheme::light), 6);
    }

    void clickOnlyWritesTheSelection_data() {
        QTest::addColumn<AppTab>("selection");
        QTest::addColumn<AppTab>("clicked");
        QTest::newRow("settings from setup") << AppTab::setup << AppTab::settings;
        QTest::newRow("another page") << AppTab::home << AppTab::testDocument;
        QTest::newRow("the page shown") << AppTab::redaction << AppTab::redaction;
    }
    void clickOnlyWritesTheSelection() {
        QFETCH(AppTab, selection);
        QFETCH(AppTab, clicked);
        Shown shown(selection);
        QSignalSpy written(shown.sidebar, &Sidebar::selectionWritten);
        // Near the row's trailing edge: the whole row is the target, not only icon and title.
        SidebarItem* item = shown.sidebar->item(clicked);
        QTest::mouseClick(item, Qt::LeftButton, {}, QPoint(item->width() - 20, item->height() / 2));
        QCOMPARE(written.size(), 1);
        QCOMPARE(written.at(0).at(0).value<AppTab>(), clicked);
        // The owner decides what is shown.
        QCOMPARE(shown.sidebar->selection(), selection);
    }

    void badge_data() {
        QTest::addColumn<AlertLayout>("layout");
        QTest::addColumn<QString>("language");
        QTest::addColumn<int>("count");
        QTest::addColumn<const ThemeColor*>("color");
        QTest::addColumn<QString>("spoken");
        QTest::newRow("no alerts") << layoutOf(0, 0) << "en" << 0 << &Theme::badgeAmber << QString();
        QTest::newRow("a notice alone") << layoutOf(0, 0, 0, true) << "en" << 0 << &Theme::badgeAmber << QString();
        QTest::newRow("one warning") << layoutOf(0, 1) << "en" << 1 << &Theme::badgeAmber << "1 alert";
        QTest::newRow("two warnings and three more") << layoutOf(0, 2, 3) << "en" << 5 << &Theme::badgeAmber
                                                     << "5 alerts";
        QTest::newRow("a critical alert") << layoutOf(1, 0) << "en" << 1 << &Theme::red << "1 alert";
        QTest::newRow("critical and warnings") << layoutOf(1, 2, 1, true) << "en" << 4 << &Theme::red << "4 alerts";
        QTest::newRow("pl one") << layoutOf(0, 1) << "pl" << 1 << &Theme::badgeAmber << "1 alert";
        QTest::newRow("pl few") << layoutOf(0, 2, 1) << "pl" << 3 << &Theme::badgeAmber << "3 alerty";
        QTest::newRow("pl many") << layoutOf(1, 2, 3) << "pl" << 6 << &Theme::red << "6 alertów";
    }
    void badge() {
        QFETCH(AlertLayout, layout);
        QFETCH(QString, language);
        QFETCH(int, count);
        QFETCH(const ThemeColor*, color);
        QFETCH(QString, spoken);
        L10n::setLanguage(language);
        Shown shown(AppTab::activity);
        shown.sidebar->setAlertLayout(layout);
        test::settle();
        SidebarBadge* badge = shown.sidebar->item(AppTab::home)->badge();
        QCOMPARE(badge->isVisible(), count > 0);
        if (count == 0) {
            return;
        }
        QCOMPARE(badge->count(), count);
        QCOMPARE(accessibleName(badge), spoken);
        QVERIFY(badge->width() >= 18 && badge->height() >= 18);
        // Only Home counts alerts.
        for (SidebarItem* item : shown.sidebar->items()) {
            QCOMPARE(item->badge()->isVisible(), item->tab() == AppTab::home);
        }
        const QImage image = test::render(shown.sidebar, ColorScheme::light);
        const QPointF edge = badge->mapTo(shown.sidebar, QPoint(badge->width() / 2, 2));
        FERNHOLM_COMPARE_COLOR(test::sample(image, edge), color->resolve(ColorScheme::light), 16);
    }

    void geometry() {
        Shown shown(AppTab::home, ProtectionSummary::needsAttention, layoutOf(0, 2, 997));
        QCOMPARE(shown.sidebar->width(), int(Theme::sidebarWidth));
        QCOMPARE(shown.sidebar->height(), shown.window.height());
        for (SidebarItem* item : shown.sidebar->items()) {
            QCOMPARE(item->height(), 40);
            QCOMPARE(item->width(), 200);
            QCOMPARE(item->mapTo(shown.sidebar, QPoint()).x(), 16);
        }
        // A three-digit count widens the badge into a pill; the title still shows whole.
        SidebarItem* home = shown.sidebar->item(AppTab::home);
        QCOMPARE(home->badge()->count(), 999);
        QVERIFY(home->badge()->width() > 18);
        QCOMPARE(home->badge()->height(), 18);
        QVERIFY(home->titleRect().right() <= home->badge()->geometry().left());
        QCOMPARE(home->shownTitle(), home->title());
        // Settings and the status card sit at the foot; the card spans the column.
        SidebarStatusCard* card = shown.sidebar->statusCard();
        QCOMPARE(card->mapTo(shown.sidebar, QPoint(0, card->height())).y(), shown.sidebar->height() - 20);
        QCOMPARE(card->width(), 200);
        SidebarItem* studioLast = shown.sidebar->item(AppTab::testDocument);
        SidebarItem* settings = shown.sidebar->item(AppTab::settings);
        QVERIFY(settings->mapTo(shown.sidebar, QPoint()).y() - studioLast->mapTo(shown.sidebar, QPoint(0, 40)).y() >=
                56);
    }

    void titlesFitOneLine_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("pl") << "pl";
    }
    void titlesFitOneLine() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        Shown shown(AppTab::home, ProtectionSummary::notProtected, layoutOf(1, 2, 40));
        for (SidebarItem* item : shown.sidebar->items()) {
            QCOMPARE(item->shownTitle(), item->title());
            QVERIFY(!item->shownTitle().isEmpty());
        }
    }

    void longTitleShrinksThenElides() {
        QWidget window;
        auto* item = new SidebarItem(AppTab::home, QStringLiteral("Ochrona przeglądarek i aplikacji na komputerze"),
                                     QStringLiteral("house"), {}, &window);
        item->setGeometry(0, 0, 200, 40);
        const qreal full = Fonts::sans(14, 500).pixelSize();
        const qreal shown = item->shownTitleFont().pixelSize();
        QVERIFY2(shown < full && shown >= 0.8 * full - 0.5, qPrintable(QString::number(shown)));
        QVERIFY(item->shownTitle().endsWith(QChar(0x2026)));
        // A title that fits only when smaller is shrunk, not cut.
        item->setBadge(0, false);
        auto* tight = new SidebarItem(AppTab::home, QStringLiteral("Reguły ukrywania danych"), QStringLiteral("shield"),
                                      {}, &window);
        // 90 % of the title's natural width: the whole title fits after shrinking.
        const qreal natural = Text::size(tight->title(), Fonts::sans(14, 500), 1e6).width();
        tight->setGeometry(0, 0, int(std::ceil(0.9 * natural + (tight->width() - tight->titleRect().width()))) + 1,
                           40);
        QCOMPARE(tight->shownTitle(), tight->title());
        QVERIFY(tight->shownTitleFont().pixelSize() < full);
    }

    void statusCard_data() {
        QTest::addColumn<ProtectionSummary>("summary");
        QTest::addColumn<const ThemeColor*>("dot");
        QTest::addColumn<QString>("label");
        QTest::newRow("not protected") << ProtectionSummary::notProtected << &Theme::red << "Not protected";
        QTest::newRow("needs attention") << ProtectionSummary::needsAttention << &Theme::sidebarAmber
                                         << "Needs attention";
        QTest::newRow("protected") << ProtectionSummary::protected_ << &Theme::switchOn << "Protected";
        QTest::newRow("paused") << ProtectionSummary::paused << &Theme::faint << "Paused";
        QTest::newRow("checking") << ProtectionSummary::checking << &Theme::faint << "Checking…";
    }
    void statusCard() {
        QFETCH(ProtectionSummary, summary);
        QFETCH(const ThemeColor*, dot);
        QFETCH(QString, label);
        Shown shown(AppTab::home, summary == ProtectionSummary::paused ? ProtectionSummary::protected_
                                                                       : ProtectionSummary::paused);
        shown.sidebar->setSummary(summary);
        test::settle();
        SidebarStatusCard* card = shown.sidebar->statusCard();
        QCOMPARE(accessibleName(card), label + QStringLiteral(", Tarvine 2.1.0"));
        // One element: a reader does not visit the two lines on their own.
        QCOMPARE(QAccessible::queryAccessibleInterface(card)->childCount(), 0);
        for (const ColorScheme scheme : {ColorScheme::light, ColorScheme::dark}) {
            const QImage image = test::render(card, scheme);
            FERNHOLM_COMPARE_COLOR(test::sample(image, QPointF(16, card->height() / 2.0)), dot->resolve(scheme), 12);
        }
    }

    void versionLine_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<std::optional<QString>>("version");
        QTest::addColumn<QString>("line");
        QTest::newRow("en") << "en" << std::optional<QString>(QStringLiteral("2.1.0")) << "Tarvine 2.1.0";
        QTest::newRow("pl keeps it") << "pl" << std::optional<QString>(QStringLiteral("2.1.0")) << "Tarvine 2.1.0";
        QTest::newRow("none") << "en" << std::optional<QString>() << "Tarvine (development build)";
        QTest::newRow("blank") << "en" << std::optional<QString>(QStringLiteral("  ")) << "Tarvine (development build)";
        QTest::newRow("none, pl") << "pl" << std::optional<QString>() << "Tarvine (wersja deweloperska)";
    }
    void versionLine() {
        QFETCH(QString, language);
        QFETCH(std::optional<QString>, version);
        QFETCH(QString, line);
        L10n::setLanguage(language);
        Shown shown;
        shown.sidebar->setVersion(version);
        QCOMPARE(shown.sidebar->statusCard()->versionLine(), line);
    }

    void screenshots() {
        const struct {
            const char* name;
            AppTab selection;
            ProtectionSummary summary;
            AlertLayout layout;
        } cases[] = {
            {"protected", AppTab::home, ProtectionSummary::protected_, layoutOf(0, 0)},
            {"attention", AppTab::redaction, ProtectionSummary::needsAttention, layoutOf(0, 2, 1)},
            {"not-protected", AppTab::setup, ProtectionSummary::notProtected, layoutOf(1, 2, 120)},
            {"paused", AppTab::testDocument, ProtectionSummary::paused, layoutOf(0, 0, 0, true)},
            {"checking", AppTab::activity, ProtectionSummary::checking, layoutOf(0, 1)},
        };
        for (const QString& language : {QStringLiteral("en"), QStringLiteral("pl")}) {
            L10n::setLanguage(language);
            for (const auto& c : cases) {
                Shown shown(c.selection, c.summary, c.layout);
                QVERIFY(!test::saveScreenshot(test::lightAndDark(shown.sidebar),
                                              QStringLiteral("sidebar-%1-%2").arg(QLatin1String(c.name), language))
                             .isEmpty());
            }
        }
    }
};

QTEST_MAIN(SidebarTest)
#include "tst_sidebar.moc"
