// The redaction rules page. The switch logic and the layout run on a model without a gateway
// whose rules the test sets; the round trips launch the stand-in gateway as the model launches
// it, click as a user would and read what reached the gateway from its log.
#include "FernholmApp/components/controls/Motion.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/TriStateSwitch.h"
#include "FernholmApp/components/controls/VSwitch.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/text/SectionLabel.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/redaction/DocumentOptionsCard.h"
#include "FernholmApp/pages/redaction/OrganisationSection.h"
#include "FernholmApp/pages/redaction/RedactionAllowlistCard.h"
#include "FernholmApp/pages/redaction/RedactionBlocklistCard.h"
#include "FernholmApp/pages/redaction/RedactionCategoryCard.h"
#include "FernholmApp/pages/redaction/RedactionLists.h"
#include "FernholmApp/pages/redaction/RedactionScreen.h"
#include "FernholmApp/pages/redaction/UnsavedChangesBar.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/AppModelAccess.h"
#include "app/support/LayoutTesting.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/ClientFixtures.h"
#include "support/LoopbackPort.h"

#include <QAccessible>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;

namespace {

// Real launches, possibly under a sanitizer on a busy machine.
constexpr int patienceMs = 30'000;

const QString rulesPath = QStringLiteral("/api/redaction");

using State = TriStateSwitch::State;

RedactionType type(const QString& key, bool enabled, bool locked = false, const QString& source = "rules") {
    return RedactionType{key, key.toLower(), source, enabled, locked};
}

RedactionCategory category(const QString& key, const QList<RedactionType>& types) {
    return RedactionCategory{key, key.left(1).toUpper() + key.mid(1), types};
}

// Categories with these numbers of types, every type on.
QList<RedactionCategory> sized(const QList<int>& typeCounts) {
    QList<RedactionCategory> categories;
    for (int c = 0; c < typeCounts.size(); ++c) {
        QList<RedactionType> types;
        for (int t = 0; t < typeCounts.at(c); ++t) {
            types.append(type(QStringLiteral("T%1_%2").arg(c).arg(t), true));
        }
        categories.append(category(QStringLiteral("c%1").arg(c), types));
    }
    return categories;
}

// Types written as "on", "off", "locked-on", "locked-off".
QList<RedactionType> typesFrom(const QStringList& specs) {
    QList<RedactionType> types;
    for (int i = 0; i < specs.size(); ++i) {
        const QString& spec = specs.at(i);
        types.append(type(QStringLiteral("T%1").arg(i), spec.endsWith(QLatin1String("on")),
                          spec.startsWith(QLatin1String("locked"))));
    }
    return types;
}

QStringList specsOf(const QList<RedactionType>& types) {
    QStringList specs;
    for (const RedactionType& t : types) {
        specs << (t.locked ? QStringLiteral("locked-") : QString()) + (t.enabled ? "on" : "off");
    }
    return specs;
}

// What a user sees on this computer: real catalogue keys (so that Polish names show), a type the
// organisation requires, one of each source and a category the user cannot change at all.
RedactionPage sampleRules() {
    RedactionPage page;
    page.categories = {
        RedactionCategory{"identity",
                          "Identity",
                          {RedactionType{"PERSON", "Person name", "model", true, false},
                           RedactionType{"DATE_OF_BIRTH", "Date of birth", "rules", false, false},
                           RedactionType{"PL_PESEL", "PESEL number", "checksum", true, true},
                           RedactionType{"PASSPORT_NUMBER", "Passport number", "none", false, false}}},
        RedactionCategory{"contact",
                          "Contact details",
                          {RedactionType{"EMAIL_ADDRESS", "Email address", "rules", true, false},
                           RedactionType{"PHONE_NUMBER", "Phone number", "rules", true, false}}},
        RedactionCategory{"secrets",
                          "Secrets",
                          {RedactionType{"PRIVATE_KEY", "Private key", "rules", true, true},
                           RedactionType{"PASSWORD", "Password", "model", true, true}}},
        RedactionCategory{"financial",
                          "Financial",
                          {RedactionType{"IBAN", "IBAN", "rules", false, false},
                           RedactionType{"PAYMENT_CARD", "Payment card", "rules", false, false}}},
    };
    page.allowlist = {"Northwind Traders"};
    page.blocklist = {BlocklistEntry{"Project Heron", "project_name"}};
    OrganisationPolicy policy;
    policy.requiredTypes = {"PL_PESEL", "PRIVATE_KEY", "PASSWORD"};
    policy.allowlist = {"Contoso"};
    policy.blocklist = {BlocklistEntry{"Falcon", "codename"}};
    page.organisation = policy;
    return page;
}

QJsonObject rulesJson(const QString& categoryKey) {
    const QJsonObject cat{{"key", categoryKey}, {"display", categoryKey}, {"types", QJsonArray{}}};
    return {{"categories", QJsonArray{cat}},
            {"allowlist", QJsonArray{}},
            {"blocklist", QJsonArray{}},
            {"document", QJsonObject{{"box_style", "labelled"}, {"codes", "blank"}}}};
}

QString jsonText(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

void click(QAbstractButton* button) {
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

QRect rectIn(const QWidget* widget, const QWidget* ancestor) {
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

} // namespace

class RedactionScreenTest : public QObject, public StandInModel {
    Q_OBJECT

    std::unique_ptr<RedactionScreen> m_screen;

    // A model whose gateway has proven itself, and the page on it with the gateway's rules.
    RedactionScreen& ready(int width = 900, int height = 800) {
        makeModel();
        m_model->start();
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(m_model->supervision().sidecarState(), SidecarState::ready(), patienceMs);
        }();
        shown(width, height);
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(!m_model->redactionDraft().saved().categories.isEmpty(), patienceMs);
        }();
        settle();
        return *m_screen;
    }

    // The page on a model without a gateway, holding `rules` as saved and edited copy.
    RedactionScreen& offline(const RedactionPage& rules, int width = 900, int height = 800) {
        m_model = std::make_unique<AppModel>(m_config, m_fakes->platform());
        RedactionDraftAccess::setSaved(m_model->redactionDraft(), rules);
        RedactionDraftAccess::setEdited(m_model->redactionDraft(), rules);
        return shown(width, height);
    }

    RedactionScreen& shown(int width, int height) {
        m_screen = std::make_unique<RedactionScreen>(*m_model);
        m_screen->resize(width, height);
        m_screen->show();
        [&] {
            QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
        }();
        settle();
        return *m_screen;
    }

    QList<QJsonObject> sent(const QString& method, const QString& path) const {
        QList<QJsonObject> bodies;
        for (const QJsonValue& entry : gatewayLog(*m_model)) {
            const QJsonObject e = entry.toObject();
            if (e.value("path").toString() == path && e.value("method").toString() == method) {
                bodies.append(jsonObject(e.value("body").toString().toUtf8()));
            }
        }
        return bodies;
    }

    // The switch of the type `key`, wherever it is.
    VSwitch* typeSwitch(const QString& key) const {
        for (int c = 0; c < m_screen->categoryCardCount(); ++c) {
            RedactionCategoryCard* card = m_screen->categoryCard(c);
            for (int t = 0; t < card->rows().size(); ++t) {
                if (card->category().types.at(t).key == key) {
                    return card->rows().at(t).toggle;
                }
            }
        }
        return nullptr;
    }

    // Every switch as shown, "KEY=1" or "KEY=0", in page order.
    QStringList shownSwitches() const {
        QStringList shown;
        for (int c = 0; c < m_screen->categoryCardCount(); ++c) {
            RedactionCategoryCard* card = m_screen->categoryCard(c);
            for (int t = 0; t < card->rows().size(); ++t) {
                shown << card->category().types.at(t).key + (card->rows().at(t).toggle->isOn() ? "=1" : "=0");
            }
        }
        return shown;
    }

    bool barShown() const { return m_screen->unsavedBar()->isVisible(); }

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }

    void init() {
        QVERIFY(setUpStandIn());
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        m_screen.reset();
        tearDownStandIn();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // --- Derived values ---

    void categoryColumns_data() {
        QTest::addColumn<QList<int>>("typeCounts");
        QTest::addColumn<QList<int>>("left");
        QTest::addColumn<QList<int>>("right");
        QTest::newRow("5,3,2,4") << QList<int>{5, 3, 2, 4} << QList<int>{0, 3} << QList<int>{1, 2};
        QTest::newRow("one goes left") << QList<int>{3} << QList<int>{0} << QList<int>{};
        QTest::newRow("two equal: one each") << QList<int>{4, 4} << QList<int>{0} << QList<int>{1};
        QTest::newRow("none") << QList<int>{} << QList<int>{} << QList<int>{};
        // Empty categories still weigh 2: they alternate.
        QTest::newRow("empty categories") << QList<int>{0, 0, 0} << QList<int>{0, 2} << QList<int>{1};
        QTest::newRow("a long first card") << QList<int>{10, 1, 1, 1} << QList<int>{0} << QList<int>{1, 2, 3};
    }
    void categoryColumns() {
        QFETCH(QList<int>, typeCounts);
        QFETCH(QList<int>, left);
        QFETCH(QList<int>, right);
        const RedactionScreen::Columns columns = RedactionScreen::categoryColumns(sized(typeCounts));
        QCOMPARE(columns[0], left);
        QCOMPARE(columns[1], right);
    }

    // The page places its cards as the columns say, each column top-aligned, 16 apart, equally
    // wide.
    void theGridShowsTheColumns() {
        RedactionPage rules;
        rules.categories = sized({5, 3, 2, 4});
        RedactionScreen& screen = offline(rules);
        QCOMPARE(screen.shownColumns()[0], (QList<int>{0, 3}));
        QCOMPARE(screen.shownColumns()[1], (QList<int>{1, 2}));
        QWidget* grid = screen.categoriesGrid();
        const QRect c0 = rectIn(screen.categoryCard(0), grid);
        const QRect c1 = rectIn(screen.categoryCard(1), grid);
        const QRect c2 = rectIn(screen.categoryCard(2), grid);
        const QRect c3 = rectIn(screen.categoryCard(3), grid);
        QCOMPARE(c0.top(), 0);
        QCOMPARE(c1.top(), 0);
        QCOMPARE(c0.width(), c1.width());
        QCOMPARE(c1.left() - c0.right() - 1, 16);
        QCOMPARE(c3.left(), c0.left());
        QCOMPARE(c3.top() - c0.bottom() - 1, 16);
        QCOMPARE(c2.left(), c1.left());
        QCOMPARE(c2.top() - c1.bottom() - 1, 16);
        // Cards are as tall as their rows, not stretched to the column.
        QVERIFY(c1.height() < c0.height());
    }

    void counts() {
        const RedactionPage rules = sampleRules();
        QCOMPARE(RedactionScreen::counts(rules), (RedactionScreen::Counts{6, 10}));
        QCOMPARE(RedactionScreen::counts(RedactionPage()), (RedactionScreen::Counts{0, 0}));
        RedactionScreen& screen = offline(rules);
        QCOMPARE(screen.header()->subtitleLabel()->text(),
                 QStringLiteral("What Tarvine replaces before a message or file leaves this computer. 6 of 10 types on."));
        QCOMPARE(screen.categoryCard(0)->countLabel()->text(), QStringLiteral("2 of 4 on"));
        // Locked types count like any other.
        QCOMPARE(screen.categoryCard(2)->countLabel()->text(), QStringLiteral("2 of 2 on"));
    }

    // Before the first load, or from a gateway without categories: zero counts, no cards, no bar.
    void anEmptyPageShowsNothingToSwitch() {
        RedactionScreen& screen = offline(RedactionPage());
        QCOMPARE(screen.header()->subtitleLabel()->text(),
                 QStringLiteral("What Tarvine replaces before a message or file leaves this computer. 0 of 0 types on."));
        QCOMPARE(screen.categoryCardCount(), 0);
        QVERIFY(!screen.categoriesGrid()->isVisible());
        QVERIFY(!barShown());
    }

    void sourceLabel_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("label");
        QTest::newRow("rules") << "rules" << "Rules";
        QTest::newRow("model") << "model" << "Model";
        QTest::newRow("none") << "none" << "Not detected";
        QTest::newRow("capital Rules") << "Rules" << "Rules + model";
        QTest::newRow("empty") << "" << "Rules + model";
        QTest::newRow("checksum") << "checksum" << "Rules + model";
    }
    void sourceLabel() {
        QFETCH(QString, source);
        QFETCH(QString, label);
        QCOMPARE(RedactionScreen::sourceLabel(source), label);
    }

    // --- The category switch ---

    void categorySwitch_data() {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("afterClick");
        QTest::newRow("on, off and a locked off: mixed")
            << QStringList{"on", "off", "locked-off"} << int(State::mixed) << true
            << QStringList{"on", "on", "locked-off"};
        QTest::newRow("all unlocked on, a locked off: on")
            << QStringList{"on", "locked-off", "on"} << int(State::on) << true
            << QStringList{"off", "locked-off", "off"};
        QTest::newRow("all off, a locked on: off")
            << QStringList{"off", "off", "locked-on"} << int(State::off) << true
            << QStringList{"on", "on", "locked-on"};
        QTest::newRow("one unlocked off") << QStringList{"off"} << int(State::off) << true << QStringList{"on"};
        QTest::newRow("all locked: disabled")
            << QStringList{"locked-on", "locked-off"} << int(State::off) << false
            << QStringList{"locked-on", "locked-off"};
        QTest::newRow("no types: disabled") << QStringList{} << int(State::off) << false << QStringList{};
    }
    void categorySwitch() {
        QFETCH(QStringList, types);
        QFETCH(int, state);
        QFETCH(bool, enabled);
        QFETCH(QStringList, afterClick);
        RedactionPage rules;
        rules.categories = {category("other", {type("X", true)}), category("identity", typesFrom(types))};
        RedactionScreen& screen = offline(rules);
        TriStateSwitch* all = screen.categoryCard(1)->categorySwitch();
        QCOMPARE(int(all->state()), state);
        QCOMPARE(all->isEnabled(), enabled);

        QAccessibleInterface* access = QAccessible::queryAccessibleInterface(all);
        QVERIFY(access);
        QCOMPARE(access->role(), QAccessible::CheckBox);
        QCOMPARE(access->text(QAccessible::Name), QStringLiteral("All types in Identity"));
        QCOMPARE(bool(access->state().checkStateMixed), state == int(State::mixed));
        QCOMPARE(bool(access->state().checked), state == int(State::on));

        QSignalSpy changes(&m_model->redactionDraft(), &RedactionDraft::changed);
        click(all);
        QCOMPARE(specsOf(m_model->redactionDraft().edited().categories.at(1).types), afterClick);
        QCOMPARE(changes.size(), afterClick == types ? 0 : 1);
        // The other category is not touched; the page shows what the model holds.
        QCOMPARE(m_model->redactionDraft().edited().categories.at(0), rules.categories.at(0));
        QCOMPARE(int(all->state()),
                 int(RedactionScreen::categoryState(m_model->redactionDraft().edited().categories.at(1))));
        QCOMPARE(barShown(), afterClick != types);
    }

    // --- Type switches ---

    void aLockedTypeIsShownButNotSwitchable() {
        RedactionScreen& screen = offline(sampleRules());
        const RedactionCategoryCard::Row& pesel = screen.categoryCard(0)->rows().at(2);
        const RedactionCategoryCard::Row& person = screen.categoryCard(0)->rows().at(0);
        QVERIFY(pesel.lockMark->isVisible());
        QVERIFY(!person.lockMark->isVisible());
        QVERIFY(!pesel.toggle->isEnabled());
        QVERIFY(person.toggle->isEnabled());
        QCOMPARE(pesel.toggle->accessibleDescription(), QStringLiteral("Required by your organisation"));
        QCOMPARE(person.toggle->accessibleDescription(), QString());
        QCOMPARE(pesel.lockMark->toolTip(), QStringLiteral("Required by your organisation; set in the Tarvine panel."));
        QCOMPARE(person.source->text(), QStringLiteral("Model"));
        QCOMPARE(pesel.source->text(), QStringLiteral("Rules + model"));
        QCOMPARE(screen.categoryCard(0)->rows().at(3).source->text(), QStringLiteral("Not detected"));

        click(pesel.toggle);
        QCOMPARE(m_model->redactionDraft().edited(), sampleRules());
        QVERIFY(!barShown());
        // A whole category of locked types: every row marked, the category switch off limits.
        for (const auto& row : screen.categoryCard(2)->rows()) {
            QVERIFY(row.lockMark->isVisible());
            QVERIFY(!row.toggle->isEnabled());
        }
        QVERIFY(!screen.categoryCard(2)->categorySwitch()->isEnabled());
    }

    // One flip is one change of the model; flipping back leaves no change and no bar.
    void flippingATypeShowsTheBarUntilItIsFlippedBack() {
        RedactionScreen& screen = offline(sampleRules());
        VSwitch* birth = screen.categoryCard(0)->rows().at(1).toggle;
        QSignalSpy changes(&m_model->redactionDraft(), &RedactionDraft::changed);
        click(birth);
        QCOMPARE(changes.size(), 1);
        QVERIFY(m_model->redactionDraft().edited().categories.at(0).types.at(1).enabled);
        QVERIFY(birth->isOn());
        QVERIFY(barShown());
        QCOMPARE(screen.header()->subtitleLabel()->text(),
                 QStringLiteral("What Tarvine replaces before a message or file leaves this computer. 7 of 10 types on."));
        QCOMPARE(int(screen.categoryCard(0)->categorySwitch()->state()), int(State::mixed));

        click(birth);
        QCOMPARE(changes.size(), 2);
        QVERIFY(!birth->isOn());
        QVERIFY(!barShown());
        QVERIFY(!m_model->redactionDraft().hasChanges());
    }

    // Save and Discard reach the model whatever its busy flag says; Discard restores every switch.
    void theBarsButtonsReachTheModel() {
        RedactionScreen& screen = offline(sampleRules());
        AppModelAccess::setBusy(*m_model, true);
        const QStringList before = shownSwitches();
        click(screen.categoryCard(3)->categorySwitch());
        click(screen.categoryCard(0)->rows().at(0).toggle);
        QVERIFY(barShown());
        QVERIFY(shownSwitches() != before);
        UnsavedChangesBar* bar = screen.unsavedBar();
        QVERIFY(bar->saveButton()->isEnabled());
        QVERIFY(bar->discardButton()->isEnabled());

        click(bar->discardButton());
        QCOMPARE(m_model->redactionDraft().edited(), sampleRules());
        QCOMPARE(shownSwitches(), before);
        QVERIFY(!barShown());
    }

    // The bar floats 16 below the top and 20 from the trailing edge of the visible page, however
    // far the page is scrolled, over the cards.
    void theBarStaysInTheTopTrailingCorner() {
        RedactionPage rules;
        rules.categories = sized({8, 7, 6, 5, 6, 7});
        RedactionScreen& screen = offline(rules, 900, 600);
        click(screen.categoryCard(1)->rows().at(0).toggle);
        settle();
        UnsavedChangesBar* bar = screen.unsavedBar();
        QVERIFY(bar->isVisible());
        Page* page = screen.page();
        QCOMPARE(bar->parentWidget(), static_cast<QWidget*>(page));
        const auto capsuleInPage = [&] { return bar->capsuleRect().translated(bar->pos()); };
        QCOMPARE(capsuleInPage().top(), 16.0);
        QCOMPARE(capsuleInPage().right(), page->width() - 20.0);

        QScrollBar* scroll = page->verticalScrollBar();
        QVERIFY(scroll->maximum() > 0);
        scroll->setValue(scroll->maximum());
        settle();
        QCOMPARE(capsuleInPage().top(), 16.0);
        QCOMPARE(capsuleInPage().right(), page->width() - 20.0);

        screen.resize(1000, 600);
        settle();
        QCOMPARE(capsuleInPage().right(), page->width() - 20.0);

        // Drawn over the page: the capsule's own fill at its leading end, before the text.
        const QImage image = render(&screen, ColorScheme::light);
        const QPointF probe = page->mapTo(&screen, QPoint(0, 0)) + capsuleInPage().topLeft() +
                              QPointF(8, capsuleInPage().height() / 2);
        FERNHOLM_COMPARE_COLOR(sample(image, probe), Theme::surface.resolve(ColorScheme::light), 3);
    }

    // New rules with the same categories and types update the cards in place: the same widgets,
    // the focus where it was. Other categories reshape the grid.
    void newRulesUpdateThePageInPlace() {
        RedactionScreen& screen = offline(sampleRules());
        RedactionCategoryCard* identity = screen.categoryCard(0);
        VSwitch* birth = identity->rows().at(1).toggle;
        birth->setFocus();
        QVERIFY(birth->hasFocus());

        RedactionPage reloaded = sampleRules();
        reloaded.categories[0].types[1].enabled = true;
        reloaded.categories[0].types[1].source = "none";
        RedactionDraftAccess::setSaved(m_model->redactionDraft(), reloaded);
        RedactionDraftAccess::setEdited(m_model->redactionDraft(), reloaded);
        settle();
        QCOMPARE(screen.categoryCard(0), identity);
        QCOMPARE(identity->rows().at(1).toggle, birth);
        QVERIFY(birth->hasFocus());
        QVERIFY(birth->isOn());
        QCOMPARE(identity->rows().at(1).source->text(), QStringLiteral("Not detected"));
        QCOMPARE(identity->countLabel()->text(), QStringLiteral("3 of 4 on"));

        RedactionPage fewer = reloaded;
        fewer.categories.removeFirst();
        fewer.categories[0].types.append(RedactionType{"LOCATION", "Place name", "model", false, false});
        RedactionDraftAccess::setSaved(m_model->redactionDraft(), fewer);
        RedactionDraftAccess::setEdited(m_model->redactionDraft(), fewer);
        settle();
        QCOMPARE(screen.categoryCardCount(), 3);
        QCOMPARE(screen.categoryCard(0)->rows().size(), 3);
        QCOMPARE(screen.categoryCard(0)->nameLabel()->text(), QStringLiteral("CONTACT DETAILS"));
        // Heights 5, 4, 4: contact left, secrets right, financial right.
        QCOMPARE(screen.shownColumns()[0], (QList<int>{0}));
        QCOMPARE(screen.shownColumns()[1], (QList<int>{1, 2}));
        QCOMPARE(rectIn(screen.categoryCard(2), screen.categoriesGrid()).left(),
                 rectIn(screen.categoryCard(1), screen.categoriesGrid()).left());
    }

    // With animations on, the bar slides down into its place and back up out of sight.
    void theBarSlidesInAndOut() {
        RedactionScreen& screen = offline(sampleRules());
        Motion::setEnabled(true);
        const auto restore = qScopeGuard([] { Motion::setEnabled(false); });
        UnsavedChangesBar* bar = screen.unsavedBar();
        const auto capsuleTop = [bar] { return bar->capsuleRect().translated(bar->pos()).top(); };
        click(screen.categoryCard(0)->rows().at(1).toggle);
        QVERIFY(bar->isVisible());
        QVERIFY(capsuleTop() < 16.0);
        // At rest in place, with nothing left over from the fade.
        QTRY_VERIFY(capsuleTop() == 16.0 && !bar->graphicsEffect());

        click(screen.categoryCard(0)->rows().at(1).toggle);
        QVERIFY(bar->isVisible()); // still sliding away
        QTRY_VERIFY(!bar->isVisible());
        QVERIFY(capsuleTop() < 0.0);
    }

    // Under the grid, one section gap apart: the two list cards side by side and equally high,
    // then the organisation's policy and the document options.
    void theListsFollowTheGrid() {
        RedactionScreen& screen = offline(sampleRules(), 900, 800);
        RedactionLists* lists = screen.lists();
        QVERIFY(lists->isVisible());
        QWidget* content = screen.page()->content();
        const QRect grid = rectIn(screen.categoriesGrid(), content);
        QCOMPARE(rectIn(lists, content).top() - grid.bottom() - 1, int(Theme::sectionGap));
        QCOMPARE(rectIn(lists, content).left(), grid.left());
        QCOMPARE(lists->width(), grid.width());
        const QRect allow = rectIn(lists->allowlistCard(), content);
        const QRect block = rectIn(lists->blocklistCard(), content);
        QCOMPARE(allow.top(), block.top());
        QCOMPARE(allow.height(), block.height());
        QCOMPARE(block.left() - allow.right() - 1, 16);
        QVERIFY(lists->organisationSection()->isVisible());
        QVERIFY(rectIn(lists->documentsCard(), content).top() > rectIn(lists->organisationSection(), content).bottom());
    }

    // --- On the gateway ---

    // Shown: the rules are fetched. One flip shows the bar; Save sends the switches split by
    // state and nothing of the organisation, and the bar goes once the gateway has answered.
    void saveSendsTheSwitchesAndHidesTheBar() {
        RedactionScreen& screen = ready();
        QVERIFY(gatewayRequests(*m_model).contains(QStringLiteral("GET /api/redaction")));
        QCOMPARE(screen.categoryCardCount(), 6);
        QCOMPARE(RedactionScreen::counts(m_model->redactionDraft().edited()), (RedactionScreen::Counts{26, 26}));
        QVERIFY(!barShown());

        VSwitch* email = typeSwitch("EMAIL_ADDRESS");
        QVERIFY(email);
        click(email);
        QVERIFY(barShown());
        click(screen.unsavedBar()->saveButton());
        QTRY_VERIFY_WITH_TIMEOUT(!barShown(), patienceMs);
        QVERIFY(!email->isOn());

        const QList<QJsonObject> posts = sent("POST", rulesPath);
        QCOMPARE(posts.size(), 1);
        const QJsonObject body = posts.first();
        QCOMPARE(body.value("disabled_types").toArray(), QJsonArray{"EMAIL_ADDRESS"});
        QCOMPARE(body.value("enabled_types").toArray().size(), 25);
        QVERIFY(!body.contains("organisation"));
        QVERIFY(!m_model->redactionDraft().saved().categories.at(1).types.at(0).enabled);
    }

    // A save the gateway refuses keeps the edits and the bar, so the user can save again.
    void aFailedSaveKeepsTheEdits() {
        RedactionScreen& screen = ready();
        QVERIFY(scriptGateway(*m_model, rulesPath, {QJsonObject{{"status", 500}}}));
        click(typeSwitch("PHONE_NUMBER"));
        click(typeSwitch("IBAN"));
        const QStringList edited = shownSwitches();
        click(screen.unsavedBar()->saveButton());
        QTRY_COMPARE_WITH_TIMEOUT(m_model->supervision().appError(),
                                  std::optional<QString>("Redaction save failed: http(500)"), patienceMs);
        // The reload after the failure has come back too.
        QTRY_COMPARE_WITH_TIMEOUT(int(gatewayRequests(*m_model).count("GET /api/redaction")), 2, patienceMs);
        settle();
        QCOMPARE(shownSwitches(), edited);
        QVERIFY(barShown());

        click(screen.unsavedBar()->saveButton());
        QTRY_VERIFY_WITH_TIMEOUT(!barShown(), patienceMs);
        QCOMPARE(shownSwitches(), edited);
        QVERIFY(!typeSwitch("PHONE_NUMBER")->isOn());
    }

    // The model reloads the rules when the gateway names another detector. Without edits the page
    // shows the gateway's new rules; edits pending are carried onto them: an edited switch keeps
    // the user's value, an untouched one shows the gateway's, and an edit of a type that is now
    // locked or gone is dropped. Save then sends exactly that.
    void aDetectorChangeReloadsAroundPendingEdits_data() {
        QTest::addColumn<bool>("edited");
        QTest::newRow("no edits") << false;
        QTest::newRow("edits pending") << true;
    }
    void aDetectorChangeReloadsAroundPendingEdits() {
        QFETCH(bool, edited);
        ready();
        if (edited) {
            click(typeSwitch("PERSON"));
            click(typeSwitch("PHONE_NUMBER"));
            click(typeSwitch("PASSPORT_NUMBER"));
            QVERIFY(barShown());
        }
        // Meanwhile the gateway's rules changed: IBAN off, PHONE_NUMBER locked on by the
        // organisation, PASSPORT_NUMBER gone.
        const auto held = gatewayExchange(*m_model, "GET", rulesPath);
        QVERIFY(held.ok());
        QJsonObject rules = jsonObject(held.value());
        QJsonArray categories;
        for (const QJsonValue& c : rules.value("categories").toArray()) {
            QJsonObject cat = c.toObject();
            QJsonArray types;
            for (const QJsonValue& t : cat.value("types").toArray()) {
                QJsonObject type = t.toObject();
                const QString key = type.value("key").toString();
                if (key == "PASSPORT_NUMBER") {
                    continue;
                }
                if (key == "IBAN") {
                    type.insert("enabled", false);
                }
                if (key == "PHONE_NUMBER") {
                    type.insert("enabled", true);
                    type.insert("locked", true);
                }
                types.append(type);
            }
            cat.insert("types", types);
            categories.append(cat);
        }
        rules.insert("categories", categories);
        QVERIFY(scriptGateway(*m_model, rulesPath, {QJsonObject{{"body", jsonText(rules)}}}));
        const int loads = int(gatewayRequests(*m_model).count("GET /api/redaction"));
        QVERIFY(gatewayExchange(*m_model, "POST", "/fake/status", {{"detector", "other"}}).ok());
        QTRY_VERIFY_WITH_TIMEOUT(!m_model->redactionDraft().saved().categories.at(2).types.at(0).enabled, patienceMs);
        QVERIFY(gatewayRequests(*m_model).count("GET /api/redaction") > loads);
        settle();

        QVERIFY(!typeSwitch("IBAN")->isOn());
        QVERIFY(!typeSwitch("PASSPORT_NUMBER"));
        QVERIFY(typeSwitch("PHONE_NUMBER")->isOn());
        QCOMPARE(typeSwitch("PERSON")->isOn(), !edited);
        QCOMPARE(barShown(), edited);
        if (!edited) {
            return;
        }
        click(m_screen->unsavedBar()->saveButton());
        QTRY_COMPARE_WITH_TIMEOUT(sent("POST", rulesPath).size(), 1, patienceMs);
        QJsonArray disabled = sent("POST", rulesPath).first().value("disabled_types").toArray();
        QStringList off;
        for (const QJsonValue& key : disabled) {
            off << key.toString();
        }
        off.sort();
        QCOMPARE(off, (QStringList{"IBAN", "PERSON"}));
    }

    // Hiding the page abandons its load: a reply that comes after is not stored.
    void hidingThePageAbandonsItsLoad() {
        ready();
        QVERIFY(scriptGateway(*m_model, rulesPath,
                              {QJsonObject{{"delay_ms", 300}, {"body", jsonText(rulesJson("abandoned"))}},
                               QJsonObject{{"delay_ms", 1500}, {"body", jsonText(rulesJson("later"))}}}));
        QStringList seen;
        QObject watch;
        connect(&m_model->redactionDraft(), &RedactionDraft::changed, &watch,
                [&] { seen << m_model->redactionDraft().saved().categories.value(0).key; });
        const auto loads = [this] { return gatewayRequests(*m_model).count(QStringLiteral("GET /api/redaction")); };
        const qsizetype before = loads();
        m_screen->hide();
        m_screen->show();
        // Hidden once the gateway holds the request, so that the next one gets the next reply.
        QTRY_COMPARE_WITH_TIMEOUT(loads(), before + 1, patienceMs);
        m_screen->hide();
        m_model->loadRedaction();
        QTRY_COMPARE_WITH_TIMEOUT(m_model->redactionDraft().saved().categories.value(0).key, QStringLiteral("later"),
                                  patienceMs);
        QVERIFY2(!seen.contains("abandoned"), qPrintable(seen.join(',')));
    }

    // --- Looks ---

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("en") << "en";
        QTest::newRow("pl") << "pl";
    }
    void screenshots() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        RedactionScreen& screen = offline(sampleRules(), 900, 1500);
        click(screen.categoryCard(1)->rows().at(1).toggle);
        settle();
        QVERIFY(barShown());
        // No text is cut: names, counts and the bar's texts fit their places.
        for (int c = 0; c < screen.categoryCardCount(); ++c) {
            RedactionCategoryCard* card = screen.categoryCard(c);
            QVERIFY2(!card->countLabel()->isTruncated(), qPrintable(card->countLabel()->text()));
            for (const auto& row : card->rows()) {
                QVERIFY2(!row.source->isTruncated(), qPrintable(row.source->text()));
            }
        }
        QVERIFY(!screen.unsavedBar()->textLabel()->isTruncated());
        const QString path =
            saveScreenshot(lightAndDark(&screen, 1.0), QStringLiteral("redactionscreen-%1").arg(language));
        QVERIFY(!path.isEmpty());
    }
};

QTEST_MAIN(RedactionScreenTest)
#include "tst_redactionscreen.moc"
