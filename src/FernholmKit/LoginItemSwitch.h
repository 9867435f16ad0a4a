#pragma once

#include <QString>

#include <optional>

namespace fernholm {

// What the open-at-login switch shows.
struct LoginItemSwitch {
    bool isOn = false;
    std::optional<QString> note; // a hint under the switch

    bool operator==(const LoginItemSwitch&) const = default;
};

} // namespace fernholm
