#include "FernholmApp/shell/MainWindow.h"

#include "FernholmApp/theme/Appearance.h"
#include "FernholmKit/text/L10n.h"
#include "FernholmApp/theme/ThemePalette.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>

namespace fernholm {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Tarvine"));
    m_menu = menuBar()->addMenu(QStringLiteral("Tarvine"));
    m_updates = m_menu->addAction(QString());
    // This build has no updater: the item says so by being there and disabled.
    m_updates->setEnabled(false);
    m_uninstall = m_menu->addAction(QString());
    m_menu->addSeparator();
    m_quit = m_menu->addAction(QString());
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    // This window's own: the tray panel has its Ctrl+Q too, and two at once would both be ignored.
    m_quit->setShortcutContext(Qt::WindowShortcut);
    m_quit->setMenuRole(QAction::QuitRole);
    // The menu bar and its menu are standard widgets: they take the theme's colours, light or dark.
    const auto followTheme = [this] {
        const QPalette palette = themePalette(Appearance::instance().scheme());
        menuBar()->setPalette(palette);
        m_menu->setPalette(palette);
    };
    followTheme();
    connect(&Appearance::instance(), &Appearance::schemeChanged, this, followTheme);
    connect(m_uninstall, &QAction::triggered, this, &MainWindow::uninstallRequested);
    connect(m_quit, &QAction::triggered, this, &MainWindow::quitRequested);
    retranslate();
}

void MainWindow::retranslate() {
    m_updates->setText(fernholm::tr("Check for Updates…"));
    m_uninstall->setText(fernholm::tr("Uninstall Tarvine…"));
    m_quit->setText(fernholm::tr("Quit"));
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    Q_EMIT shown();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    Q_EMIT closeRequested();
}

} // namespace fernholm
