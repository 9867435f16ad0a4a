#include "FernholmKit/presentation/Alerts.h"
#include "FernholmKit/presentation/BrowserNotices.h"
#include "FernholmKit/text/L10n.h"

#include "support/StatusFixtures.h"
#include "support/ViewStatePrinters.h"

#include <QTest>

using namespace fernholm;
using namespace fernholm::test;
using namespace std::chrono_literals;

using Alerts = QList<AppAlert>;
using OptAction = std::optional<AlertAction>;
using OptLevel = std::optional<AlertLevel>;

namespace fernholm {
inline char* toString(ProtectionSummary summary) {
    static const char* const names[] = {"notProtected", "needsAttention", "protected", "paused", "checking"};
    return qstrdup(names[static_cast<int>(summary)]);
}
} // namespace fernholm

namespace {

Degraded banner(const QString& code, const QString& severity, const QString& title = {}) {
    Degraded d = degraded(code, severity);
    d.title = {{QStringLiteral("en"), title.isEmpty() ? code + QStringLiteral(" title") : title}};
    d.body = {{QStringLiteral("en"), code + QStringLiteral(" body")}};
    return d;
}

// A status that would raise something under every status-derived rule.
Status busyStatus() {
    Status s = status(Protection::on);
    s.degraded = QList<Degraded>{banner("proxy_gated", "critical"), banner("rules_cleared", "warning")};
    s.detector = QStringLiteral("rules-only");
    BrowserFinding app = finding("unsupported_app", "ChatGPT Classic", "app");
    app.manage = QStringLiteral("https://chatgpt.com/download");
    s.browserBypass = QList<BrowserFinding>{finding("bypass", "Chrome", "p1"), app};
    return s;
}

AlertInputs inputs(std::optional<Status> s, SidecarLink link, std::optional<QString> appError = std::nullopt,
                   std::optional<QString> detail = std::nullopt, bool proxyStuck = false, bool onSetup = false) {
    return AlertInputs{std::move(s), link, proxyStuck, std::move(appError), std::move(detail), onSetup};
}

// "critical:proxy_stuck", ... in list order.
QStringList summary(const Alerts& alerts) {
    QStringList out;
    for (const AppAlert& a : alerts) {
        static const char* const levels[] = {"notice", "warning", "critical"};
        out.append(QString::fromLatin1(levels[static_cast<int>(a.level)]) + u':' + a.id);
    }
    return out;
}

AppAlert make(const QString& id, AlertLevel level) {
    return AppAlert{id, level, id, QString(), std::nullopt, std::nullopt, std::nullopt};
}

QStringList ids(const Alerts& alerts) {
    QStringList out;
    for (const AppAlert& a : alerts) {
        out.append(a.id);
    }
    return out;
}

} // namespace

class AlertsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void rules_data() {
        QTest::addColumn<AlertInputs>("in");
        QTest::addColumn<QStringList>("expected");

        const Status busy = busyStatus();
        QTest::newRow("checking hides the status") << inputs(busy, SidecarLink::checking) << QStringList{};
        QTest::newRow("restarting hides the status") << inputs(busy, SidecarLink::restarting) << QStringList{};
        QTest::newRow("stopped hides the status")
            << inputs(busy, SidecarLink::stopped) << QStringList{"critical:sidecar_stopped"};
        QTest::newRow("stuck proxy") << inputs(busy, SidecarLink::stopped, std::nullopt, "trace", true)
                                     << QStringList{"critical:proxy_stuck"};
        QTest::newRow("stuck proxy and an error line")
            << inputs(std::nullopt, SidecarLink::stopped, "boom", std::nullopt, true)
            << QStringList{"critical:proxy_stuck", "critical:app_error"};
        QTest::newRow("stopped with an error line") << inputs(busy, SidecarLink::stopped, "boom", "trace")
                                                    << QStringList{"critical:sidecar_stopped", "critical:app_error"};
        QTest::newRow("no status yet, error line")
            << inputs(std::nullopt, SidecarLink::trusted, "boom") << QStringList{"critical:app_error"};
        QTest::newRow("checking without status, error line")
            << inputs(std::nullopt, SidecarLink::checking, "boom") << QStringList{"critical:app_error"};
        QTest::newRow("checking with a held status, error line")
            << inputs(busy, SidecarLink::checking, "boom") << QStringList{"warning:app_error"};
        QTest::newRow("empty error line")
            << inputs(std::nullopt, SidecarLink::stopped, "", "trace") << QStringList{"critical:sidecar_stopped"};
        QTest::newRow("nothing at all") << inputs(std::nullopt, SidecarLink::trusted) << QStringList{};

        QTest::newRow("trusted, everything")
            << inputs(busy, SidecarLink::trusted, "boom")
            << QStringList{"critical:proxy_gated",     "warning:rules_cleared",    "warning:app_error",
                           "warning:model_rules_only", "warning:bypass:bypass:p1", "warning:app:unsupported_app:app"};

        Status failed = status(Protection::error);
        failed.error = QStringLiteral("port in use");
        failed.degraded = QList<Degraded>{banner("old_root_trusted", "warning"), banner("no_data_key", "critical"),
                                          banner("sysproxy_unknown", "warning"), banner("x", "Critical")};
        QTest::newRow("critical banner, protection error, warnings")
            << inputs(failed, SidecarLink::trusted)
            << QStringList{"critical:no_data_key", "critical:protection_error", "warning:old_root_trusted",
                           "warning:sysproxy_unknown", "warning:x"};

        Status setup = status(Protection::on, false);
        setup.degraded = QList<Degraded>{banner("ca_untrusted", "critical"), banner("ca_renewal", "warning"),
                                         banner("old_root_needs_admin", "warning")};
        QTest::newRow("on the setup page")
            << inputs(setup, SidecarLink::trusted, std::nullopt, std::nullopt, false, true)
            << QStringList{"warning:old_root_needs_admin"};
        QTest::newRow("off the setup page")
            << inputs(setup, SidecarLink::trusted)
            << QStringList{"critical:ca_untrusted", "warning:ca_renewal", "warning:old_root_needs_admin"};

        Status browsers = status(Protection::on);
        browsers.degraded = QList<Degraded>{banner("browser_bypass", "warning")};
        browsers.browserBypass = QList<BrowserFinding>{finding("checking"), finding("bypass", "Chrome", "Default"),
                                                       finding("incognito", "Edge", "e"), finding("bypass", "Arc")};
        QTest::newRow("bypassing browsers") << inputs(browsers, SidecarLink::trusted)
                                            << QStringList{"warning:bypass:bypass:Default", "warning:bypass:bypass:"};

        Status checkingBrowsers = browsers;
        checkingBrowsers.browserBypass = QList<BrowserFinding>{finding("checking"), finding("unsupported_app")};
        QTest::newRow("browsers still being checked")
            << inputs(checkingBrowsers, SidecarLink::trusted)
            << QStringList{"warning:browser_bypass", "warning:app:unsupported_app:"};

        Status unconfirmed = browsers;
        unconfirmed.protected_ = false;
        QTest::newRow("bypass findings while not in force")
            << inputs(unconfirmed, SidecarLink::trusted) << QStringList{"warning:browser_bypass"};

        Status appsOff = checkingBrowsers;
        appsOff.protection = Protection::off;
        QTest::newRow("apps only while on")
            << inputs(appsOff, SidecarLink::trusted) << QStringList{"warning:browser_bypass"};
    }

    void rules() {
        QFETCH(AlertInputs, in);
        QFETCH(QStringList, expected);
        const Alerts alerts = appAlerts(in);
        QCOMPARE(summary(alerts), expected);
        for (const AppAlert& a : alerts) {
            QVERIFY(!a.page);
        }
    }

    void stoppedAlertsAndTheirButtons_data() {
        QTest::addColumn<std::optional<QString>>("detail");
        QTest::addColumn<OptAction>("secondary");
        QTest::newRow("detail") << std::optional<QString>("Traceback…") << OptAction(AlertAction::copyAppError());
        QTest::newRow("empty detail") << std::optional<QString>("") << OptAction();
        QTest::newRow("no detail") << std::optional<QString>() << OptAction();
    }

    void stoppedAlertsAndTheirButtons() {
        QFETCH(std::optional<QString>, detail);
        QFETCH(OptAction, secondary);

        const Alerts alerts = appAlerts(inputs(std::nullopt, SidecarLink::stopped, "Sidecar exited", detail));
        QCOMPARE(alerts.size(), 2);
        QCOMPARE(alerts[0].title, QStringLiteral("Tarvine stopped — protection is off"));
        QCOMPARE(alerts[0].body,
                 QStringLiteral("What you send to AI chats goes out unchanged until Tarvine runs again."));
        QCOMPARE(alerts[0].action, OptAction(AlertAction::restartSidecar()));
        QCOMPARE(alerts[0].secondary, secondary);
        QCOMPARE(alerts[1].title, QStringLiteral("Tarvine couldn't start"));
        QCOMPARE(alerts[1].body, QStringLiteral("Sidecar exited"));
        QCOMPARE(alerts[1].action, OptAction());
        QCOMPARE(alerts[1].secondary, secondary);

        const Alerts stuck = appAlerts(inputs(std::nullopt, SidecarLink::stopped, std::nullopt, detail, true));
        QCOMPARE(stuck.size(), 1);
        QCOMPARE(stuck[0].title, QStringLiteral("Tarvine stopped — the system proxy is still on"));
        QCOMPARE(stuck[0].action, OptAction(AlertAction::restartSidecar()));
        QCOMPARE(stuck[0].secondary, OptAction());
    }

    void errorLineWhileTheGatewayAnswers() {
        const Alerts alerts =
            appAlerts(inputs(status(Protection::on), SidecarLink::trusted, "Toggle failed: http(500)", "trace"));
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0].level, AlertLevel::warning);
        QCOMPARE(alerts[0].title, QStringLiteral("Something went wrong"));
        QCOMPARE(alerts[0].body, QStringLiteral("Toggle failed: http(500)"));
        QCOMPARE(alerts[0].action, OptAction());
        QCOMPARE(alerts[0].secondary, OptAction());
    }

    void bannerButtons() {
        Status s = status(Protection::on, false);
        s.degraded = QList<Degraded>{banner("sysproxy_unknown", "warning", "Checking the proxy"),
                                     banner("sysproxy_not_ours", "critical", "Another proxy")};
        const Alerts alerts = appAlerts(inputs(s, SidecarLink::trusted));
        QCOMPARE(summary(alerts), (QStringList{"critical:sysproxy_not_ours", "warning:sysproxy_unknown"}));
        QCOMPARE(alerts[0].title, QStringLiteral("Another proxy"));
        QCOMPARE(alerts[0].body, QStringLiteral("sysproxy_not_ours body"));
        QCOMPARE(alerts[0].action, OptAction(AlertAction::degraded(DegradedAction::fixProxy)));
        QCOMPARE(alerts[0].action->title(), QStringLiteral("Fix"));
        QCOMPARE(alerts[0].secondary, OptAction());
        QCOMPARE(alerts[1].action, OptAction());
    }

    void protectionError_data() {
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<QString>("body");
        QTest::newRow("with an error") << std::optional<QString>("port 48080 in use") << "port 48080 in use";
        QTest::newRow("without one") << std::optional<QString>() << "";
    }

    void protectionError() {
        QFETCH(std::optional<QString>, error);
        QFETCH(QString, body);
        Status s = status(Protection::error);
        s.error = error;
        const Alerts alerts = appAlerts(inputs(s, SidecarLink::trusted));
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0].id, QStringLiteral("protection_error"));
        QCOMPARE(alerts[0].title, QStringLiteral("Protection couldn't start"));
        QCOMPARE(alerts[0].body, body);
        QCOMPARE(alerts[0].action, OptAction(AlertAction::retryProtection()));
        QCOMPARE(alerts[0].secondary, OptAction(AlertAction::copyError()));
    }

    void rulesOnlyModel_data() {
        QTest::addColumn<std::optional<QString>>("detector");
        QTest::addColumn<std::optional<QString>>("modelError");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");

        using OptText = std::optional<QString>;
        QTest::newRow("model error") << OptText("rules-only") << OptText("out of memory") << "Model disabled"
                                     << "out of memory. Using rules only — names may be missed.";
        QTest::newRow("still loading") << OptText("rules-only") << OptText() << "Detection model not loaded"
                                       << "Using rules only — names may be missed until it finishes loading.";
        QTest::newRow("empty model error") << OptText("rules-only") << OptText("") << "Detection model not loaded"
                                           << "Using rules only — names may be missed until it finishes loading.";
        QTest::newRow("another detector") << OptText("ner+rules") << OptText("out of memory") << ""
                                          << "";
        QTest::newRow("detector compared exactly") << OptText("Rules-Only") << OptText() << ""
                                                   << "";
        QTest::newRow("no detector") << OptText() << OptText() << ""
                                     << "";
    }

    void rulesOnlyModel() {
        QFETCH(std::optional<QString>, detector);
        QFETCH(std::optional<QString>, modelError);
        QFETCH(QString, title);
        QFETCH(QString, body);
        Status s = status(Protection::on);
        s.detector = detector;
        s.modelError = modelError;
        const Alerts alerts = appAlerts(inputs(s, SidecarLink::trusted));
        if (title.isEmpty()) {
            QVERIFY(alerts.isEmpty());
            return;
        }
        QCOMPARE(alerts.size(), 1);
        QCOMPARE(alerts[0].id, QStringLiteral("model_rules_only"));
        QCOMPARE(alerts[0].level, AlertLevel::warning);
        QCOMPARE(alerts[0].title, title);
        QCOMPARE(alerts[0].body, body);
        QCOMPARE(alerts[0].action, OptAction());
    }

    void browserAndAppAlerts() {
        Status s = busyStatus();
        s.degraded.reset();
        BrowserFinding chrome = finding("bypass", "Chrome", "p1");
        chrome.profile = QStringLiteral("Work");
        chrome.extensions = {extension("a", "A")};
        BrowserFinding httpApp = finding("unsupported_app", std::nullopt, "old");
        httpApp.manage = QStringLiteral("http://example.com");
        s.browserBypass = QList<BrowserFinding>{chrome, s.browserBypass->at(1), httpApp};
        s.detector.reset();

        const Alerts alerts = appAlerts(inputs(s, SidecarLink::trusted));
        QCOMPARE(ids(alerts), (QStringList{"bypass:bypass:p1", "app:unsupported_app:app", "app:unsupported_app:old"}));
        const NoticeText text = bypassText(chrome, true);
        QCOMPARE(alerts[0].title, text.title);
        QCOMPARE(alerts[0].body, text.body);
        QVERIFY(alerts[0].body.contains(QStringLiteral("(profile Work)")));
        QCOMPARE(alerts[0].action, OptAction(AlertAction::showBrowsers()));
        QCOMPARE(alerts[1].action,
                 OptAction(AlertAction::openURL(QStringLiteral("Get the new ChatGPT app"),
                                                QUrl(QStringLiteral("https://chatgpt.com/download")))));
        QCOMPARE(alerts[1].action->title(), QStringLiteral("Get the new ChatGPT app"));
        QCOMPARE(alerts[1].title, QStringLiteral("ChatGPT Classic doesn't work with Tarvine protection"));
        QCOMPARE(alerts[2].action, OptAction());
    }

    void actions() {
        QCOMPARE(AlertAction::restartSidecar().title(), QStringLiteral("Restart Tarvine"));
        QCOMPARE(AlertAction::retryProtection().title(), QStringLiteral("Try again"));
        QCOMPARE(AlertAction::copyError().title(), QStringLiteral("Copy details"));
        QCOMPARE(AlertAction::copyAppError().title(), QStringLiteral("Copy details"));
        QCOMPARE(AlertAction::showBrowsers().title(), QStringLiteral("Show me how"));
        QCOMPARE(AlertAction::degraded(DegradedAction::dismissRulesCleared).title(), QStringLiteral("Got it"));
        QCOMPARE(AlertAction::degraded(DegradedAction::none).title(), QString());

        QVERIFY(!(AlertAction::copyError() == AlertAction::copyAppError()));
        QVERIFY(!(AlertAction::degraded(DegradedAction::remove) == AlertAction::degraded(DegradedAction::install)));
        const QUrl url(QStringLiteral("https://a.example"));
        QVERIFY(AlertAction::openURL("Go", url) == AlertAction::openURL("Go", url));
        QVERIFY(!(AlertAction::openURL("Go", url) == AlertAction::openURL("Open", url)));
        QVERIFY(!(AlertAction::openURL("Go", url) == AlertAction::openURL("Go", QUrl("https://b.example"))));
    }

    void levels() {
        QCOMPARE(alertLevelFromRaw(0), OptLevel(AlertLevel::notice));
        QCOMPARE(alertLevelFromRaw(1), OptLevel(AlertLevel::warning));
        QCOMPARE(alertLevelFromRaw(2), OptLevel(AlertLevel::critical));
        QCOMPARE(alertLevelFromRaw(3), OptLevel());
        QCOMPARE(alertLevelFromRaw(-1), OptLevel());
        QVERIFY(AlertLevel::notice < AlertLevel::warning && AlertLevel::warning < AlertLevel::critical);
    }

    void fiveWarningsAtOnce() {
        const Time t = timeFromSeconds(1'700'000'000);
        Alerts alerts{make("c", AlertLevel::critical)};
        QHash<QString, Time> seen{{"c", t}};
        for (const QString& id : QStringList{"w1", "w2", "w3", "w4", "w5"}) {
            alerts.append(make(id, AlertLevel::warning));
            seen.insert(id, t);
        }
        const AlertLayout layout = arrangeAlerts(alerts, seen, {}, 2);
        QCOMPARE(ids(layout.critical), QStringList{"c"});
        QCOMPARE(ids(layout.warnings), (QStringList{"w1", "w2"}));
        QCOMPARE(layout.moreWarnings, 3);
        QCOMPARE(layout.badgeCount(), 6);
        QCOMPARE(layout.worst(), OptLevel(AlertLevel::critical));
    }

    void newestWarningsFirst() {
        const Time t = timeFromSeconds(1'700'000'000);
        const Alerts alerts{make("old", AlertLevel::warning), make("unseen", AlertLevel::warning),
                            make("new", AlertLevel::warning), make("same", AlertLevel::warning)};
        const QHash<QString, Time> seen{{"old", t}, {"new", t + 5s}, {"same", t}};
        const AlertLayout layout = arrangeAlerts(alerts, seen, {}, 3);
        QCOMPARE(ids(layout.warnings), (QStringList{"new", "old", "same"}));
        QCOMPARE(layout.moreWarnings, 1);
    }

    void snoozesHideAllButCritical() {
        const Alerts alerts{make("n1", AlertLevel::notice), make("c", AlertLevel::critical),
                            make("w1", AlertLevel::warning), make("n2", AlertLevel::notice),
                            make("w2", AlertLevel::warning)};
        const AlertLayout layout = arrangeAlerts(alerts, {}, {"n1", "c", "w1"}, 2);
        QCOMPARE(ids(layout.critical), QStringList{"c"});
        QCOMPARE(ids(layout.warnings), QStringList{"w2"});
        QCOMPARE(layout.moreWarnings, 0);
        QVERIFY(layout.notice);
        QCOMPARE(layout.notice->id, QStringLiteral("n2"));
        QCOMPARE(layout.badgeCount(), 2);
    }

    void noRoomForWarnings() {
        const Alerts alerts{make("w1", AlertLevel::warning), make("w2", AlertLevel::warning)};
        const AlertLayout none = arrangeAlerts(alerts, {}, {}, 0);
        QVERIFY(none.warnings.isEmpty());
        QCOMPARE(none.moreWarnings, 2);
        QCOMPARE(none.badgeCount(), 2);
        QCOMPARE(none.worst(), OptLevel());

        const AlertLayout withNotice = arrangeAlerts(alerts + Alerts{make("n", AlertLevel::notice)}, {}, {}, 0);
        QCOMPARE(withNotice.worst(), OptLevel(AlertLevel::notice));
        QCOMPARE(withNotice.badgeCount(), 2);
        QCOMPARE(arrangeAlerts({}, {}, {}, 2), AlertLayout::empty);
        QCOMPARE(AlertLayout::empty.badgeCount(), 0);
    }

    void summaryByState_data() {
        QTest::addColumn<ProtectionUIState>("state");
        QTest::addColumn<ProtectionSummary>("expected");
        using S = ProtectionUIState;
        using P = ProtectionSummary;
        QTest::newRow("off") << S::off << P::paused;
        QTest::newRow("starting") << S::starting << P::checking;
        QTest::newRow("on") << S::on << P::protected_;
        QTest::newRow("partial") << S::partial << P::needsAttention;
        QTest::newRow("checking") << S::checking << P::checking;
        QTest::newRow("confirming") << S::confirming << P::checking;
        QTest::newRow("degraded") << S::degraded << P::notProtected;
        QTest::newRow("error") << S::error << P::notProtected;
        QTest::newRow("stopped") << S::stopped << P::notProtected;
        QTest::newRow("proxyStuck") << S::proxyStuck << P::notProtected;
        QTest::newRow("verifying") << S::verifying << P::checking;
        QTest::newRow("restarting") << S::restarting << P::checking;
    }

    void summaryByState() {
        QFETCH(ProtectionUIState, state);
        QFETCH(ProtectionSummary, expected);
        AlertLayout onlyNotice;
        onlyNotice.notice = make("n", AlertLevel::notice);
        QCOMPARE(protectionSummary(onlyNotice, state), expected);

        AlertLayout warned = onlyNotice;
        warned.moreWarnings = 3; // warnings that are not shown do not count
        QCOMPARE(protectionSummary(warned, state), expected);
        warned.warnings = {make("w", AlertLevel::warning)};
        QCOMPARE(protectionSummary(warned, state), ProtectionSummary::needsAttention);
        warned.critical = {make("c", AlertLevel::critical)};
        QCOMPARE(protectionSummary(warned, state), ProtectionSummary::notProtected);
    }

    // The stuck proxy is put right in the desktop's own settings, named as the user finds them.
    void stuckProxyBodyNamesTheDesktopsSettings_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("body");
        QTest::newRow("en") << "en"
                            << "Tarvine stopped and couldn't turn off the system proxy. Open Settings → Network → "
                               "Network Proxy and choose Disabled.";
        QTest::newRow("pl") << "pl"
                            << "Tarvine nie działa, a systemowego proxy nie udało się wyłączyć. Otwórz Ustawienia → "
                               "Sieć → Pośrednik sieciowy i wybierz Wyłączone.";
    }
    void stuckProxyBodyNamesTheDesktopsSettings() {
        QFETCH(QString, language);
        QFETCH(QString, body);
        L10n::setLanguage(language);
        const Alerts alerts =
            appAlerts(inputs(status(Protection::on), SidecarLink::stopped, std::nullopt, std::nullopt, true));
        QCOMPARE(alerts.value(0).id, QStringLiteral("proxy_stuck"));
        QCOMPARE(alerts.value(0).body, body);
    }

    void textsInPolish() {
        L10n::setLanguage(QStringLiteral("pl"));
        const AlertAction fix = AlertAction::degraded(DegradedAction::fixProxy);
        QCOMPARE(fix.title(), QStringLiteral("Napraw"));
        QCOMPARE(AlertAction::copyAppError().title(), QStringLiteral("Kopiuj szczegóły"));
        QCOMPARE(label(ProtectionSummary::needsAttention), QStringLiteral("Wymaga uwagi"));

        Status s = status(Protection::on);
        s.detector = QStringLiteral("rules-only");
        const Alerts alerts = appAlerts(inputs(s, SidecarLink::stopped, "Sidecar exited"));
        QCOMPARE(alerts[0].title, QStringLiteral("Tarvine nie działa — ochrona jest wyłączona"));
        QCOMPARE(alerts[1].title, QStringLiteral("Nie udało się uruchomić Tarvine"));
        L10n::setLanguage(QStringLiteral("en"));
        QCOMPARE(fix.title(), QStringLiteral("Fix"));
    }

    void summaryLabels() {
        QCOMPARE(label(ProtectionSummary::protected_), QStringLiteral("Protected"));
        QCOMPARE(label(ProtectionSummary::checking), QStringLiteral("Checking\u2026"));
    }
};

QTEST_GUILESS_MAIN(AlertsTest)
#include "tst_alerts.moc"
