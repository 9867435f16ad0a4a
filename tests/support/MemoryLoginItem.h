#pragma once

#include "FernholmKit/platform/LoginItem.h"

#include <deque>

namespace fernholm::test {

// A login item held in memory that can stand in every state. A change takes the next scripted
// failure, when one is queued, and then changes nothing; otherwise registering leaves
// `registeredState` (set it to requiresApproval for a system that wants the user's consent) and
// unregistering leaves notRegistered. Every call is counted.
class MemoryLoginItem final : public LoginItem {
public:
    LoginItemState current = LoginItemState::notRegistered;
    LoginItemState registeredState = LoginItemState::enabled;
    std::deque<QString> registerFailures, unregisterFailures;
    mutable int stateReads = 0;
    int registers = 0, unregisters = 0, settingsOpened = 0;

    LoginItemState state() const override {
        ++stateReads;
        return current;
    }
    std::optional<QString> registerItem() override {
        ++registers;
        if (auto failure = next(registerFailures)) {
            return failure;
        }
        current = registeredState;
        return std::nullopt;
    }
    std::optional<QString> unregisterItem() override {
        ++unregisters;
        if (auto failure = next(unregisterFailures)) {
            return failure;
        }
        current = LoginItemState::notRegistered;
        return std::nullopt;
    }
    void openSettings() override { ++settingsOpened; }

private:
    static std::optional<QString> next(std::deque<QString>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        QString failure = queue.front();
        queue.pop_front();
        return failure;
    }
};

} // namespace fernholm::test
