// Open at login: the switch on the settings page over the program's login item.
#include "FernholmApp/model/AppModel.h"

namespace fernholm {

void AppModel::refreshLoginItem() {
    setLoginItem(loginItemSwitch(m_platform.loginItem->state()));
}

void AppModel::setOpenAtLogin(bool on) {
    LoginItem& item = *m_platform.loginItem;
    const std::optional<QString> failure = on ? item.registerItem() : item.unregisterItem();
    // Not a translated sentence: it reads the same in every language, the system's own message
    // after it.
    setLoginItemError(failure ? std::optional<QString>(QStringLiteral("Couldn't change this: ") + *failure)
                              : std::nullopt);
    // A refused change springs back to what the system really holds.
    refreshLoginItem();
    if (on && item.state() == LoginItemState::requiresApproval) {
        item.openSettings();
    }
}

} // namespace fernholm
