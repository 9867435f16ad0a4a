// Every page of the main window in Polish at the window's minimum size, light and dark, on a
// model holding the kind of data a user has after a day of use: the screenshots are for reading
// each Polish text where it stands. The page must also show no text that is still in English.

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/shell/RootView.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/ActivityFeedAccess.h"
#include "app/support/AppModelAccess.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/StatusFixtures.h"

#include <QTest>

using namespace fernholm;
using namespace fernholm::test;

Q_DECLARE_METATYPE(fernholm::AppTab)
Q_DECLARE_METATYPE(fernholm::ColorScheme)

namespace {

Status dayOfUse() {
    Status s = status(Protection::on, true);
    s.counters.redacted = 12;
    s.counters.passed = 340;
    s.counters.blocked = 22;
    s.counters.entities = {{QStringLiteral("PERSON"), 9}, {QStringLiteral("EMAIL_ADDRESS"), 3}};
    s.browserBypass = findingsOfKinds({QStringLiteral("incognito")});
    return s;
}

QList<Event> recentEvents() {
    QList<Event> events;
    const QStringList statuses{QStringLiteral("redacted"), QStringLiteral("blocked"),
                               QStringLiteral("document_redacted"), QStringLiteral("redacted"),
                               QStringLiteral("passed")};
    for (int i = 0; i < statuses.size(); ++i) {
        Event e;
        e.ts = QStringLiteral("2025-05-05T09:%1:00Z").arg(10 + i);
        e.surface = i % 2 == 0 ? QStringLiteral("claude_web") : QStringLiteral("chatgpt_web");
        e.status = statuses.at(i);
        e.tokens = {QStringLiteral("[PERSON_1]"), QStringLiteral("[EMAIL_ADDRESS_1]")};
        e.entities = {{QStringLiteral("PERSON"), 1}, {QStringLiteral("EMAIL_ADDRESS"), 1}};
        if (e.status == QLatin1String("blocked")) {
            e.reason = QStringLiteral("unreadable request (gzip)");
        }
        events << e;
    }
    return events;
}

RedactionPage rules() {
    RedactionPage page;
    page.categories = {
        RedactionCategory{"identity",
                          "Identity",
                          {RedactionType{"PERSON", "Person name", "model", true, false},
                           RedactionType{"PL_PESEL", "PESEL number", "checksum", true, true},
                           RedactionType{"PASSPORT_NUMBER", "Passport number", "none", false, false}}},
        RedactionCategory{"contact",
                          "Contact details",
                          {RedactionType{"EMAIL_ADDRESS", "Email address", "rules", true, false},
                           RedactionType{"PHONE_NUMBER", "Phone number", "rules", false, false}}},
    };
    page.allowlist = {QStringLiteral("Northwind Traders")};
    page.blocklist = {BlocklistEntry{"Projekt Czapla", "nazwa_projektu"}};
    OrganisationPolicy policy;
    policy.requiredTypes = {QStringLiteral("PL_PESEL")};
    policy.allowlist = {QStringLiteral("Contoso")};
    page.organisation = policy;
    return page;
}

QString tabName(AppTab tab) {
    switch (tab) {
    case AppTab::home:
        return QStringLiteral("home");
    case AppTab::activity:
        return QStringLiteral("activity");
    case AppTab::providers:
        return QStringLiteral("providers");
    case AppTab::redaction:
        return QStringLiteral("redaction");
    case AppTab::test:
        return QStringLiteral("prompts");
    case AppTab::testDocument:
        return QStringLiteral("documents");
    case AppTab::setup:
        return QStringLiteral("setup");
    case AppTab::settings:
        return QStringLiteral("settings");
    }
    return QStringLiteral("page");
}

} // namespace

class PagesInPolishTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useBundledResources(); }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void screenshots_data() {
        QTest::addColumn<AppTab>("tab");
        QTest::addColumn<ColorScheme>("scheme");
        for (const AppTab tab : allAppTabs) {
            if (tab == AppTab::testDocument) {
                continue; // the studio's web page, not ours to word
            }
            QTest::newRow(qPrintable(tabName(tab) + QStringLiteral("-light"))) << tab << ColorScheme::light;
            QTest::newRow(qPrintable(tabName(tab) + QStringLiteral("-dark"))) << tab << ColorScheme::dark;
        }
    }

    void screenshots() {
        QFETCH(AppTab, tab);
        QFETCH(ColorScheme, scheme);
        L10n::setLanguage(QStringLiteral("pl"));
        TestPlatform fakes;
        fakes.defaults->setValue(RootView::setupKey, true);
        fakes.defaults->setValue(Tour::flagKey, true);
        fakes.defaults->setValue(RootView::languageKey, QStringLiteral("pl"));
        AppModel model(quickConfig(), fakes.platform());
        AppModelAccess::setLink(model, SidecarLink::trusted);
        AppModelAccess::setStatus(model, dayOfUse());
        AppModelAccess::setProviders(model, {provider("chatgpt", "ChatGPT", true, std::nullopt),
                                             provider("claude", "Claude", true, std::nullopt),
                                             provider("gemini", "Gemini", false, std::nullopt),
                                             provider("spellbook", "Spellbook", false, true)});
        ActivityFeedAccess::setRecentEvents(model.activity(), recentEvents(), 0);
        RedactionDraftAccess::setSaved(model.redactionDraft(), rules());
        RedactionDraftAccess::setEdited(model.redactionDraft(), rules());
        RootViewHooks hooks;
        hooks.studioPage = [] {
            return new QWidget;
        };
        RootView root(model, fakes.defaults, std::function<void()>(), hooks);
        root.resize(root.minimumSize());
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        root.select(tab);
        QCOMPARE(root.selection(), tab);
        QCOMPARE(root.size(), QSize(900, 640));
        const QString name =
            QStringLiteral("pl-%1-%2").arg(tabName(tab), scheme == ColorScheme::dark ? "dark" : "light");
        QVERIFY(!saveScreenshot(render(&root, scheme), name).isEmpty());
    }
};

QTEST_MAIN(PagesInPolishTest)
#include "tst_pagesinpolish.moc"
