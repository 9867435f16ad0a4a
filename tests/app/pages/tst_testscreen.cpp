// The prompt workbench page on the real model. Most cases launch the stand-in gateway as the
// model launches it and drive the page as a user would (typing, clicking pills and chips,
// selecting text); the stand-in's log shows what reached the gateway and its scripted replies
// fail or hold back single answers. Layout cases and the pure texts need no gateway.
#include "FernholmApp/components/activity/AnonymizedTextView.h"
#include "FernholmApp/components/controls/PlainTextEditor.h"
#include "FernholmApp/components/controls/PrimaryButton.h"
#include "FernholmApp/components/controls/Spinner.h"
#include "FernholmApp/components/layout/Card.h"
#include "FernholmApp/components/layout/Page.h"
#include "FernholmApp/components/layout/PageHeader.h"
#include "FernholmApp/components/layout/Surface.h"
#include "FernholmApp/components/text/TextLabel.h"
#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/pages/workbench/TestScreen.h"
#include "FernholmApp/pages/workbench/WorkbenchChip.h"
#include "FernholmApp/pages/workbench/WorkbenchPill.h"
#include "FernholmApp/theme/Fonts.h"
#include "FernholmApp/theme/Theme.h"
#include "FernholmKit/text/L10n.h"
#include "app/support/LayoutTesting.h"
#include "app/support/PixelProbes.h"
#include "app/support/RecordingClipboard.h"
#include "app/support/StandInModel.h"
#include "app/support/TestPlatform.h"
#include "app/support/ViewTesting.h"
#include "app/support/WorkbenchSessionAccess.h"
#include "support/ClientFixtures.h"
#include "support/LoopbackPort.h"

#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <cmath>
#include <limits>
#include <memory>

using namespace fernholm;
using namespace fernholm::test;
using namespace std::chrono_literals;

namespace {

// Real launches, possibly under a sanitizer on a busy machine.
constexpr int patienceMs = 30'000;

const QString scanPath = QStringLiteral("/api/scan");
const QString restorePath = QStringLiteral("/api/restore");

// The stand-in finds e-mail addresses, IBANs and a few names ("Anna Kowalska", "John Smith", …).
const QString prompt = QStringLiteral("Write to anna@example.com about the invoice, please.");

QJsonObject delayed(int delayMs, const QString& body = {}, int status = 200) {
    return {{"delay_ms", delayMs}, {"body", body}, {"status", status}};
}

QString jsonText(const QJsonObject& object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// Where the joined text of `view` holds `text` (its first occurrence).
std::pair<int, int> rangeOf(const AnonymizedTextView& view, const QString& text) {
    const int start = int(view.joinedText().indexOf(text));
    return {start, start + int(text.size())};
}

// The middle of the glyphs from `start` to `end` (on one line), in viewport coordinates.
QPoint middleOf(const AnonymizedTextView& view, int start, int end) {
    QTextCursor a(view.document());
    a.setPosition(start);
    QTextCursor b(view.document());
    b.setPosition(end);
    const QRect left = view.cursorRect(a);
    const QRect right = view.cursorRect(b);
    return QPoint((left.left() + right.left()) / 2, left.center().y());
}

void clickText(AnonymizedTextView& view, const QString& text) {
    const auto [start, end] = rangeOf(view, text);
    QVERIFY2(start >= 0, qPrintable(text));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, middleOf(view, start, end));
}

void select(AnonymizedTextView& view, int start, int end) {
    QTextCursor cursor(view.document());
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    view.setTextCursor(cursor);
}

// A widget's rectangle in the coordinates of `ancestor`.
QRect rectIn(const QWidget* widget, const QWidget* ancestor) {
    return QRect(widget->mapTo(ancestor, QPoint(0, 0)), widget->size());
}

ScanResult scanResult(const QString& afterText, const QList<DetectionDetail>& details, std::optional<double> latency) {
    ScanResult result;
    result.beforeText = afterText;
    result.afterText = afterText;
    result.details = details;
    result.typeNames = QMap<QString, QString>{{"PERSON", "Person"}};
    result.latencyMs = latency;
    return result;
}

DetectionDetail detection(const QString& type, const QString& value, const QString& token) {
    DetectionDetail d;
    d.entityType = type;
    d.value = value;
    d.token = token;
    return d;
}

} // namespace

class TestScreenTest : public QObject, public StandInModel {
    Q_OBJECT

    std::shared_ptr<RecordingClipboard> m_clipboard;
    std::unique_ptr<TestScreen> m_screen;

    WorkbenchSession& workbench() const { return m_model->workbench(); }

    // A model whose gateway has proven itself, and the page on it, shown at `width`.
    TestScreen& ready(int width = 900, int height = 1100) {
        makeModel();
        m_model->start();
        [&] {
            QTRY_COMPARE_WITH_TIMEOUT(m_model->supervision().sidecarState(), SidecarState::ready(), patienceMs);
        }();
        return shown(width, height);
    }

    // The page on a model without a gateway.
    TestScreen& offline(int width = 900, int height = 1100) {
        m_model = std::make_unique<AppModel>(m_config, m_fakes->platform());
        return shown(width, height);
    }

    TestScreen& shown(int width, int height) {
        m_screen = std::make_unique<TestScreen>(m_model->workbench(), m_clipboard);
        m_screen->resize(width, height);
        m_screen->show();
        [&] {
            QVERIFY(QTest::qWaitForWindowExposed(m_screen.get()));
        }();
        settle();
        return *m_screen;
    }

    bool script(const QString& path, const QList<QJsonObject>& replies) {
        QJsonArray list;
        for (const QJsonObject& reply : replies) {
            list.append(reply);
        }
        return scriptGateway(*m_model, path, list);
    }

    // The bodies of the requests the gateway received on a path, oldest first.
    QList<QJsonObject> sent(const QString& path) const {
        QList<QJsonObject> bodies;
        for (const QJsonValue& entry : gatewayLog(*m_model)) {
            if (entry.toObject().value("path").toString() == path) {
                bodies.append(jsonObject(entry.toObject().value("body").toString().toUtf8()));
            }
        }
        return bodies;
    }
    QStringList sentTexts(const QString& path) const {
        QStringList texts;
        for (const QJsonObject& body : sent(path)) {
            texts.append(body.value("text").toString());
        }
        return texts;
    }

    // Pastes `text` into the prompt editor as a user would and waits for its current result.
    void pasted(const QString& text) {
        m_screen->promptEditor()->setFocus();
        m_screen->promptEditor()->selectAll();
        m_screen->promptEditor()->insertPlainText(text);
        QTRY_VERIFY_WITH_TIMEOUT(workbench().promptResultIsCurrent() && workbench().promptText() == text, patienceMs);
        settle();
    }

    void current() {
        QTRY_VERIFY_WITH_TIMEOUT(workbench().promptResultIsCurrent(), patienceMs);
        settle();
    }

    QStringList chipTexts() const {
        QStringList texts;
        for (const WorkbenchChip* chip : m_screen->chips()) {
            texts << QStringLiteral("%1|%2|%3")
                         .arg(chip->caption().value_or("-"), chip->shownValue(), chip->trailingText());
        }
        return texts;
    }

private Q_SLOTS:
    void initTestCase() { useBundledResources(); }

    void init() {
        QVERIFY(setUpStandIn());
        m_config.promptDebounce = 400ms;
        m_config.replyDebounce = 250ms;
        m_clipboard = std::make_shared<RecordingClipboard>();
        L10n::setLanguage(QStringLiteral("en"));
    }
    void cleanup() {
        m_screen.reset();
        tearDownStandIn();
        L10n::setLanguage(QStringLiteral("en"));
    }

    // --- Typing ---

    // Keys typed without a turn of the event loop between them, so that no wait can end while
    // typing and each key replaces the wait of the one before: one check of the whole text, and
    // only after the pause. A probe set off with the last key for half the pause fires before the
    // check could start. The editor keeps its focus and caret through the result.
    void typingIsCheckedOnceAfterThePause() {
        TestScreen& screen = ready();
        const QString typed = QStringLiteral("Mail anna@example.co");
        QCOMPARE(typed.size(), 20);
        QStringList events;
        connect(&workbench(), &WorkbenchSession::scanningChanged, this, [&] {
            if (workbench().scanning()) {
                events << QStringLiteral("check");
            }
        });
        connect(screen.promptEditor(), &PlainTextEditor::textEdited, this, [&] { events << QStringLiteral("key"); });
        screen.promptEditor()->setFocus();
        QTest::keyClicks(screen.promptEditor(), typed);
        QTimer::singleShot(m_config.promptDebounce / 2, this, [&] { events << QStringLiteral("half the pause"); });
        QTRY_VERIFY_WITH_TIMEOUT(workbench().promptResultIsCurrent(), patienceMs);

        QCOMPARE(events, QStringList(20, QStringLiteral("key")) << "half the pause" << "check");
        QCOMPARE(sentTexts(scanPath), QStringList{typed});
        QCOMPARE(screen.promptEditor()->text(), typed);
        QVERIFY(screen.promptEditor()->hasFocus());
        QCOMPARE(screen.promptEditor()->textCursor().position(), 20);
        QVERIFY(screen.resultText()->isVisible());
    }

    // "a" and its deletion within the pause: never sent. A later letter is checked alone, so the
    // first one's check was not merely late.
    void aLetterDeletedAtOnceIsNeverChecked() {
        TestScreen& screen = ready();
        screen.promptEditor()->setFocus();
        QTest::keyClick(screen.promptEditor(), Qt::Key_A);
        QTest::keyClick(screen.promptEditor(), Qt::Key_Backspace);
        QCOMPARE(workbench().promptText(), QString());
        QVERIFY(screen.emptyResultLabel()->isVisible());
        QCOMPARE(screen.emptyResultLabel()->text(), QStringLiteral("The anonymized prompt appears here as you type."));

        QTest::keyClick(screen.promptEditor(), Qt::Key_B);
        QTRY_VERIFY_WITH_TIMEOUT(workbench().promptResultIsCurrent(), patienceMs);
        QCOMPARE(sentTexts(scanPath), QStringList{"b"});
    }

    // Text the model gets from elsewhere (the tour's sample) shows in the editor; what the user
    // types is not written back over itself: the caret and the undo history stay.
    void theEditorFollowsTheModelWithoutEcho() {
        TestScreen& screen = offline();
        workbench().setPromptText(QStringLiteral("Hello world"));
        QCOMPARE(screen.promptEditor()->text(), QStringLiteral("Hello world"));

        screen.promptEditor()->setFocus();
        QTextCursor cursor = screen.promptEditor()->textCursor();
        cursor.setPosition(5);
        screen.promptEditor()->setTextCursor(cursor);
        QSignalSpy edits(screen.promptEditor(), &PlainTextEditor::textEdited);
        QTest::keyClick(screen.promptEditor(), Qt::Key_X);
        QCOMPARE(workbench().promptText(), QStringLiteral("Hellox world"));
        QCOMPARE(edits.size(), 1);
        QCOMPARE(screen.promptEditor()->textCursor().position(), 6);
        QVERIFY(screen.promptEditor()->document()->isUndoAvailable());

        workbench().setReplyText(QStringLiteral("A reply"));
        QCOMPARE(screen.replyEditor()->text(), QStringLiteral("A reply"));
    }

    // --- The result ---

    // A token pill shows its value to the AI; the shown (green) value hides it again; plain text
    // does nothing.
    void pillClicks() {
        TestScreen& screen = ready();
        pasted(prompt);
        const QString token = workbench().scanResult()->details.constFirst().token;
        const int checks = int(sent(scanPath).size());

        clickText(*screen.resultText(), QStringLiteral("invoice"));
        QCOMPARE(workbench().promptChoices(), WorkbenchChoices());
        QCOMPARE(int(sent(scanPath).size()), checks);

        clickText(*screen.resultText(), token);
        current();
        QCOMPARE(sent(scanPath).constLast().value("keep").toArray(), QJsonArray{"anna@example.com"});
        QVERIFY(!screen.resultText()->joinedText().contains(token));

        clickText(*screen.resultText(), QStringLiteral("anna@example.com"));
        current();
        QCOMPARE(workbench().promptChoices(), WorkbenchChoices());
        QVERIFY(!sent(scanPath).constLast().contains("keep"));
        QVERIFY(screen.resultText()->joinedText().contains(token));
    }

    // A word selected in plain text is offered for hiding; the offer goes at once when taken, and
    // the check that follows hides it.
    void hidingTheSelection() {
        TestScreen& screen = ready();
        pasted(prompt);
        QVERIFY(screen.hintLabel()->isVisible());
        QVERIFY(!screen.selectionPill()->isVisible());

        const auto [start, end] = rangeOf(*screen.resultText(), QStringLiteral("invoice"));
        select(*screen.resultText(), start + 1, end - 1);
        QTRY_COMPARE(screen.promptSelection(), std::optional<QString>(QStringLiteral("invoice")));
        QVERIFY(screen.selectionPill()->isVisible());
        QVERIFY(!screen.hintLabel()->isVisible());
        QCOMPARE(screen.selectionPill()->title(), QStringLiteral("Hide “invoice”"));

        QVERIFY(script(
            scanPath,
            {delayed(300, jsonText({{"before_text", prompt}, {"after_text", prompt}, {"details", QJsonArray()}}))}));
        QTest::mouseClick(screen.selectionPill(), Qt::LeftButton);
        QCOMPARE(screen.promptSelection(), std::nullopt);
        QVERIFY(screen.hintLabel()->isVisible());
        QVERIFY(!screen.selectionPill()->isVisible());
        QVERIFY(!workbench().promptResultIsCurrent()); // the reply has not landed yet
        current();
        QCOMPARE(sent(scanPath).constLast().value("hide").toArray(), QJsonArray{"invoice"});
    }

    void selectionWithoutCandidate_data() {
        QTest::addColumn<QString>("around");
        QTest::addColumn<int>("from"); // offsets into `around`
        QTest::addColumn<int>("to");
        QTest::newRow("touching the token") << "to [" << 0 << 4;
        QTest::newRow("one character") << " a " << 1 << 2;
        QTest::newRow("only punctuation") << ", please" << 0 << 2;
    }
    void selectionWithoutCandidate() {
        QFETCH(QString, around);
        QFETCH(int, from);
        QFETCH(int, to);
        TestScreen& screen = ready();
        pasted(QStringLiteral("Write to anna@example.com a note, please."));
        const int at = int(screen.resultText()->joinedText().indexOf(around));
        QVERIFY(at >= 0);
        // A candidate first, so that the view has something to take back.
        const auto [start, end] = rangeOf(*screen.resultText(), QStringLiteral("Write"));
        select(*screen.resultText(), start, end);
        QTRY_VERIFY(screen.promptSelection());

        select(*screen.resultText(), at + from, at + to);
        QTRY_COMPARE(screen.promptSelection(), std::nullopt);
        QVERIFY(screen.hintLabel()->isVisible());
        QVERIFY(!screen.selectionPill()->isVisible());
    }

    // Blanking the prompt takes the text view away: the footer no longer offers to hide what was
    // selected in it.
    void aBlankPromptDropsTheSelection() {
        TestScreen& screen = ready();
        pasted(prompt);
        const auto [start, end] = rangeOf(*screen.resultText(), QStringLiteral("invoice"));
        select(*screen.resultText(), start, end);
        QTRY_VERIFY(screen.promptSelection());

        screen.promptEditor()->selectAll();
        QTest::keyClick(screen.promptEditor(), Qt::Key_Space);
        QCOMPARE(workbench().scanResult(), std::nullopt);
        QCOMPARE(screen.promptSelection(), std::nullopt);
        QVERIFY(!screen.selectionPill()->isVisible());
        QVERIFY(screen.emptyResultLabel()->isVisible());
        QVERIFY(!screen.copyPill()->isVisible());
        QVERIFY(!screen.chipsRow()->isVisible());
        QCOMPARE(screen.resultText()->segments(), QList<AnonymizedSegment>());
    }

    // Before any result: the invitation, no pills, no count, no timing. While a check runs: the
    // spinner, the previous result, a disabled copy pill.
    void noResultAndACheckUnderWay() {
        TestScreen& screen = ready();
        QVERIFY(screen.emptyResultLabel()->isVisible());
        QVERIFY(!screen.resultText()->isVisible());
        QVERIFY(!screen.copyPill()->isVisible());
        QVERIFY(!screen.resetPill()->isVisible());
        QVERIFY(!screen.foundCountLabel()->isVisible());
        QVERIFY(!screen.spinner()->isVisible());
        QVERIFY(!screen.latencyLabel()->isVisible());
        QVERIFY(!screen.chipsRow()->isVisible());
        QVERIFY(!screen.copyReplyButton()->isVisible());

        pasted(prompt);
        QVERIFY(screen.latencyLabel()->isVisible());
        QVERIFY(screen.latencyLabel()->text().startsWith(QStringLiteral("Checked on this computer in ")));
        QCOMPARE(screen.foundCountLabel()->text(), QStringLiteral("1 value found"));
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Copy anonymized"));
        QVERIFY(screen.copyPill()->isEnabled());
        const QList<AnonymizedSegment> shown = screen.resultText()->segments();

        QVERIFY(script(scanPath, {delayed(5000)}));
        screen.promptEditor()->moveCursor(QTextCursor::End);
        QTest::keyClick(screen.promptEditor(), Qt::Key_X);
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Updating…"));
        QVERIFY(!screen.copyPill()->isEnabled());
        QTRY_VERIFY(workbench().scanning());
        QVERIFY(screen.spinner()->isVisible());
        QVERIFY(!screen.latencyLabel()->isVisible());
        QCOMPARE(screen.resultText()->segments(), shown);
        QVERIFY(screen.resultText()->isVisible());
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Updating…"));
        QVERIFY(!screen.copyPill()->isEnabled());
    }

    // A failed check: its sentence in red under the editor, the old result kept, the copy pill
    // disabled at half opacity until a check succeeds.
    void aFailedCheck() {
        TestScreen& screen = ready();
        pasted(prompt);
        const QList<AnonymizedSegment> shown = screen.resultText()->segments();
        QVERIFY(!screen.scanErrorLabel()->isVisible());
        QVERIFY(script(scanPath, {delayed(0, {}, 500)}));

        screen.promptEditor()->moveCursor(QTextCursor::End);
        QTest::keyClick(screen.promptEditor(), Qt::Key_X);
        QTRY_VERIFY_WITH_TIMEOUT(workbench().scanError(), patienceMs);
        settle();
        QVERIFY(screen.scanErrorLabel()->isVisible());
        QCOMPARE(screen.scanErrorLabel()->text(), QStringLiteral("Scan failed: http(500)"));
        QCOMPARE(screen.resultText()->segments(), shown);
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Copy anonymized"));
        QVERIFY(!screen.copyPill()->isEnabled());
        QCOMPARE(screen.copyPill()->drawnOpacity(), 0.5);

        const QImage image = render(&screen, ColorScheme::light);
        const QRect label = rectIn(screen.scanErrorLabel(), &screen);
        FERNHOLM_COMPARE_COLOR(mostDistinct(image, label, Theme::surface.resolve(ColorScheme::light)),
                               Theme::red.resolve(ColorScheme::light), 40);
        // The pill's capsule: white at 10 %, seen at half strength on the dark card.
        const QRect pill = rectIn(screen.copyPill(), &screen);
        const QColor card = Theme::feature.resolve(ColorScheme::light);
        const QColor fill = sample(image, QPointF(pill.left() + 4, pill.center().y()));
        FERNHOLM_COMPARE_COLOR(fill, over(QColor(255, 255, 255, int(255 * 0.05)), card), 3);

        QTest::keyClick(screen.promptEditor(), Qt::Key_Y);
        current();
        QVERIFY(!screen.scanErrorLabel()->isVisible());
        QVERIFY(screen.copyPill()->isEnabled());
        QCOMPARE(screen.copyPill()->drawnOpacity(), 1.0);
    }

    // --- Chips ---

    // A found value, one the user hid and one the user showed, in the order they appear; a click
    // on each sends its change.
    void chips() {
        TestScreen& screen = ready();
        pasted(QStringLiteral("Write to anna@example.com about the invoice for John Smith."));
        workbench().restoreInPrompt(QStringLiteral("John Smith"));
        current();
        workbench().hideInPrompt(QStringLiteral("invoice"));
        current();

        QVERIFY(screen.chipsRow()->isVisible());
        QCOMPARE(chipTexts(), (QStringList{"Email address|anna@example.com|[EMAIL_ADDRESS_1]",
                                           "Hidden by you|invoice|[HIDDEN_1]", "-|John Smith|Shown"}));
        QCOMPARE(screen.foundCountLabel()->text(), QStringLiteral("2 values found"));
        QCOMPARE(screen.chips().at(0)->symbol(), QStringLiteral("eye.slash"));
        QCOMPARE(screen.chips().at(2)->symbol(), QStringLiteral("eye"));
        QCOMPARE(screen.chips().at(0)->toolTip(), QStringLiteral("Show “anna@example.com” to the AI"));
        QCOMPARE(screen.chips().at(2)->toolTip(), QStringLiteral("Hide it again"));
        WorkbenchChip* shownChip = screen.chips().at(2);

        QTest::mouseClick(screen.chips().at(0), Qt::LeftButton);
        current();
        QCOMPARE(sent(scanPath).constLast().value("keep").toArray(), (QJsonArray{"John Smith", "anna@example.com"}));
        QCOMPARE(screen.chips().at(2), shownChip); // same item, same chip

        QTest::mouseClick(shownChip, Qt::LeftButton);
        current();
        QCOMPARE(sent(scanPath).constLast().value("keep").toArray(), QJsonArray{"anna@example.com"});
        QCOMPARE(sent(scanPath).constLast().value("hide").toArray(), QJsonArray{"invoice"});
        QCOMPARE(chipTexts(), (QStringList{"-|anna@example.com|Shown", "Hidden by you|invoice|[HIDDEN_1]",
                                           "Person name|John Smith|[PERSON_1]"}));
    }

    void chipsRowAndCount_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("chips");
        QTest::newRow("only shown values") << "Write to John Smith"
                                           << "John Smith" << 1;
        QTest::newRow("nothing found") << "Write a poem" << QString() << 0;
    }
    void chipsRowAndCount() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, chips);
        TestScreen& screen = ready();
        pasted(text);
        if (!shown.isEmpty()) {
            workbench().restoreInPrompt(shown);
            current();
        }
        QCOMPARE(screen.foundCountLabel()->text(), QStringLiteral("0 values found"));
        QCOMPARE(int(screen.chips().size()), chips);
        QCOMPARE(screen.chipsRow()->isVisible(), chips > 0);
    }

    // --- The reply ---

    void restoringAReply_data() {
        QTest::addColumn<QString>("reply"); // "{token}" stands for the prompt's token
        QTest::addColumn<QString>("line");
        QTest::newRow("one token twice") << "Dear {token}, thanks. Regards to {token}."
                                         << "1 value put back";
        QTest::newRow("no tokens") << "Thanks, all clear."
                                   << "No tokens from your prompt were found in this reply.";
    }
    void restoringAReply() {
        QFETCH(QString, reply);
        QFETCH(QString, line);
        TestScreen& screen = ready();
        pasted(QStringLiteral("Write to John Smith"));
        reply.replace(QStringLiteral("{token}"), workbench().scanResult()->details.constFirst().token);

        // The restore waits for the pause: a probe set off with the paste for half of it comes
        // first.
        QStringList events;
        connect(&workbench(), &WorkbenchSession::replyResultChanged, this, [&] { events << QStringLiteral("result"); });
        screen.replyEditor()->setFocus();
        screen.replyEditor()->insertPlainText(reply);
        QTimer::singleShot(m_config.replyDebounce / 2, this, [&] { events << QStringLiteral("half the pause"); });
        QTRY_VERIFY_WITH_TIMEOUT(workbench().replyResult(), patienceMs);
        settle();
        QCOMPARE(events, (QStringList{"half the pause", "result"}));
        QCOMPARE(sentTexts(restorePath), QStringList{reply});
        QCOMPARE(screen.restoredCountLabel()->text(), line);
        QCOMPARE(screen.restoredText()->joinedText(), workbench().replyResult()->text);
        QVERIFY(screen.restoredText()->isVisible());
        QVERIFY(screen.copyReplyButton()->isVisible());
        QCOMPARE(screen.copyReplyButton()->title(), QStringLiteral("Copy restored reply"));
        QVERIFY(!screen.copyReplyButton()->showsArrow());
    }

    void aFailedRestoreKeepsTheRestoredText() {
        TestScreen& screen = ready();
        screen.replyEditor()->setFocus();
        screen.replyEditor()->insertPlainText(QStringLiteral("Thanks"));
        QTRY_VERIFY_WITH_TIMEOUT(workbench().replyResult(), patienceMs);
        QVERIFY(script(restorePath, {delayed(0, {}, 500)}));

        QTest::keyClick(screen.replyEditor(), Qt::Key_Exclam);
        QTRY_VERIFY_WITH_TIMEOUT(workbench().replyError(), patienceMs);
        QVERIFY(screen.replyErrorLabel()->isVisible());
        QCOMPARE(screen.replyErrorLabel()->text(), QStringLiteral("Restore failed: http(500)"));
        QCOMPARE(screen.replyErrorLabel()->color(), Theme::red);
        QVERIFY(screen.restoredText()->isVisible());
        QCOMPARE(screen.restoredText()->joinedText(), QStringLiteral("Thanks"));
    }

    // --- Copying ---

    // The prompt, then the reply within the feedback time: the tick moves to the reply button at
    // once and stays there its full time, whatever the prompt's wait does meanwhile. A probe set
    // off between the two copies, as long as the feedback, ends after the prompt's wait and before
    // the reply's.
    void copyFeedbackMovesToTheLatestCopy() {
        TestScreen& screen = ready();
        screen.setCopyFeedback(300ms);
        pasted(QStringLiteral("Write to John Smith"));
        const QString anonymized = workbench().scanResult()->afterText;
        screen.replyEditor()->setFocus();
        screen.replyEditor()->insertPlainText(QStringLiteral("Thanks"));
        QTRY_VERIFY_WITH_TIMEOUT(workbench().replyResult(), patienceMs);
        settle();

        QTest::mouseClick(screen.copyPill(), Qt::LeftButton);
        QCOMPARE(m_clipboard->calls, (QStringList{"clear", "text:" + anonymized}));
        QCOMPARE(screen.copied(), std::optional<QString>(TestScreen::promptTag));
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Copied ✓"));
        std::optional<QString> afterThePromptsWait = QStringLiteral("(not yet)");
        QTimer::singleShot(screen.copyFeedback(), this, [&] { afterThePromptsWait = screen.copied(); });

        QTest::mouseClick(screen.copyReplyButton(), Qt::LeftButton);
        QCOMPARE(m_clipboard->calls, (QStringList{"clear", "text:" + anonymized, "clear", "text:Thanks"}));
        QCOMPARE(screen.copyReplyButton()->title(), QStringLiteral("Copied ✓"));
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Copy anonymized"));

        QTRY_COMPARE_WITH_TIMEOUT(screen.copyReplyButton()->title(), QStringLiteral("Copy restored reply"), patienceMs);
        QCOMPARE(afterThePromptsWait, std::optional<QString>(TestScreen::replyTag));
        QCOMPARE(screen.copied(), std::nullopt);
    }

    // Copying twice with one tag: the first wait ends the feedback of both. A probe set off just
    // after the first copy, as long as the feedback, already finds it gone.
    void aSecondCopyRestartsNothing() {
        TestScreen& screen = offline();
        screen.setCopyFeedback(300ms);
        screen.copy(QStringLiteral("one"), TestScreen::promptTag);
        std::optional<QString> afterTheFirstWait = QStringLiteral("(not yet)");
        QTimer::singleShot(screen.copyFeedback(), this, [&] { afterTheFirstWait = screen.copied(); });
        QCOMPARE(screen.copied(), std::optional<QString>(TestScreen::promptTag));
        screen.copy(QStringLiteral("two"), TestScreen::promptTag);
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Copied ✓"));

        QTRY_VERIFY_WITH_TIMEOUT(afterTheFirstWait != QStringLiteral("(not yet)"), patienceMs);
        QCOMPARE(afterTheFirstWait, std::nullopt);
        QCOMPARE(screen.copyPill()->title(), QStringLiteral("Updating…"));
        QCOMPARE(m_clipboard->calls, (QStringList{"clear", "text:one", "clear", "text:two"}));
    }

    // --- Texts ---

    void copyTitle_data() {
        QTest::addColumn<std::optional<QString>>("copied");
        QTest::addColumn<bool>("scanError");
        QTest::addColumn<bool>("current");
        QTest::addColumn<QString>("title");
        const std::optional<QString> none;
        const std::optional<QString> prompt = TestScreen::promptTag;
        const std::optional<QString> reply = TestScreen::replyTag;
        QTest::newRow("just copied, stale") << prompt << false << false << "Copied ✓";
        QTest::newRow("just copied, failed") << prompt << true << false << "Copied ✓";
        QTest::newRow("reply copied, current") << reply << false << true << "Copy anonymized";
        QTest::newRow("failed") << none << true << false << "Copy anonymized";
        QTest::newRow("current") << none << false << true << "Copy anonymized";
        QTest::newRow("stale") << none << false << false << "Updating…";
        QTest::newRow("reply copied, stale") << reply << false << false << "Updating…";
    }
    void copyTitle() {
        QFETCH(std::optional<QString>, copied);
        QFETCH(bool, scanError);
        QFETCH(bool, current);
        QFETCH(QString, title);
        QCOMPARE(TestScreen::copyTitle(copied, scanError, current), title);
    }

    void tooltip_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<AnonymizedSegment>("segment");
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<std::optional<QString>>("tooltip");
        const AnonymizedSegment person = AnonymizedSegment::token("[PERSON_1]", "John Smith", "PERSON");
        const AnonymizedSegment secret = AnonymizedSegment::token("[CODE_1]", "X-42", "CODE");
        QTest::newRow("plain") << "en" << AnonymizedSegment::plain("Write to ") << QStringList()
                               << std::optional<QString>();
        QTest::newRow("shown") << "en" << AnonymizedSegment::restored("anna@example.com") << QStringList()
                               << std::optional<QString>("Shown to the AI — click to hide it again");
        QTest::newRow("token with a type name")
            << "en" << person << QStringList() << std::optional<QString>("John Smith · Person name — click to show it");
        QTest::newRow("token without a type name")
            << "en" << secret << QStringList() << std::optional<QString>("X-42 · CODE — click to show it");
        QTest::newRow("token hidden by the user")
            << "en" << person << QStringList{"JOHN SMITH"}
            << std::optional<QString>("John Smith · hidden by you — click to show it");
        QTest::newRow("Polish type name")
            << "pl" << person << QStringList()
            << std::optional<QString>("John Smith · Imię i nazwisko — kliknij, aby pokazać");
    }
    void tooltip() {
        QFETCH(QString, language);
        QFETCH(AnonymizedSegment, segment);
        QFETCH(QStringList, hidden);
        QFETCH(std::optional<QString>, tooltip);
        L10n::setLanguage(language);
        WorkbenchChoices choices;
        choices.hidden = hidden;
        const QMap<QString, QString> typeNames{{"PERSON", "Person name"}};
        QCOMPARE(TestScreen::tooltip(segment, typeNames, choices), tooltip);
    }

    void latency_data() {
        QTest::addColumn<std::optional<double>>("latency");
        QTest::addColumn<std::optional<QString>>("line");
        const auto line = [](const char* ms) {
            return std::optional<QString>(QStringLiteral("Checked on this computer in %1 ms").arg(QLatin1String(ms)));
        };
        QTest::newRow("12.4") << std::optional<double>(12.4) << line("12");
        QTest::newRow("12.5") << std::optional<double>(12.5) << line("13");
        QTest::newRow("0") << std::optional<double>(0.0) << line("0");
        QTest::newRow("none") << std::optional<double>() << std::optional<QString>();
        QTest::newRow("NaN") << std::optional<double>(std::nan("")) << std::optional<QString>();
        QTest::newRow("infinite") << std::optional<double>(std::numeric_limits<double>::infinity())
                                  << std::optional<QString>();
        QTest::newRow("1e300") << std::optional<double>(1e300) << std::optional<QString>();
    }
    void latency() {
        QFETCH(std::optional<double>, latency);
        QFETCH(std::optional<QString>, line);
        QCOMPARE(TestScreen::latencyText(latency), line);
    }

    // --- Layout ---

    void geometry_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("900 px") << 900;
        QTest::newRow("wide") << 1500;
    }
    void geometry() {
        QFETCH(int, width);
        TestScreen& screen = offline(width, 1200);
        WorkbenchSessionAccess::setPromptChoices(workbench(), WorkbenchChoices{{}, {"Anna"}}); // both pills
        WorkbenchSessionAccess::setScanResult(
            workbench(), scanResult("Write to [PERSON_1]", {detection("PERSON", "John Smith", "[PERSON_1]")}, 3));
        RestoreResult restored;
        restored.text = QStringLiteral("Dear John Smith");
        restored.restored = {RestoredSpan{5, 15, "[PERSON_1]"}};
        WorkbenchSessionAccess::setReplyResult(workbench(), restored);
        settle();

        const QRect prompt = rectIn(screen.promptCard(), &screen);
        const QRect result = rectIn(screen.anonymizedCard(), &screen);
        QCOMPARE(prompt.width(), result.width());
        QCOMPARE(prompt.height(), result.height());
        QCOMPARE(prompt.top(), result.top());
        QCOMPARE(result.left() - prompt.right() - 1, 16);
        const QRect column = screen.page()->column()->columnRect();
        QCOMPARE(prompt.left(), rectIn(screen.page()->content(), &screen).left() + column.left());
        QVERIFY(result.right() <= prompt.left() + column.width());
        QVERIFY(result.right() >= prompt.left() + column.width() - 2);

        QVERIFY(screen.promptEditor()->height() >= 230);
        QVERIFY(screen.resultText()->height() >= 200);
        QVERIFY(screen.replyEditor()->height() >= 80);
        QCOMPARE(screen.restoredText()->height(), 150);
        // The two captions stand level; the pills stay inside the card, clear of its caption
        // (beside it when there is room, else below it).
        const auto caption = [&screen](const QString& text) {
            for (TextLabel* label : screen.findChildren<TextLabel*>()) {
                if (label->text() == text) {
                    return rectIn(label, &screen);
                }
            }
            return QRect();
        };
        const QRect yours = caption(QStringLiteral("YOUR PROMPT"));
        const QRect theirs = caption(QStringLiteral("WHAT THE AI WILL SEE"));
        QVERIFY(yours.isValid() && theirs.isValid());
        QCOMPARE(yours.center().y(), theirs.center().y());
        const QRect copy = rectIn(screen.copyPill(), &screen);
        QVERIFY(result.contains(copy));
        QVERIFY(!copy.intersects(theirs));
        QCOMPARE(copy.top() > theirs.bottom(), width < 1000);
        // The footer sits at the bottom of the result card.
        const QRect hint = rectIn(screen.hintLabel(), screen.anonymizedCard());
        QCOMPARE(screen.anonymizedCard()->height() - hint.bottom() - 1, 16);
        // Nothing of the page leaves its column.
        for (QWidget* part : {screen.cardsRow(), screen.chipsRow(), static_cast<QWidget*>(screen.replyCard())}) {
            QCOMPARE(part->width(), column.width());
        }
        saveScreenshot(render(&screen, ColorScheme::light), QStringLiteral("testscreen-geometry-%1").arg(width));
    }

    // A result with no anonymized text while choices exist: the reset pill keeps its place but
    // cannot be seen or clicked.
    void theInvisibleResetPillTakesNoClick() {
        TestScreen& screen = offline();
        WorkbenchSessionAccess::setPromptChoices(workbench(), WorkbenchChoices{{}, {"x"}});
        WorkbenchSessionAccess::setScanResult(workbench(), scanResult(QString(), {}, 1));
        settle();
        QVERIFY(!screen.resetPill()->isVisible());
        QVERIFY(screen.copyPill()->isVisible());
        const QRect pill = rectIn(screen.resetPill(), &screen);
        const QRect copy = rectIn(screen.copyPill(), &screen);
        QVERIFY(pill.width() > 60);
        QCOMPARE(copy.left() - pill.right() - 1, 8);

        QSignalSpy choices(&workbench(), &WorkbenchSession::promptChoicesChanged);
        const qint64 generation = workbench().promptScanGeneration();
        QTest::mouseClick(screen.window()->windowHandle(), Qt::LeftButton, {}, pill.center());
        QCOMPARE(choices.size(), 0);
        QCOMPARE(workbench().promptScanGeneration(), generation);

        // With text it shows and resets.
        WorkbenchSessionAccess::setScanResult(workbench(), scanResult(QStringLiteral("x"), {}, 1));
        settle();
        QVERIFY(screen.resetPill()->isVisible());
        QCOMPARE(rectIn(screen.resetPill(), &screen), pill);
        QTest::mouseClick(screen.resetPill(), Qt::LeftButton);
        QCOMPARE(workbench().promptChoices(), WorkbenchChoices());
        QCOMPARE(workbench().promptScanGeneration(), generation + 1);
    }

    // No choices: no reset pill and no room kept for it.
    void noChoicesNoResetPill() {
        TestScreen& screen = offline();
        WorkbenchSessionAccess::setScanResult(workbench(), scanResult(QStringLiteral("Hello"), {}, 1));
        settle();
        QVERIFY(!screen.resetPill()->isVisible());
        const QRect copy = rectIn(screen.copyPill(), screen.anonymizedCard());
        QCOMPARE(screen.anonymizedCard()->width() - copy.right() - 1, 20);
        QVERIFY(!screen.resetPill()->sizePolicy().retainSizeWhenHidden());
    }

    // The fixed colours of the dark card's footer and pills, the same in both schemes.
    void footerAndPillColours_data() {
        QTest::addColumn<ColorScheme>("scheme");
        QTest::newRow("light") << ColorScheme::light;
        QTest::newRow("dark") << ColorScheme::dark;
    }
    void footerAndPillColours() {
        QFETCH(ColorScheme, scheme);
        TestScreen& screen = offline();
        WorkbenchSessionAccess::setPromptChoices(workbench(), WorkbenchChoices{{}, {"Anna"}});
        WorkbenchSessionAccess::setScanResult(
            workbench(), scanResult("Write to [PERSON_1] today", {detection("PERSON", "John Smith", "[PERSON_1]")}, 3));
        settle();
        const QColor card = Theme::feature.resolve(scheme);
        QImage image = render(&screen, scheme);
        FERNHOLM_COMPARE_COLOR(mostDistinct(image, rectIn(screen.hintLabel(), &screen), card), QColor(169, 168, 166),
                               10);
        const QRect reset = rectIn(screen.resetPill(), &screen);
        QCOMPARE(reset.height(), 30);
        FERNHOLM_COMPARE_COLOR(sample(image, QPointF(reset.left() + 4, reset.center().y())),
                               over(QColor(255, 255, 255, 26), card), 3);
        FERNHOLM_COMPARE_COLOR(mostDistinct(image, reset.adjusted(10, 4, -10, -4), card), QColor(250, 250, 249), 10);

        const auto [start, end] = rangeOf(*screen.resultText(), QStringLiteral("today"));
        select(*screen.resultText(), start, end);
        QTRY_VERIFY(screen.selectionPill()->isVisible());
        settle();
        image = render(&screen, scheme);
        const QRect pill = rectIn(screen.selectionPill(), &screen);
        const QColor fill = Theme::onFeature.resolve(scheme);
        FERNHOLM_COMPARE_COLOR(sample(image, QPointF(pill.right() - 6, pill.center().y())), fill, 3);
        FERNHOLM_COMPARE_COLOR(mostDistinct(image, pill.adjusted(28, 4, -12, -4), fill), QColor(30, 30, 30), 10);
    }

    // Chips 6 apart in rows; a long value is cut in the middle to 220 px.
    void chipLayout() {
        TestScreen& screen = offline();
        const QString longValue = QStringLiteral("a.very.long.address.of.someone@an-unusually-long-domain.example.com");
        const ScanResult found = scanResult(
            "[PERSON_1] and [EMAIL_1]",
            {detection("PERSON", "John Smith", "[PERSON_1]"), detection("EMAIL", longValue, "[EMAIL_1]")}, 3);
        WorkbenchSessionAccess::setScanResult(workbench(), found);
        settle();
        QCOMPARE(int(screen.chips().size()), 2);
        const QRect first = rectIn(screen.chips().at(0), &screen);
        const QRect second = rectIn(screen.chips().at(1), &screen);
        QCOMPARE(second.left() - first.right() - 1, 6);
        QCOMPARE(second.top(), first.top());

        const QString shown = screen.chips().at(1)->shownValue();
        QVERIFY2(shown.startsWith(QStringLiteral("a.very")) && shown.endsWith(QStringLiteral("example.com")) &&
                     shown.contains(QChar(0x2026)),
                 qPrintable(shown));
        QVERIFY(QFontMetricsF(Fonts::sans(12, 500)).horizontalAdvance(shown) <= WorkbenchChip::maximumValueWidth);
        QCOMPARE(screen.chips().at(0)->shownValue(), QStringLiteral("John Smith"));
    }

    // --- Screenshots for review ---

    void screenshots_data() {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << "en";
        QTest::newRow("Polish") << "pl";
    }
    void screenshots() {
        QFETCH(QString, language);
        L10n::setLanguage(language);
        TestScreen& screen = ready(900, 1180);
        saveScreenshot(lightAndDark(&screen, 1.0), QStringLiteral("testscreen-empty-%1").arg(language));

        pasted(QStringLiteral("Hi, I'm Anna Kowalska (anna.kowalska@example.com). Draft a short letter to Jan "
                              "Kowalski, jan.kowalski@example.pl, about the transfer from PL61109010140000071219812874 "
                              "to DE89370400440532013000 for the invoice; cc Piotr Nowak, piotr.nowak@example.com."));
        workbench().restoreInPrompt(QStringLiteral("Piotr Nowak"));
        current();
        workbench().hideInPrompt(QStringLiteral("invoice"));
        current();
        const QString token = workbench().scanResult()->details.constFirst().token;
        screen.replyEditor()->setFocus();
        screen.replyEditor()->insertPlainText(
            QStringLiteral("Dear %1, here is the draft you asked for. Kind regards.").arg(token));
        QTRY_VERIFY_WITH_TIMEOUT(workbench().replyResult(), patienceMs);
        settle();
        QVERIFY(screen.chipsRow()->height() > screen.chips().constFirst()->height() * 2); // it wraps
        saveScreenshot(lightAndDark(&screen, 1.0), QStringLiteral("testscreen-result-%1").arg(language));

        const auto [start, end] = rangeOf(*screen.resultText(), QStringLiteral("letter"));
        select(*screen.resultText(), start, end);
        QTRY_VERIFY(screen.promptSelection());
        QVERIFY(script(scanPath, {delayed(0, {}, 500)}));
        QVERIFY(script(restorePath, {delayed(0, {}, 500)}));
        screen.promptEditor()->moveCursor(QTextCursor::End);
        QTest::keyClick(screen.promptEditor(), Qt::Key_X);
        screen.replyEditor()->moveCursor(QTextCursor::End);
        QTest::keyClick(screen.replyEditor(), Qt::Key_X);
        QTRY_VERIFY_WITH_TIMEOUT(workbench().scanError() && workbench().replyError(), patienceMs);
        settle();
        saveScreenshot(lightAndDark(&screen, 1.0), QStringLiteral("testscreen-error-%1").arg(language));
    }
};

QTEST_MAIN(TestScreenTest)
#include "tst_testscreen.moc"
