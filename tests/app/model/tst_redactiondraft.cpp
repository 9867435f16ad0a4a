// The redaction rules as the pages edit them: one change signal per edit that changes something,
// the saved copy left alone, and the gateway's rules taken in around pending edits.
#include "FernholmApp/model/RedactionDraft.h"
#include "app/support/RedactionDraftAccess.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace fernholm;

namespace {

RedactionType type(const QString& key, bool enabled, bool locked = false) {
    return RedactionType{key, key.toLower(), QStringLiteral("rules"), enabled, locked};
}

// One category with a type on, a type off and a locked type off; one value in each list.
RedactionPage rules() {
    RedactionPage page;
    page.categories = {RedactionCategory{QStringLiteral("contact"),
                                         QStringLiteral("Contact"),
                                         {type(QStringLiteral("EMAIL"), true), type(QStringLiteral("PHONE"), false),
                                          type(QStringLiteral("PESEL"), false, true)}}};
    page.allowlist = {QStringLiteral("Acme")};
    page.blocklist = {BlocklistEntry{QStringLiteral("Project Kite"), QStringLiteral("PROJECT")}};
    return page;
}

using DraftEdit = std::function<void(RedactionDraft&)>;
using PageChange = std::function<void(RedactionPage&)>;

} // namespace

Q_DECLARE_METATYPE(DraftEdit)
Q_DECLARE_METATYPE(PageChange)

class RedactionDraftTest : public QObject {
    Q_OBJECT

    // A draft whose two copies both hold rules().
    static void setUp(RedactionDraft& draft) {
        RedactionDraftAccess::setSaved(draft, rules());
        RedactionDraftAccess::setEdited(draft, rules());
    }

private Q_SLOTS:
    // Every edit the pages make lands in the working copy as one change; one that changes nothing
    // signals nothing. The saved copy never moves.
    void eachEditIsOneChange_data() {
        QTest::addColumn<DraftEdit>("edit");
        QTest::addColumn<PageChange>("expected"); // applied to rules()
        const PageChange unchanged = [](RedactionPage&) {
        };
        QTest::newRow("allowlist value added")
            << DraftEdit([](RedactionDraft& d) { d.addAllowEntry(QStringLiteral(" Gdańsk ")); })
            << PageChange([](RedactionPage& p) { p.allowlist.append(QStringLiteral("Gdańsk")); });
        QTest::newRow("allowlist blank value")
            << DraftEdit([](RedactionDraft& d) { d.addAllowEntry(QStringLiteral("\t ")); }) << unchanged;
        QTest::newRow("allowlist value removed") << DraftEdit([](RedactionDraft& d) { d.removeAllowEntry(0); })
                                                 << PageChange([](RedactionPage& p) { p.allowlist.clear(); });
        QTest::newRow("allowlist position past the end")
            << DraftEdit([](RedactionDraft& d) { d.removeAllowEntry(1); }) << unchanged;
        QTest::newRow("blocklist entry added")
            << DraftEdit([](RedactionDraft& d) { d.addBlockEntry(QStringLiteral("Falcon"), QStringLiteral("Code")); })
            << PageChange([](RedactionPage& p) {
                   p.blocklist.append(BlocklistEntry{QStringLiteral("Falcon"), QStringLiteral("Code")});
               });
        QTest::newRow("blocklist entry without label")
            << DraftEdit([](RedactionDraft& d) { d.addBlockEntry(QStringLiteral("Falcon"), QString()); }) << unchanged;
        QTest::newRow("blocklist entry removed") << DraftEdit([](RedactionDraft& d) { d.removeBlockEntry(0); })
                                                 << PageChange([](RedactionPage& p) { p.blocklist.clear(); });
        QTest::newRow("box style changed")
            << DraftEdit([](RedactionDraft& d) { d.setBoxStyle(QStringLiteral("black")); })
            << PageChange([](RedactionPage& p) { p.document.boxStyle = QStringLiteral("black"); });
        QTest::newRow("box style as it is")
            << DraftEdit([](RedactionDraft& d) { d.setBoxStyle(QStringLiteral("labelled")); }) << unchanged;
        QTest::newRow("codes changed") << DraftEdit([](RedactionDraft& d) {
            d.setCodes(QStringLiteral("keep"));
        }) << PageChange([](RedactionPage& p) { p.document.codes = QStringLiteral("keep"); });
        QTest::newRow("type switched") << DraftEdit([](RedactionDraft& d) {
            d.switchType(0, QStringLiteral("contact"), QStringLiteral("PHONE"), true);
        }) << PageChange([](RedactionPage& p) { p.categories[0].types[1].enabled = true; });
        QTest::newRow("type switched to what it is") << DraftEdit([](RedactionDraft& d) {
            d.switchType(0, QStringLiteral("contact"), QStringLiteral("EMAIL"), true);
        }) << unchanged;
        QTest::newRow("locked type") << DraftEdit([](RedactionDraft& d) {
            d.switchType(0, QStringLiteral("contact"), QStringLiteral("PESEL"), true);
        }) << unchanged;
        // Two types change, in one change of the draft.
        QTest::newRow("category switched off")
            << DraftEdit([](RedactionDraft& d) { d.switchCategory(0, QStringLiteral("contact"), false); })
            << PageChange([](RedactionPage& p) { p.categories[0].types[0].enabled = false; });
        QTest::newRow("category switched on")
            << DraftEdit([](RedactionDraft& d) { d.switchCategory(0, QStringLiteral("contact"), true); })
            << PageChange([](RedactionPage& p) { p.categories[0].types[1].enabled = true; });
        QTest::newRow("category no longer there")
            << DraftEdit([](RedactionDraft& d) { d.switchCategory(0, QStringLiteral("identity"), true); }) << unchanged;
        QTest::newRow("discard without edits") << DraftEdit([](RedactionDraft& d) { d.discard(); }) << unchanged;
    }
    void eachEditIsOneChange() {
        QFETCH(DraftEdit, edit);
        QFETCH(PageChange, expected);
        RedactionPage wanted = rules();
        expected(wanted);
        const bool changes = !(wanted == rules());
        RedactionDraft draft;
        setUp(draft);
        QSignalSpy changed(&draft, &RedactionDraft::changed);
        edit(draft);
        QCOMPARE(draft.edited(), wanted);
        QCOMPARE(changed.size(), changes ? 1 : 0);
        QCOMPARE(draft.saved(), rules());
        QCOMPARE(draft.hasChanges(), changes);
    }

    // The list cards empty their fields only when the entry was taken.
    void addingSaysWhetherTheEntryWasTaken() {
        RedactionDraft draft;
        QVERIFY(draft.addAllowEntry(QStringLiteral(" x ")));
        QVERIFY(!draft.addAllowEntry(QStringLiteral("\n")));
        QVERIFY(draft.addBlockEntry(QStringLiteral("k"), QStringLiteral("L")));
        QVERIFY(!draft.addBlockEntry(QStringLiteral(" "), QStringLiteral("L")));
        QCOMPARE(draft.edited().allowlist, QStringList{QStringLiteral("x")});
        QCOMPARE(draft.edited().blocklist.size(), 1);
    }

    // Discard brings back every saved value in one change.
    void discardGoesBackToTheSavedCopy() {
        RedactionDraft draft;
        setUp(draft);
        draft.switchCategory(0, QStringLiteral("contact"), false);
        draft.addAllowEntry(QStringLiteral("Gdańsk"));
        draft.setCodes(QStringLiteral("keep"));
        QVERIFY(draft.hasChanges());
        QSignalSpy changed(&draft, &RedactionDraft::changed);
        draft.discard();
        QCOMPARE(changed.size(), 1);
        QCOMPARE(draft.edited(), rules());
        QVERIFY(!draft.hasChanges());
    }

    // The gateway's rules become the saved copy and, with the pending edits carried onto them, the
    // working copy, in one change; rules equal to those held change nothing.
    void theGatewaysRulesComeInAroundPendingEdits_data() {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("gatewayChanged");
        QTest::newRow("no edits, the same rules") << false << false;
        QTest::newRow("no edits, new rules") << false << true;
        QTest::newRow("edits, the same rules") << true << false;
        QTest::newRow("edits, new rules") << true << true;
    }
    void theGatewaysRulesComeInAroundPendingEdits() {
        QFETCH(bool, edited);
        QFETCH(bool, gatewayChanged);
        RedactionDraft draft;
        setUp(draft);
        if (edited) {
            draft.addAllowEntry(QStringLiteral("Gdańsk"));
        }
        RedactionPage fresh = rules();
        if (gatewayChanged) {
            fresh.categories[0].types[0].enabled = false;
        }
        QSignalSpy changed(&draft, &RedactionDraft::changed);
        RedactionDraftAccess::rebase(draft, draft.saved(), fresh);
        QCOMPARE(changed.size(), gatewayChanged ? 1 : 0);
        QCOMPARE(draft.saved(), fresh);
        RedactionPage wanted = fresh;
        if (edited) {
            wanted.allowlist.append(QStringLiteral("Gdańsk"));
        }
        QCOMPARE(draft.edited(), wanted);
        QCOMPARE(draft.hasChanges(), edited);
    }
};

QTEST_GUILESS_MAIN(RedactionDraftTest)
#include "tst_redactiondraft.moc"
