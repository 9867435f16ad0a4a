#pragma once

#include "FernholmApp/model/StudioSink.h"
#include "FernholmApp/model/WindowActivator.h"

#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/supervision/SidecarProcess.h"
#include "FernholmKit/supervision/SystemProxyCleaner.h"
#include "FernholmKit/control/Time.h"
#include "FernholmKit/platform/KeychainItem.h"
#include "FernholmKit/platform/LoginItem.h"
#include "FernholmKit/platform/NotificationCenter.h"
#include "FernholmKit/platform/SecureRandom.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace fernholm {

// Everything of the operating system that the application model touches, injected: system()
// gives the real ones, tests put fakes in their place (tests/app/support/TestPlatform.h). The
// defaults, the keychain item, the random source, the environment, the proxy runner and the
// clocks must be set; the others may stay empty.
struct Platform {
    using WallClock = std::function<Time()>;
    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

    // The user defaults (alert snoozes, the data-key reset stamp, settings).
    std::shared_ptr<Defaults> defaults;
    // The keychain item that holds the gateway's data key.
    std::shared_ptr<KeychainItem> keychain;
    // Random bytes for the control token and a new data key.
    RandomFill random = secureRandomFill;

    // The gateway lookup: the process environment (read at every launch, and handed on to the
    // gateway), the resource folder of an installed build, the running program's path and the
    // current folder.
    std::function<Environment()> environment;
    std::optional<QString> resourceFolder;
    QString executablePath;
    QString currentFolder;

    // Runs the system proxy tool; called on the thread pool.
    SystemProxyCleaner::Runner proxyRunner;
    // The desktop's notifications; none without a session bus.
    std::shared_ptr<NotificationCenter> notifications;
    // Brings the main window forward when a notification is clicked; none leaves windows alone.
    std::shared_ptr<WindowActivator> windows;
    // This program's entry among those the desktop opens at login; must be set.
    std::shared_ptr<LoginItem> loginItem;

    WallClock wallClock = [] {
        return Clock::now();
    };
    MonotonicClock monotonicClock = [] {
        return std::chrono::steady_clock::now();
    };

    // The studio's web view; none until the shell attaches the studio host.
    StudioSink* studio = nullptr;

    // --- What uninstalling removes, and the way out ---

    // The application's data folder and cache folder, absolute; an empty one is left alone.
    QString dataFolder;
    QString cacheFolder;
    // Moves a file or folder to the desktop's trash; answers whether it went.
    std::function<bool(const QString& path)> moveToTrash;
    // Asks the application to quit; the shell's own shutdown runs on the way out.
    std::function<void()> quit;

    // The real ones, for the running program: settings file, Secret Service, getentropy, this
    // process's environment and paths, the desktop's proxy settings, the session bus's
    // notification service, the application's widgets, its XDG data and cache folders, the
    // desktop's trash and the application's event loop. Needs the application object.
    static Platform system();
};

} // namespace fernholm
