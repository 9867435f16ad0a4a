#include "FernholmKit/presentation/BrowserNotices.h"
#include "FernholmKit/presentation/BypassNotifier.h"
#include "FernholmKit/text/L10n.h"

#include <QTest>

using namespace fernholm;

namespace {

BrowserFinding finding(const QString& kind, std::optional<QString> profileId, const QString& browser = "Chrome",
                       std::optional<QString> setBy = QStringLiteral("extension")) {
    BrowserFinding f;
    f.kind = kind;
    f.browser = browser;
    f.family = QStringLiteral("chromium");
    f.profileId = std::move(profileId);
    f.profile = QStringLiteral("Work");
    f.setBy = std::move(setBy);
    f.extensions = {BrowserExtension{QStringLiteral("abcdef"), QStringLiteral("Proxy Switcher"), std::nullopt}};
    return f;
}

QString id(const QString& profile) {
    return bypassNotificationPrefix + profile;
}

QStringList identifiers(const QList<BypassNotification>& notifications) {
    QStringList out;
    for (const BypassNotification& n : notifications) {
        out.append(n.identifier);
    }
    return out;
}

} // namespace

class BypassNotifierTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { L10n::setLanguage(QStringLiteral("en")); }

    void shownOnce() {
        BypassNotifier notifier;
        const QList<BrowserFinding> findings{finding("bypass", QStringLiteral("chrome:Default"))};
        const BypassNotificationChange first = notifier.ingest(findings);
        QCOMPARE(first.show, QList<BypassNotification>{bypassNotification(findings[0])});
        QVERIFY(first.remove.isEmpty());
        QCOMPARE(notifier.ingest(findings), BypassNotificationChange());
    }

    void notShownAgainWhenOnlyTheTextChanged() {
        BypassNotifier notifier;
        BrowserFinding f = finding("bypass", QStringLiteral("chrome:Default"));
        QCOMPARE(notifier.ingest(QList<BrowserFinding>{f}).show.size(), 1);
        f.kind = QStringLiteral("unsupported_app");
        f.extensions[0].name = QStringLiteral("Another Name");
        f.profile = QStringLiteral("Home");
        f.family = QStringLiteral("firefox");
        QVERIFY(bypassNotification(f).title != bypassNotification(finding("bypass", f.profileId)).title);
        QCOMPARE(notifier.ingest(QList<BrowserFinding>{f}), BypassNotificationChange());
    }

    void allGoneWithdrawsEachIdentifierOnce_data() {
        QTest::addColumn<std::optional<QList<BrowserFinding>>>("next");
        QTest::newRow("absent") << std::optional<QList<BrowserFinding>>();
        QTest::newRow("empty") << std::optional<QList<BrowserFinding>>(QList<BrowserFinding>{});
        QTest::newRow("only a checking finding")
            << std::optional<QList<BrowserFinding>>(QList<BrowserFinding>{finding("checking", QStringLiteral("b"))});
    }
    void allGoneWithdrawsEachIdentifierOnce() {
        QFETCH(std::optional<QList<BrowserFinding>>, next);
        BypassNotifier notifier;
        const QList<BrowserFinding> findings{finding("bypass", QStringLiteral("b")),
                                             finding("bypass", QStringLiteral("a")),
                                             finding("unsupported_app", QStringLiteral("a"), "ChatGPT Classic")};
        QCOMPARE(identifiers(notifier.ingest(findings).show), (QStringList{id("b"), id("a"), id("a")}));
        const BypassNotificationChange change = notifier.ingest(next);
        QVERIFY(change.show.isEmpty());
        QCOMPARE(change.remove, (QStringList{id("a"), id("b")}));
        QCOMPARE(notifier.forgetAll(), QStringList());
    }

    void sharedIdentifierIsKept() {
        BypassNotifier notifier;
        const BrowserFinding extension = finding("bypass", QStringLiteral("p1"));
        const BrowserFinding settings = finding("bypass", QStringLiteral("p1"), "Chrome", QStringLiteral("settings"));
        const BrowserFinding other = finding("bypass", QStringLiteral("p2"));
        QCOMPARE(notifier.ingest(QList<BrowserFinding>{extension, settings, other}).show.size(), 3);

        const BypassNotificationChange change = notifier.ingest(QList<BrowserFinding>{settings});
        QVERIFY(change.show.isEmpty());
        QCOMPARE(change.remove, QStringList{id("p2")});

        // Back again: shown anew, under the identifier it shares.
        const BypassNotificationChange back = notifier.ingest(QList<BrowserFinding>{settings, extension});
        QCOMPARE(identifiers(back.show), QStringList{id("p1")});
        QCOMPARE(back.show[0], bypassNotification(extension));
        QVERIFY(back.remove.isEmpty());
    }

    void checkingNeverNotifies() {
        BypassNotifier notifier;
        BrowserFinding f = finding("checking", QStringLiteral("chrome:Default"));
        BrowserFinding unknown = finding("unknown", QStringLiteral("edge:Default"), "Edge");
        QCOMPARE(notifier.ingest(QList<BrowserFinding>{f, unknown}), BypassNotificationChange());
        QCOMPARE(notifier.forgetAll(), QStringList());
        // Once the check finds a bypass it is new, and shown.
        f.kind = QStringLiteral("bypass");
        QCOMPARE(identifiers(notifier.ingest(QList<BrowserFinding>{f}).show), QStringList{id("chrome:Default")});
    }

    void firstFindingOfAKeyWins() {
        BypassNotifier notifier;
        const BrowserFinding app = finding("unsupported_app", QStringLiteral("x"));
        const BrowserFinding bypass = finding("bypass", QStringLiteral("x"));
        const BypassNotificationChange change = notifier.ingest(QList<BrowserFinding>{app, bypass});
        QCOMPARE(change.show, QList<BypassNotification>{bypassNotification(app)});
    }

    void forgetAll() {
        BypassNotifier notifier;
        notifier.ingest(QList<BrowserFinding>{finding("bypass", QStringLiteral("z")), finding("bypass", std::nullopt),
                                              finding("bypass", QStringLiteral("z"), "Chrome", QStringLiteral("mdm"))});
        QCOMPARE(notifier.forgetAll(), (QStringList{bypassNotificationPrefix, id("z")}));
        QCOMPARE(notifier.forgetAll(), QStringList());
        const QList<BrowserFinding> again{finding("bypass", QStringLiteral("z"))};
        QCOMPARE(identifiers(notifier.ingest(again).show), QStringList{id("z")});
    }

    void notificationTexts_data() {
        QTest::addColumn<BrowserFinding>("finding");
        QTest::addColumn<QString>("identifier");
        QTest::addColumn<bool>("unsupportedApp");
        QTest::newRow("bypass") << finding("bypass", QStringLiteral("chrome:Default")) << id("chrome:Default") << false;
        QTest::newRow("unsupported app") << finding("unsupported_app", QStringLiteral("chatgpt-classic"))
                                         << id("chatgpt-classic") << true;
        QTest::newRow("no profile") << finding("bypass", std::nullopt) << bypassNotificationPrefix << false;
    }
    void notificationTexts() {
        QFETCH(BrowserFinding, finding);
        QFETCH(QString, identifier);
        QFETCH(bool, unsupportedApp);
        const BypassNotification n = bypassNotification(finding);
        QCOMPARE(n.identifier, identifier);
        const auto text = unsupportedApp ? unsupportedAppText(finding) : bypassText(finding, false);
        QCOMPARE(n.title, text.title);
        QCOMPARE(n.body, text.body);
        // Notifications never name the profile.
        QVERIFY(!n.title.contains(QStringLiteral("Work")));
        QVERIFY(!n.body.contains(QStringLiteral("Work")));
    }

    void keys_data() {
        QTest::addColumn<BrowserFinding>("first");
        QTest::addColumn<BrowserFinding>("second");
        QTest::addColumn<bool>("same");
        BrowserFinding twoExtensions = finding("bypass", QStringLiteral("p"));
        twoExtensions.extensions = {BrowserExtension{"b", "B", QStringLiteral("fixed_servers")},
                                    BrowserExtension{"a", "A", std::nullopt}};
        BrowserFinding reordered = twoExtensions;
        std::reverse(reordered.extensions.begin(), reordered.extensions.end());
        BrowserFinding otherMode = twoExtensions;
        otherMode.extensions[0].mode = QStringLiteral("pac_script");
        BrowserFinding otherKind = twoExtensions;
        otherKind.kind = QStringLiteral("unsupported_app");
        BrowserFinding emptyMode = twoExtensions;
        emptyMode.mode = QStringLiteral("");
        BrowserFinding otherBrowserMode = twoExtensions;
        otherBrowserMode.mode = QStringLiteral("system");
        QTest::newRow("extensions in another order") << twoExtensions << reordered << true;
        QTest::newRow("kind is no part") << twoExtensions << otherKind << true;
        QTest::newRow("absent and empty mode") << twoExtensions << emptyMode << true;
        QTest::newRow("extension mode") << twoExtensions << otherMode << false;
        QTest::newRow("finding mode") << twoExtensions << otherBrowserMode << false;
        QTest::newRow("profile") << finding("bypass", QStringLiteral("p")) << finding("bypass", QStringLiteral("q"))
                                 << false;
        QTest::newRow("browser") << finding("bypass", QStringLiteral("p"))
                                 << finding("bypass", QStringLiteral("p"), "Edge") << false;
    }
    void keys() {
        QFETCH(BrowserFinding, first);
        QFETCH(BrowserFinding, second);
        QFETCH(bool, same);
        QCOMPARE(BypassNotifier::key(first) == BypassNotifier::key(second), same);
    }
};

QTEST_GUILESS_MAIN(BypassNotifierTest)
#include "tst_bypassnotifier.moc"
