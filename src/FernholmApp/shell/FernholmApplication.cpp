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
#include "FernholmApp/shell/MainWindow.h"
#include "FernholmApp/theme/ThemePalette.h"
#include "FernholmApp/shell/tray/TrayHost.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QToolTip>
#include <QTranslator>

#include <cstdio>

#include <unistd.h>

namespace fernholm {

namespace {

const QByteArray activateMessage = QByteArrayLiteral("activate\n");

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

    if (m_options.tray && TrayHost::available()) {
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

void FernholmApplication::showWindow() {
    m_window->show();
    if (m_window->isMinimized()) {
        m_window->showNormal();
    }
    m_window->raise();
    m_window->activateWindow();
}

void FernholmApplication::activate() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isWindow() && widget->windowType() == Qt::Window) {
            return;
        }
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
        connect(qApp, &QCoreApplication::aboutToQuit, model, [model] { model->shutdown(); });
    }
}

void FernholmApplication::closeRequested() {
    if (m_tray) {
        m_window->hide();
    } else {
        quit();
    }
}

void FernholmApplication::quit() {
    m_model->shutdown();
    QCoreApplication::quit();
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

QString FernholmApplication::instanceName() {
    return QStringLiteral("tarvine-%1").arg(::getuid());
}

bool FernholmApplication::forwardToRunningInstance(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(500)) {
        return false;
    }
    socket.write(activateMessage);
    if (!socket.waitForBytesWritten(500)) {
        return false;
    }
    return true;
}

bool FernholmApplication::listen(const QString& name) {
    delete m_server;
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(name)) {
        // A socket file left by an instance that crashed: nobody answered on it, so take it over.
        QLocalServer::removeServer(name);
        if (!m_server->listen(name)) {
            return false;
        }
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) {
                    // A line longer than any message is not ours.
                    if (socket->bytesAvailable() > 64) {
                        socket->abort();
                    }
                    return;
                }
                const QByteArray line = socket->readLine(64);
                socket->disconnectFromServer();
                if (line == activateMessage) {
                    activate();
                }
            });
        }
    });
    return true;
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

    const QString name = FernholmApplication::instanceName();
    if (FernholmApplication::forwardToRunningInstance(name)) {
        return 0;
    }
    BrandFonts::registerFonts();
    QGuiApplication::setWindowIcon(AppIcon::find().icon);

    ShellOptions options;
    options.platform = Platform::system();
    options.quitOnSignals = true;
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
        shell.listen(name);
        shell.showWindow();
        code = QApplication::exec();
    }
    return code;
}

} // namespace fernholm
