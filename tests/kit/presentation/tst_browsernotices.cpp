#include "FernholmKit/presentation/BrowserNotices.h"
#include "FernholmKit/text/L10n.h"

#include "support/StatusFixtures.h"

#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

using OptStatus = std::optional<Status>;
using Extensions = QList<BrowserExtension>;
using OptUrl = std::optional<QUrl>;

namespace {

const QString vpn = QStringLiteral("A VPN app (system-wide) works normally.");

BrowserFinding browserFinding(const QString& kind, const QString& browser, const QString& family,
                              Extensions extensions = {}) {
    BrowserFinding f = finding(kind, browser, QStringLiteral("Profile 1"));
    f.family = family;
    f.extensions = std::move(extensions);
    return f;
}

BrowserFinding firefox(const QString& kind, std::optional<QString> setBy, Extensions extensions = {},
                       std::optional<QString> mode = std::nullopt) {
    BrowserFinding f =
        browserFinding(kind, QStringLiteral("Firefox"), QStringLiteral("firefox"), std::move(extensions));
    f.setBy = std::move(setBy);
    f.mode = std::move(mode);
    return f;
}

BrowserExtension onRequest(const QString& name) {
    return extension(name.toLower(), name, QStringLiteral("on_request"));
}

Status onWithFindings(QList<BrowserFinding> findings, Protection protection = Protection::on) {
    Status s = status(protection);
    s.browserBypass = std::move(findings);
    return s;
}

} // namespace

class BrowserNoticesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void noticesAreCapped_data() {
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<std::optional<QString>>("more");

        QTest::newRow("three") << QStringList{"bypass", "idle", "bypass", "bypass"}
                               << QStringList{"bypass:p0", "bypass:p2", "bypass:p3"} << std::optional<QString>();
        QTest::newRow("four") << QStringList{"bypass", "bypass", "bypass", "bypass"}
                              << QStringList{"bypass:p0", "bypass:p1"}
                              << std::optional<QString>("And 2 more browsers aren't protected — see Setup.");
        QTest::newRow("five") << QStringList{"checking", "bypass", "bypass", "bypass", "bypass", "bypass"}
                              << QStringList{"bypass:p1", "bypass:p2"}
                              << std::optional<QString>("And 3 more browsers aren't protected — see Setup.");
    }

    void noticesAreCapped() {
        QFETCH(QStringList, kinds);
        QFETCH(QStringList, ids);
        QFETCH(std::optional<QString>, more);

        const BypassNotices result = bypassNotices(onWithFindings(findingsOfKinds(kinds)));
        QStringList got;
        for (const BrowserNotice& notice : result.notices) {
            got.append(notice.id);
        }
        QCOMPARE(got, ids);
        QCOMPARE(result.more, more);
        QCOMPARE(result.notices.first().title, QStringLiteral("Browser %1 may not be protected").arg(ids[0].back()));
    }

    void noNoticesUnlessPartlyProtected() {
        QCOMPARE(bypassNotices(std::nullopt), BypassNotices::none);
        QCOMPARE(bypassNotices(onWithFindings(findingsOfKinds({"checking", "idle"}))), BypassNotices::none);
        Status unconfirmed = onWithFindings(findingsOfKinds({"bypass"}));
        unconfirmed.protected_ = false;
        QCOMPARE(bypassNotices(unconfirmed), BypassNotices::none);
    }

    void extensionsOfOtherBrowsers_data() {
        QTest::addColumn<Extensions>("extensions");
        QTest::addColumn<QString>("phrase");
        QTest::addColumn<QString>("body");

        QTest::newRow("one, named") << Extensions{extension("abc", "Proxy Switch")} << "the extension “Proxy Switch”"
                                    << "Chrome is not protected: the extension “Proxy Switch” overrides its proxy. "
                                       "Disable or remove it in chrome://extensions to use Tarvine. This applies "
                                       "while Chrome is running, even with no windows open. " +
                                           vpn;
        QTest::newRow("one, unnamed") << Extensions{extension("abcdef")} << "the extension “abcdef”"
                                      << "Chrome is not protected: the extension “abcdef” overrides its proxy. "
                                         "Disable or remove it in chrome://extensions to use Tarvine. This applies "
                                         "while Chrome is running, even with no windows open. " +
                                             vpn;
        QTest::newRow("two") << Extensions{extension("a", "A"), extension("b", "B")} << "the extensions “A” and “B”"
                             << "Chrome is not protected: the extensions “A” and “B” override its proxy. Disable or "
                                "remove them in chrome://extensions to use Tarvine. This applies while Chrome is "
                                "running, even with no windows open. " +
                                    vpn;
        QTest::newRow("three") << Extensions{extension("a", "A"), extension("b", "B"), extension("c", "C")}
                               << "the extensions “A”, “B” and “C”"
                               << "Chrome is not protected: the extensions “A”, “B” and “C” override its proxy. "
                                  "Disable or remove them in chrome://extensions to use Tarvine. This applies while "
                                  "Chrome is running, even with no windows open. " +
                                      vpn;
        QTest::newRow("none") << Extensions{} << "an extension"
                              << "Tarvine couldn't tell which extension controls Chrome's proxy, so it may not be "
                                 "protected. Check chrome://extensions. " +
                                     vpn;
    }

    void extensionsOfOtherBrowsers() {
        QFETCH(Extensions, extensions);
        QFETCH(QString, phrase);
        QFETCH(QString, body);

        BrowserFinding f = browserFinding("bypass", "Chrome", "chromium", extensions);
        f.manage = QStringLiteral("chrome://extensions");
        QCOMPARE(extensionsPhrase(extensions), phrase);
        const NoticeText text = bypassText(f, false);
        QCOMPARE(text.title, extensions.isEmpty() ? QStringLiteral("Chrome may not be protected")
                                                  : QStringLiteral("Chrome isn't protected"));
        QCOMPARE(text.body, body);
        QCOMPARE(bypassNotificationText(f), text);
    }

    void firefoxCauses_data() {
        QTest::addColumn<BrowserFinding>("finding");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");

        const QString isNot = QStringLiteral("Firefox isn't protected");
        const QString mayNot = QStringLiteral("Firefox may not be protected");
        QTest::newRow("own settings") << firefox("bypass", "settings") << isNot
                                      << "Firefox is not protected: its own connection settings bypass the system "
                                         "proxy. In Firefox Settings → Network Settings, choose “Use system proxy "
                                         "settings” to use Tarvine. " +
                                             vpn;
        QTest::newRow("user.js and an add-on")
            << firefox("bypass", "user_js", {extension("foxy", "FoxyProxy", "fixed_servers")}) << isNot
            << "Firefox is not protected: a user.js file in its profile folder sets its own proxy, and the add-on "
               "“FoxyProxy” overrides its proxy. Remove the network.proxy lines from user.js, restart Firefox, then "
               "choose “Use system proxy settings” in Firefox Settings → Network Settings, and disable or remove it "
               "in about:addons to use Tarvine. " +
                   vpn;
        QTest::newRow("one on-request add-on")
            << firefox("bypass", std::nullopt, {onRequest("Relay")}) << mayNot
            << "Firefox may not be protected: the add-on “Relay” can route Firefox's traffic through its own proxy. "
               "Disable or remove it in about:addons to use Tarvine. " +
                   vpn;
        QTest::newRow("two on-request add-ons")
            << firefox("bypass", std::nullopt, {onRequest("Relay"), onRequest("Tor")}) << mayNot
            << "Firefox may not be protected: the add-ons “Relay” and “Tor” can route Firefox's traffic through their "
               "own proxies. Disable or remove them in about:addons to use Tarvine. " +
                   vpn;
        QTest::newRow("only the first overrider counts, after it the on-request ones")
            << firefox("bypass", std::nullopt, {onRequest("Relay"), extension("x", "X"), extension("y", "Y", "direct")})
            << isNot
            << "Firefox is not protected: the add-on “X” overrides its proxy, and the add-on “Relay” can route "
               "Firefox's traffic through its own proxy. Disable or remove them in about:addons to use Tarvine. " +
                   vpn;
        QTest::newRow("unknown setBy, no add-ons") << firefox("bypass", "policy") << mayNot
                                                   << "Tarvine couldn't tell which extension controls Firefox's "
                                                      "proxy, so it may not be protected. Check the browser's "
                                                      "extension settings. " +
                                                          vpn;
        QTest::newRow("setBy compared exactly") << firefox("bypass", "Settings") << mayNot
                                                << "Tarvine couldn't tell which extension controls Firefox's "
                                                   "proxy, so it may not be protected. Check the browser's "
                                                   "extension settings. " +
                                                       vpn;
        BrowserFinding upperFamily = firefox("bypass", "settings");
        upperFamily.family = QStringLiteral("Firefox");
        QTest::newRow("family compared exactly") << upperFamily << mayNot
                                                 << "Tarvine couldn't tell which extension controls Firefox's "
                                                    "proxy, so it may not be protected. Check the browser's "
                                                    "extension settings. " +
                                                        vpn;
    }

    void firefoxCauses() {
        QFETCH(BrowserFinding, finding);
        QFETCH(QString, title);
        QFETCH(QString, body);
        const NoticeText text = bypassText(finding, false);
        QCOMPARE(text.title, title);
        QCOMPARE(text.body, body);
    }

    void profileOnlyWhenAsked() {
        BrowserFinding f = browserFinding("bypass", "Chrome", "chromium", {extension("a", "A")});
        f.profile = QStringLiteral("Work");
        QVERIFY(bypassText(f, true).body.startsWith(QStringLiteral("Chrome (profile Work) is not protected:")));
        QVERIFY(!bypassText(f, false).body.contains(QStringLiteral("Work")));
        QVERIFY(!bypassNotificationText(f).body.contains(QStringLiteral("Work")));
        const BrowserNotice notice = bypassNotice(f);
        QCOMPARE(notice.id, QStringLiteral("bypass:Profile 1"));
        QCOMPARE(notice.body, bypassText(f, true).body);

        f.profileId.reset();
        QCOMPARE(bypassNotice(f).id, QStringLiteral("bypass:"));
    }

    void unnamedBrowser() {
        const NoticeText text = bypassText(finding("bypass"), true);
        QCOMPARE(text.title, QStringLiteral("Your browser may not be protected"));
        QVERIFY(text.body.contains(QStringLiteral("controls Your browser's proxy")));
    }

    void setupRows_data() {
        QTest::addColumn<BrowserFinding>("finding");
        QTest::addColumn<QString>("text");

        auto withProfile = [](BrowserFinding f) {
            f.profile = QStringLiteral("Work");
            return f;
        };
        QTest::newRow("bypass, one extension with its mode")
            << withProfile(browserFinding("bypass", "Chrome", "chromium", {extension("a", "A", "pac_script")}))
            << "Chrome (profile Work) — not protected: the extension “A” overrides its proxy (proxy script).";
        QTest::newRow("bypass, one extension without a mode")
            << browserFinding("bypass", "Chrome", "chromium", {extension("a", "A")})
            << "Chrome — not protected: the extension “A” overrides its proxy (unrecognised setting).";
        QTest::newRow("bypass, two extensions")
            << browserFinding("bypass", "Chrome", "chromium", {extension("a", "A", "direct"), extension("b", "B")})
            << "Chrome — not protected: the extensions “A” and “B” override its proxy.";
        QTest::newRow("bypass, firefox settings and an add-on")
            << firefox("bypass", "settings", {extension("o", "O", "direct")}, "fixed_servers")
            << "Firefox — not protected: its own proxy settings (another proxy server), and the add-on “O” overrides "
               "its proxy (direct connection).";
        QTest::newRow("bypass, firefox user.js")
            << firefox("bypass", "user_js", {}, "auto_detect")
            << "Firefox — not protected: user.js sets its own proxy (proxy auto-detect).";
        QTest::newRow("bypass, firefox on-request add-on")
            << firefox("bypass", std::nullopt, {onRequest("Relay")})
            << "Firefox — may not be protected: the add-on “Relay” can route Firefox's traffic through its own proxy.";
        QTest::newRow("bypass, undetermined")
            << browserFinding("bypass", "Edge", "chromium")
            << "Edge — may not be protected: couldn't tell which extension controls its proxy.";
        QTest::newRow("incognito")
            << browserFinding("incognito", "Chrome", "chromium", {extension("a", "A")})
            << "Chrome — private windows not protected: the extension “A” overrides their proxy.";
        QTest::newRow("idle, undetermined")
            << firefox("idle", std::nullopt)
            << "Firefox — not open now. Tarvine couldn't tell which extension controls its proxy.";
        QTest::newRow("idle, firefox settings")
            << firefox("idle", "user_js", {extension("o", "O")})
            << "Firefox — not open now. Its own proxy settings bypass Tarvine, and the add-on “O” overrides its "
               "proxy, so it won't be protected once opened.";
        QTest::newRow("idle, firefox on-request add-ons")
            << firefox("idle", std::nullopt, {onRequest("Relay"), onRequest("Tor")})
            << "Firefox — not open now. The add-ons “Relay” and “Tor” can route Firefox's traffic through their own "
               "proxies, so it may not be protected once opened.";
        QTest::newRow("idle, extensions")
            << browserFinding("idle", "Chrome", "chromium", {extension("a", "A"), extension("b", "B")})
            << "Chrome — not open now. The extensions “A” and “B” override its proxy, so it won't be protected once "
               "opened.";
        QTest::newRow("unsupported app without a name")
            << finding("unsupported_app")
            << "Your browser — doesn't work with Tarvine protection: it's an outdated app. Use the new ChatGPT app "
               "(Chat mode) instead.";
        QTest::newRow("checking") << browserFinding("checking", "Chrome", "chromium") << "Checking your browsers…";
        QTest::newRow("could not check a browser") << withProfile(browserFinding("error", "Chrome", "chromium"))
                                                   << "Couldn't check Chrome (profile Work). Tarvine will try again.";
        QTest::newRow("could not check") << finding("unknown")
                                         << "Couldn't check your browsers. Tarvine will try again.";
    }

    void setupRows() {
        QFETCH(BrowserFinding, finding);
        QFETCH(QString, text);
        const BrowserSetupRow row = browserSetupRow(finding);
        QCOMPARE(row.text, text);
        QCOMPARE(row.kind, finding.kind);
        QCOMPARE(row.id, finding.id());
    }

    void setupRowsKeepAbsenceAndOrder() {
        QCOMPARE(browserSetupRows(std::nullopt), std::nullopt);
        QCOMPARE(browserSetupRows(status(Protection::on)), std::nullopt);
        QCOMPARE(browserSetupRows(onWithFindings({})), std::optional<QList<BrowserSetupRow>>(QList<BrowserSetupRow>{}));
        const auto rows = browserSetupRows(onWithFindings(findingsOfKinds({"idle", "bypass"}), Protection::off));
        QVERIFY(rows);
        QCOMPARE(rows->size(), 2);
        QCOMPARE(rows->at(0).id, QStringLiteral("idle:p0"));
        QCOMPARE(rows->at(1).id, QStringLiteral("bypass:p1"));
    }

    void appLink_data() {
        QTest::addColumn<std::optional<QString>>("manage");
        QTest::addColumn<OptUrl>("link");

        QTest::newRow("https") << std::optional<QString>("https://chatgpt.com/download")
                               << OptUrl(QUrl("https://chatgpt.com/download"));
        QTest::newRow("http") << std::optional<QString>("http://chatgpt.com/download") << OptUrl();
        QTest::newRow("scheme in capitals") << std::optional<QString>("HTTPS://chatgpt.com/download") << OptUrl();
        QTest::newRow("not an address") << std::optional<QString>("https://chat gpt.com") << OptUrl();
        QTest::newRow("a file") << std::optional<QString>("file:///Applications") << OptUrl();
        QTest::newRow("absent") << std::optional<QString>() << OptUrl();
    }

    void appLink() {
        QFETCH(std::optional<QString>, manage);
        QFETCH(OptUrl, link);
        BrowserFinding f = finding("unsupported_app", std::nullopt, "app");
        f.manage = manage;
        const AppNotice notice = unsupportedAppNotice(f);
        QCOMPARE(notice.link, link);
        QCOMPARE(notice.id, QStringLiteral("unsupported_app:app"));
        QCOMPARE(notice.linkTitle, QStringLiteral("Get the new ChatGPT app"));
    }

    void unsupportedAppNames() {
        const NoticeText unnamed = unsupportedAppText(finding("unsupported_app"));
        QCOMPARE(unnamed.title, QStringLiteral("ChatGPT Classic doesn't work with Tarvine protection"));
        QVERIFY(unnamed.body.startsWith(QStringLiteral("ChatGPT Classic is an outdated app")));
        QCOMPARE(unsupportedAppText(finding("unsupported_app", "ChatGPT 1.2")).title,
                 QStringLiteral("ChatGPT 1.2 doesn't work with Tarvine protection"));
    }

    void unsupportedAppBodySaysThisComputer_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("body");
        QTest::newRow("en") << "en"
                            << "ChatGPT Classic is an outdated app that accepts only OpenAI's own certificates, so it "
                               "can't connect while Tarvine protects this computer — nothing is sent. Use the new "
                               "ChatGPT app instead: its Chat mode works with Tarvine.";
        QTest::newRow("pl") << "pl"
                            << "ChatGPT Classic to przestarzała aplikacja, która przyjmuje tylko certyfikaty OpenAI, "
                               "więc nie połączy się, gdy Tarvine chroni ten komputer — nic nie zostanie wysłane. Użyj "
                               "nowej aplikacji ChatGPT: jej tryb czatu działa z Tarvine.";
    }
    void unsupportedAppBodySaysThisComputer() {
        QFETCH(QString, language);
        QFETCH(QString, body);
        L10n::setLanguage(language);
        QCOMPARE(unsupportedAppText(finding("unsupported_app")).body, body);
    }

    void appNoticesOnlyWhileOn() {
        const auto findings = findingsOfKinds({"unsupported_app", "bypass", "unsupported_app"});
        const QList<AppNotice> notices = unsupportedAppNotices(onWithFindings(findings));
        QCOMPARE(notices.size(), 2);
        QCOMPARE(notices[0].id, QStringLiteral("unsupported_app:p0"));
        QCOMPARE(notices[1].title, QStringLiteral("Browser 2 doesn't work with Tarvine protection"));
        QVERIFY(unsupportedAppNotices(onWithFindings(findings, Protection::starting)).isEmpty());
        QVERIFY(unsupportedAppNotices(std::nullopt).isEmpty());
    }

    void privateWindows() {
        BrowserFinding chrome = browserFinding("incognito", "Chrome", "chromium", {extension("a", "A")});
        chrome.profile = QStringLiteral("Work");
        BrowserFinding unnamed = finding("incognito");
        unnamed.extensions = {extension("a", "A"), extension("b", "B")};
        const auto findings = QList<BrowserFinding>{chrome, finding("bypass", "Edge"), unnamed};

        const QList<BrowserNote> notes = privateWindowNotes(onWithFindings(findings));
        QCOMPARE(notes.size(), 2);
        QCOMPARE(notes[0].id, QStringLiteral("incognito:Profile 1"));
        QCOMPARE(notes[0].text, QStringLiteral("Chrome's private windows (profile Work) are not protected: the "
                                               "extension “A” overrides their proxy. Disable it, or stop allowing it "
                                               "in private windows, in the browser's extension settings."));
        QCOMPARE(notes[1].id, QStringLiteral("incognito:"));
        QCOMPARE(notes[1].text, QStringLiteral("Your browser's private windows are not protected: the extensions “A” "
                                               "and “B” override their proxy. Disable them, or stop allowing them in "
                                               "private windows, in the browser's extension settings."));
        QVERIFY(privateWindowNotes(onWithFindings(findings, Protection::off)).isEmpty());
    }

    void polishExtensionPhrases_data() {
        QTest::addColumn<Extensions>("extensions");
        QTest::addColumn<QString>("body");

        const QString tail = QStringLiteral(
            " Problem trwa, dopóki działa Chrome, nawet bez otwartych okien. Systemowa aplikacja VPN działa z Tarvine "
            "bez problemu.");
        QTest::newRow("one") << Extensions{extension("a", "A")}
                             << "Chrome: brak ochrony — rozszerzenie „A” nadpisuje ustawienia proxy. Aby korzystać z "
                                "Tarvine, wyłącz lub usuń je (chrome://extensions)." +
                                    tail;
        QTest::newRow("two") << Extensions{extension("a", "A"), extension("b", "B")}
                             << "Chrome: brak ochrony — rozszerzenia „A” i „B” nadpisują ustawienia proxy. Aby "
                                "korzystać z Tarvine, wyłącz lub usuń je (chrome://extensions)." +
                                    tail;
        QTest::newRow("three") << Extensions{extension("a", "A"), extension("b", "B"), extension("c", "C")}
                               << "Chrome: brak ochrony — rozszerzenia „A”, „B” i „C” nadpisują ustawienia proxy. Aby "
                                  "korzystać z Tarvine, wyłącz lub usuń je (chrome://extensions)." +
                                      tail;
        QTest::newRow("five") << Extensions{extension("a", "A"), extension("b", "B"), extension("c", "C"),
                                            extension("d", "D"), extension("e", "E")}
                              << "Chrome: brak ochrony — rozszerzenia „A”, „B”, „C”, „D” i „E” nadpisują ustawienia "
                                 "proxy. Aby korzystać z Tarvine, wyłącz lub usuń je (chrome://extensions)." +
                                     tail;
    }

    void polishExtensionPhrases() {
        QFETCH(Extensions, extensions);
        QFETCH(QString, body);
        L10n::setLanguage(QStringLiteral("pl"));
        BrowserFinding f = browserFinding("bypass", "Chrome", "chromium", extensions);
        f.manage = QStringLiteral("chrome://extensions");
        const NoticeText text = bypassText(f, true);
        QCOMPARE(text.title, QStringLiteral("Chrome: brak ochrony"));
        QCOMPARE(text.body, body);
    }

    void polishCountedForms() {
        L10n::setLanguage(QStringLiteral("pl"));
        QStringList kinds(5, QStringLiteral("bypass"));
        QCOMPARE(bypassNotices(onWithFindings(findingsOfKinds(kinds))).more,
                 std::optional<QString>("Jeszcze 3 przeglądarki nie są chronione — zobacz Konfigurację."));
        kinds.append({QStringLiteral("bypass"), QStringLiteral("bypass")});
        QCOMPARE(bypassNotices(onWithFindings(findingsOfKinds(kinds))).more,
                 std::optional<QString>("Jeszcze 5 przeglądarek nie jest chronionych — zobacz Konfigurację."));

        QCOMPARE(bypassText(firefox("bypass", std::nullopt, {onRequest("Relay")}), false).body,
                 QStringLiteral("Firefox: ochrona może nie działać — dodatek „Relay” może kierować ruch przeglądarki "
                                "Firefox przez własne proxy. Wyłącz go lub usuń w about:addons, aby korzystać z "
                                "Tarvine. Systemowa aplikacja VPN działa z Tarvine bez problemu."));
        QCOMPARE(bypassText(firefox("bypass", "settings", {onRequest("Relay"), onRequest("Tor")}), false).body,
                 QStringLiteral("Firefox: brak ochrony — ustawienia połączenia w przeglądarce omijają systemowe proxy "
                                "oraz dodatki „Relay” i „Tor” mogą kierować ruch przeglądarki Firefox przez własne "
                                "serwery proxy. W ustawieniach Firefoksa → Ustawienia sieci wybierz „Użyj systemowych "
                                "ustawień serwerów proxy”, a także wyłącz je lub usuń w about:addons, aby korzystać z "
                                "Tarvine. Systemowa aplikacja VPN działa z Tarvine bez problemu."));
        // Three causes: commas, and "oraz" before the last one only.
        BrowserFinding three = firefox("bypass", "settings", {onRequest("Relay")});
        three.extensions.prepend(extension("fp", "FoxyProxy"));
        QCOMPARE(bypassText(three, false).body,
                 QStringLiteral("Firefox: brak ochrony — ustawienia połączenia w przeglądarce omijają systemowe proxy, "
                                "dodatek „FoxyProxy” nadpisuje ustawienia proxy oraz dodatek „Relay” może kierować "
                                "ruch przeglądarki Firefox przez własne proxy. W ustawieniach Firefoksa → Ustawienia "
                                "sieci wybierz „Użyj systemowych ustawień serwerów proxy”, a także wyłącz je lub usuń "
                                "w about:addons, aby korzystać z Tarvine. Systemowa aplikacja VPN działa z Tarvine bez "
                                "problemu."));
        // A browser without a name: capital at the start of a sentence, lower-case inside one.
        BrowserFinding unnamed = finding("bypass");
        unnamed.extensions = {extension("a", "A")};
        unnamed.manage = QStringLiteral("chrome://extensions");
        const NoticeText unnamedText = bypassText(unnamed, true);
        QCOMPARE(unnamedText.title, QStringLiteral("Twoja przeglądarka: brak ochrony"));
        QVERIFY2(unnamedText.body.startsWith(QStringLiteral("Twoja przeglądarka: brak ochrony — ")) &&
                     unnamedText.body.contains(QStringLiteral("dopóki działa twoja przeglądarka, nawet")),
                 qPrintable(unnamedText.body));
        // The upper-cased first character of a translated phrase.
        QCOMPARE(browserSetupRow(browserFinding("idle", "Chrome", "chromium", {extension("a", "A")})).text,
                 QStringLiteral("Chrome — w tej chwili nie działa. Rozszerzenie „A” nadpisuje ustawienia proxy, więc "
                                "po uruchomieniu przeglądarka nie będzie chroniona."));
    }

    void modeLabels_data() {
        QTest::addColumn<std::optional<QString>>("mode");
        QTest::addColumn<QString>("label");
        QTest::newRow("direct") << std::optional<QString>("direct") << "direct connection";
        QTest::newRow("fixed_servers") << std::optional<QString>("fixed_servers") << "another proxy server";
        QTest::newRow("pac_script") << std::optional<QString>("pac_script") << "proxy script";
        QTest::newRow("auto_detect") << std::optional<QString>("auto_detect") << "proxy auto-detect";
        QTest::newRow("on_request") << std::optional<QString>("on_request") << "its own proxy";
        QTest::newRow("other") << std::optional<QString>("system") << "unrecognised setting";
        QTest::newRow("absent") << std::optional<QString>() << "unrecognised setting";
    }

    void modeLabels() {
        QFETCH(std::optional<QString>, mode);
        QFETCH(QString, label);
        QCOMPARE(modeLabel(mode), label);
    }
};

QTEST_GUILESS_MAIN(BrowserNoticesTest)
#include "tst_browsernotices.moc"
