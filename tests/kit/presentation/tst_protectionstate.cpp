#include "FernholmKit/text/L10n.h"
#include "FernholmKit/presentation/ViewState.h"

#include "support/StatusFixtures.h"
#include "support/ViewStatePrinters.h"

#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

using OptStatus = std::optional<Status>;

namespace {

Status withFindings(Status s, const QStringList& kinds) {
    s.browserBypass = findingsOfKinds(kinds);
    return s;
}

Status withDegraded(Status s, QList<Degraded> entries) {
    s.degraded = std::move(entries);
    return s;
}

Degraded translated(const QString& code, QMap<QString, QString> title, QMap<QString, QString> body,
                    std::optional<QString> detail = std::nullopt) {
    Degraded d = degraded(code);
    d.title = std::move(title);
    d.body = std::move(body);
    d.detail = std::move(detail);
    return d;
}

QStringList codes(const QList<DegradedBanner>& banners) {
    QStringList out;
    for (const DegradedBanner& b : banners) {
        out.append(b.code);
    }
    return out;
}

} // namespace

class ProtectionStateTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void state_data() {
        QTest::addColumn<OptStatus>("status");
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<bool>("proxyStuck");
        QTest::addColumn<ProtectionUIState>("expected");

        using S = ProtectionUIState;
        const auto on = status(Protection::on);
        const auto onUnconfirmed = status(Protection::on, false);
        const auto trusted = SidecarLink::trusted;

        QTest::newRow("no status") << OptStatus() << trusted << false << S::off;
        QTest::newRow("off") << OptStatus(status(Protection::off)) << trusted << false << S::off;
        QTest::newRow("starting") << OptStatus(status(Protection::starting)) << trusted << false << S::starting;
        QTest::newRow("error") << OptStatus(status(Protection::error)) << trusted << false << S::error;
        QTest::newRow("error ignores findings")
            << OptStatus(withFindings(status(Protection::error), {"bypass"})) << trusted << false << S::error;
        QTest::newRow("on, nothing pending") << OptStatus(on) << trusted << false << S::on;
        QTest::newRow("on, confirmed, no findings")
            << OptStatus(status(Protection::on, true)) << trusted << false << S::on;
        QTest::newRow("bypass after checking wins")
            << OptStatus(withFindings(on, {"checking", "bypass"})) << trusted << false << S::partial;
        QTest::newRow("checking only") << OptStatus(withFindings(on, {"checking"})) << trusted << false << S::checking;
        QTest::newRow("other kinds are not pending")
            << OptStatus(withFindings(on, {"idle", "incognito", "unsupported_app", "Bypass"})) << trusted << false
            << S::on;
        QTest::newRow("empty finding list") << OptStatus(withFindings(on, {})) << trusted << false << S::on;
        QTest::newRow("unconfirmed: critical after sysproxy_unknown")
            << OptStatus(
                   withDegraded(onUnconfirmed, {degraded("sysproxy_unknown"), degraded("proxy_gated", "critical")}))
            << trusted << false << S::degraded;
        QTest::newRow("unconfirmed: sysproxy_unknown only")
            << OptStatus(withDegraded(onUnconfirmed, {degraded("rules_cleared"), degraded("sysproxy_unknown")}))
            << trusted << false << S::confirming;
        QTest::newRow("unconfirmed: no degraded list") << OptStatus(onUnconfirmed) << trusted << false << S::starting;
        QTest::newRow("unconfirmed: capital Critical is not critical")
            << OptStatus(withDegraded(onUnconfirmed, {degraded("proxy_gated", "Critical")})) << trusted << false
            << S::starting;
        QTest::newRow("unconfirmed: bypass findings do not count")
            << OptStatus(withFindings(onUnconfirmed, {"bypass"})) << trusted << false << S::starting;
        QTest::newRow("confirmed: critical degraded does not count")
            << OptStatus(withDegraded(on, {degraded("proxy_gated", "critical")})) << trusted << false << S::on;

        QTest::newRow("checking link, status on") << OptStatus(on) << SidecarLink::checking << false << S::verifying;
        QTest::newRow("checking link, no status") << OptStatus() << SidecarLink::checking << false << S::verifying;
        QTest::newRow("restarting") << OptStatus(on) << SidecarLink::restarting << true << S::restarting;
        QTest::newRow("stopped") << OptStatus(on) << SidecarLink::stopped << false << S::stopped;
        QTest::newRow("stopped, proxy stuck") << OptStatus() << SidecarLink::stopped << true << S::proxyStuck;
        QTest::newRow("trusted ignores proxyStuck") << OptStatus(on) << trusted << true << S::on;
    }

    void state() {
        QFETCH(OptStatus, status);
        QFETCH(SidecarLink, link);
        QFETCH(bool, proxyStuck);
        QFETCH(ProtectionUIState, expected);

        QCOMPARE(protectionUIState(status, link, proxyStuck), expected);
        if (link == SidecarLink::trusted) {
            QCOMPARE(protectionUIState(status), expected);
            QCOMPARE(isProtected(status), expected == ProtectionUIState::on);
        }
    }

    void protectionActiveWhateverElseItSays() {
        QVERIFY(!isProtectionActive(std::nullopt));
        QVERIFY(!isProtectionActive(status(Protection::starting)));
        const Status degradedOn = withDegraded(status(Protection::on, false), {degraded("proxy_gated", "critical")});
        QVERIFY(isProtectionActive(degradedOn));
        QVERIFY(!isProtected(degradedOn));
    }

    void criticalConditions_data() {
        QTest::addColumn<OptStatus>("status");
        QTest::addColumn<bool>("hasCritical");
        QTest::addColumn<bool>("aiBlocked");

        const Status on = status(Protection::on, false);
        QTest::newRow("no status") << OptStatus() << false << false;
        QTest::newRow("no list") << OptStatus(on) << false << false;
        QTest::newRow("warnings only") << OptStatus(
                                              withDegraded(on, {degraded("proxy_gated"), degraded("no_data_key")}))
                                       << false << false;
        QTest::newRow("holding codes only")
            << OptStatus(withDegraded(on, {degraded("proxy_gated", "critical"), degraded("no_data_key", "critical"),
                                           degraded("sysproxy_not_ours")}))
            << true << true;
        QTest::newRow("one critical that lets traffic through")
            << OptStatus(withDegraded(on, {degraded("proxy_gated", "critical"), degraded("no_data_key", "critical"),
                                           degraded("sysproxy_not_ours", "critical")}))
            << true << false;
        QTest::newRow("capital Critical")
            << OptStatus(withDegraded(on, {degraded("ca_untrusted", "Critical")})) << false << false;
    }

    void criticalConditions() {
        QFETCH(OptStatus, status);
        QFETCH(bool, hasCritical);
        QFETCH(bool, aiBlocked);
        QCOMPARE(hasCriticalDegraded(status), hasCritical);
        QCOMPARE(aiBlockedHeader(status), aiBlocked);
    }

    void bannersOnSetupKeepOnlyOtherTopics() {
        const Status s = withDegraded(status(Protection::on),
                                      {degraded("setup_needed", "critical"), degraded("ca_untrusted", "critical"),
                                       degraded("old_root_trusted"), degraded("ca_renewal"),
                                       degraded("cert_keys_unreadable"), degraded("browser_bypass"),
                                       degraded("rules_cleared"), degraded("something_new", "critical")});

        const QList<DegradedBanner> onSetup = degradedBanners(s, true);
        QCOMPARE(codes(onSetup), (QStringList{"old_root_trusted", "rules_cleared", "something_new"}));
        QCOMPARE(onSetup[0].action, DegradedAction::remove);
        QVERIFY(!onSetup[0].isCritical);
        QCOMPARE(onSetup[1].action, DegradedAction::dismissRulesCleared);
        QCOMPARE(onSetup[2].action, DegradedAction::none);
        QVERIFY(onSetup[2].isCritical);

        const QList<DegradedBanner> elsewhere = degradedBanners(s, false);
        QCOMPARE(elsewhere.size(), 8);
        QCOMPARE(elsewhere[0].action, DegradedAction::setUp);
        QCOMPARE(elsewhere[5].code, QStringLiteral("browser_bypass"));
        QCOMPARE(elsewhere[5].action, DegradedAction::setUp);
    }

    void partialDropsBrowserBypassBanner() {
        const QList<Degraded> entries{degraded("browser_bypass"), degraded("sysproxy_not_ours")};
        const Status partial = withDegraded(withFindings(status(Protection::on), {"bypass"}), entries);
        QCOMPARE(codes(degradedBanners(partial, false)), QStringList{"sysproxy_not_ours"});
        QCOMPARE(degradedBanners(partial, false)[0].action, DegradedAction::fixProxy);

        const Status checking = withDegraded(withFindings(status(Protection::on), {"checking"}), entries);
        QCOMPARE(codes(degradedBanners(checking, false)), (QStringList{"browser_bypass", "sysproxy_not_ours"}));
    }

    void bannerTextsInTheUserLanguage_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<Degraded>("entry");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");

        QTest::newRow("Polish user, German only")
            << "pl" << translated("x", {{"de", "Achtung"}}, {{"de", "Nicht geschützt"}}) << ""
            << "";
        QTest::newRow("Polish user, English only")
            << "pl" << translated("x", {{"en", "Careful"}}, {{"en", "Not protected"}}) << "Careful"
            << "Not protected";
        QTest::newRow("Polish user, Polish and English")
            << "pl" << translated("x", {{"en", "Careful"}, {"pl", "Uwaga"}}, {{"en", "Body"}, {"pl", "Treść"}})
            << "Uwaga"
            << "Treść";
        QTest::newRow("empty Polish text is used as it is")
            << "pl" << translated("x", {{"en", "Careful"}, {"pl", ""}}, {{"en", "Body"}}) << ""
            << "Body";
        QTest::newRow("English user ignores Polish")
            << "en" << translated("x", {{"pl", "Uwaga"}}, {{"en", "Body"}, {"pl", "Treść"}}) << ""
            << "Body";
        QTest::newRow("detail absent leaves both spaces")
            << "en" << translated("x", {{"en", "Root {detail}"}}, {{"en", "Remove {detail} now"}}) << "Root {detail}"
            << "Remove  now";
        QTest::newRow("detail fills every occurrence of the body only")
            << "en"
            << translated("x", {{"en", "Root {detail}"}}, {{"en", "{detail}: remove {detail}."}}, "Old Root 2024")
            << "Root {detail}"
            << "Old Root 2024: remove Old Root 2024.";
        QTest::newRow("a filled detail is not filled again")
            << "en" << translated("x", {}, {{"en", "[{detail}]"}}, "{detail}") << ""
            << "[{detail}]";
    }

    void bannerTextsInTheUserLanguage() {
        QFETCH(QString, language);
        QFETCH(Degraded, entry);
        QFETCH(QString, title);
        QFETCH(QString, body);
        L10n::setLanguage(language);

        const QList<DegradedBanner> banners = degradedBanners(withDegraded(status(Protection::on), {entry}), false);
        QCOMPARE(banners.size(), 1);
        QCOMPARE(banners[0].title, title);
        QCOMPARE(banners[0].body, body);
    }

    void noBannersWithoutAList() {
        QVERIFY(degradedBanners(std::nullopt, false).isEmpty());
        QVERIFY(degradedBanners(status(Protection::on), true).isEmpty());
    }

    void everyActionHasACaptionButNone() {
        for (DegradedAction action : allDegradedActions) {
            QCOMPARE(title(action).isEmpty(), action == DegradedAction::none);
        }
        QCOMPARE(title(DegradedAction::fixProxy), QStringLiteral("Fix"));
    }

    void handlers_data() {
        QTest::addColumn<DegradedAction>("action");
        QTest::addColumn<QString>("called");

        QTest::newRow("none") << DegradedAction::none << "";
        QTest::newRow("setUp") << DegradedAction::setUp << "setUp";
        QTest::newRow("restartProtection") << DegradedAction::restartProtection << "restartProtection";
        QTest::newRow("fixProxy restarts protection") << DegradedAction::fixProxy << "restartProtection";
        QTest::newRow("remove") << DegradedAction::remove << "remove";
        QTest::newRow("install") << DegradedAction::install << "install";
        QTest::newRow("dismissRulesCleared") << DegradedAction::dismissRulesCleared << "dismissRulesCleared";
        QTest::newRow("retryDataKey") << DegradedAction::retryDataKey << "retryDataKey";
        QTest::newRow("dismissDataKeyReset") << DegradedAction::dismissDataKeyReset << "dismissDataKeyReset";
    }

    void handlers() {
        QFETCH(DegradedAction, action);
        QFETCH(QString, called);

        QStringList calls;
        auto record = [&calls](const char* name) {
            return [&calls, name] {
                calls.append(QString::fromUtf8(name));
            };
        };
        const DegradedHandlers handlers(record("setUp"), record("restartProtection"), record("remove"),
                                        record("install"), record("dismissRulesCleared"), record("retryDataKey"),
                                        record("dismissDataKeyReset"));
        const auto handler = handlers.handler(action);
        QCOMPARE(handler.has_value(), !called.isEmpty());
        if (handler) {
            (*handler)();
            QCOMPARE(calls, QStringList{called});
        }
    }

    void menuRow_data() {
        QTest::addColumn<OptStatus>("status");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<SidecarLink>("link");
        QTest::addColumn<bool>("proxyStuck");
        QTest::addColumn<MenuProtectionItem>("expected");

        const QString on = QStringLiteral("Turn Protection On");
        const QString off = QStringLiteral("Turn Protection Off");
        const Status onStatus = status(Protection::on);
        auto row = [](QString text, QString title, bool enabled) {
            MenuProtectionItem item;
            item.statusText = std::move(text);
            item.title = std::move(title);
            item.enabled = enabled;
            return item;
        };
        auto forceStop = [&](QString text, bool enabled) {
            MenuProtectionItem item = row(std::move(text), off, enabled);
            item.forceStops = true;
            return item;
        };
        auto restart = [&](QString text) {
            MenuProtectionItem item = row(std::move(text), QStringLiteral("Restart Tarvine"), true);
            item.restarts = true;
            return item;
        };
        auto lit = [&](QString text, bool enabled) {
            MenuProtectionItem item = row(std::move(text), off, enabled);
            item.isOn = true;
            return item;
        };
        const auto trusted = SidecarLink::trusted;

        QTest::newRow("checking") << OptStatus(onStatus) << false << SidecarLink::checking << false
                                  << forceStop("Checking Tarvine…", true);
        QTest::newRow("checking, busy") << OptStatus() << true << SidecarLink::checking << true
                                        << forceStop("Checking Tarvine…", false);
        QTest::newRow("restarting, busy") << OptStatus(onStatus) << true << SidecarLink::restarting << false
                                          << forceStop("Tarvine is restarting…", false);
        QTest::newRow("stopped") << OptStatus(onStatus) << true << SidecarLink::stopped << false
                                 << restart("Tarvine stopped — protection is off");
        QTest::newRow("stopped, proxy stuck") << OptStatus() << false << SidecarLink::stopped << true
                                              << restart("Tarvine stopped — the system proxy is still on");
        QTest::newRow("trusted, no status")
            << OptStatus() << false << trusted << true << row("Tarvine is starting…", on, false);
        QTest::newRow("off") << OptStatus(status(Protection::off)) << false << trusted << false
                             << row("Protection is off", on, true);
        QTest::newRow("off, busy") << OptStatus(status(Protection::off)) << true << trusted << false
                                   << row("Protection is off", on, false);
        QTest::newRow("starting") << OptStatus(status(Protection::starting)) << false << trusted << false
                                  << row("Protection is starting…", on, false);
        QTest::newRow("error") << OptStatus(status(Protection::error)) << false << trusted << false
                               << row("Protection stopped with an error", on, true);
        QTest::newRow("on") << OptStatus(onStatus) << false << trusted << false << lit("Protection is on", true);
        QTest::newRow("on, busy") << OptStatus(onStatus) << true << trusted << false << lit("Protection is on", false);
        QTest::newRow("on, not yet in force") << OptStatus(status(Protection::on, false)) << false << trusted << false
                                              << row("Protection is starting…", off, true);
        QTest::newRow("partial") << OptStatus(withFindings(onStatus, {"bypass"})) << false << trusted << false
                                 << row("Partly protected", off, true);
        QTest::newRow("checking browsers") << OptStatus(withFindings(onStatus, {"checking"})) << false << trusted
                                           << false << row("Checking browsers…", off, true);
        QTest::newRow("confirming") << OptStatus(
                                           withDegraded(status(Protection::on, false), {degraded("sysproxy_unknown")}))
                                    << false << trusted << false << row("Checking…", off, true);
        QTest::newRow("degraded") << OptStatus(withDegraded(status(Protection::on, false),
                                                            {degraded("proxy_gated", "critical")}))
                                  << false << trusted << false << row("Protection is on, but not working", off, true);
    }

    void menuRow() {
        QFETCH(OptStatus, status);
        QFETCH(bool, busy);
        QFETCH(SidecarLink, link);
        QFETCH(bool, proxyStuck);
        QFETCH(MenuProtectionItem, expected);
        QCOMPARE(menuProtectionItem(status, busy, link, proxyStuck), expected);
    }

    void menuRowStaysEnglishForPolishUsers() {
        L10n::setLanguage(QStringLiteral("pl"));
        // The same sentence is translated where it heads an alert; the menu row leaves that to its caller.
        QVERIFY(fernholm::tr("Tarvine stopped — protection is off") !=
                QStringLiteral("Tarvine stopped — protection is off"));
        const MenuProtectionItem item = menuProtectionItem(std::nullopt, false, SidecarLink::stopped, false);
        QCOMPARE(item.statusText, QStringLiteral("Tarvine stopped — protection is off"));
        QCOMPARE(item.title, QStringLiteral("Restart Tarvine"));
    }

    // The popover translates the row's texts when it shows them, so each needs a Polish entry.
    void menuRowTextsHaveTranslations() {
        const Status onStatus = status(Protection::on);
        const QList<OptStatus> statuses{
            OptStatus(),
            status(Protection::off),
            status(Protection::starting),
            status(Protection::error),
            onStatus,
            status(Protection::on, false),
            withFindings(onStatus, {"bypass"}),
            withFindings(onStatus, {"checking"}),
            withDegraded(status(Protection::on, false), {degraded("sysproxy_unknown")}),
            withDegraded(status(Protection::on, false), {degraded("proxy_gated", "critical")}),
        };
        const auto polish = L10n::table(QStringLiteral("pl"));
        QStringList missing;
        for (SidecarLink link :
             {SidecarLink::checking, SidecarLink::trusted, SidecarLink::restarting, SidecarLink::stopped}) {
            for (const OptStatus& s : statuses) {
                for (bool stuck : {false, true}) {
                    const MenuProtectionItem item = menuProtectionItem(s, false, link, stuck);
                    for (const QString& text : {item.statusText, item.title}) {
                        if (!polish.contains(text) && !missing.contains(text)) {
                            missing << text;
                        }
                    }
                }
            }
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(" | "))));
    }

    void captionsFollowTheLanguage() {
        L10n::setLanguage(QStringLiteral("pl"));
        QCOMPARE(title(DegradedAction::fixProxy), QStringLiteral("Napraw"));
        QCOMPARE(title(DegradedAction::dismissDataKeyReset), QStringLiteral("Rozumiem"));
    }
};

QTEST_GUILESS_MAIN(ProtectionStateTest)
#include "tst_protectionstate.moc"
