#include "FernholmApp/model/AppModel.h"

#include "FernholmApp/model/ActivityFeed.h"
#include "FernholmApp/model/AlertsModel.h"
#include "FernholmApp/model/Assign.h"
#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/RedactionDraft.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/model/SystemNotifier.h"
#include "FernholmApp/model/WorkbenchSession.h"

#include "FernholmKit/presentation/ActivityText.h"
#include "FernholmKit/presentation/AlertCenter.h"
#include "FernholmKit/presentation/BlockNotifier.h"
#include "FernholmKit/presentation/BypassNotifier.h"
#include "FernholmKit/supervision/BackupScope.h"
#include "FernholmKit/supervision/DataKey.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "FernholmKit/text/L10n.h"

#include <QDateTime>
#include <QTimer>

#include <algorithm>

namespace fernholm {

namespace {

QCoro::Task<> sendDataKeyReset(GatewayClient client, QString stamp) {
    // The reply and any failure are of no interest: the report repeats after every launch until
    // the user dismisses the notice.
    co_await client.reportDataKeyReset(stamp);
}

} // namespace

AppModel::AppModel(Config config, Platform platform, QObject* parent)
    : QObject(parent), m_config(std::move(config)), m_platform(std::move(platform)),
      m_protection(std::make_unique<ProtectionStatus>()), m_supervision(std::make_unique<Supervision>()),
      m_redactionDraft(std::make_unique<RedactionDraft>()), m_launchToken(GatewayClient::makeToken(m_platform.random)),
      m_client(m_config.port, m_launchToken.value_or(QString()), m_gate),
      m_blockNotifier(std::make_unique<BlockNotifier>(m_config.blockCooldown, m_config.blockRepeatWindow)),
      m_bypassNotifier(std::make_unique<BypassNotifier>()), m_clockOrigin(m_platform.monotonicClock()),
      m_dataKeys(std::make_unique<DataKeySource>(m_platform.keychain, m_platform.random, m_config.keychainBound)),
      m_alertCenter(std::make_unique<AlertCenter>(*m_platform.defaults)),
      m_workbench(std::make_unique<WorkbenchSession>(m_client, m_config.promptDebounce, m_config.replyDebounce)) {
    m_alerts =
        std::make_unique<AlertsModel>(*m_protection, *m_supervision, *m_alertCenter, [] { return Clock::now(); });
    m_activity = std::make_unique<ActivityFeed>(m_client, m_config.maxEvents);
    refreshLoginItem();
}

AppModel::~AppModel() = default;

// --- Start-up ---

void AppModel::start() {
    if (m_started) {
        return;
    }
    m_started = true;

    if (!m_systemNotifier) {
        m_systemNotifier = new SystemNotifier(m_platform.notifications, this);
        m_systemNotifier->onClick = [self = QPointer<AppModel>(this)](NotificationTarget target) {
            if (self) {
                self->show(target);
            }
        };
    }

    const std::optional<Runtime> runtime = SidecarProcess::resolveRuntime(
        m_platform.environment(), m_platform.resourceFolder, m_platform.executablePath, m_platform.currentFolder);
    if (!runtime) {
        m_supervision->setAppError(fernholm::tr(
            "Could not locate a Python runtime. The bundled runtime is missing; for a dev run set TARVINE_REPO to the project directory."));
        m_supervision->setSidecarState(SidecarState::failed(QStringLiteral("runtime not found")));
        return;
    }
    if (!m_launchToken) {
        m_supervision->setAppError(
            fernholm::tr("Could not start the gateway: the system gave no random bytes for its key."));
        m_supervision->setSidecarState(SidecarState::failed(QStringLiteral("no control token")));
        return;
    }
    if (runtime->kind == RuntimeKind::embedded) {
        BackupScope::apply(runtime->workingDir);
    }
    m_runtime = runtime;
    // Starting already while the keychain is asked for the data key: a slow keyring delays the
    // launch, and the user sees why nothing else happens yet.
    m_supervision->setSidecarState(SidecarState::starting());
    launchFirst();
}

QCoro::Task<> AppModel::launchFirst() {
    const QPointer<AppModel> self(this);
    const std::optional<QByteArray> dataKey = co_await dataKeyForLaunch();
    if (!self || m_shutDown) {
        co_return;
    }
    const QPointer<SidecarProcess> process = makeSidecar(*m_runtime, dataKey);
    const SidecarState state = co_await process->start(m_config.readyTimeout);
    // A shutdown meanwhile has stopped the process and revoked the proof; nothing here may undo that.
    if (!self || m_shutDown) {
        co_return;
    }
    sidecarBecame(state, process ? process->stderrTail() : QString());
    if (state.kind == SidecarState::Kind::failed) {
        co_await stopAfterFailedStart(process);
    }
}

QCoro::Task<std::optional<QByteArray>> AppModel::dataKeyForLaunch() {
    const QPointer<AppModel> self(this);
    const DataKeyRead read = co_await m_dataKeys->forStartAsync();
    if (!self) {
        co_return std::nullopt;
    }
    if (read.kind == DataKeyRead::Kind::replaced) {
        // Noted before the launch, so that a gateway that dies at once still gets it reported later.
        const qint64 seconds =
            std::chrono::duration_cast<std::chrono::seconds>(m_platform.wallClock().time_since_epoch()).count();
        m_platform.defaults->setValue(dataKeyResetKey,
                                      QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate));
    }
    co_return read.key();
}

SidecarProcess* AppModel::makeSidecar(const Runtime& runtime, std::optional<QByteArray> dataKey) {
    auto* process =
        new SidecarProcess(runtime, m_config.port, m_platform.environment(), std::move(dataKey), m_launchToken, this);
    const qint64 generation = ++m_generation;
    m_gate->begin(generation);
    // Runs when the child ends. The proof goes at once; the watch hears of it on the next turn of
    // the event loop, and only while this is still the current launch.
    process->onExit = [gate = m_gate, generation, self = QPointer<AppModel>(this)] {
        gate->revoke(generation);
        if (self) {
            QTimer::singleShot(0, self.data(), [self, generation] {
                if (self) {
                    self->sidecarEnded(generation);
                }
            });
        }
    };
    // A replaced process has ended, or was told to, before its successor is made.
    if (m_sidecar) {
        release(m_sidecar, m_config.terminateGrace);
    }
    m_sidecar = process;
    return process;
}

QCoro::Task<> AppModel::release(QPointer<SidecarProcess> old, Seconds grace) {
    // Its destructor would wait for a child that still runs, on the GUI thread: the child is
    // ended first, without blocking, and one that outlives even its kill is let go once it ends.
    if (old && old->isRunning()) {
        co_await old->terminate(grace);
    }
    if (!old) {
        co_return;
    }
    if (old->isRunning()) {
        connect(old.data(), &SidecarProcess::ended, old.data(), &QObject::deleteLater);
        co_return;
    }
    old->deleteLater();
}

void AppModel::sidecarEnded(qint64 generation) {
    if (generation != m_generation || m_shutDown) {
        return;
    }
    watch().sidecarExited();
    syncLink();
}

void AppModel::sidecarBecame(const SidecarState& state, const QString& tail) {
    m_supervision->setSidecarState(state);
    if (state.kind != SidecarState::Kind::ready) {
        showStartFailure(state, tail);
        return;
    }
    m_gate->proven(Clock::now());
    watch().ready();
    m_supervision->setAppError(std::nullopt);
    syncLink();
    reportDataKeyReset();
    startPolling();
    loadProviders();
}

void AppModel::showStartFailure(const SidecarState& state, const QString& tail) {
    const std::optional<QString> detail = tail.isEmpty() ? std::nullopt : std::optional<QString>(tail);
    switch (state.kind) {
    case SidecarState::Kind::exited:
        m_supervision->setAppError(startFailureText(state.code, tail));
        m_supervision->setAppErrorDetail(detail);
        break;
    case SidecarState::Kind::failed:
        m_supervision->setAppError(state.reason);
        m_supervision->setAppErrorDetail(detail);
        break;
    case SidecarState::Kind::idle:
    case SidecarState::Kind::starting:
    case SidecarState::Kind::ready:
        break;
    }
}

void AppModel::reportDataKeyReset() {
    if (const std::optional<QString> stamp = m_platform.defaults->string(dataKeyResetKey)) {
        sendDataKeyReset(m_client, *stamp);
    }
}

QCoro::Task<> AppModel::loadProviders() {
    const QPointer<AppModel> self(this);
    const Result<ProvidersPage> page = co_await m_client.providers();
    if (self && page) {
        m_protection->setProviders(page.value().providers);
    }
}

void AppModel::show(NotificationTarget target) {
    if (m_platform.windows) {
        m_platform.windows->activateMainWindow();
    }
    switch (target) {
    case NotificationTarget::activity:
        setActivityRequest(m_activityRequest + 1);
        break;
    case NotificationTarget::home:
        setHomeRequest(m_homeRequest + 1);
        break;
    }
}

// --- Setters ---

void AppModel::setActivityRequest(int count) {
    if (assign(m_activityRequest, count)) {
        Q_EMIT activityRequestChanged();
    }
}

void AppModel::setHomeRequest(int count) {
    if (assign(m_homeRequest, count)) {
        Q_EMIT homeRequestChanged();
    }
}

void AppModel::setPromptRequest(int count) {
    if (assign(m_promptRequest, count)) {
        Q_EMIT promptRequestChanged();
    }
}

void AppModel::setLoginItem(const LoginItemSwitch& item) {
    if (assign(m_loginItem, item)) {
        Q_EMIT loginItemChanged();
    }
}

void AppModel::setLoginItemError(const std::optional<QString>& error) {
    if (assign(m_loginItemError, error)) {
        Q_EMIT loginItemChanged();
    }
}

void AppModel::setIssueRequest(const std::optional<IssueRequest>& request) {
    if (assign(m_issueRequest, request)) {
        Q_EMIT issueRequestChanged();
    }
}

} // namespace fernholm
