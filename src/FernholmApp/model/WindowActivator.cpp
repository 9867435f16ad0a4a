#include "FernholmApp/model/WindowActivator.h"

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
    // The application keeps no order among its windows: one on screen is the better guess.
    QWidget* hidden = nullptr;
    for (QWidget* window : windows) {
        if (window->windowType() == Qt::Window) {
            if (window->isVisible()) {
                return window;
            }
            hidden = hidden ? hidden : window;
        }
    }
    return hidden;
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
