#pragma once

namespace fernholm {

// Brings the application's main window to the front.
class WindowActivator {
public:
    virtual ~WindowActivator() = default;

    // Says whether there was a window to bring forward.
    virtual bool activateMainWindow() = 0;
};

// The top-level widget named "main", else a normal top-level window (no dialog, tool window,
// popup or tray panel), one on screen before a hidden one: shown, restored when minimised, raised
// and activated.
class WidgetWindowActivator final : public WindowActivator {
public:
    bool activateMainWindow() override;
};

} // namespace fernholm
