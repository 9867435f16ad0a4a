#pragma once

#include <QMainWindow>

class QAction;
class QMenu;

namespace fernholm {

// The one main window: native title bar, object name "main", title "Tarvine" in every language,
// and the "Tarvine" menu ("Check for Updates…" disabled, "Uninstall Tarvine…", "Quit" Ctrl+Q).
// It only reports: shown() on every show, closeRequested() instead of closing, and the menu
// items as signals; the application decides what they do.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    // The menu's texts in the current language.
    void retranslate();

    QMenu* appMenu() const { return m_menu; }
    QAction* updatesAction() const { return m_updates; }
    QAction* uninstallAction() const { return m_uninstall; }
    QAction* quitAction() const { return m_quit; }

Q_SIGNALS:
    void shown();
    void closeRequested();
    void uninstallRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QMenu* m_menu;
    QAction* m_updates;
    QAction* m_uninstall;
    QAction* m_quit;
};

} // namespace fernholm
