#include "FernholmApp/shell/FernholmApplication.h"

#include "FernholmApp/shell/tray/MenuBarPopover.h"

#include "FernholmApp/model/AppModel.h"
#include "FernholmApp/model/AppPreferences.h"
#include "FernholmApp/shell/ResourceReport.h"
#include "FernholmApp/theme/AppIcon.h"
#include "FernholmApp/theme/Appearance.h"
#include "FernholmApp/theme/BrandFonts.h"
#include "FernholmKit/platform/Defaults.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmKit/platform/QuitSignals.h"
#include "FernholmKit/platform/UserInstanceLock.h"
#include "FernholmKit/supervision/SidecarProcess.h"
#include "FernholmApp/shell/MainWindow.h"
#include "FernholmApp/theme/ThemePalette.h"
#include "FernholmApp/shell/tray/TrayHost.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>
#include <QTranslator>

#include <cstdio>

#include <unistd.h>

namespace fernholm {

namespace {

// How long a launch waits for an instance that is quitting: its shutdown stops the gateway (within
// the terminate grace) and puts the proxy settings back.
constexpr std::chrono::seconds quittingWait{30};

// Qt tells nothing when a tray appears; the check is one cheap look at the tray's selection.
constexpr std::chrono::seconds trayLook{1};

// Tooltips are standard Qt windows: they take the theme's colours from the application palette.
void followThemeInTooltips() {
    const auto apply = [] {
        QToolTip::setPalette(themePalette(Appearance::instance().scheme()));
    };
    apply();
    static bool connected = false;
    if (!connected) {
        connected = true;
        QObject::connect(&Appearance::instance(), &Appearance::schemeChanged, qApp, apply);
    }
}

} // namespace

void followQtTranslations() {
    static QTranslator* qtbase = nullptr;
    if (qtbase) {
        QCoreApplication::removeTranslator(qtbase);
        delete qtbase;
        qtbase = nullptr;
    }
    if (!L10n::isPolish()) {
        return;
    }
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qtbase = translator.release();
        QCoreApplication::installTranslator(qtbase);
    }
}

FernholmApplication::FernholmApplication(ShellOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_defaults(m_options.platform.defaults) {
    AppPreferences::applyStored(*m_defaults);
    followQtTranslations();
    followThemeInTooltips();

    m_model = std::make_unique<AppModel>(m_options.config, m_options.platform);

    RootViewHooks hooks = m_options.hooks;
    const auto outer = hooks.languageChanged;
    hooks.languageChanged = [this, outer] {
        if (outer) {
            outer();
        }
        languageChanged();
    };
    m_window = std::make_unique<MainWindow>();
    m_root = new RootView(*m_model, m_defaults, {}, std::move(hooks));
    m_window->setCentralWidget(m_root);
    m_window->resize(1100, 760);
    connect(m_window.get(), &MainWindow::shown, this, &FernholmApplication::windowShown);
    connect(m_window.get(), &MainWindow::closeRequested, this, &FernholmApplication::closeRequested);
    connect(m_window.get(), &MainWindow::quitRequested, this, &FernholmApplication::quit);
    connect(m_window.get(), &MainWindow::uninstallRequested, this, &FernholmApplication::confirmUninstall);

    followTray();
    if (m_options.instance) {
        connect(m_options.instance.get(), &SingleInstance::activationRequested, this, &FernholmApplication::activate);
    }
    if (m_options.quitOnSignals) {
        m_signals = std::make_unique<QuitSignals>();
        connect(m_signals.get(), &QuitSignals::received, this, &FernholmApplication::quit);
    }
}

FernholmApplication::~FernholmApplication() {
    // The report sheet and the tray panel are windows of their own; they go before the model.
    m_tray.reset();
    m_window.reset();
    if (m_model) {
        m_model->shutdown();
    }
}

void FernholmApplication::applyAppearance() {
    AppPreferences::applyAppearance(AppPreferences::storedAppearance(*m_defaults));
}

void FernholmApplication::followTray() {
    if (!m_options.tray || m_tray) {
        return;
    }
    const bool available = m_options.trayAvailable ? m_options.trayAvailable() : TrayHost::available();
    if (available) {
        if (m_trayWatch) {
            m_trayWatch->stop();
        }
        makeTray();
        return;
    }
    // Started before the desktop's panel (an autostart often is): look again until a tray comes.
    if (!m_trayWatch) {
        m_trayWatch = new QTimer(this);
        m_trayWatch->setInterval(trayLook);
        connect(m_trayWatch, &QTimer::timeout, this, &FernholmApplication::followTray);
    }
    m_trayWatch->start();
}

void FernholmApplication::makeTray() {
    m_tray = std::make_unique<TrayHost>(*m_model, TrayHost::Hooks{
                                                      .showWindow = [this] { showWindow(); },
                                                      .checkPrompt =
                                                          [this] {
                                                              m_model->showPrompts();
                                                              showWindow();
                                                          },
                                                      .quit = [this] { quit(); },
                                                      .checkForUpdates = {},
                                                  });
    m_tray->show();
}

void FernholmApplication::showWindow() {
    // Only the minimised state goes: a maximised window comes back maximised.
    m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void FernholmApplication::activate(const QString& token) {
    // The launcher gave the later launch the right to take the focus. On Wayland the window needs
    // that token to come forward; Qt's xdg-shell integration takes it from the environment when it
    // activates a window (where the compositor offers xdg-activation), and X11 ignores it.
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    }
    showWindow();
}

void FernholmApplication::windowShown() {
    m_window->raise();
    m_window->activateWindow();
    applyAppearance();
    m_model->start();
    if (!m_quitHooked) {
        m_quitHooked = true;
        AppModel* model = m_model.get();
        const std::weak_ptr<SingleInstance> instance = m_options.instance;
        connect(qApp, &QCoreApplication::aboutToQuit, model, [model, instance] {
            if (const auto held = instance.lock()) {
                held->stopListening();
            }
            model->shutdown();
        });
    }
}

void FernholmApplication::closeRequested() {
    // With no tray (yet), a new launch brings the window back; the menu's Quit ends the program.
    m_window->hide();
}

void FernholmApplication::quit() {
    // A launch made from now on waits for this process to end, then starts afresh.
    if (m_options.instance) {
        m_options.instance->stopListening();
    }
    m_model->shutdown();
    // Not QCoreApplication::quit(): QApplication answers that by closing every window and gives
    // up while one refuses, and the main window refuses (it hides), as may the tray's own window.
    if (m_options.exitLoop) {
        m_options.exitLoop();
    } else {
        QCoreApplication::exit(0);
    }
}

bool FernholmApplication::askToUninstall() {
    if (m_options.confirmUninstall) {
        return m_options.confirmUninstall();
    }
    QMessageBox box(QMessageBox::Warning, fernholm::tr("Uninstall Tarvine?"),
                    fernholm::tr("Uninstall Tarvine?"), QMessageBox::NoButton, m_window.get());
    box.setInformativeText(fernholm::tr(
        "Tarvine removes its certificate (the system may ask for your password), deletes its data on this computer and moves itself to the Trash."));
    QPushButton* uninstall = box.addButton(fernholm::tr("Uninstall"), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(fernholm::tr("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    showWindow();
    box.exec();
    return box.clickedButton() == uninstall;
}

void FernholmApplication::confirmUninstall() {
    if (askToUninstall()) {
        m_model->uninstall();
    }
}

void FernholmApplication::languageChanged() {
    followQtTranslations();
    m_window->retranslate();
    if (m_tray) {
        m_tray->retranslate();
    }
}

int runApplication(int argc, char** argv, const StudioWiring& studio) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvendale"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvendale.com"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvine"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tarvine"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.orvendale.tarvine"));
    // The tray keeps the application running while its window is hidden.
    QApplication::setQuitOnLastWindowClosed(false);

    if (QCoreApplication::arguments().contains(QStringLiteral("--list-resources"))) {
        const ResourceReport report = ResourceReport::gather();
        std::fputs((report.lines.join(u'\n') + u'\n').toUtf8().constData(), stdout);
        return report.complete ? 0 : 1;
    }

    // Before anything else: a later launch hands over and leaves without touching the gateway or
    // the proxy settings of the one that runs.
    const auto env = SidecarProcess::currentEnvironment();
    QString why;
    const std::optional<QString> folder = UserInstanceLock::privateFolder(env, &why);
    if (!folder) {
        std::fprintf(stderr, "tarvine: no private folder for the single-instance lock: %s\n", qPrintable(why));
        return 1;
    }
    auto instance = std::make_shared<UserInstanceLock>(*folder);
    QString token = env.value(QStringLiteral("XDG_ACTIVATION_TOKEN"));
    if (token.isEmpty()) {
        token = env.value(QStringLiteral("DESKTOP_STARTUP_ID"));
    }
    switch (instance->claim(token, quittingWait)) {
    case SingleInstance::Claim::first:
        break;
    case SingleInstance::Claim::handedOver:
        return 0;
    case SingleInstance::Claim::busy:
    case SingleInstance::Claim::failed:
        std::fprintf(stderr, "tarvine: %s\n", qPrintable(instance->failure()));
        return 1;
    }
    BrandFonts::registerFonts();
    QGuiApplication::setWindowIcon(AppIcon::find().icon);

    ShellOptions options;
    options.platform = Platform::system();
    options.quitOnSignals = true;
    options.instance = instance;
    std::shared_ptr<void> studioKeep;
    if (studio.prepare) {
        studioKeep = studio.prepare(options.platform, options.hooks);
    }
    int code = 0;
    {
        FernholmApplication shell(std::move(options));
        if (studio.attach) {
            studio.attach(shell.model());
        }
        shell.showWindow();
        code = QApplication::exec();
    }
    return code;
}

} // namespace fernholm
