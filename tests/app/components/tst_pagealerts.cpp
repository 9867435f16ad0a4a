#include "FernholmApp/components/alerts/AlertHandlers.h"
#include "FernholmApp/components/alerts/CriticalAlertViews.h"
#include "FernholmApp/components/alerts/MoreAlertsLine.h"
#include "FernholmApp/components/alerts/PageAlerts.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/text/RunsLabel.h"
#include "FernholmApp/components/alerts/SnoozeButton.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/alerts/WarningAlertViews.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/ViewTesting.h"

#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace fernholm;

Q_DECLARE_METATYPE(fernholm::AlertLayout)
Q_DECLARE_METATYPE(fernholm::AppTab)

namespace {

AppAlert alert(const QString& id, AlertLevel level, std::optional<AppTab> page = std::nullopt) {
    AppAlert a;
    a.id = id;
    a.level = level;
    a.title = QStringLiteral("Alert %1").arg(id);
    a.body = QStringLiteral("What happened with %1.").arg(id);
    a.action = AlertAction::retryProtection();
    a.page = page;
    return a;
}

AppAlert critical(const QString& id) {
    return alert(id, AlertLevel::critical);
}
AppAlert warning(const QString& id) {
    return alert(id, AlertLevel::warning);
}
AppAlert notice(const QString& id, std::optional<AppTab> page) {
    return alert(id, AlertLevel::notice, page);
}

AlertLayout layoutOf(QList<AppAlert> criticals, QList<AppAlert> warnings, int more = 0,
                     std::optional<AppAlert> notice = std::nullopt) {
    AlertLayout layout;
    layout.critical = std::move(criticals);
    layout.warnings = std::move(warnings);
    layout.moreWarnings = more;
    layout.notice = std::move(notice);
    return layout;
}

// A page column: the block at the top, a marker under it.
struct Page {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    PageAlerts* alerts = nullptr;
    test::Swatch* below = nullptr;

    explicit Page(const AlertLayout& layout, AppTab page = AppTab::activity, int width = 640) {
        auto* column = new QVBoxLayout(window.get());
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        alerts = new PageAlerts(layout, page);
        column->addWidget(alerts);
        below = new test::Swatch(Theme::surface, QSize(40, 40));
        column->addWidget(below);
        column->addStretch(1);
        window->resize(width, 900);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        test::settle();
    }
};

// "card", "strip", "more" for what the block shows, top to bottom.
QStringList kinds(const PageAlerts* alerts) {
    QList<std::pair<int, QString>> found;
    for (QWidget* child : alerts->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible()) {
            continue;
        }
        if (auto* card = qobject_cast<CriticalCard*>(child)) {
            found.append({child->y(), card->isCompact() ? QStringLiteral("card") : QStringLiteral("full card")});
        } else if (qobject_cast<AlertStrip*>(child)) {
            found.append({child->y(), QStringLiteral("strip")});
        } else if (qobject_cast<MoreAlertsLine*>(child)) {
            found.append({child->y(), QStringLiteral("more")});
        }
    }
    std::sort(found.begin(), found.end());
    QStringList out;
    for (const auto& entry : found) {
        out << entry.second;
    }
    return out;
}

} // namespace

class PageAlertsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        test::useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }

    void shows_data() {
        QTest::addColumn<AlertLayout>("layout");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("nothing") << AlertLayout::empty << QStringList{} << QStringList{};
        QTest::newRow("a notice for another page")
            << layoutOf({}, {}, 0, notice(QStringLiteral("n"), AppTab::settings)) << QStringList{} << QStringList{};
        QTest::newRow("a notice for no page")
            << layoutOf({}, {}, 0, notice(QStringLiteral("n"), std::nullopt)) << QStringList{} << QStringList{};
        QTest::newRow("this page's notice") << layoutOf({}, {}, 0, notice(QStringLiteral("n"), AppTab::activity))
                                            << QStringList{"strip"} << QStringList{"n"};
        QTest::newRow("two warnings and one more")
            << layoutOf({}, {warning(QStringLiteral("w1")), warning(QStringLiteral("w2"))}, 1)
            << QStringList{"strip", "strip", "more"} << QStringList{"w1", "w2"};
        QTest::newRow("two warnings, no more")
            << layoutOf({}, {warning(QStringLiteral("w1")), warning(QStringLiteral("w2"))}, 0)
            << QStringList{"strip", "strip"} << QStringList{"w1", "w2"};
        QTest::newRow("everything") << layoutOf({critical(QStringLiteral("c1")), critical(QStringLiteral("c2"))},
                                                {warning(QStringLiteral("w1")), warning(QStringLiteral("w2"))}, 3,
                                                notice(QStringLiteral("n"), AppTab::activity))
                                    << QStringList{"card", "card", "strip", "strip", "more", "strip"}
                                    << QStringList{"c1", "c2", "w1", "w2", "n"};
        QTest::newRow("critical alone, another page's notice")
            << layoutOf({critical(QStringLiteral("c1"))}, {}, 0, notice(QStringLiteral("n"), AppTab::home))
            << QStringList{"card"} << QStringList{"c1"};
    }

    // What the block shows, in order, 8 apart; hidden and taking no room when empty.
    void shows() {
        QFETCH(AlertLayout, layout);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, ids);
        Page page(layout);
        PageAlerts* alerts = page.alerts;
        QCOMPARE(kinds(alerts), shown);
        QCOMPARE(alerts->isVisible(), !shown.isEmpty());
        QCOMPARE(alerts->hasContent(), !shown.isEmpty());
        if (shown.isEmpty()) {
            QCOMPARE(page.below->y(), 0);
            return;
        }
        QStringList order;
        for (QWidget* widget : alerts->alertWidgets()) {
            order << (qobject_cast<CriticalCard*>(widget) ? static_cast<CriticalCard*>(widget)->alert().id
                                                          : static_cast<AlertStrip*>(widget)->alert().id);
        }
        QCOMPARE(order, ids);
        // Stacked from the very top, 8 apart, each as tall as its width needs.
        int y = 0;
        QList<QWidget*> visible;
        for (QWidget* child : alerts->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && (qobject_cast<AlertView*>(child) || qobject_cast<MoreAlertsLine*>(child))) {
                visible << child;
            }
        }
        std::sort(visible.begin(), visible.end(), [](QWidget* a, QWidget* b) { return a->y() < b->y(); });
        for (QWidget* child : visible) {
            QCOMPARE(child->y(), y);
            QCOMPARE(child->width(), 640);
            QCOMPARE(child->height(), child->heightForWidth(640));
            y = child->geometry().bottom() + 1 + 8;
        }
        QCOMPARE(alerts->height(), y - 8);
        QCOMPARE(page.below->y(), alerts->height());
        if (shown.contains(QStringLiteral("more"))) {
            QCOMPARE(alerts->moreLine()->count(), layout.moreWarnings);
            QCOMPARE(alerts->moreLine()->text(),
                     layout.moreWarnings == 1 ? QStringLiteral("1 more needs attention")
                                              : QStringLiteral("%1 more need attention").arg(layout.moreWarnings));
        }
    }

    // A changed layout keeps the widget of every id that stays; a gone id's widget is deleted.
    void keepsWidgetsById() {
        Page page(
            layoutOf({critical(QStringLiteral("c1"))}, {warning(QStringLiteral("w1")), warning(QStringLiteral("w2"))}));
        PageAlerts* alerts = page.alerts;
        QPointer<QWidget> c1 = alerts->widgetFor(QStringLiteral("c1"));
        QPointer<QWidget> w1 = alerts->widgetFor(QStringLiteral("w1"));
        QPointer<QWidget> w2 = alerts->widgetFor(QStringLiteral("w2"));
        QVERIFY(c1 && w1 && w2);

        AppAlert changed = warning(QStringLiteral("w2"));
        changed.title = QStringLiteral("A new title");
        alerts->setAlertLayout(layoutOf({}, {changed, warning(QStringLiteral("w3"))}, 2));
        test::settle();
        QTRY_VERIFY(c1.isNull());
        QTRY_VERIFY(w1.isNull());
        QCOMPARE(alerts->widgetFor(QStringLiteral("w2")), w2.data());
        QVERIFY(alerts->widgetFor(QStringLiteral("w3")));
        QCOMPARE(alerts->alertWidgets().first(), w2.data());
        QCOMPARE(static_cast<AlertStrip*>(w2.data())->textLabel()->text(),
                 QStringLiteral("A new title — What happened with w2."));
        QCOMPARE(w2->y(), 0);
        QCOMPARE(kinds(alerts), (QStringList{"strip", "strip", "more"}));

        // The same id as a warning and then as a critical alert gets the view of its level.
        alerts->setAlertLayout(layoutOf({critical(QStringLiteral("w2"))}, {}));
        test::settle();
        QTRY_VERIFY(w2.isNull());
        QVERIFY(qobject_cast<CriticalCard*>(alerts->widgetFor(QStringLiteral("w2"))));
    }

    // Focus stays on a strip's button across polls, whether the layout changed or not.
    void focusSurvivesPolls() {
        const AlertLayout first = layoutOf({}, {warning(QStringLiteral("w1")), warning(QStringLiteral("w2"))});
        Page page(first);
        PageAlerts* alerts = page.alerts;
        QPointer<AlertStrip> strip = qobject_cast<AlertStrip*>(alerts->widgetFor(QStringLiteral("w2")));
        QVERIFY(strip);
        page.window->activateWindow();
        strip->snoozeButton()->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(strip->snoozeButton()->hasFocus());
        alerts->setAlertLayout(first);
        test::settle();
        QVERIFY(strip && strip->snoozeButton()->hasFocus());
        alerts->setAlertLayout(layoutOf({critical(QStringLiteral("c1"))}, {warning(QStringLiteral("w2"))}, 1));
        test::settle();
        QVERIFY(strip);
        QCOMPARE(alerts->widgetFor(QStringLiteral("w2")), strip.data());
        QVERIFY(strip->snoozeButton()->hasFocus());
        QCOMPARE(kinds(alerts), (QStringList{"card", "strip", "more"}));
    }

    // The notice follows the page the block is on.
    void noticeFollowsThePage() {
        Page page(layoutOf({}, {}, 0, notice(QStringLiteral("n"), AppTab::redaction)), AppTab::activity);
        PageAlerts* alerts = page.alerts;
        QVERIFY(!alerts->isVisible());
        alerts->setPage(AppTab::redaction);
        test::settle();
        QVERIFY(alerts->isVisible());
        QCOMPARE(kinds(alerts), QStringList{"strip"});
        QCOMPARE(page.below->y(), alerts->height());
        alerts->setPage(AppTab::settings);
        test::settle();
        QVERIFY(!alerts->isVisible());
        QCOMPARE(page.below->y(), 0);
    }

    // Made before it has a parent, it opens no window of its own; inside a busy window its
    // buttons follow the handlers set there.
    void placedLaterFollowsTheWindow() {
        auto* alerts = new PageAlerts(layoutOf({critical(QStringLiteral("c1"))}, {warning(QStringLiteral("w1"))}),
                                      AppTab::activity);
        QVERIFY(!alerts->isVisible());
        QVERIFY(!alerts->isWindow() || !alerts->isVisible());
        QWidget window;
        QStringList snoozed;
        AlertHandlers::set(&window, {{}, [&](const AppAlert& a) { snoozed << a.id; }, true});
        auto* column = new QVBoxLayout(&window);
        column->addWidget(alerts);
        window.resize(600, 400);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        test::settle();
        QVERIFY(alerts->isVisible());
        auto* card = qobject_cast<CriticalCard*>(alerts->widgetFor(QStringLiteral("c1")));
        auto* strip = qobject_cast<AlertStrip*>(alerts->widgetFor(QStringLiteral("w1")));
        QVERIFY(card && strip);
        QVERIFY(!card->mainButton()->isEnabled());
        QVERIFY(!strip->mainButton()->isEnabled());
        QTest::mouseClick(strip->snoozeButton(), Qt::LeftButton, {}, QPoint(16, 16));
        QCOMPARE(snoozed, QStringList{QStringLiteral("w1")});
        AlertHandlers::setBusy(&window, false);
        QVERIFY(card->mainButton()->isEnabled());
        // A widget added by a later layout starts in the window's state too.
        AlertHandlers::setBusy(&window, true);
        alerts->setAlertLayout(
            layoutOf({critical(QStringLiteral("c1"))}, {warning(QStringLiteral("w1")), warning(QStringLiteral("w2"))}));
        test::settle();
        auto* added = qobject_cast<AlertStrip*>(alerts->widgetFor(QStringLiteral("w2")));
        QVERIFY(added && added->isVisible());
        QVERIFY(!added->mainButton()->isEnabled());
    }

    void screenshots() {
        for (const bool polish : {false, true}) {
            L10n::setLanguage(polish ? QStringLiteral("pl") : QStringLiteral("en"));
            AppAlert stopped = critical(QStringLiteral("stopped"));
            stopped.title = polish ? QStringLiteral("Tarvine nie działa — ochrona jest wyłączona")
                                   : QStringLiteral("Tarvine stopped — protection is off");
            stopped.body = polish ? QStringLiteral("Dopóki Tarvine nie zostanie ponownie uruchomiony, wszystko, co "
                                                   "wysyłasz do czatów AI, trafia tam bez zmian.")
                                  : QStringLiteral("What you send to AI chats goes out unchanged until Tarvine runs "
                                                   "again.");
            stopped.action = AlertAction::restartSidecar();
            stopped.secondary = AlertAction::copyError();
            AppAlert model = warning(QStringLiteral("model"));
            model.title = polish ? QStringLiteral("Model wykrywania jeszcze się nie wczytał")
                                 : QStringLiteral("Detection model not loaded");
            model.body = polish ? QStringLiteral("Działają tylko reguły — dopóki model się nie wczyta, imiona i "
                                                 "nazwiska mogą zostać pominięte.")
                                : QStringLiteral("Using rules only — names may be missed until it finishes loading.");
            model.action = std::nullopt;
            AppAlert browsers = notice(QStringLiteral("browsers"), AppTab::activity);
            browsers.title = polish ? QStringLiteral("Okna prywatne nie są chronione")
                                    : QStringLiteral("Private windows aren't covered");
            browsers.body.clear();
            browsers.action = AlertAction::showBrowsers();
            Page page(layoutOf({stopped}, {model, warning(QStringLiteral("w2"))}, 4, browsers), AppTab::activity, 720);
            page.window->resize(720, page.alerts->heightForWidth(720) + 40);
            test::settle();
            QVERIFY(!test::saveScreenshot(test::lightAndDark(page.window.get()),
                                          polish ? QStringLiteral("page-alerts-pl") : QStringLiteral("page-alerts"))
                         .isEmpty());
        }
        L10n::setLanguage(QStringLiteral("en"));
    }
};

QTEST_MAIN(PageAlertsTest)
#include "tst_pagealerts.moc"
