#include "FernholmApp/model/Platform.h"

#include "FernholmKit/platform/AppDataFolder.h"
#include "FernholmKit/platform/DBusNotificationCenter.h"
#include "FernholmKit/platform/SystemKeychain.h"
#include "FernholmKit/platform/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace fernholm {

Platform Platform::system() {
    Platform platform;
    platform.defaults = std::make_shared<SettingsDefaults>();
    platform.keychain = std::make_shared<SystemKeychain>();
    platform.random = secureRandomFill;
    platform.environment = [] {
        return SidecarProcess::currentEnvironment();
    };
    // The program's own file, not argv[0]: a program found through PATH is named without its folder.
    platform.executablePath = QCoreApplication::applicationFilePath();
    platform.resourceFolder = SidecarProcess::installedResourceFolder(platform.executablePath);
    platform.currentFolder = QDir::currentPath();
    platform.proxyRunner = SystemProxyCleaner::runNetworksetup();
    platform.notifications = DBusNotificationCenter::forSession(SidecarProcess::currentEnvironment());
    platform.windows = std::make_shared<WidgetWindowActivator>();
    platform.loginItem = XdgAutostartItem::forThisProgram();
    platform.dataFolder = appDataFolder(SidecarProcess::currentEnvironment());
    platform.cacheFolder = appCacheFolder(SidecarProcess::currentEnvironment());
    platform.moveToTrash = [](const QString& path) {
        return QFile::moveToTrash(path);
    };
    // exit(), not quit(): QApplication turns a quit into closing every window, which the main
    // window refuses (it hides), and then stays.
    platform.quit = [] {
        QCoreApplication::exit(0);
    };
    return platform;
}

} // namespace fernholm
