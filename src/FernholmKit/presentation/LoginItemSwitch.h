#pragma once

#include "FernholmKit/platform/LoginItem.h"

#include <QString>

#include <optional>

namespace fernholm {

// What the open-at-login switch shows.
struct LoginItemSwitch {
    bool isOn = false;
    std::optional<QString> note; // a hint under the switch, translated

    bool operator==(const LoginItemSwitch&) const = default;
};

// On only while the item is enabled; while it waits for the user's approval, off with a note
// that says where to give it.
LoginItemSwitch loginItemSwitch(LoginItemState state);

} // namespace fernholm
