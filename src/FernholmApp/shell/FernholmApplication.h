#pragma once

#include "FernholmApp/model/Config.h"
#include "FernholmApp/model/Platform.h"
#include "FernholmApp/shell/RootView.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QTimer;
class QTranslator;

namespace fernholm {

class AppModel;
class MainWindow;
class QuitSignals;
class SingleInstance;
class TrayHost;

// What the application is made of. The program gives the real platform and studio; tests give
// fakes, a free port and their own instance name.
struct ShellOptions {
    Config config;
    Platform platform;
    RootViewHooks hooks;
    // Make a tray icon once the desktop has a tray (it may come after the application does).
    bool tray = true;
    // Whether the desktop has a tray now; empty: TrayHost::available().
    std::function<bool()> trayAvailable;
    // The claim of the one instance, already taken; later launches are heard on it. May be empty.
    std::shared_ptr<SingleInstance> instance;
    // Ends the event loop, and so the process; empty: QCoreApplication::exit(0).
    std::function<void()> exitLoop;
    // Answers the uninstall question; empty: the warning dialog.
    std::function<bool()> confirmUninstall;
    // Follow SIGTERM, SIGINT and SIGHUP (the program does; tests that make several do not).
    bool quitOnSignals = false;
};

// The application: owns the one model, the main window, the tray icon and the quit wiring.
//
// Every time the window comes on screen it is raised and activated, the stored appearance is
// applied and the model started (which starts once). Quitting stops hearing later launches, shuts
// the model down, then ends the event loop; the application's aboutToQuit does the same (a second
// shutdown leaves the proxies alone), so every way out stops the gateway. Closing the window hides
// it: the tray icon, or a new launch, brings it back.
class FernholmApplication : public QObject {
    Q_OBJECT
public:
    explicit FernholmApplication(ShellOptions options, QObject* parent = nullptr);
    ~FernholmApplication() override;

    AppModel& model() { return *m_model; }
    MainWindow* window() const { return m_window.get(); }
    RootView* root() const { return m_root; }
    TrayHost* tray() const { return m_tray.get(); }

    // Opens the window and brings it forward.
    void showWindow();
    // Another launch asked for us: the window is shown, restored, raised and activated, with the
    // launcher's activation token where the windowing system takes one.
    void activate(const QString& token = {});
    // Stops hearing later launches, shuts the model down, then ends the event loop.
    void quit();
    // Asks first; only a yes uninstalls.
    void confirmUninstall();
    // Follows the stored appearance ("system" when absent).
    void applyAppearance();

    // Whether aboutToQuit was wired (it is, once, on the first show).
    bool isQuitHookInstalled() const { return m_quitHooked; }

private:
    void followTray();
    void makeTray();
    void windowShown();
    void closeRequested();
    void languageChanged();
    bool askToUninstall();

    ShellOptions m_options;
    std::shared_ptr<Defaults> m_defaults;
    std::unique_ptr<AppModel> m_model;
    std::unique_ptr<MainWindow> m_window;
    QPointer<RootView> m_root;
    std::unique_ptr<TrayHost> m_tray;
    std::unique_ptr<QuitSignals> m_signals;
    QTimer* m_trayWatch = nullptr;
    bool m_quitHooked = false;
};

// Loads Qt's own Polish texts (dialog buttons, context menus) when the language is Polish, and
// drops them otherwise.
void followQtTranslations();

// What the studio's library adds to the program: set up before the model is made (it puts its
// sink into the platform and its page into the hooks, and returns what must outlive the model),
// then attached to the model.
struct StudioWiring {
    std::function<std::shared_ptr<void>(Platform&, RootViewHooks&)> prepare;
    std::function<void(AppModel&)> attach;
};

// The program: one instance per user, the window shown, the event loop run. Returns the exit code.
int runApplication(int argc, char** argv, const StudioWiring& studio = {});

} // namespace fernholm
