// What the pages, the tray panel and the setup call: protection, providers, the redaction rules,
// the problem-report form and page requests. Each gateway-bound action is one GUI-thread task
// that nobody keeps or cancels; it holds the model weakly. A request's detail is the activity
// feed's (ActivityFeed.cpp).
#include "FernholmApp/model/AppModel.h"

#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/model/Supervision.h"

#include "FernholmKit/text/L10n.h"

namespace fernholm {

namespace {

TrArgs errorArg(const GatewayError& error) {
    return {{QStringLiteral("error"), error}};
}

} // namespace

// --- Protection ---

void AppModel::toggleProtection() {
    if (!m_protection->status()) {
        return;
    }
    // Off, starting and error all ask for on.
    const bool on = m_protection->status()->protection != Protection::on;
    m_supervision->beginAction();
    switchProtection(on);
}

QCoro::Task<> AppModel::switchProtection(bool on) {
    const QPointer<AppModel> self(this);
    const Result<Status> reply = co_await m_client.setProtection(on);
    if (!self) {
        co_return;
    }
    if (reply) {
        acceptStatus(reply.value());
    } else {
        m_supervision->setAppError(fernholm::tr("Toggle failed: {error}", errorArg(reply.error())));
    }
    m_supervision->endAction();
}

void AppModel::restartProtection() {
    m_supervision->beginAction();
    switchProtectionOffAndOn();
}

QCoro::Task<> AppModel::switchProtectionOffAndOn() {
    const QPointer<AppModel> self(this);
    const Result<Status> off = co_await m_client.setProtection(false);
    if (!self) {
        co_return;
    }
    if (!off) {
        m_supervision->setAppError(fernholm::tr("Toggle failed: {error}", errorArg(off.error())));
        m_supervision->endAction();
        co_return;
    }
    const Result<Status> on = co_await m_client.setProtection(true);
    if (!self) {
        co_return;
    }
    if (on) {
        acceptStatus(on.value());
    } else {
        m_supervision->setAppError(fernholm::tr("Toggle failed: {error}", errorArg(on.error())));
    }
    m_supervision->endAction();
}

// --- Providers ---

void AppModel::setProvider(const QString& name, bool enabled) {
    sendProvider(name, enabled);
}

QCoro::Task<> AppModel::sendProvider(QString name, bool enabled) {
    const QPointer<AppModel> self(this);
    const Result<ProvidersPage> page = co_await m_client.setProvider(name, enabled);
    if (!self) {
        co_return;
    }
    if (page) {
        m_protection->setProviders(page.value().providers);
        co_return;
    }
    m_supervision->setAppError(fernholm::tr("provider toggle failed: {error}", errorArg(page.error())));
    // The switch shows what the gateway really holds, whatever became of the change.
    co_await loadProviders();
}

// --- Redaction rules ---

void AppModel::saveRedaction() {
    sendRedaction(m_redactionDraft->edited());
}

QCoro::Task<> AppModel::sendRedaction(RedactionPage page) {
    const QPointer<AppModel> self(this);
    const Result<RedactionPage> saved = co_await m_client.postRedaction(page);
    if (!self) {
        co_return;
    }
    if (saved) {
        // Edits made while the save was under way were not sent: they stay as unsaved changes,
        // on top of what the gateway saved.
        m_redactionDraft->rebase(page, saved.value());
        co_return;
    }
    m_supervision->setAppError(fernholm::tr("Redaction save failed: {error}", errorArg(saved.error())));
    // The edits stay; the saved copy becomes what the gateway holds, so the difference shows and
    // the user can save again.
    co_await loadRedaction();
}

// --- Reports and navigation ---

void AppModel::reportProblem(const std::optional<QString>& row, const QString& category) {
    setIssueRequest(IssueRequest{QUuid::createUuid(), row, category});
}

void AppModel::closeIssueRequest(const QUuid& id) {
    if (m_issueRequest && m_issueRequest->id == id) {
        setIssueRequest(std::nullopt);
    }
}

void AppModel::showHome() {
    setHomeRequest(m_homeRequest + 1);
}

void AppModel::showPrompts() {
    setPromptRequest(m_promptRequest + 1);
}

} // namespace fernholm
