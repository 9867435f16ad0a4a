// The model's side of supervision: the watch and its closures, relaunch, replace, force stop,
// and copying the watch's link into the model, the studio and the notifications.
#include "FernholmApp/model/AppModel.h"

#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"
#include "FernholmApp/model/SystemNotifier.h"
#include "FernholmKit/presentation/BypassNotifier.h"
#include "FernholmKit/supervision/SidecarWatch.h"

#include <QDir>

namespace fernholm {

namespace {

QCoro::Task<bool> clearSystemProxy(std::optional<QString> service, int port, std::optional<QString> parked,
                                   SystemProxyCleaner::Runner runner) {
    const SystemProxyCleaner::Result result =
        co_await SystemProxyCleaner::clearAsync(std::move(service), port, std::move(parked), std::move(runner));
    co_return result.ok();
}

} // namespace

SidecarWatch& AppModel::watch() {
    if (!m_watch) {
        const QPointer<AppModel> self(this);
        // Every closure holds the model weakly; none is a coroutine itself, so no capture has to
        // outlive a suspension.
        m_watch = std::make_unique<SidecarWatch>(
            m_gate, [self] { return self && self->m_sidecar && self->m_sidecar->isRunning(); },
            [self] { return prove(self); },
            [self, runner = m_platform.proxyRunner](std::optional<QString> service, int port) {
                return clearSystemProxy(std::move(service), port, self ? self->parkedProxyFile() : std::nullopt,
                                        runner);
            },
            [self] { return relaunch(self); }, m_config.backoff, m_platform.wallClock);
        m_watch->setOnLinkChange([self] {
            if (self) {
                self->syncLink();
            }
        });
    }
    return *m_watch;
}

QCoro::Task<bool> AppModel::prove(QPointer<AppModel> model) {
    if (!model || !model->m_launchToken) {
        co_return false;
    }
    co_return co_await SidecarProcess::answersAsOurs(model->m_config.port, model->m_launchToken,
                                                     model->m_config.proofTimeout);
}

QCoro::Task<bool> AppModel::relaunch(QPointer<AppModel> model) {
    if (!model) {
        co_return false;
    }
    co_return co_await model->relaunchSidecar();
}

std::optional<QString> AppModel::parkedProxyFile() const {
    if (!m_runtime) {
        return std::nullopt;
    }
    return QDir(m_runtime->workingDir).filePath(QStringLiteral("_proxy_parked.json"));
}

QCoro::Task<bool> AppModel::relaunchSidecar() {
    const QPointer<AppModel> self(this);
    if (!m_runtime || m_shutDown) {
        co_return false;
    }
    const qint64 epoch = watch().relaunchEpoch();
    const std::optional<QByteArray> dataKey = co_await dataKeyForLaunch();
    // Overtaken while the keychain was asked: no process is made at all.
    if (!self || m_shutDown || watch().relaunchEpoch() != epoch) {
        co_return false;
    }
    const QPointer<SidecarProcess> process = makeSidecar(*m_runtime, dataKey);
    m_supervision->setSidecarState(SidecarState::starting());
    const SidecarState state = co_await process->start(m_config.readyTimeout);
    if (!self || m_shutDown) {
        co_return false;
    }
    if (watch().relaunchEpoch() != epoch) {
        // A replace or force stop happened meanwhile: this launch is nobody's any more.
        if (process) {
            co_await process->terminate(m_config.terminateGrace);
        }
        co_return false;
    }
    m_supervision->setSidecarState(state);
    if (state.kind != SidecarState::Kind::ready) {
        showStartFailure(state, process ? process->stderrTail() : QString());
        // As after a failed first start: a child that never proved itself is not left running
        // with nobody watching it. The watch stops the link once this returns.
        if (process && process->isRunning()) {
            co_await process->terminate(m_config.terminateGrace);
        }
        co_return false;
    }
    m_gate->proven(Clock::now());
    watch().ready();
    m_supervision->setAppError(std::nullopt);
    reportDataKeyReset();
    loadProviders();
    co_return true;
}

void AppModel::restartSidecar() {
    if (m_supervision->link() == SidecarLink::stopped) {
        replaceSidecar();
    }
}

void AppModel::replaceSidecar() {
    if (m_shutDown || m_replacing) {
        return;
    }
    m_replacing = true;
    watch().cancelRelaunch();
    cancelPolling();
    replaceWith(m_sidecar);
}

QCoro::Task<> AppModel::replaceWith(QPointer<SidecarProcess> old) {
    const QPointer<AppModel> self(this);
    if (old) {
        co_await old->terminate(m_config.terminateGrace);
        if (!self) {
            co_return;
        }
    }
    co_await watch().stopNow();
    if (!self) {
        co_return;
    }
    const bool restarted = co_await watch().restart();
    if (!self) {
        co_return;
    }
    syncLink();
    if (restarted) {
        startPolling();
    }
    m_replacing = false;
}

void AppModel::forceStop() {
    if (m_supervision->link() != SidecarLink::checking && m_supervision->link() != SidecarLink::restarting) {
        return;
    }
    if (m_shutDown || m_replacing) {
        return;
    }
    m_replacing = true;
    watch().cancelRelaunch();
    cancelPolling();
    forceStopWith(m_sidecar);
}

QCoro::Task<> AppModel::forceStopWith(QPointer<SidecarProcess> process) {
    const QPointer<AppModel> self(this);
    const bool hadProcess = process;
    if (process) {
        co_await process->terminate(m_config.terminateGrace);
        if (!self) {
            co_return;
        }
    }
    co_await watch().stopNow();
    if (!self) {
        co_return;
    }
    const bool stillRunning = process && process->isRunning();
    m_supervision->setSidecarState(SidecarState::exited(!hadProcess || stillRunning ? -1 : 0));
    syncLink();
    dropBypassNotifications();
    m_replacing = false;
}

QCoro::Task<> AppModel::stopAfterFailedStart(QPointer<SidecarProcess> process) {
    // A launch that never proved itself leaves its child running; without this the link would
    // stay at its first "trusted" with nothing to watch it, and neither a stop nor a restart
    // would be offered.
    const QPointer<AppModel> self(this);
    if (process && process->isRunning()) {
        co_await process->terminate(m_config.terminateGrace);
        if (!self || m_shutDown) {
            co_return;
        }
    }
    co_await watch().stopNow();
    if (self) {
        syncLink();
    }
}

void AppModel::syncLink() {
    SidecarWatch& supervisor = watch();
    m_supervision->setLink(supervisor.link());
    m_supervision->setProxyStuck(m_supervision->link() == SidecarLink::stopped && supervisor.proxyStuck());
    if (m_supervision->link() != SidecarLink::trusted) {
        m_protection->setStatus(std::nullopt);
    }
    syncStudio();
}

void AppModel::syncStudio() {
    if (!m_platform.studio) {
        return;
    }
    const bool running = m_sidecar && m_sidecar->isRunning();
    const StudioSync sync = studioSync(m_supervision->link(), m_gate->holds(), running, m_platform.studio->busy());
    m_platform.studio->sync(sync.keep, sync.mayLoad);
}

void AppModel::dropBypassNotifications() {
    if (!m_systemNotifier) {
        return;
    }
    const QStringList identifiers = m_bypassNotifier->forgetAll();
    if (m_systemNotifier->hasCenter() && !identifiers.isEmpty()) {
        m_systemNotifier->remove(identifiers);
    }
}

} // namespace fernholm
