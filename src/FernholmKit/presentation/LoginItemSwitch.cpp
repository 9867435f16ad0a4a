#include "FernholmKit/presentation/LoginItemSwitch.h"

#include "FernholmKit/text/L10n.h"

namespace fernholm {

LoginItemSwitch loginItemSwitch(LoginItemState state) {
    switch (state) {
    case LoginItemState::enabled:
        return {true, std::nullopt};
    case LoginItemState::requiresApproval:
        return {false, tr("Allow Tarvine to open at login in your desktop's startup applications settings.")};
    case LoginItemState::notRegistered:
    case LoginItemState::notFound:
        break;
    }
    return {false, std::nullopt};
}

} // namespace fernholm
