#include "app/support/TestPlatform.h"

#include <QFile>
#include <QMutexLocker>

namespace fernholm::test {

Config quickConfig(int port) {
    Config config;
    config.port = port;
    config.readyTimeout = Seconds(20.0);
    config.proofTimeout = Seconds(3.0);
    config.backoff = std::chrono::milliseconds(100);
    config.terminateGrace = Seconds(2.0);
    config.keychainBound = std::chrono::milliseconds(2000);
    config.pollInterval = std::chrono::milliseconds(100);
    config.promptDebounce = std::chrono::milliseconds(40);
    config.replyDebounce = std::chrono::milliseconds(25);
    return config;
}

void ScriptedProxyTool::pointAtGateway() {
    QMutexLocker lock(&m_lock);
    m_web = m_secureWeb = true;
}

void ScriptedProxyTool::setStuck(bool stuck) {
    QMutexLocker lock(&m_lock);
    m_stuck = stuck;
}

QList<QStringList> ScriptedProxyTool::calls() const {
    QMutexLocker lock(&m_lock);
    return m_calls;
}

std::optional<QString> ScriptedProxyTool::operator()(const QStringList& arguments) {
    QMutexLocker lock(&m_lock);
    m_calls.append(arguments);
    const QString verb = arguments.value(0);
    const auto proxy = [this](bool on) {
        return on ? QStringLiteral("Enabled: Yes\nServer: 127.0.0.1\nPort: %1\nAuthenticated Proxy Enabled: 0\n")
                        .arg(m_port)
                  : QStringLiteral("Enabled: No\nServer: \nPort: 0\nAuthenticated Proxy Enabled: 0\n");
    };
    if (verb == QLatin1String("-listallnetworkservices")) {
        return QStringLiteral("An asterisk (*) denotes that a network service is disabled.\nDesktop\n");
    }
    if (arguments.value(1) != QLatin1String("Desktop")) {
        return std::nullopt;
    }
    if (verb == QLatin1String("-getwebproxy")) {
        return proxy(m_web);
    }
    if (verb == QLatin1String("-getsecurewebproxy")) {
        return proxy(m_secureWeb);
    }
    if (verb == QLatin1String("-setwebproxystate")) {
        m_web = m_web && m_stuck;
        return QString();
    }
    if (verb == QLatin1String("-setsecurewebproxystate")) {
        m_secureWeb = m_secureWeb && m_stuck;
        return QString();
    }
    if (verb == QLatin1String("-getproxybypassdomains")) {
        return QStringLiteral("There aren't any bypass domains set on Desktop.\n");
    }
    // The other set commands of a parked-settings restore.
    return QString();
}

QCoro::Task<> RecordingStudio::removeWebData() {
    ++webDataRemovals;
    if (onRemoveWebData) {
        onRemoveWebData();
    }
    co_return;
}

Platform TestPlatform::platform() {
    Platform platform;
    platform.defaults = defaults;
    platform.keychain = keychain;
    platform.random = random;
    platform.environment = [this] {
        return environment;
    };
    platform.resourceFolder = resourceFolder;
    platform.executablePath = executablePath;
    platform.currentFolder = QString();
    platform.proxyRunner = [tool = proxyTool](const QStringList& arguments) {
        return (*tool)(arguments);
    };
    platform.notifications = notifications;
    platform.windows = windows;
    platform.loginItem = loginItem;
    platform.wallClock = [this] {
        return now;
    };
    platform.monotonicClock = [this] {
        return monotonicNow;
    };
    platform.studio = &studio;
    platform.dataFolder = dataFolder;
    platform.cacheFolder = cacheFolder;
    platform.moveToTrash = [this](const QString& path) {
        trashed.append(path);
        return QFile::moveToTrash(path);
    };
    platform.quit = [this] {
        ++quits;
        if (onQuit) {
            onQuit();
        }
    };
    return platform;
}

} // namespace fernholm::test
