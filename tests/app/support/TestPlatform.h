#pragma once

// An application model's platform made of fakes, for model and view tests:
//
//     test::TestPlatform fakes;              // outlives the model
//     AppModel model(test::quickConfig(), fakes.platform());
//     AppModelAccess::setStatus(model, status); // no gateway, no process: nothing runs before start()
//
// Without TARVINE_REPO in `environment` (the default), start() finds no gateway runtime.

#include "FernholmApp/model/Config.h"
#include "FernholmApp/model/Platform.h"
#include "FernholmApp/model/StudioSink.h"
#include "FernholmApp/model/WindowActivator.h"
#include "support/MemoryDefaults.h"
#include "support/MemoryKeychain.h"
#include "support/MemoryLoginItem.h"
#include "support/MemoryNotificationCenter.h"

#include <QList>
#include <QMutex>
#include <QStringList>

#include <functional>
#include <memory>

namespace fernholm::test {

// Short times for tests; port 0 until a test gives a free one.
Config quickConfig(int port = 0);

// The system proxy tool of one desktop with one network service, "Desktop", whose web and secure
// web proxies point at the gateway's proxy port until switched off, unless the settings are
// stuck. Records every call; safe on the thread pool.
class ScriptedProxyTool {
public:
    explicit ScriptedProxyTool(int proxyPort = 48080) : m_port(proxyPort) {}

    // One run of the tool.
    std::optional<QString> operator()(const QStringList& arguments);

    // The proxies point at the gateway again (as a launched gateway makes them).
    void pointAtGateway();
    // Switching off is answered but changes nothing.
    void setStuck(bool stuck);
    QList<QStringList> calls() const;

private:
    mutable QMutex m_lock;
    const int m_port;
    bool m_web = false;
    bool m_secureWeb = false;
    bool m_stuck = false;
    QList<QStringList> m_calls;
};

class RecordingWindows final : public WindowActivator {
public:
    bool hasWindow = true;
    int activations = 0;
    bool activateMainWindow() override {
        ++activations;
        return hasWindow;
    }
};

class RecordingStudio final : public StudioSink {
public:
    bool pageBusy = false;
    QList<StudioSync> syncs;
    int webDataRemovals = 0;
    std::function<void()> onRemoveWebData; // runs inside each removal
    void sync(bool keep, bool mayLoad) override { syncs.append({keep, mayLoad}); }
    bool busy() const override { return pageBusy; }
    QCoro::Task<> removeWebData() override;
};

// The fakes behind one Platform. Tests change them at will; the model sees every change (the
// environment too, at its next launch).
struct TestPlatform {
    std::shared_ptr<MemoryDefaults> defaults = std::make_shared<MemoryDefaults>();
    std::shared_ptr<MemoryKeychain> keychain = std::make_shared<MemoryKeychain>();
    std::shared_ptr<MemoryNotificationCenter> notifications = std::make_shared<MemoryNotificationCenter>();
    std::shared_ptr<RecordingWindows> windows = std::make_shared<RecordingWindows>();
    std::shared_ptr<ScriptedProxyTool> proxyTool = std::make_shared<ScriptedProxyTool>();
    std::shared_ptr<MemoryLoginItem> loginItem = std::make_shared<MemoryLoginItem>();
    RecordingStudio studio;
    RandomFill random = secureRandomFill; // taken when platform() is called
    Environment environment;
    std::optional<QString> resourceFolder;
    Time now = timeFromSeconds(1'700'000'000.0);
    std::chrono::steady_clock::time_point monotonicNow{std::chrono::seconds(1000)};

    // Uninstalling: no folders by default, the running program's path, the desktop's real trash
    // (each path noted) and a quit that is only counted.
    QString dataFolder;
    QString cacheFolder;
    QString executablePath;
    QStringList trashed;
    int quits = 0;
    std::function<void()> onQuit; // runs inside each quit

    // A platform that refers to these fakes; they must outlive every model made with it (the proxy
    // tool and the keychain may be used on the thread pool and stay alive by themselves).
    Platform platform();
};

} // namespace fernholm::test
