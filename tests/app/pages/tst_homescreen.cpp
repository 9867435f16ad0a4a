// The home page on a model that never starts: the test sets the model's state and watches what
// the page shows and which actions it calls. Where an action must reach a gateway (providers,
// request detail) a loopback server stands in for it and records what arrives.
#include "FernholmApp/components/activity/EventRowList.h"
#include "FernholmApp/components/activity/StatusWidgets.h"
#include "FernholmApp/components/alerts/CriticalAlertViews.h"
#include "FernholmApp/components/alerts/MoreAlertsLine.h"
#include "FernholmApp/components/alerts/WarningAlertViews.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/TextLink.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/home/HomeCounters.h"
#include "FernholmApp/pages/home/HomeScreen.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/AppModelAccess.h"
#include "app/support/PixelProbes.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/StatusFixtures.h"
#include "support/TestHttpServer.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::SidecarLink)
Q_DECLARE_METATYPE(std::optional<fernholm::Status>)

namespace {

Event anEvent(int position, const QString& status) {
    Event e;
    e.ts = QStringLiteral("2025-03-05T%1:%2:00Z").arg(position / 60, 2, 10, QLatin1Char('0')).arg(position % 60, 2, 10,
                                                                                                  QLatin1Char('0'));
    e.surface = QStringLiteral("chatgpt");
    e.status = status;
    e.tokens = {QStringLiteral("[PERSON_1]")};
    e.entities = {{QStringLiteral("PERSON"), 1}};
    return e;
}

AppAlert alertOf(const QString& id, AlertLevel level) {
    AppAlert a;
    a.id = id;
    a.level = level;
    a.title = QStringLiteral("Alert %1").arg(id);
    a.body = QStringLiteral("What happened with %1.").arg(id);
    a.action = AlertAction::retryProtection();
    return a;
}

Status onStatus() {
    Status s = status(Protection::on, true);
    s.counters.redacted = 12;
    s.counters.passed = 340;
    s.counters.blocked = 2;
    s.counters.entities = {{QStringLiteral("PERSON"), 9}, {QStringLiteral("EMAIL"), 5}};
    return s;
}

// A model that never starts and its home page in a window of its own. With a server, the
// model's client believes a gateway listens on the server's port.
struct Home {
    explicit Home(TestHttpServer* server = nullptr, const AlertLayout& layout = AlertLayout::empty) {
        model = std::make_unique<AppModel>(quickConfig(server ? server->port() : 0), fakes.platform());
        if (server) {
            model->client().gate()->proven(Clock::now());
        }
        AppModelAccess::setLink(*model, SidecarLink::trusted);
        screen = std::make_unique<HomeScreen>(
            *model, layout, [this] { ++activity; }, [this] { ++providers; });
        screen->resize(900, 1300);
    }
    void show() {
        screen->show();
        QVERIFY(QTest::qWaitForWindowExposed(screen.get()));
    }

    TestPlatform fakes;
    std::unique_ptr<AppModel> model;
    std::unique_ptr<HomeScreen> screen;
    int activity = 0;
    int providers = 0;
};

QStringList counters(const HomeScreen& screen) {
    QStringList values;
    for (const TextLabel* label : screen.statValues()) {
        values << label->text();
    }
    return values;
}

} // namespace

class HomeScreenTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void heroFollowsTheLink_data() {
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<bool>("stuck");
        QTest::addColumn<QString>("eyebrow");
        QTest::addColumn<QString>("headline");
        QTest::addColumn<QStringList>("counters");
        QTest::addColumn<bool>("turnOff");
        const std::optional<Status> none;
        const std::optional<Status> on = onStatus();
        const QStringList dashes(4, QStringLiteral("—"));
        const QStringList numbers{"14", "12", "340", "2"};
        QTest::newRow("checking") << SidecarLink::checking << on << false << "CHECKING…" << "Protection is starting…"
                                  << dashes << true;
        QTest::newRow("restarting") << SidecarLink::restarting << none << false << "CHECKING…"
                                    << "Protection is starting…" << dashes << true;
        QTest::newRow("stopped, proxy stuck") << SidecarLink::stopped << on << true << "PAUSED" << "Protection is paused"
                                              << dashes << false;
        QTest::newRow("stopped") << SidecarLink::stopped << none << false << "PAUSED" << "Protection is paused" << dashes
                                 << false;
        QTest::newRow("trusted, no status") << SidecarLink::trusted << none << false << "PAUSED"
                                            << "Protection is paused" << QStringList(4, QStringLiteral("0")) << false;
        QTest::newRow("trusted, on") << SidecarLink::trusted << on << false << "PROTECTED" << "Your chats are protected"
                                     << numbers << false;
        Status partial = onStatus();
        partial.browserBypass = findingsOfKinds({QStringLiteral("bypass")});
        QTest::newRow("trusted, partly") << SidecarLink::trusted << std::optional<Status>(partial) << false
                                         << "PARTLY PROTECTED" << "Your chats are protected" << numbers << false;
        Status checking = onStatus();
        checking.browserBypass = findingsOfKinds({QStringLiteral("checking")});
        QTest::newRow("trusted, browsers checked") << SidecarLink::trusted << std::optional<Status>(checking) << false
                                                   << "CHECKING…" << "Checking browsers…" << numbers << false;
        QTest::newRow("trusted, starting") << SidecarLink::trusted << std::optional<Status>(status(Protection::starting))
                                           << false << "CHECKING…" << "Protection is starting…" << dashes << false;
        QTest::newRow("trusted, error") << SidecarLink::trusted << std::optional<Status>(status(Protection::error))
                                        << false << "PAUSED" << "Protection is paused"
                                        << QStringList(4, QStringLiteral("0")) << false;
    }
    void heroFollowsTheLink() {
        QFETCH(SidecarLink, link);
        QFETCH(std::optional<Status>, status);
        QFETCH(bool, stuck);
        Home home;
        AppModelAccess::setStatus(*home.model, status);
        AppModelAccess::setProxyStuck(*home.model, stuck);
        AppModelAccess::setLink(*home.model, link);
        QFETCH(QString, eyebrow);
        QFETCH(QString, headline);
        QFETCH(QStringList, counters);
        QFETCH(bool, turnOff);
        const HomeScreen& screen = *home.screen;
        QCOMPARE(screen.eyebrowLabel()->text(), eyebrow);
        QCOMPARE(screen.headlineLabel()->text(), headline);
        QCOMPARE(::counters(screen), counters);
        QCOMPARE(screen.turnOffButton()->isVisibleTo(home.screen.get()), turnOff);
        QCOMPARE(screen.heroSwitch()->isVisibleTo(home.screen.get()), !turnOff);
    }

    void explanationAndSwitchFollowOn() {
        Home home;
        AppModelAccess::setStatus(*home.model, onStatus());
        QVERIFY(home.screen->heroSwitch()->isOn());
        QVERIFY(home.screen->explanationLabel()->text().startsWith(QLatin1String("Names, ID numbers")));
        QCOMPARE(home.screen->heroSwitch()->label(), QStringLiteral("Pause protection"));
        AppModelAccess::setStatus(*home.model, status(Protection::off));
        QVERIFY(!home.screen->heroSwitch()->isOn());
        QVERIFY(home.screen->explanationLabel()->text().startsWith(QLatin1String("What you send")));
        QCOMPARE(home.screen->heroSwitch()->label(), QStringLiteral("Turn protection on"));
    }

    void emptyEntitiesCountZero() {
        Home home;
        Status s = onStatus();
        s.counters.entities.clear();
        AppModelAccess::setStatus(*home.model, s);
        QCOMPARE(home.screen->statValues().first()->text(), QStringLiteral("0"));
    }

    // Each label agrees with its number, and assistive technology reads the row as one element
    // whose name is built from the same words.
    void countersAgreeWithTheirNumbers_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<qint64>("replaced");
        QTest::addColumn<qint64>("redacted");
        QTest::addColumn<qint64>("passed");
        QTest::addColumn<qint64>("blocked");
        QTest::addColumn<QString>("spoken");

        QTest::newRow("en") << "en" << qint64(1) << qint64(2) << qint64(5) << qint64(0)
                            << "1 value replaced, 2 messages redacted, 5 passed unchanged, 0 blocked";
        QTest::newRow("pl one") << "pl" << qint64(1) << qint64(1) << qint64(1) << qint64(1)
                                << "1 zastąpiona wartość, 1 zmieniona wiadomość, 1 bez zmian, 1 zablokowane żądanie";
        QTest::newRow("pl few") << "pl" << qint64(22) << qint64(3) << qint64(4) << qint64(2)
                                << "22 zastąpione wartości, 3 zmienione wiadomości, 4 bez zmian, "
                                   "2 zablokowane żądania";
        QTest::newRow("pl many") << "pl" << qint64(12) << qint64(5) << qint64(112) << qint64(0)
                                 << "12 zastąpionych wartości, 5 zmienionych wiadomości, 112 bez zmian, "
                                    "0 zablokowanych żądań";
    }
    void countersAgreeWithTheirNumbers() {
        QFETCH(QString, language);
        QFETCH(qint64, replaced);
        QFETCH(qint64, redacted);
        QFETCH(qint64, passed);
        QFETCH(qint64, blocked);
        QFETCH(QString, spoken);
        L10n::setLanguage(language);
        Home home;
        Status s = status(Protection::on, true);
        s.counters.entities = {{QStringLiteral("PERSON"), replaced}};
        s.counters.redacted = redacted;
        s.counters.passed = passed;
        s.counters.blocked = blocked;
        AppModelAccess::setStatus(*home.model, s);
        home.show();

        QStringList shown;
        for (qsizetype i = 0; i < home.screen->statValues().size(); ++i) {
            shown << home.screen->statValues().at(i)->text() + u' ' + home.screen->statLabels().at(i)->text();
        }
        QCOMPARE(shown.join(QStringLiteral(", ")), spoken);

        QAccessibleInterface* row = QAccessible::queryAccessibleInterface(home.screen->counters());
        QVERIFY(row);
        QCOMPARE(row->text(QAccessible::Name), spoken);
        QCOMPARE(row->childCount(), 0);
        // The row is reached from the page like any element, and its labels are not.
        QAccessibleInterface* stats = QAccessible::queryAccessibleInterface(home.screen->statsRow());
        QVERIFY(stats);
        QList<QAccessibleInterface*> pending{stats};
        int rows = 0;
        while (!pending.isEmpty()) {
            QAccessibleInterface* node = pending.takeFirst();
            QVERIFY2(!node->text(QAccessible::Name).contains(home.screen->statLabels().first()->text()) ||
                         node == row,
                     qPrintable(node->text(QAccessible::Name)));
            rows += node == row ? 1 : 0;
            for (int i = 0; i < node->childCount(); ++i) {
                pending << node->child(i);
            }
        }
        QCOMPARE(rows, 1);

        // A new count renames the one element.
        s.counters.redacted = redacted + 1;
        AppModelAccess::setStatus(*home.model, s);
        QVERIFY(row->text(QAccessible::Name) != spoken);
        QCOMPARE(row->childCount(), 0);
    }

    void countersDashedWhileStarting() {
        L10n::setLanguage(QStringLiteral("pl"));
        Home home;
        AppModelAccess::setStatus(*home.model, onStatus());
        AppModelAccess::setLink(*home.model, SidecarLink::restarting);
        QCOMPARE(counters(*home.screen), QStringList(4, QStringLiteral("—")));
        QCOMPARE(home.screen->statLabels().first()->text(), QStringLiteral("zastąpionych wartości"));
        QVERIFY(home.screen->counters()->spoken().startsWith(QStringLiteral("— zastąpionych wartości, ")));
    }

    void switchEnabled_data() {
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no status") << std::optional<Status>() << false << false;
        QTest::newRow("starting") << std::optional<Status>(status(Protection::starting)) << false << false;
        QTest::newRow("busy") << std::optional<Status>(onStatus()) << true << false;
        QTest::newRow("on") << std::optional<Status>(onStatus()) << false << true;
        QTest::newRow("off") << std::optional<Status>(status(Protection::off)) << false << true;
        QTest::newRow("error") << std::optional<Status>(status(Protection::error)) << false << true;
    }
    void switchEnabled() {
        QFETCH(std::optional<Status>, status);
        QFETCH(bool, busy);
        Home home;
        AppModelAccess::setStatus(*home.model, status);
        AppModelAccess::setBusy(*home.model, busy);
        QFETCH(bool, enabled);
        QCOMPARE(home.screen->heroSwitch()->isEnabled(), enabled);
    }

    void switchTogglesProtection() {
        Home home;
        AppModelAccess::setStatus(*home.model, status(Protection::off));
        home.show();
        QSignalSpy busy(&home.model->supervision(), &Supervision::busyChanged);
        QTest::mouseClick(home.screen->heroSwitch(), Qt::LeftButton);
        // toggleProtection() marks the model busy before it asks the gateway.
        QVERIFY(!busy.isEmpty());
    }

    void turnOffForcesAStop() {
        Home home;
        AppModelAccess::setLink(*home.model, SidecarLink::checking);
        home.show();
        QTest::mouseClick(home.screen->turnOffButton(), Qt::LeftButton);
        QTRY_COMPARE(home.model->supervision().link(), SidecarLink::stopped);
    }

    void reportAProblem() {
        Home home;
        home.show();
        QTest::mouseClick(home.screen->reportLink(), Qt::LeftButton);
        QVERIFY(home.model->issueRequest());
        QCOMPARE(home.model->issueRequest()->row, std::nullopt);
        QCOMPARE(home.model->issueRequest()->category, QStringLiteral("other"));
    }

    void navigationLinks() {
        Home home;
        home.show();
        QTest::mouseClick(home.screen->allActivityLink(), Qt::LeftButton);
        QTest::mouseClick(home.screen->manageProvidersLink(), Qt::LeftButton);
        QCOMPARE(home.activity, 1);
        QCOMPARE(home.providers, 1);
    }

    void criticalAlertReplacesTheHero_data() {
        QTest::addColumn<bool>("withWarning");
        QTest::newRow("critical only") << false;
        QTest::newRow("critical and a warning") << true;
    }
    void criticalAlertReplacesTheHero() {
        QFETCH(bool, withWarning);
        Home home;
        AppModelAccess::setStatus(*home.model, onStatus());
        home.show();
        const QImage before = render(home.screen.get(), ColorScheme::light, 1.0);
        const QRect statsBefore = QRect(home.screen->statsRow()->mapTo(home.screen.get(), QPoint()),
                                        home.screen->statsRow()->size());
        const QPoint probeBefore = statsBefore.bottomRight() - QPoint(12, 12);
        FERNHOLM_COMPARE_COLOR(sample(before, probeBefore), Theme::surface.resolve(ColorScheme::light), 3);

        AlertLayout layout;
        layout.critical = {alertOf(QStringLiteral("ca"), AlertLevel::critical)};
        if (withWarning) {
            layout.warnings = {alertOf(QStringLiteral("w"), AlertLevel::warning)};
        }
        home.screen->setAlertLayout(layout);
        QVERIFY(home.screen->criticalHero());
        QVERIFY(home.screen->criticalHero()->isVisible());
        QVERIFY(!home.screen->hero()->isVisible());
        QCOMPARE(home.screen->alsoNeedsAttentionLabel()->isVisible(), withWarning);
        QCOMPARE(home.screen->alertsSection()->isVisible(), withWarning);

        const QImage after = render(home.screen.get(), ColorScheme::light, 1.0);
        const QRect stats = QRect(home.screen->statsRow()->mapTo(home.screen.get(), QPoint()),
                                  home.screen->statsRow()->size());
        const QPoint probe = stats.bottomRight() - QPoint(12, 12);
        const QColor faded = over(Theme::surface.opacity(0.6).resolve(ColorScheme::light),
                                  Theme::background.resolve(ColorScheme::light));
        FERNHOLM_COMPARE_COLOR(sample(after, probe), faded, 4);
        saveScreenshot(lightAndDark(home.screen.get()),
                       withWarning ? QStringLiteral("home-critical-and-warning") : QStringLiteral("home-critical"));

        home.screen->setAlertLayout(AlertLayout::empty);
        QVERIFY(!home.screen->criticalHero());
        QVERIFY(home.screen->hero()->isVisible());
    }

    void alertCardsAreKeptById() {
        Home home;
        AlertLayout layout;
        layout.warnings = {alertOf(QStringLiteral("a"), AlertLevel::warning),
                           alertOf(QStringLiteral("b"), AlertLevel::warning)};
        layout.moreWarnings = 1;
        AppAlert notice = alertOf(QStringLiteral("n"), AlertLevel::notice);
        notice.page = AppTab::providers; // shown here whatever its page
        layout.notice = notice;
        home.screen->setAlertLayout(layout);
        home.show();
        AlertCard* b = home.screen->alertCardFor(QStringLiteral("b"));
        QVERIFY(b);
        QVERIFY(home.screen->alertCardFor(QStringLiteral("n")));
        QVERIFY(home.screen->moreAlertsLine()->isVisible());
        QVERIFY(!home.screen->alsoNeedsAttentionLabel()->isVisible());

        layout.warnings.removeFirst();
        layout.warnings.first().title = QStringLiteral("Changed");
        layout.moreWarnings = 0;
        home.screen->setAlertLayout(layout);
        QCOMPARE(home.screen->alertCardFor(QStringLiteral("b")), b);
        QCOMPARE(b->titleLabel()->text(), QStringLiteral("Changed"));
        QVERIFY(!home.screen->alertCardFor(QStringLiteral("a")));
        QVERIFY(!home.screen->moreAlertsLine()->isVisible());
    }

    void privateWindowNotesShow() {
        Home home;
        Status s = onStatus();
        s.browserBypass = findingsOfKinds({QStringLiteral("incognito")});
        AppModelAccess::setStatus(*home.model, s);
        home.show();
        QCOMPARE(home.screen->noteRows().size(), 1);
        QVERIFY(home.screen->noteRows().first()->isVisible());
        QVERIFY(home.screen->alertsSection()->isVisible());
        AppModelAccess::setStatus(*home.model, onStatus());
        QVERIFY(home.screen->noteRows().isEmpty());
        QVERIFY(!home.screen->alertsSection()->isVisible());
    }

    void chipsForEnabledStableProviders() {
        Home home;
        AppModelAccess::setProviders(*home.model, {provider("chatgpt", "ChatGPT", true, std::nullopt),
                                                   provider("claude", "Claude", false, std::nullopt),
                                                   provider("gemini", "Gemini", true, true),
                                                   provider("mistral", "Le Chat", true, false)});
        QStringList names;
        for (const ProviderChip* chip : home.screen->providerChips()) {
            names << chip->displayName();
        }
        QCOMPARE(names, (QStringList{"ChatGPT", "Le Chat"}));
        ProviderChip* kept = home.screen->providerChips().first();
        AppModelAccess::setProviders(*home.model, {provider("chatgpt", "ChatGPT", true, false)});
        QCOMPARE(home.screen->providerChips(), QList<ProviderChip*>{kept});
    }

    void recentShowsTheLastListedEvents() {
        Home home;
        QList<Event> events;
        for (int i = 0; i < 200; ++i) {
            events << anEvent(i, QStringLiteral("passed"));
        }
        events[10].status = QStringLiteral("redacted");
        events[150].status = QStringLiteral("blocked");
        events[199].status = QStringLiteral("document_redacted");
        ActivityFeedAccess::setRecentEvents(home.model->activity(), events, 40);
        QList<qint64> ids;
        for (const ActivityRow& row : home.screen->recentList()->rows()) {
            ids << row.id;
        }
        QCOMPARE(ids, (QList<qint64>{239, 190, 50}));
        QVERIFY(!home.screen->recentEmptyLabel()->isVisibleTo(home.screen.get()));
    }

    void recentEmptyText_data() {
        QTest::addColumn<Protection>("protection");
        QTest::addColumn<QString>("text");
        QTest::newRow("on") << Protection::on << "No traffic yet.";
        QTest::newRow("off") << Protection::off
                             << "Turn it on and personal information will be removed from what you send to AI chatbots.";
    }
    void recentEmptyText() {
        QFETCH(Protection, protection);
        Home home;
        AppModelAccess::setStatus(*home.model, status(protection, true));
        ActivityFeedAccess::setRecentEvents(
            home.model->activity(), {anEvent(1, QStringLiteral("passed")), anEvent(2, QStringLiteral("unfiltered"))},
            0);
        QFETCH(QString, text);
        QCOMPARE(home.screen->recentEmptyLabel()->text(), text);
        QVERIFY(home.screen->recentEmptyLabel()->isVisibleTo(home.screen.get()));
        QVERIFY(!home.screen->recentList()->isVisibleTo(home.screen.get()));
    }

    void openRecentRowSurvivesTrimming() {
        TestHttpServer server;
        QVERIFY(server.listen());
        Home home(&server);
        QList<Event> events;
        for (int i = 0; i < 6; ++i) {
            events << anEvent(i, QStringLiteral("redacted"));
        }
        ActivityFeedAccess::setRecentEvents(home.model->activity(), events, 0);
        home.show();
        const ActivityRow newest = home.screen->recentList()->rows().first();
        QCOMPARE(newest.id, 5);
        QTest::mouseClick(home.screen->recentList()->eventRowFor(5), Qt::LeftButton);
        QVERIFY(home.screen->recentList()->isOpen(5));
        QTRY_COMPARE(server.requests("/api/detail").size(), 1);
        QCOMPARE(server.requests("/api/detail").first().query, QByteArray("req_id=") + QUrl::toPercentEncoding(newest.event.ts));

        // Two old events dropped, one new one: the open row keeps its id and its place in the list.
        QList<Event> trimmed = events.mid(2);
        trimmed << anEvent(7, QStringLiteral("passed"));
        ActivityFeedAccess::setRecentEvents(home.model->activity(), trimmed, 2);
        QVERIFY(home.screen->recentList()->isOpen(5));
        QCOMPARE(home.screen->expanded(), QSet<qint64>{5});
        for (const ActivityRow& row : home.screen->recentList()->rows()) {
            QCOMPARE(home.screen->recentList()->isOpen(row.id), row.id == 5);
        }
    }

    void loginItemReadOnShowAndActivation() {
        Home home;
        const int before = home.fakes.loginItem->stateReads;
        home.fakes.loginItem->current = LoginItemState::enabled;
        home.show();
        QVERIFY(home.model->loginItem().isOn);
        home.fakes.loginItem->current = LoginItemState::notRegistered;
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(!home.model->loginItem().isOn);
        const int reads = home.fakes.loginItem->stateReads;
        QVERIFY(reads >= before + 2);
        Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
        QCOMPARE(home.fakes.loginItem->stateReads, reads);
    }

    void providersLoadedOnceOnFirstShow() {
        TestHttpServer server;
        QVERIFY(server.listen());
        server.setReply("/api/providers",
                        ScriptedReply::json(R"({"providers":[{"name":"claude","display_name":"Claude",)"
                                            R"("kind":"chat","hosts":[],"enabled":true}]})"));
        Home home(&server);
        QVERIFY(server.requests("/api/providers").isEmpty());
        home.show();
        QTRY_COMPARE(home.screen->providerChips().size(), 1);
        home.screen->hide();
        home.screen->show();
        QTest::qWait(50);
        QCOMPARE(server.requests("/api/providers").size(), 1);
    }

    // The status dot's own 10 px start at the headline's edge, its halo reaching past it, and
    // the status text follows 10 px after the dot.
    void heroDotLinesUpWithTheHeadline() {
        Home home;
        AppModelAccess::setStatus(*home.model, onStatus());
        home.show();
        QApplication::processEvents();
        Surface* hero = home.screen->hero();
        const QRect headline(home.screen->headlineLabel()->mapTo(hero, QPoint(0, 0)),
                             home.screen->headlineLabel()->size());
        const QRectF dotBox(home.screen->stateDot()->mapTo(hero, QPoint(0, 0)), home.screen->stateDot()->size());
        const qreal dotLeft = dotBox.center().x() - 5;
        QCOMPARE(dotLeft, qreal(headline.left()));
        const QRect eyebrow(home.screen->eyebrowLabel()->mapTo(hero, QPoint(0, 0)),
                            home.screen->eyebrowLabel()->size());
        QCOMPARE(eyebrow.left(), headline.left() + 10 + 10);
        // The halo shows just outside the headline's edge, on the hero's own fill.
        const QImage image = render(hero, ColorScheme::light);
        const QColor fill = Theme::hero.resolve(ColorScheme::light);
        const QColor halo = sample(image, QPointF(headline.left() - 2.5, dotBox.center().y()));
        QVERIFY2(!near(halo, fill, 4), qPrintable(describe(halo)));
    }

    // "Recent" and "All activity →" stand on one baseline: the lowest ink of "R" and of "A".
    void recentHeaderSharesABaseline() {
        Home home;
        home.show();
        QApplication::processEvents();
        QWidget* header = home.screen->allActivityLink()->parentWidget();
        const QImage image = render(header, ColorScheme::light);
        const QColor background = Theme::background.resolve(ColorScheme::light);
        const auto lowestInk = [&](const QRect& area) {
            for (int y = area.bottom(); y >= area.top(); --y) {
                if (hasInk(image, QRectF(area.left(), y, area.width(), 1), background, 60)) {
                    return y;
                }
            }
            return -1;
        };
        TextLabel* title = nullptr;
        for (TextLabel* label : header->findChildren<TextLabel*>()) {
            if (label->text() == QStringLiteral("Recent")) {
                title = label;
            }
        }
        QVERIFY(title);
        TextLink* link = home.screen->allActivityLink();
        const int titleBase = lowestInk(QRect(title->x(), 0, 12, header->height()));
        const int linkBase = lowestInk(QRect(link->x(), 0, 7, header->height()));
        QVERIFY(titleBase > 0 && linkBase > 0);
        QVERIFY2(qAbs(titleBase - linkBase) <= 1, qPrintable(QStringLiteral("%1 vs %2").arg(titleBase).arg(linkBase)));
    }

    // "Manage providers →" is a 32 px high button: a click in its padding, away from the text,
    // opens the providers.
    void manageProvidersReactsOnTheWholeButton_data() {
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("top-left corner") << QPoint(1, 1);
        QTest::newRow("bottom-right corner") << QPoint(-2, -2);
    }

    void manageProvidersReactsOnTheWholeButton() {
        QFETCH(QPoint, offset);
        Home home;
        home.show();
        TextLink* link = home.screen->manageProvidersLink();
        QCOMPARE(link->height(), 32);
        const QPoint at = offset.x() >= 0 ? offset : QPoint(link->width(), link->height()) + offset;
        QTest::mouseClick(link, Qt::LeftButton, {}, at);
        QCOMPARE(home.providers, 1);
    }

    void screenshots_data() {
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<std::optional<Status>>("status");
        QTest::addColumn<QString>("language");
        Status partial = onStatus();
        partial.browserBypass = findingsOfKinds({QStringLiteral("bypass"), QStringLiteral("incognito")});
        QTest::newRow("home-on") << SidecarLink::trusted << std::optional<Status>(onStatus()) << "en";
        QTest::newRow("home-on-pl") << SidecarLink::trusted << std::optional<Status>(onStatus()) << "pl";
        QTest::newRow("home-off") << SidecarLink::trusted << std::optional<Status>(status(Protection::off)) << "en";
        QTest::newRow("home-checking") << SidecarLink::checking << std::optional<Status>() << "en";
        QTest::newRow("home-partial") << SidecarLink::trusted << std::optional<Status>(partial) << "en";
        QTest::newRow("home-stopped-pl") << SidecarLink::stopped << std::optional<Status>() << "pl";
    }
    void screenshots() {
        QFETCH(SidecarLink, link);
        QFETCH(std::optional<Status>, status);
        QFETCH(QString, language);
        L10n::setLanguage(language);
        Home home;
        AppModelAccess::setProviders(*home.model, {provider("chatgpt", "ChatGPT", true, std::nullopt),
                                                   provider("claude", "Claude", true, std::nullopt),
                                                   provider("gemini", "Gemini", true, false)});
        AppModelAccess::setStatus(*home.model, status);
        AppModelAccess::setLink(*home.model, link);
        QList<Event> events;
        for (int i = 0; i < 8; ++i) {
            Event e = anEvent(600 + i, i % 3 == 0 ? QStringLiteral("blocked") : QStringLiteral("redacted"));
            e.tokens = {QStringLiteral("[PERSON_1]"), QStringLiteral("[EMAIL_1]")};
            events << e;
        }
        ActivityFeedAccess::setRecentEvents(home.model->activity(), events, 0);
        home.show();
        QVERIFY(!saveScreenshot(lightAndDark(home.screen.get()), QString::fromLatin1(QTest::currentDataTag())).isEmpty());
    }
};

QTEST_MAIN(HomeScreenTest)
#include "tst_homescreen.moc"
