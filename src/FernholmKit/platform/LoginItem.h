#pragma once

#include <QString>

#include <optional>

namespace fernholm {

// Where the system stands on opening this program at login.
enum class LoginItemState {
    enabled,          // it opens at login
    requiresApproval, // registered, but the user has yet to allow it in the system's settings
    notRegistered,    // it does not open at login
    notFound,         // registered, but the system cannot find the program it would open
};

// The system's list of programs opened at login, as far as this program's own entry goes.
// Calls are short and synchronous.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    virtual LoginItemState state() const = 0;
    // Each answers nothing on success, else the system's message.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
    // Shows the system's settings of login items, where there are any to show.
    virtual void openSettings() = 0;
};

} // namespace fernholm
