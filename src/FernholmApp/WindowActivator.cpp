#include "WindowActivator.h"

#include <QApplication>
#include <QWidget>

namespace fernholm {

namespace {

QWidget* mainWindow() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (window->objectName() == QLatin1String("main")) {
            return window;
        }
    }
    for (QWidget* window : windows) {
        if (window->windowType() == Qt::Window) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

bool WidgetWindowActivator::activateMainWindow() {
    QWidget* window = mainWindow();
    if (!window) {
        return false;
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

} // namespace fernholm
