// The gateway's certificate authority (install, remove, retire old roots), a second read of the
// data key, and dismissing the gateway's data-key and cleared-rules notices.
#include "FernholmApp/model/AppModel.h"

#include "FernholmApp/model/Supervision.h"

#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/text/L10n.h"

namespace fernholm {

namespace {

TrArgs errorArg(const TrArg& error) {
    return {{QStringLiteral("error"), error}};
}

// The gateway's own explanation of a refusal, as it was sent; a blank one counts as none.
QString refusal(const CAInstallResult& result, const QString& fallback) {
    const QString text = result.error.value_or(QString());
    return text.trimmed().isEmpty() ? fallback : text;
}

} // namespace

// --- Certificate authority ---

void AppModel::installCA() {
    m_supervision->beginAction();
    sendInstallCA();
}

QCoro::Task<> AppModel::sendInstallCA() {
    const QPointer<AppModel> self(this);
    const Result<CAInstallResult> reply = co_await m_client.installCA();
    if (!self) {
        co_return;
    }
    if (!reply) {
        m_supervision->setAppError(fernholm::tr("CA install failed: {error}", errorArg(reply.error())));
    } else if (!reply.value().ok) {
        m_supervision->setAppError(refusal(reply.value(), fernholm::tr("CA install failed")));
    }
    m_supervision->endAction();
}

void AppModel::removeCA() {
    m_supervision->beginAction();
    sendRemoveCA();
}

QCoro::Task<> AppModel::sendRemoveCA() {
    const QPointer<AppModel> self(this);
    const Result<CAInstallResult> reply = co_await m_client.removeCA();
    if (!self) {
        co_return;
    }
    if (!reply) {
        m_supervision->setAppError(fernholm::tr("Could not remove the certificate: {error}", errorArg(reply.error())));
    } else if (!reply.value().ok) {
        m_supervision->setAppError(refusal(reply.value(), fernholm::tr("Could not remove the certificate")));
    }
    m_supervision->endAction();
}

void AppModel::retireOldRoots() {
    m_supervision->beginAction();
    sendRetireOldRoots();
}

QCoro::Task<> AppModel::sendRetireOldRoots() {
    const QPointer<AppModel> self(this);
    const Result<RetireResult> reply = co_await m_client.retireOldRoots();
    if (!self) {
        co_return;
    }
    if (!reply) {
        m_supervision->setAppError(
            fernholm::tr("The old certificate is still trusted: {error}", errorArg(reply.error())));
    } else if (!reply.value().oldRootsTrusted.isEmpty()) {
        m_supervision->setAppError(fernholm::tr("The old certificate is still trusted: {error}",
                                                errorArg(reply.value().errors.join(QStringLiteral("; ")))));
    }
    m_supervision->endAction();
}

// --- Data key ---

void AppModel::retryDataKey() {
    readDataKeyAgain();
}

QCoro::Task<> AppModel::readDataKeyAgain() {
    const QPointer<AppModel> self(this);
    // Off the GUI thread and bounded: a Secret Service that never answers cannot freeze the window.
    const std::optional<QByteArray> key = co_await m_dataKeys->retryAsync();
    if (self && key) {
        // The read is kept for the next launch, which the replace makes.
        replaceSidecar();
    }
}

void AppModel::dismissDataKeyReset() {
    // Forgotten here first, so a failed call below still ends the repeated reports.
    m_platform.defaults->remove(dataKeyResetKey);
    sendStatusAction(m_client.reportDataKeyReset(std::nullopt));
}

void AppModel::dismissRulesCleared() {
    sendStatusAction(m_client.dismissRulesCleared());
}

QCoro::Task<> AppModel::sendStatusAction(QCoro::Task<Result<Status>> call) {
    const QPointer<AppModel> self(this);
    // A failure is of no interest: the notice stays in the gateway's status until it goes.
    const Result<Status> reply = co_await std::move(call);
    if (self && reply) {
        acceptStatus(reply.value());
    }
}

} // namespace fernholm
