#pragma once

#include "FernholmKit/presentation/Workbench.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>

class QHBoxLayout;

namespace fernholm {

class AnonymizedTextView;
class Card;
class Clipboard;
class FlowLayout;
class Page;
class PageHeader;
class PlainTextEditor;
class PrimaryButton;
class Spinner;
class Surface;
class TextLabel;
class WorkbenchChip;
class WorkbenchPill;
class WorkbenchSession;

// The prompt workbench: the user writes or pastes a prompt and sees, a moment after typing
// stops, what the AI service would receive, every replaced value a placeholder pill. Clicking a
// pill shows that value to the AI, clicking a shown value hides it again, selecting text offers
// to hide it; the anonymized prompt can be copied. Below, a pasted AI reply comes back with the
// hidden values put in again.
//
//     auto* page = new TestScreen(model->workbench());                 // the desktop clipboard
//     auto* page = new TestScreen(model->workbench(), fakeClipboard);  // tests
//
// The page keeps no copy of the workbench's data: it reads the session's state and calls its
// actions (setPromptText, setReplyText, restoreInPrompt, hideInPrompt, resetPromptChoices), and
// it never calls the gateway. It is built once and updated in place on the session's change
// signals, so focus, the caret, the scroll position and the text selection survive every check.
// Its own state is the selection's hide candidate and the copy feedback. The session must outlive
// the page.
class TestScreen : public QWidget {
    Q_OBJECT
public:
    explicit TestScreen(WorkbenchSession& workbench, std::shared_ptr<Clipboard> clipboard = nullptr,
                        QWidget* parent = nullptr);
    ~TestScreen() override;

    // The tags of the two copy controls.
    static inline const QString promptTag = QStringLiteral("prompt");
    static inline const QString replyTag = QStringLiteral("reply");
    // How long a copy control says "Copied ✓"; tests may shorten it.
    static constexpr std::chrono::milliseconds defaultCopyFeedback{1500};
    std::chrono::milliseconds copyFeedback() const { return m_copyFeedback; }
    void setCopyFeedback(std::chrono::milliseconds feedback) { m_copyFeedback = feedback; }

    // The hide candidate of the current selection in the result, as the text view reported it.
    const std::optional<QString>& promptSelection() const { return m_promptSelection; }
    // The tag of the copy just made, for copyFeedback.
    const std::optional<QString>& copied() const { return m_copied; }

    // Clears the clipboard and puts `text` on it as plain text, then shows "Copied ✓" on the
    // control of `tag` for copyFeedback. A later copy does not restart the wait: the first wait
    // to end clears the feedback only while it still shows its own tag.
    void copy(const QString& text, const QString& tag);

    // The copy pill's caption: "Copied ✓" just after a copy of the prompt; else "Copy anonymized"
    // when a check failed or the result is current; else "Updating…".
    static QString copyTitle(const std::optional<QString>& copied, bool hasScanError, bool resultIsCurrent);
    // The hover text of a segment of the result: none for plain text.
    static std::optional<QString> tooltip(const AnonymizedSegment& segment, const QMap<QString, QString>& typeNames,
                                          const WorkbenchChoices& choices);
    // "Checked on this computer in {ms} ms", the latency rounded half away from zero; none without
    // a latency, or for one that is not finite or does not fit an int.
    static std::optional<QString> latencyText(std::optional<double> latencyMs);

    // The parts, for the window, the tour and tests.
    Page* page() const { return m_page; }
    PageHeader* header() const { return m_header; }
    Spinner* spinner() const { return m_spinner; }
    TextLabel* latencyLabel() const { return m_latency; }
    QWidget* cardsRow() const { return m_cardsRow; }
    Surface* promptCard() const { return m_promptCard; }
    TextLabel* foundCountLabel() const { return m_foundCount; }
    PlainTextEditor* promptEditor() const { return m_promptEditor; }
    TextLabel* scanErrorLabel() const { return m_scanError; }
    Card* anonymizedCard() const { return m_anonymizedCard; }
    WorkbenchPill* resetPill() const { return m_resetPill; }
    WorkbenchPill* copyPill() const { return m_copyPill; }
    AnonymizedTextView* resultText() const { return m_resultText; }
    TextLabel* emptyResultLabel() const { return m_emptyResult; }
    WorkbenchPill* selectionPill() const { return m_selectionPill; }
    TextLabel* hintLabel() const { return m_hint; }
    QWidget* chipsRow() const { return m_chipsRow; }
    // The chips in their order.
    QList<WorkbenchChip*> chips() const { return m_chipOrder; }
    Surface* replyCard() const { return m_replyCard; }
    PlainTextEditor* replyEditor() const { return m_replyEditor; }
    PrimaryButton* copyReplyButton() const { return m_copyReply; }
    TextLabel* replyErrorLabel() const { return m_replyError; }
    AnonymizedTextView* restoredText() const { return m_restoredText; }
    TextLabel* restoredCountLabel() const { return m_restoredCount; }

private:
    QWidget* buildStatus();
    QWidget* buildCards();
    Surface* buildPromptCard();
    Card* buildResultCard();
    QWidget* buildChipsRow();
    Surface* buildReplyCard();

    // Re-read the session: the prompt, its result and the choices; the reply and its result.
    void showPrompt();
    void showReply();
    void showSelection();
    void showCopyControls();
    void showChips(const QList<WorkbenchItem>& items);

    void activate(const AnonymizedSegment& segment);
    void hideSelection();

    WorkbenchSession& m_workbench;
    std::shared_ptr<Clipboard> m_clipboard;
    std::optional<QString> m_promptSelection;
    std::optional<QString> m_copied;
    std::chrono::milliseconds m_copyFeedback = defaultCopyFeedback;

    Page* m_page = nullptr;
    PageHeader* m_header = nullptr;
    Spinner* m_spinner = nullptr;
    TextLabel* m_latency = nullptr;
    QWidget* m_cardsRow = nullptr;

    Surface* m_promptCard = nullptr;
    TextLabel* m_foundCount = nullptr;
    PlainTextEditor* m_promptEditor = nullptr;
    QWidget* m_scanErrorRow = nullptr;
    TextLabel* m_scanError = nullptr;

    Card* m_anonymizedCard = nullptr;
    WorkbenchPill* m_resetPill = nullptr;
    WorkbenchPill* m_copyPill = nullptr;
    QWidget* m_resultArea = nullptr;
    AnonymizedTextView* m_resultText = nullptr;
    QWidget* m_emptyArea = nullptr;
    TextLabel* m_emptyResult = nullptr;
    WorkbenchPill* m_selectionPill = nullptr;
    TextLabel* m_hint = nullptr;

    QWidget* m_chipsRow = nullptr;
    FlowLayout* m_chipFlow = nullptr;
    QHash<QString, WorkbenchChip*> m_chips; // by item id
    QList<WorkbenchChip*> m_chipOrder;

    Surface* m_replyCard = nullptr;
    QHBoxLayout* m_replyHeader = nullptr;
    QWidget* m_replyTexts = nullptr;
    PlainTextEditor* m_replyEditor = nullptr;
    PrimaryButton* m_copyReply = nullptr;
    TextLabel* m_replyError = nullptr;
    Surface* m_restoredBox = nullptr;
    AnonymizedTextView* m_restoredText = nullptr;
    TextLabel* m_restoredCount = nullptr;
};

} // namespace fernholm
