// The way out: stopping everything the model started, and removing what the application put on
// this computer.
#include "FernholmApp/model/AppModel.h"

#include "FernholmApp/model/ProtectionStatus.h"
#include "FernholmApp/model/Supervision.h"

#include "FernholmKit/platform/Installation.h"
#include "FernholmKit/supervision/SidecarWatch.h"
#include "FernholmKit/text/L10n.h"

#include <QDir>
#include <QtConcurrent/QtConcurrentRun>

#include <QCoroFuture>

namespace fernholm {

namespace {

// Off the GUI thread: the folder may be large. A missing folder is nothing to do; an empty or
// relative path (which would name the current folder) is never touched.
QFuture<void> removeFolder(const QString& path) {
    if (path.isEmpty() || QDir::isRelativePath(path)) {
        return QtFuture::makeReadyFuture();
    }
    return QtConcurrent::run([path] { QDir(path).removeRecursively(); });
}

} // namespace

void AppModel::shutdown() {
    const bool again = m_shutDown;
    m_shutDown = true;
    cancelPolling();
    dropBypassNotifications();
    if (m_sidecar) {
        m_sidecar->terminateNow(m_config.terminateGrace);
    }
    m_gate->revoke();
    // Once per run: the second call, from the quit that an uninstall asks for, leaves them be.
    if (!again) {
        const SidecarWatch::ProxyTarget target = watch().proxyTarget();
        SystemProxyCleaner::clear(target.service, target.port, parkedProxyFile(), m_platform.proxyRunner);
    }
    m_protection->setStatus(std::nullopt);
    m_supervision->setSidecarState(SidecarState::exited(0));
}

void AppModel::uninstall() {
    m_supervision->beginAction();
    removeEverything();
}

QCoro::Task<> AppModel::removeEverything() {
    const QPointer<AppModel> self(this);
    const Result<CAInstallResult> removal = co_await m_client.removeCA();
    if (!self) {
        co_return;
    }
    // Without the certificate gone, removing anything else would leave it trusted with nothing
    // left to remove it: stop here, and keep running.
    if (!removal) {
        m_supervision->setAppError(
            fernholm::tr("Could not remove the certificate: {error}", {{QStringLiteral("error"), removal.error()}}));
        m_supervision->endAction();
        co_return;
    }
    if (!removal.value().ok) {
        const QString said = removal.value().error.value_or(QString());
        m_supervision->setAppError(said.trimmed().isEmpty() ? fernholm::tr("Could not remove the certificate") : said);
        m_supervision->endAction();
        co_return;
    }

    shutdown();
    co_await DataKey::deleteItemAsync(m_platform.keychain, m_config.keychainBound);
    if (!self) {
        co_return;
    }
    // Each future made outside its co_await: a temporary with a destructor inside one is
    // destroyed twice.
    QFuture<void> dataRemoval = removeFolder(m_platform.dataFolder);
    co_await dataRemoval;
    if (!self) {
        co_return;
    }
    if (m_platform.loginItem) {
        m_platform.loginItem->unregisterItem();
    }
    if (m_platform.studio) {
        co_await m_platform.studio->removeWebData();
        if (!self) {
            co_return;
        }
    }
    QFuture<void> cacheRemoval = removeFolder(m_platform.cacheFolder);
    co_await cacheRemoval;
    if (!self) {
        co_return;
    }
    if (m_platform.moveToTrash) {
        for (const QString& item : installedItems(m_platform.environment(), m_platform.executablePath)) {
            m_platform.moveToTrash(item);
        }
    }
    m_platform.defaults->removeAll();
    if (m_platform.quit) {
        m_platform.quit();
    }
    m_supervision->endAction();
}

} // namespace fernholm
