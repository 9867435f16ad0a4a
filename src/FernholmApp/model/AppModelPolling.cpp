// The poll loop: once a second the watch checks the process and its proof, then the status, the
// browser-bypass notices, the rules after a detector change, the new events and the
// blocked-request notice.
#include "FernholmApp/model/AppModel.h"

#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/model/SystemNotifier.h"

#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/presentation/BypassNotifier.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "FernholmKit/text/L10n.h"

namespace fernholm {

// The loop is a precise single-shot timer of the model's, armed again at the end of each poll,
// so the pause is counted from the end of the poll before it and a slow poll stretches the
// period instead of piling polls up. Stopping the loop stops the timer at once but never a poll
// under way. Between polls nothing of the loop waits anywhere: a model that goes away takes the
// loop with it.
void AppModel::startPolling() {
    cancelPolling();
    m_pollTask = CancelToken::create();
    if (!m_pollTimer) {
        m_pollTimer = new QTimer(this);
        m_pollTimer->setSingleShot(true);
        m_pollTimer->setTimerType(Qt::PreciseTimer);
        connect(m_pollTimer, &QTimer::timeout, this, [this] { runScheduledPoll(); });
    }
    // The first poll waits for the next turn of the event loop, so that whoever started the loop
    // (a proven start, the end of a replace) finishes its own steps first.
    m_pollTimer->start(0);
}

void AppModel::cancelPolling() {
    m_pollTask.cancel();
    if (m_pollTimer) {
        m_pollTimer->stop();
    }
}

QCoro::Task<> AppModel::runScheduledPoll() {
    const QPointer<AppModel> self(this);
    const CancelToken loop = m_pollTask;
    co_await pollOnce();
    if (self && !loop.isCancelled()) {
        m_pollTimer->start(m_config.pollInterval);
    }
}

bool AppModel::isPolling() const {
    return m_pollTask.notifier() && !m_pollTask.isCancelled();
}

QCoro::Task<> AppModel::pollOnce() {
    // One at a time: the watch's check must not run twice at once.
    if (m_polling) {
        co_return;
    }
    const QPointer<AppModel> self(this);
    m_polling = true;
    co_await pollSteps();
    if (self) {
        m_polling = false;
        Q_EMIT pollEnded();
    }
}

QCoro::Task<> AppModel::pollSteps() {
    const QPointer<AppModel> self(this);
    // A replace, a force stop or shutdown cancels the loop. A poll under way then still ends its
    // step, but what it saw belongs to a gateway the user stopped or replaced: it is dropped,
    // and counts neither for nor against the link.
    const CancelToken loop = m_pollTask;
    const auto overtaken = [&] {
        return !self || m_shutDown || loop.isCancelled();
    };
    if (m_replacing) {
        co_return;
    }

    const bool mayPoll = co_await watch().beforePoll();
    if (!self || m_shutDown) {
        co_return;
    }
    syncLink();
    if (!mayPoll) {
        // The watch found the process gone and gave up on it (a second death, a failed relaunch).
        // A stop the user asked for is not a gateway that stopped responding.
        if (m_supervision->link() == SidecarLink::stopped && !loop.isCancelled() && !m_replacing) {
            const QString tail = m_sidecar ? m_sidecar->stderrTail() : QString();
            m_supervision->setSidecarState(SidecarState::exited(0));
            m_supervision->setAppError(fernholm::tr("Sidecar stopped responding."));
            m_supervision->setAppErrorDetail(tail.isEmpty() ? std::nullopt : std::optional<QString>(tail));
            cancelPolling();
            dropBypassNotifications();
        }
        co_return;
    }
    // A proof that came back while a replace or a stop was under way says nothing about what
    // follows: a good status now would make a stopped link trusted again.
    if (m_replacing || m_supervision->link() == SidecarLink::stopped || overtaken()) {
        co_return;
    }

    const Result<Status> reply = co_await m_client.status();
    if (overtaken()) {
        co_return;
    }
    if (!reply) {
        watch().pollFailed();
        syncLink();
        co_return;
    }
    const Status& status = reply.value();
    const bool detectorChanged = status.detector != m_lastDetector;
    m_lastDetector = status.detector;
    watch().remember(status);
    acceptStatus(status);

    const BypassNotificationChange bypass = m_bypassNotifier->ingest(status.browserBypass);
    if (m_systemNotifier) {
        if (m_systemNotifier->hasCenter() && !bypass.remove.isEmpty()) {
            m_systemNotifier->remove(bypass.remove);
        }
        for (const BypassNotification& notice : bypass.show) {
            m_systemNotifier->post(notice.identifier, notice.title, notice.body);
        }
    }

    if (detectorChanged) {
        co_await loadRedaction();
        if (overtaken()) {
            co_return;
        }
    }

    const Result<EventsPage> page = co_await m_client.events(m_cursor);
    if (overtaken()) {
        co_return;
    }
    if (!page) {
        // The cursor stays: the next poll asks for the same events again.
        watch().pollFailed();
        syncLink();
        co_return;
    }
    m_cursor = page.value().cursor;
    m_activity->appendEvents(page.value().events);

    // An empty page still goes to the notifier: a notice held back by its cooldown goes out then.
    const double now = std::chrono::duration<double>(m_platform.monotonicClock() - m_clockOrigin).count();
    const std::optional<BlockNotice> notice = m_blockNotifier->ingest(page.value().events, now);
    if (notice && m_systemNotifier) {
        m_systemNotifier->post(blockNotificationIdentifier, notice->title, notice->body);
    }
}

void AppModel::acceptStatus(const Status& status) {
    if (m_supervision->link() == SidecarLink::trusted) {
        m_protection->setStatus(status);
    }
}

QCoro::Task<> AppModel::loadRedaction(CancelToken cancel) {
    const QPointer<AppModel> self(this);
    const Result<RedactionPage> page = co_await m_client.redaction(cancel);
    if (!self || !page) {
        co_return;
    }
    // Decided when the reply arrives: edits made meanwhile are carried over as well, onto the
    // rules as the gateway now holds them.
    m_redactionDraft->rebase(m_redactionDraft->saved(), page.value());
}

} // namespace fernholm
