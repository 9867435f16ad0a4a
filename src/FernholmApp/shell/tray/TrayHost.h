#pragma once

#include "FernholmKit/control/Models.h"

#include <QElapsedTimer>
#include <QIcon>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace fernholm {

class AppModel;
class ProtectionStatus;
class Supervision;
class MenuBarPopover;

// What the tray icon shows: the product mark while protection is on, the struck-through mark
// otherwise, and a shield symbol in place of a mark whose image is missing.
enum class TraySymbol { mark, markOff, onGlyph, offGlyph };

// The application's place in the system tray: the icon (following the gateway's status only), a
// click on it showing or hiding the tray panel beside it, and a context menu ("Open Tarvine",
// "Check a prompt", "Quit") for trays that send no clicks. The panel is a frameless tool window
// holding a MenuBarPopover; it hides when it loses activation and on Escape.
//
// Make it only where TrayHost::available(); nothing is shown until show().
//
//     if (TrayHost::available()) {
//         tray = std::make_unique<TrayHost>(model, TrayHost::Hooks{showWindow, checkPrompt, quit, {}});
//         tray->show();
//     }
//     // after a language change:
//     tray->retranslate();
class TrayHost : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> showWindow;      // opens and raises the main window
        std::function<void()> checkPrompt;     // the context menu's "Check a prompt"
        std::function<void()> quit;            // shuts the model down and ends the application
        std::function<void()> checkForUpdates; // may be empty: the panel then has no Updates row
    };

    // `model` must outlive the host.
    TrayHost(AppModel& model, Hooks hooks, QObject* parent = nullptr);
    ~TrayHost() override;

    // Whether the desktop has a tray to show an icon in.
    static bool available();

    // The symbol for a status, given whether the shipped marks can be loaded.
    static TraySymbol symbol(const std::optional<Status>& status);
    // The tray icon for a status: the mark with a dark rim so that it reads on light and dark
    // panels alike (trays here do not tint template images).
    static QIcon icon(const std::optional<Status>& status);

    void show();
    // Texts in the current language: the tooltip, the menu and the panel (rebuilt, hidden).
    void retranslate();

    void showPanel();
    void hidePanel();
    void togglePanel();
    bool isPanelVisible() const;

    QSystemTrayIcon* trayIcon() const { return m_tray; }
    QMenu* menu() const { return m_menu.get(); }
    QWidget* panelWindow() const { return m_window.get(); }
    MenuBarPopover* panel() const { return m_panel; }
    TraySymbol currentSymbol() const { return m_symbol; }

Q_SIGNALS:
    void panelShown();

private:
    void updateIcon();
    void updateToolTip();
    void buildMenu();
    void buildPanel();
    void panelDeactivated();

    AppModel& m_model;
    const ProtectionStatus& m_protection;
    const Supervision& m_supervision;
    Hooks m_hooks;
    QSystemTrayIcon* m_tray;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QWidget> m_window;
    QPointer<MenuBarPopover> m_panel;
    TraySymbol m_symbol = TraySymbol::markOff;
    QElapsedTimer m_sinceAutoHide;

    friend class TrayPanelWindow;
};

} // namespace fernholm
