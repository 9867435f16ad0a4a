// The prompt workbench: the debounced check of the prompt and restore of the pasted reply
// (see WorkbenchSession.h for which outcome each may still write).
#include "FernholmApp/model/WorkbenchSession.h"

#include "FernholmApp/model/Assign.h"

#include "FernholmKit/text/L10n.h"

#include <QPointer>

namespace fernholm {

namespace {

// Blank: nothing but white space and line breaks.
bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

} // namespace

WorkbenchSession::WorkbenchSession(GatewayClient client, std::chrono::milliseconds promptDebounce,
                                   std::chrono::milliseconds replyDebounce, QObject* parent)
    : QObject(parent), m_client(std::move(client)), m_promptDebounce(promptDebounce), m_replyDebounce(replyDebounce) {}

WorkbenchSession::~WorkbenchSession() = default;

// --- Actions ---

void WorkbenchSession::setPromptText(const QString& text) {
    if (text == m_promptText) {
        return;
    }
    m_promptText = text;
    Q_EMIT promptTextChanged();
    schedulePromptScan(m_promptDebounce);
}

void WorkbenchSession::hideInPrompt(const QString& value) {
    WorkbenchChoices choices = m_promptChoices;
    choices.hide(value);
    setPromptChoices(choices);
    schedulePromptScan(std::chrono::milliseconds(0));
}

void WorkbenchSession::restoreInPrompt(const QString& value) {
    if (m_scanResult) {
        WorkbenchChoices choices = m_promptChoices;
        for (const QString& spelling : Workbench::tokenValues(value, m_scanResult->details)) {
            choices.restore(spelling);
        }
        setPromptChoices(choices);
    }
    schedulePromptScan(std::chrono::milliseconds(0));
}

void WorkbenchSession::resetPromptChoices() {
    setPromptChoices(WorkbenchChoices());
    schedulePromptScan(std::chrono::milliseconds(0));
}

void WorkbenchSession::setReplyText(const QString& text) {
    if (text == m_replyText) {
        return;
    }
    m_replyText = text;
    Q_EMIT replyTextChanged();
    scheduleReplyRestore(m_replyDebounce);
}

bool WorkbenchSession::promptResultIsCurrent() const {
    return m_scanResultSource && m_scanResult && !m_scanning && !m_scanError &&
           m_promptText == m_scanResultSource->text && m_promptChoices == m_scanResultSource->choices;
}

void WorkbenchSession::schedulePromptScan(std::chrono::milliseconds after) {
    m_promptScanTask.cancel();
    const qint64 generation = ++m_promptScanGeneration;
    PromptScanSource source{m_promptText, m_promptChoices};
    if (isBlank(source.text)) {
        // The source of the old result stays: without a result it counts for nothing.
        m_promptScanTask = CancelToken();
        setScanning(false);
        setScanResult(std::nullopt);
        setScanError(std::nullopt);
        return;
    }
    m_promptScanTask = CancelToken::create();
    runPromptScan(after, generation, std::move(source), m_promptScanTask);
}

QCoro::Task<> WorkbenchSession::runPromptScan(std::chrono::milliseconds after, qint64 generation,
                                              PromptScanSource source, CancelToken cancel) {
    const QPointer<WorkbenchSession> self(this);
    const bool waited = co_await sleepUnlessCancelled(after, cancel);
    if (!self || !waited) {
        co_return;
    }
    setScanning(true);
    // Sent without the token: once on its way, a check runs to its end and its generation decides.
    const Result<ScanResult> reply = co_await m_client.scan(source.text, source.choices);
    if (!self || generation != m_promptScanGeneration) {
        co_return;
    }
    if (reply) {
        storeScanResult(reply.value(), source);
        setScanError(std::nullopt);
        if (!isBlank(m_replyText)) {
            scheduleReplyRestore(std::chrono::milliseconds(0));
        }
    } else {
        setScanError(fernholm::tr("Scan failed: {error}", {{QStringLiteral("error"), reply.error()}}));
    }
    setScanning(false);
}

void WorkbenchSession::storeScanResult(const ScanResult& result, const PromptScanSource& source) {
    const bool resultChanged = m_scanResult != result;
    const bool sourceChanged = m_scanResultSource != source;
    m_scanResult = result;
    m_scanResultSource = source;
    if (resultChanged || sourceChanged) {
        Q_EMIT scanResultChanged();
    }
}

void WorkbenchSession::scheduleReplyRestore(std::chrono::milliseconds after) {
    m_replyTask.cancel();
    const QString text = m_replyText;
    if (isBlank(text)) {
        m_replyTask = CancelToken();
        setReplyResult(std::nullopt);
        setReplyError(std::nullopt);
        return;
    }
    m_replyTask = CancelToken::create();
    runReplyRestore(after, text, m_replyTask);
}

QCoro::Task<> WorkbenchSession::runReplyRestore(std::chrono::milliseconds after, QString text, CancelToken cancel) {
    const QPointer<WorkbenchSession> self(this);
    const bool waited = co_await sleepUnlessCancelled(after, cancel);
    if (!self || !waited) {
        co_return;
    }
    const Result<RestoreResult> reply = co_await m_client.restore(text, cancel);
    if (!self || cancel.isCancelled()) {
        co_return;
    }
    if (reply) {
        setReplyResult(reply.value());
        setReplyError(std::nullopt);
    } else {
        setReplyError(fernholm::tr("Restore failed: {error}", {{QStringLiteral("error"), reply.error()}}));
    }
}

// --- Setters ---

void WorkbenchSession::setPromptChoices(const WorkbenchChoices& choices) {
    if (assign(m_promptChoices, choices)) {
        Q_EMIT promptChoicesChanged();
    }
}

void WorkbenchSession::setScanResult(const std::optional<ScanResult>& result) {
    if (assign(m_scanResult, result)) {
        Q_EMIT scanResultChanged();
    }
}

void WorkbenchSession::setScanError(const std::optional<QString>& error) {
    if (assign(m_scanError, error)) {
        Q_EMIT scanErrorChanged();
    }
}

void WorkbenchSession::setScanning(bool scanning) {
    if (assign(m_scanning, scanning)) {
        Q_EMIT scanningChanged();
    }
}

void WorkbenchSession::setReplyResult(const std::optional<RestoreResult>& result) {
    if (assign(m_replyResult, result)) {
        Q_EMIT replyResultChanged();
    }
}

void WorkbenchSession::setReplyError(const std::optional<QString>& error) {
    if (assign(m_replyError, error)) {
        Q_EMIT replyErrorChanged();
    }
}

} // namespace fernholm
