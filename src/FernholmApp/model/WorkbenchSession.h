#pragma once

#include "FernholmKit/control/CancelToken.h"
#include "FernholmKit/control/GatewayClient.h"
#include "FernholmKit/control/ScanModels.h"
#include "FernholmKit/presentation/Workbench.h"

#include <QObject>
#include <QString>

#include <QCoroTask>

#include <chrono>
#include <optional>

namespace fernholm {

namespace test {
struct WorkbenchSessionAccess;
}

// The prompt workbench: the prompt the user checks and the AI reply they restore, with what the
// gateway said of each. Part of AppModel, which makes it with its control client and its debounces
// (AppModel::workbench()); on the GUI thread.
//
// The page shows promptText(), promptChoices(), scanResult(), scanError(), scanning(), replyText(),
// replyResult() and replyError(), re-reads them on the change signals and calls the actions; it
// never calls the gateway. A check of the prompt runs after the prompt debounce of typing, at once
// after a change of the choices; a restore of the reply after the reply debounce. Only the newest
// check may write its outcome; a restore is dropped once a newer one is scheduled.
//
// Checks go stale by generation: every scheduled check takes the next number, and only the newest
// may write what its reply brings, success or failure. A superseded check may still be on the
// wire; cancelling it only spares a check that has not been sent yet. Restores go stale by
// cancellation alone. The calls go through the model's client and so its proof gate: while the
// gateway is unproven, also after the model's shutdown revoked the proof, a check or restore fails
// as `unverified` without any traffic. The running work holds the session weakly and does nothing
// once it is gone.
//
// Every setter stores its value and signals only when the value changed. The state that only the
// actions write (the choices, the result, the errors, the scanning flag) has private setters;
// tests reach them through test::WorkbenchSessionAccess (tests/app/support).
//
//     connect(editor, &PlainTextEditor::textEdited, &workbench, &WorkbenchSession::setPromptText);
//     connect(&workbench, &WorkbenchSession::scanResultChanged, page, [=] { page->showPrompt(); });
class WorkbenchSession : public QObject {
    Q_OBJECT
public:
    // The text and choices that the shown scanResult() was made from; scanResultChanged() tells of
    // a change of either. A blank prompt clears the result and leaves its source.
    struct PromptScanSource {
        QString text;
        WorkbenchChoices choices;
        bool operator==(const PromptScanSource&) const = default;
    };

    // Checks and restores go to the gateway through `client`; a typed prompt is checked after
    // `promptDebounce`, a typed reply restored after `replyDebounce`.
    WorkbenchSession(GatewayClient client, std::chrono::milliseconds promptDebounce,
                     std::chrono::milliseconds replyDebounce, QObject* parent = nullptr);
    ~WorkbenchSession() override;

    // --- Actions ---

    // A changed text is stored and checked after the prompt debounce; an equal one does nothing.
    void setPromptText(const QString& text);
    // Replaces this value too, then checks at once.
    void hideInPrompt(const QString& value);
    // Sends every spelling of the value that stands behind its placeholder in the shown result
    // (none without a result), then checks at once.
    void restoreInPrompt(const QString& value);
    // Forgets every choice, then checks at once.
    void resetPromptChoices();
    // A changed reply is stored and restored after the reply debounce; an equal one does nothing.
    void setReplyText(const QString& text);
    // The shown result belongs to the prompt and choices as they are now and nothing is pending
    // on it: no check on its way, no error since. Re-read on any of the workbench signals.
    bool promptResultIsCurrent() const;
    // Checks the prompt as it is now after `after`, superseding every earlier check. A blank
    // prompt is not sent: the result, error and scanning flag clear at once.
    void schedulePromptScan(std::chrono::milliseconds after);
    // Restores the reply as it is now after `after`, dropping any earlier restore. A blank reply
    // is not sent: the result and error clear at once.
    void scheduleReplyRestore(std::chrono::milliseconds after);

    // --- State the page reads ---

    const QString& promptText() const { return m_promptText; }
    const WorkbenchChoices& promptChoices() const { return m_promptChoices; }
    const std::optional<ScanResult>& scanResult() const { return m_scanResult; }
    const std::optional<PromptScanSource>& scanResultSource() const { return m_scanResultSource; }
    const std::optional<QString>& scanError() const { return m_scanError; }
    bool scanning() const { return m_scanning; }
    const QString& replyText() const { return m_replyText; }
    const std::optional<RestoreResult>& replyResult() const { return m_replyResult; }
    const std::optional<QString>& replyError() const { return m_replyError; }
    // Counts every scheduled check; a reply is stored only while its check is the newest.
    qint64 promptScanGeneration() const { return m_promptScanGeneration; }

Q_SIGNALS:
    void promptTextChanged();
    void promptChoicesChanged();
    void scanResultChanged(); // the result or its source
    void scanErrorChanged();
    void scanningChanged();
    void replyTextChanged();
    void replyResultChanged();
    void replyErrorChanged();

private:
    friend struct test::WorkbenchSessionAccess;

    // Setters of the state that only the actions (and tests) write.
    void setPromptChoices(const WorkbenchChoices& choices);
    void setScanResult(const std::optional<ScanResult>& result);
    void setScanError(const std::optional<QString>& error);
    void setScanning(bool scanning);
    void setReplyResult(const std::optional<RestoreResult>& result);
    void setReplyError(const std::optional<QString>& error);

    QCoro::Task<> runPromptScan(std::chrono::milliseconds after, qint64 generation, PromptScanSource source,
                                CancelToken cancel);
    QCoro::Task<> runReplyRestore(std::chrono::milliseconds after, QString text, CancelToken cancel);
    void storeScanResult(const ScanResult& result, const PromptScanSource& source);

    const GatewayClient m_client;
    const std::chrono::milliseconds m_promptDebounce;
    const std::chrono::milliseconds m_replyDebounce;

    QString m_promptText;
    WorkbenchChoices m_promptChoices;
    std::optional<ScanResult> m_scanResult;
    std::optional<PromptScanSource> m_scanResultSource;
    std::optional<QString> m_scanError;
    bool m_scanning = false;
    QString m_replyText;
    std::optional<RestoreResult> m_replyResult;
    std::optional<QString> m_replyError;

    CancelToken m_promptScanTask; // the pending or running check
    qint64 m_promptScanGeneration = 0;
    CancelToken m_replyTask; // the pending or running restore
};

} // namespace fernholm
