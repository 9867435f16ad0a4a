// The lower half of the redaction rules page: the allowlist and blocklist cards, the
// organisation's policy and the document options, on a draft of the rules of their own. Every
// edit must land in the draft's working copy, one change at a time, and leave typed text alone.
#include "FernholmApp/components/controls/EntryField.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/RemoveButton.h"
#include "FernholmApp/components/controls/SegmentedControl.h"
#include "FernholmApp/components/layout/RowDivider.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/components/text/TokenChip.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/redaction/DocumentOptionsCard.h"
#include "FernholmApp/pages/redaction/OrganisationSection.h"
#include "FernholmApp/pages/redaction/RedactionAllowlistCard.h"
#include "FernholmApp/pages/redaction/RedactionBlocklistCard.h"
#include "FernholmApp/pages/redaction/RedactionCardParts.h"
#include "FernholmApp/pages/redaction/RedactionLists.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/RedactionDraftAccess.h"
#include "app/support/StandInCheckout.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "support/LoopbackPort.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <QCoroTask>

#include <memory>

using namespace fernholm;
using namespace fernholm::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(fernholm::OrganisationPolicy)
Q_DECLARE_METATYPE(std::optional<fernholm::OrganisationPolicy>)

namespace {

BlocklistEntry entry(const QString& keyword, const QString& label) {
    return BlocklistEntry{keyword, label};
}

OrganisationPolicy policy(int types, const QStringList& allow, const QList<BlocklistEntry>& block) {
    OrganisationPolicy p;
    p.version = 3;
    for (int i = 0; i < types; ++i) {
        p.requiredTypes << QStringLiteral("TYPE_%1").arg(i);
    }
    p.allowlist = allow;
    p.blocklist = block;
    return p;
}

// A draft of the rules, both copies set to `page`, and the lower half of the page on it in a
// window of its own.
struct Lists {
    explicit Lists(const RedactionPage& page = {}) {
        RedactionDraftAccess::setEdited(draft, page);
        RedactionDraftAccess::setSaved(draft, page);
        view = std::make_unique<RedactionLists>(draft);
        view->resize(900, view->heightForWidth(900) > 0 ? view->heightForWidth(900) : 700);
    }
    void show() {
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
    RedactionAllowlistCard& allow() const { return *view->allowlistCard(); }
    RedactionBlocklistCard& block() const { return *view->blocklistCard(); }
    const RedactionPage& page() const { return draft.edited(); }

    RedactionDraft draft;
    std::unique_ptr<RedactionLists> view;
};

QStringList chipValues(const RedactionAllowlistCard& card) {
    QStringList values;
    for (const AllowChip* chip : card.chips()) {
        values << chip->value();
    }
    return values;
}

QStringList rowKeywords(const RedactionBlocklistCard& card) {
    QStringList keywords;
    for (const BlockRow* row : card.rows()) {
        keywords << row->keyword()->text();
    }
    return keywords;
}

// Real launches, possibly under a sanitizer on a busy machine.
constexpr int patienceMs = 30'000;

// The stand-in's catalogue with an organisation's policy added to it, written into `folder`.
QString catalogueWithPolicy(const QTemporaryDir& folder) {
    QFile source(QStringLiteral(FERNHOLM_TEST_DATA "/redaction/catalogue.json"));
    if (!source.open(QIODevice::ReadOnly)) {
        return {};
    }
    QJsonObject catalogue = QJsonDocument::fromJson(source.readAll()).object();
    catalogue.insert(QStringLiteral("organisation"),
                     QJsonObject{{"version", 4},
                                 {"required_types", QJsonArray{"PERSON", "EMAIL", "IBAN"}},
                                 {"allowlist", QJsonArray{"Contoso"}},
                                 {"blocklist", QJsonArray{QJsonObject{{"keyword", "Orion"}, {"label", "Client"}}}}});
    const QString path = folder.filePath(QStringLiteral("catalogue.json"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(catalogue).toJson()) < 0) {
        return {};
    }
    return path;
}

// The bodies the model's gateway received on `path` with `method`, oldest first.
QList<QJsonObject> bodiesSent(const AppModel& model, const QString& method, const QString& path) {
    QList<QJsonObject> bodies;
    for (const QJsonValue& entry : gatewayLog(model)) {
        const QJsonObject request = entry.toObject();
        if (request.value("method").toString() == method && request.value("path").toString() == path) {
            bodies << QJsonDocument::fromJson(request.value("body").toString().toUtf8()).object();
        }
    }
    return bodies;
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

} // namespace

class RedactionListsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        useBundledResources();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() { L10n::setLanguage(QStringLiteral("en")); }

    void allowAddNeedsTrimmedText_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("added");
        QTest::newRow("nothing") << "" << QStringList{};
        QTest::newRow("spaces only") << "    " << QStringList{};
        QTest::newRow("tabs and line breaks") << " \t\n\r " << QStringList{};
        QTest::newRow("spaced value") << "  acme  " << QStringList{"acme"};
        QTest::newRow("inner spaces kept") << "\tACME Corp \n" << QStringList{"ACME Corp"};
    }
    void allowAddNeedsTrimmedText() {
        QFETCH(QString, typed);
        QFETCH(QStringList, added);
        Lists lists;
        lists.show();
        QSignalSpy changes(&lists.draft, &RedactionDraft::changed);
        lists.allow().field()->setText(typed);
        QCOMPARE(lists.allow().addButton()->isEnabled(), !added.isEmpty());

        // Return goes the same way as the button.
        QTest::keyClick(lists.allow().field(), Qt::Key_Return);
        QCOMPARE(lists.page().allowlist, added);
        QCOMPARE(changes.count(), added.size());
        QCOMPARE(lists.allow().field()->text(), added.isEmpty() ? typed : QString());
        QCOMPARE(chipValues(lists.allow()), added);
        QCOMPARE(lists.draft.hasChanges(), !added.isEmpty());
        QVERIFY(lists.draft.saved().allowlist.isEmpty());
    }

    void allowAddsDuplicatesAndRemovesByPosition() {
        RedactionPage page;
        page.organisation = policy(0, {"acme"}, {});
        Lists lists(page);
        lists.show();
        QTest::keyClicks(lists.allow().field(), "  acme  ");
        QTest::keyClick(lists.allow().field(), Qt::Key_Return);
        QTest::keyClicks(lists.allow().field(), "acme");
        click(lists.allow().addButton());
        QTest::keyClicks(lists.allow().field(), "beta");
        QTest::keyClick(lists.allow().field(), Qt::Key_Enter);
        QCOMPARE(lists.page().allowlist, (QStringList{"acme", "acme", "beta"}));
        QCOMPARE(chipValues(lists.allow()), (QStringList{"acme", "acme", "beta"}));
        QVERIFY(lists.allow().field()->text().isEmpty());
        QVERIFY(!lists.allow().addButton()->isEnabled());

        QSignalSpy changes(&lists.draft, &RedactionDraft::changed);
        RemoveButton* middle = lists.allow().chips().at(1)->removeButton();
        QCOMPARE(middle->accessibleName(), QStringLiteral("Remove acme"));
        click(middle);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(lists.page().allowlist, (QStringList{"acme", "beta"}));
        QCOMPARE(chipValues(lists.allow()), (QStringList{"acme", "beta"}));
        // The chip that now stands second removes "beta", not the value it was made for.
        click(lists.allow().chips().at(1)->removeButton());
        QCOMPARE(lists.page().allowlist, QStringList{"acme"});
        // The organisation's own values are never touched.
        QCOMPARE(lists.page().organisation->allowlist, QStringList{"acme"});
    }

    void removeTargetIsTheCircle() {
        Lists lists;
        RedactionDraftAccess::setEdited(lists.draft, [] {
            RedactionPage p;
            p.allowlist = {"one"};
            return p;
        }());
        lists.show();
        RemoveButton* remove = lists.allow().chips().at(0)->removeButton();
        QCOMPARE(remove->size(), QSize(22, 22));
        // A corner of the frame lies outside the circle.
        QTest::mouseClick(remove, Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(lists.page().allowlist, QStringList{"one"});
        QTest::mouseClick(remove, Qt::LeftButton, {}, QPoint(11, 11));
        QVERIFY(lists.page().allowlist.isEmpty());
        QVERIFY(lists.allow().chips().isEmpty());
    }

    void blockEntryAndPreview_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("preview"); // empty: no preview line
        QTest::addColumn<QString>("chip");
        QTest::newRow("empty") << ""
                               << "" << false << ""
                               << "";
        QTest::newRow("keyword without label") << "Falcon"
                                               << "" << false << ""
                                               << "";
        QTest::newRow("keyword, label of spaces") << "Falcon"
                                                  << "   " << false << ""
                                                  << "";
        QTest::newRow("label without keyword") << ""
                                               << "Project Name" << false << "[project_name_1]"
                                               << "";
        QTest::newRow("keyword of line breaks") << "\n\n"
                                                << "Secret" << false << "[secret_1]"
                                                << "";
        QTest::newRow("project name") << "Falcon"
                                      << "Project Name" << true << "[project_name_1]"
                                      << "PROJECT_NAME";
        QTest::newRow("spaced label") << " Falcon "
                                      << "  Code  42 " << true << "[code_42_1]"
                                      << "CODE_42";
        QTest::newRow("punctuation runs") << "x"
                                          << "Card--No. (EU)" << true << "[card_no_eu_1]"
                                          << "CARD_NO_EU";
        QTest::newRow("nothing sluggable") << "x"
                                           << "żółć!" << true << "[custom_secret_1]"
                                           << "CUSTOM_SECRET";
    }
    void blockEntryAndPreview() {
        QFETCH(QString, keyword);
        QFETCH(QString, label);
        QFETCH(bool, enabled);
        QFETCH(QString, preview);
        QFETCH(QString, chip);
        Lists lists;
        lists.show();
        RedactionBlocklistCard& card = lists.block();
        card.keywordField()->setText(keyword);
        card.labelField()->setText(label);
        QCOMPARE(card.addButton()->isEnabled(), enabled);
        QCOMPARE(card.preview()->isVisible(), !preview.isEmpty());
        if (!preview.isEmpty()) {
            QCOMPARE(card.previewChip()->token(), preview);
        }

        QSignalSpy changes(&lists.draft, &RedactionDraft::changed);
        QTest::keyClick(card.keywordField(), Qt::Key_Return);
        if (!enabled) {
            QTest::keyClick(card.labelField(), Qt::Key_Return);
            QCOMPARE(changes.count(), 0);
            QVERIFY(lists.page().blocklist.isEmpty());
            QCOMPARE(card.keywordField()->text(), keyword);
            QCOMPARE(card.labelField()->text(), label);
            return;
        }
        QCOMPARE(changes.count(), 1);
        // Stored trimmed, the label as typed rather than as its slug.
        QCOMPARE(lists.page().blocklist, QList<BlocklistEntry>{entry(keyword.trimmed(), label.trimmed())});
        QVERIFY(card.keywordField()->text().isEmpty());
        QVERIFY(card.labelField()->text().isEmpty());
        QVERIFY(!card.preview()->isVisible());
        QVERIFY(!card.addButton()->isEnabled());
        QCOMPARE(card.rows().size(), 1);
        QCOMPARE(card.rows().at(0)->chip()->text(), chip);
        QCOMPARE(card.rows().at(0)->keyword()->text(), keyword.trimmed());
    }

    void blockRowsTakeThePaletteByPosition() {
        RedactionPage page;
        for (int i = 0; i < 13; ++i) {
            page.blocklist << entry(QStringLiteral("word %1").arg(i), QStringLiteral("Label %1").arg(i));
        }
        Lists lists(page);
        lists.show();
        const QList<BlockRow*> rows = lists.block().rows();
        QCOMPARE(rows.size(), 13);
        QCOMPARE(RedactionBlocklistCard::palette.size(), size_t(12));
        QCOMPARE(RedactionBlocklistCard::palette[0], Theme::fixed(0xD1495B));
        QCOMPARE(RedactionBlocklistCard::palette[11], Theme::fixed(0x1B998B));
        QCOMPARE(rows[0]->chip()->fill(), RedactionBlocklistCard::palette[0]);
        QCOMPARE(rows[1]->chip()->fill(), RedactionBlocklistCard::palette[1]);
        QCOMPARE(rows[12]->chip()->fill(), RedactionBlocklistCard::palette[0]);

        // The chip is painted in its colour, its slug in white.
        const QImage shot = render(lists.view.get(), ColorScheme::dark);
        LabelChip* chip = rows[1]->chip();
        const QPoint edge = chip->mapTo(lists.view.get(), QPoint(2, chip->height() / 2));
        FERNHOLM_COMPARE_COLOR(sample(shot, edge), QColor(0x2E86AB), 6);

        // Removing the middle one keeps the order; the rows below move up and change colour.
        click(rows[1]->removeButton());
        QCOMPARE(lists.page().blocklist.size(), 12);
        QCOMPARE(lists.page().blocklist.at(0).keyword, QStringLiteral("word 0"));
        QCOMPARE(lists.page().blocklist.at(1).keyword, QStringLiteral("word 2"));
        QCOMPARE(rowKeywords(lists.block()).mid(0, 3), (QStringList{"word 0", "word 2", "word 3"}));
        QCOMPARE(lists.block().rows().at(1)->chip()->fill(), RedactionBlocklistCard::palette[1]);
        QCOMPARE(lists.block().rows().at(1)->removeButton()->accessibleName(), QStringLiteral("Remove word 2"));
    }

    void blockAddsDuplicates() {
        Lists lists;
        lists.show();
        RedactionBlocklistCard& card = lists.block();
        for (int i = 0; i < 2; ++i) {
            QTest::keyClicks(card.keywordField(), "Falcon");
            QTest::keyClicks(card.labelField(), "Project");
            QTest::keyClick(card.labelField(), Qt::Key_Return);
        }
        QCOMPARE(lists.page().blocklist,
                 (QList<BlocklistEntry>{entry("Falcon", "Project"), entry("Falcon", "Project")}));
        QCOMPARE(rowKeywords(card), (QStringList{"Falcon", "Falcon"}));
    }

    void typedTextSurvivesModelChanges() {
        RedactionPage page;
        page.allowlist = {"one", "two"};
        page.blocklist = {entry("Falcon", "Project")};
        Lists lists(page);
        lists.show();
        QApplication::setActiveWindow(lists.view.get());
        QTest::keyClicks(lists.allow().field(), "half typed");
        QTest::keyClicks(lists.block().labelField(), "Cust");
        lists.allow().field()->setFocus();
        QTRY_VERIFY(lists.allow().field()->hasFocus());
        lists.allow().field()->setCursorPosition(4);
        const QList<AllowChip*> chips = lists.allow().chips();
        const QList<BlockRow*> rows = lists.block().rows();

        // A reload from the gateway, and an edit elsewhere on the page.
        RedactionPage reloaded = page;
        reloaded.allowlist = {"one", "three"};
        reloaded.document.codes = QStringLiteral("keep");
        RedactionDraftAccess::setSaved(lists.draft, reloaded);
        RedactionDraftAccess::setEdited(lists.draft, reloaded);
        click(lists.view->documentsCard()->boxStyle()->segments().at(1));
        lists.allow().field()->setFocus();

        QCOMPARE(lists.allow().field()->text(), QStringLiteral("half typed"));
        QCOMPARE(lists.block().labelField()->text(), QStringLiteral("Cust"));
        QVERIFY(lists.block().preview()->isVisible());
        QCOMPARE(lists.allow().field()->cursorPosition(), 4);
        QVERIFY(lists.allow().field()->hasFocus());
        // The chips and rows stand where they stood, showing the new values.
        QCOMPARE(lists.allow().chips(), chips);
        QCOMPARE(lists.block().rows(), rows);
        QCOMPARE(chipValues(lists.allow()), (QStringList{"one", "three"}));
    }

    void organisationSection_data() {
        QTest::addColumn<std::optional<OrganisationPolicy>>("policy");
        QTest::addColumn<bool>("section");
        QTest::addColumn<bool>("box");
        QTest::addColumn<bool>("divider");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("allowLine"); // empty: hidden
        QTest::addColumn<QString>("blockLine");
        using P = std::optional<OrganisationPolicy>;
        QTest::newRow("none") << P() << false << false << false << 0 << ""
                              << "";
        QTest::newRow("three empty lists") << P(policy(0, {}, {})) << false << false << false << 0 << ""
                                           << "";
        QTest::newRow("required types only") << P(policy(2, {}, {})) << true << false << false << 0 << ""
                                             << "";
        QTest::newRow("allowlist only") << P(policy(0, {"ACME"}, {})) << true << true << false << 1
                                        << "1 more set by your organisation"
                                        << "";
        QTest::newRow("blocklist only") << P(policy(0, {}, {entry("Falcon", "Project"), entry("Heron", "Project")}))
                                        << true << true << false << 2 << ""
                                        << "2 more set by your organisation";
        QTest::newRow("both lists") << P(policy(1, {"ACME", "Globex"}, {entry("Falcon", "Project Name")})) << true
                                    << true << true << 3 << "2 more set by your organisation"
                                    << "1 more set by your organisation";
    }
    void organisationSection() {
        QFETCH(std::optional<OrganisationPolicy>, policy);
        QFETCH(bool, section);
        QFETCH(bool, box);
        QFETCH(bool, divider);
        QFETCH(int, rows);
        QFETCH(QString, allowLine);
        QFETCH(QString, blockLine);
        Lists lists;
        lists.show();
        RedactionPage page;
        page.organisation = policy;
        RedactionDraftAccess::setEdited(lists.draft, page);

        OrganisationSection* org = lists.view->organisationSection();
        QCOMPARE(org->isVisible(), section);
        if (section) {
            QCOMPARE(org->captionLabel()->text(), OrganisationSection::caption(*policy));
            QCOMPARE(org->box()->isVisible(), box);
            QCOMPARE(org->divider() != nullptr && org->divider()->isVisible(), divider);
            QCOMPARE(org->rows().size(), rows);
        }
        QCOMPARE(lists.allow().orgLine()->isVisible(), !allowLine.isEmpty());
        QCOMPARE(lists.block().orgLine()->isVisible(), !blockLine.isEmpty());
        if (!allowLine.isEmpty()) {
            QCOMPARE(lists.allow().orgLine()->text(), allowLine);
        }
        if (!blockLine.isEmpty()) {
            QCOMPARE(lists.block().orgLine()->text(), blockLine);
        }

        // Without a policy again, the whole section goes.
        RedactionDraftAccess::setEdited(lists.draft, RedactionPage{});
        QVERIFY(!org->isVisible());
        QVERIFY(!lists.allow().orgLine()->isVisible());
    }

    // A policy value longer than the box is cut to one line with "…", and its tooltip holds
    // it whole; so does a term and its placeholder.
    void longPolicyValuesAreCutWithTheirTooltip() {
        const QString kept = QStringLiteral("Contoso Research and Development Centre for Applied Machine Learning "
                                            "and Data Protection, Warsaw Branch Office");
        const QString term = QStringLiteral("Falcon Strategic Acquisition Codename Documents Archive and Appendices");
        Lists lists;
        lists.view->resize(560, 900);
        lists.show();
        RedactionPage page;
        page.organisation = policy(0, {kept}, {BlocklistEntry{term, "codename"}});
        RedactionDraftAccess::setEdited(lists.draft, page);
        QApplication::processEvents();
        OrganisationSection* org = lists.view->organisationSection();
        const QList<TextLabel*> values = org->findChildren<TextLabel*>(QStringLiteral("policyValue"));
        QCOMPARE(values.size(), 2);
        for (TextLabel* value : values) {
            QVERIFY(value->text() == kept || value->text() == term);
            QCOMPARE(value->toolTip(), value->text());
            QVERIFY2(value->isTruncated(), qPrintable(value->text()));
            QCOMPARE(value->shownFont().pixelSize(), value->font().pixelSize());
            const QRect inBox(value->mapTo(org->box(), QPoint(0, 0)), value->size());
            QVERIFY(inBox.right() < org->box()->width());
        }
        saveScreenshot(lightAndDark(org), QStringLiteral("redaction-organisation-long-values"));
    }

    // In a narrow card the label field and the Add button wrap under the phrase: no field is
    // squeezed to a letter; in a wide one all three share a line.
    void blocklistEntryWrapsWhenNarrow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("wraps");
        QTest::newRow("narrow") << 520 << true;
        QTest::newRow("wide") << 1000 << false;
    }

    void blocklistEntryWrapsWhenNarrow() {
        QFETCH(int, width);
        QFETCH(bool, wraps);
        Lists lists;
        lists.view->resize(width, 900);
        lists.show();
        QApplication::processEvents();
        RedactionBlocklistCard& card = lists.block();
        QTRY_COMPARE(card.entryWraps(), wraps);
        EntryField* phrase = card.keywordField();
        EntryField* label = card.labelField();
        QAbstractButton* add = card.addButton();
        QTRY_VERIFY(phrase->width() >= 140);
        QVERIFY(label->width() >= 100);
        QCOMPARE(add->width(), add->sizeHint().width());
        if (wraps) {
            QVERIFY(label->y() > phrase->geometry().bottom());
            QCOMPARE(add->y() + add->height() / 2, label->y() + label->height() / 2);
        } else {
            QCOMPARE(label->y() + label->height() / 2, phrase->y() + phrase->height() / 2);
        }
        QVERIFY(add->geometry().right() < card.width());
    }

    void organisationCaption_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<OrganisationPolicy>("policy");
        QTest::addColumn<QString>("caption");
        const QString tail = QStringLiteral(". Set in the Tarvine panel; you can add to it below, not take from it.");
        QTest::newRow("3 types, 1 term") << "en" << policy(3, {}, {entry("a", "b")})
                                         << "3 types always redacted, 1 term" + tail;
        QTest::newRow("1 type") << "en" << policy(1, {}, {}) << "1 type always redacted" + tail;
        QTest::newRow("values only") << "en" << policy(0, {"a", "b"}, {}) << "2 values kept" + tail;
        QTest::newRow("all three") << "en" << policy(2, {"a"}, {entry("a", "b"), entry("c", "d")})
                                   << "2 types always redacted, 2 terms, 1 value kept" + tail;
        QTest::newRow("polish") << "pl" << policy(5, {"a", "b"}, {entry("a", "b")})
                                << QStringLiteral("5 typów zawsze ukrywanych, 1 fraza, 2 wartości zachowane. Ustawienia "
                                                  "pochodzą z panelu Tarvine: poniżej możesz coś dodać, ale nie "
                                                  "możesz niczego usunąć.");
    }
    void organisationCaption() {
        QFETCH(QString, language);
        QFETCH(OrganisationPolicy, policy);
        QFETCH(QString, caption);
        L10n::setLanguage(language);
        QCOMPARE(OrganisationSection::caption(policy), caption);
    }

    void documentChoices_data() {
        QTest::addColumn<QString>("boxStyle");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<int>("boxSegment");
        QTest::addColumn<int>("codesSegment");
        QTest::addColumn<bool>("note");
        QTest::newRow("empty page") << DocumentOptions{}.boxStyle << DocumentOptions{}.codes << 0 << 0 << false;
        QTest::newRow("black, keep") << "black"
                                     << "keep" << 1 << 1 << true;
        QTest::newRow("unknown values") << "grey"
                                        << "Keep" << -1 << -1 << false;
        QTest::newRow("empty values") << ""
                                      << "" << -1 << -1 << false;
    }
    void documentChoices() {
        QFETCH(QString, boxStyle);
        QFETCH(QString, codes);
        QFETCH(int, boxSegment);
        QFETCH(int, codesSegment);
        QFETCH(bool, note);
        RedactionPage page;
        page.document = DocumentOptions{boxStyle, codes};
        Lists lists(page);
        lists.show();
        DocumentOptionsCard* card = lists.view->documentsCard();
        QCOMPARE(card->boxStyle()->selectedIndex(), boxSegment);
        QCOMPARE(card->codes()->selectedIndex(), codesSegment);
        QCOMPARE(card->note()->isVisible(), note);

        QSignalSpy changes(&lists.draft, &RedactionDraft::changed);
        click(card->codes()->segments().at(1));
        QCOMPARE(lists.page().document.codes, QStringLiteral("keep"));
        QVERIFY(card->note()->isVisible());
        QCOMPARE(card->codes()->selectedIndex(), 1);
        click(card->codes()->segments().at(0));
        QCOMPARE(lists.page().document.codes, QStringLiteral("blank"));
        QVERIFY(!card->note()->isVisible());
        click(card->boxStyle()->segments().at(1));
        QCOMPARE(lists.page().document.boxStyle, QStringLiteral("black"));
        click(card->boxStyle()->segments().at(0));
        QCOMPARE(lists.page().document.boxStyle, QStringLiteral("labelled"));
        // One change per choice that changes something.
        const int expected = (codes != "keep") + 1 + (boxStyle != "black") + 1;
        QCOMPARE(changes.count(), expected);
        QCOMPARE(lists.draft.hasChanges(), !(page.document == lists.page().document));
    }

    void layout() {
        RedactionPage page;
        page.allowlist = {"short"};
        for (int i = 0; i < 4; ++i) {
            page.blocklist << entry(QStringLiteral("keyword %1").arg(i), QStringLiteral("Label %1").arg(i));
        }
        // A value far wider than the card is cut, not laid past the card's edge.
        page.allowlist << QString(4000, u'w');
        page.blocklist << entry(QString(4000, u'k'), QString(500, u'l'));
        Lists lists(page);
        lists.show();
        RedactionAllowlistCard& allow = lists.allow();
        RedactionBlocklistCard& block = lists.block();
        QCOMPARE(allow.height(), block.height());
        QCOMPARE(allow.y(), block.y());
        QCOMPARE(block.x() - (allow.x() + allow.width()), 16);
        QVERIFY(qAbs(allow.width() - block.width()) <= 1);
        QCOMPARE(block.labelField()->width(), 110);
        for (EntryField* field : {allow.field(), block.keywordField(), block.labelField()}) {
            QCOMPARE(field->height(), EntryField::fieldHeight);
        }
        for (const AllowChip* chip : allow.chips()) {
            QCOMPARE(chip->height(), AllowChip::chipHeight);
            QVERIFY(chip->mapTo(&allow, QPoint(chip->width(), 0)).x() <= allow.width() - 20);
        }
        for (const BlockRow* row : block.rows()) {
            QVERIFY(row->removeButton()->mapTo(&block, QPoint(22, 0)).x() <= block.width() - 20);
        }
        // The documents card splits its width evenly.
        DocumentOptionsCard* docs = lists.view->documentsCard();
        QCOMPARE(docs->width(), lists.view->width());
        const int leftEdge = docs->boxStyle()->mapTo(docs, QPoint()).x();
        const int rightEdge = docs->codes()->mapTo(docs, QPoint()).x();
        QCOMPARE(leftEdge, 24);
        QVERIFY(qAbs(rightEdge - (24 + (docs->width() - 48 - 24) / 2 + 24)) <= 1);
    }

    // Over the stand-in gateway: its rules and its organisation's policy show, edits stay local
    // until saved, and the save sends the lists and choices but never the policy.
    void editsReachTheGatewayOnlyBySaving() {
        StandInCheckout checkout;
        QVERIFY(checkout.isValid());
        QTemporaryDir folder;
        const QString catalogue = catalogueWithPolicy(folder);
        QVERIFY(!catalogue.isEmpty());
        TestPlatform fakes;
        fakes.environment = checkout.environment({{"FAKE_GW_CATALOGUE", catalogue}});
        AppModel model(quickConfig(freeLoopbackPort()), fakes.platform());
        model.start();
        QTRY_COMPARE_WITH_TIMEOUT(model.supervision().sidecarState(), SidecarState::ready(), patienceMs);
        QCoro::waitFor(model.loadRedaction());
        QVERIFY(model.redactionDraft().edited().organisation.has_value());

        RedactionLists view(model.redactionDraft());
        view.resize(900, view.heightForWidth(900));
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.organisationSection()->isVisible());
        QCOMPARE(view.organisationSection()->captionLabel()->text(),
                 QStringLiteral("3 types always redacted, 1 term, 1 value kept. Set in the Tarvine panel; you can add "
                                "to it below, not take from it."));
        QVERIFY(view.organisationSection()->divider() && view.organisationSection()->divider()->isVisible());
        QCOMPARE(view.allowlistCard()->orgLine()->text(), QStringLiteral("1 more set by your organisation"));
        QCOMPARE(chipValues(*view.allowlistCard()), QStringList{"Northwind Traders"});
        QCOMPARE(rowKeywords(*view.blocklistCard()), QStringList{"Project Heron"});

        QTest::keyClicks(view.allowlistCard()->field(), " Fabrikam ");
        QTest::keyClick(view.allowlistCard()->field(), Qt::Key_Return);
        click(view.allowlistCard()->chips().at(0)->removeButton());
        QTest::keyClicks(view.blocklistCard()->keywordField(), "Falcon");
        QTest::keyClicks(view.blocklistCard()->labelField(), "Project Name");
        click(view.blocklistCard()->addButton());
        click(view.documentsCard()->codes()->segments().at(1));
        QVERIFY(model.redactionDraft().hasChanges());
        QVERIFY(bodiesSent(model, "POST", "/api/redaction").isEmpty());

        const RedactionPage edited = model.redactionDraft().edited();
        model.saveRedaction();
        QTRY_VERIFY_WITH_TIMEOUT(!model.redactionDraft().hasChanges(), patienceMs);
        const QList<QJsonObject> posts = bodiesSent(model, "POST", "/api/redaction");
        QCOMPARE(posts.size(), 1);
        const QJsonObject& sent = posts.first();
        QCOMPARE(sent.value("allowlist").toArray(), QJsonArray{"Fabrikam"});
        QCOMPARE(sent.value("blocklist").toArray(),
                 (QJsonArray{QJsonObject{{"keyword", "Project Heron"}, {"label", "project_name"}},
                             QJsonObject{{"keyword", "Falcon"}, {"label", "Project Name"}}}));
        QCOMPARE(sent.value("document").toObject().value("codes").toString(), QStringLiteral("keep"));
        QVERIFY(!sent.contains("organisation"));
        // The gateway's answer is what now shows, the policy still in it.
        QCOMPARE(model.redactionDraft().edited().allowlist, edited.allowlist);
        QCOMPARE(model.redactionDraft().edited().blocklist, edited.blocklist);
        QCOMPARE(model.redactionDraft().edited().organisation, edited.organisation);
        QVERIFY(view.documentsCard()->note()->isVisible());
        model.shutdown();
    }

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("filled");
        QTest::newRow("redaction-lists") << "en" << true;
        QTest::newRow("redaction-lists-pl") << "pl" << true;
        QTest::newRow("redaction-lists-empty") << "en" << false;
    }
    void screenshots() {
        QFETCH(QString, language);
        QFETCH(bool, filled);
        L10n::setLanguage(language);
        if (!filled) {
            Lists lists;
            lists.show();
            lists.view->resize(860, lists.view->heightForWidth(860));
            QCOMPARE(lists.view->documentsCard()->boxStyle()->selectedIndex(), 0);
            QCOMPARE(lists.view->documentsCard()->codes()->selectedIndex(), 0);
            QVERIFY(!saveScreenshot(lightAndDark(lists.view.get()), QString::fromLatin1(QTest::currentDataTag()))
                         .isEmpty());
            return;
        }
        RedactionPage page;
        page.allowlist = {"ACME Corp", "support@acme.test", "Kowalski & Partners"};
        page.blocklist = {entry("Project Falcon", "Project Name"), entry("Heron", "Codename"),
                          entry("Blue Ledger 2024", "Internal doc")};
        page.document.codes = QStringLiteral("keep");
        page.organisation = policy(3, {"Globex"}, {entry("Orion", "Client")});
        Lists lists(page);
        lists.show();
        lists.block().labelField()->setText(QStringLiteral("Client ID"));
        lists.view->resize(860, lists.view->heightForWidth(860));
        // Nothing is squeezed: every row keeps at least the height it asks for.
        for (const BlockRow* row : lists.block().rows()) {
            QVERIFY(row->height() >= row->sizeHint().height());
        }
        QVERIFY(
            !saveScreenshot(lightAndDark(lists.view.get()), QString::fromLatin1(QTest::currentDataTag())).isEmpty());
    }
};

QTEST_MAIN(RedactionListsTest)
#include "tst_redactionlists.moc"
