#pragma once

#include "FernholmKit/platform/KeychainItem.h"

#include <QList>

#include <deque>

namespace fernholm::test {

// A keychain item held in memory. Each operation answers the next scripted status for it, when
// one is queued, without touching the stored value; otherwise it behaves like a real store.
class MemoryKeychain final : public KeychainItem {
public:
    std::optional<QByteArray> stored;
    std::deque<int32_t> copyStatuses, addStatuses, deleteStatuses;
    int copies = 0, adds = 0, deletes = 0;

    KeychainCopy copy() override {
        ++copies;
        if (auto status = next(copyStatuses)) {
            return {*status, std::nullopt};
        }
        return stored ? KeychainCopy{keychain::success, stored} : KeychainCopy{keychain::itemNotFound, std::nullopt};
    }
    int32_t add(const QByteArray& bytes) override {
        ++adds;
        if (auto status = next(addStatuses)) {
            return *status;
        }
        if (stored) {
            return keychain::duplicateItem;
        }
        stored = bytes;
        return keychain::success;
    }
    int32_t deleteItem() override {
        ++deletes;
        if (auto status = next(deleteStatuses)) {
            return *status;
        }
        if (!stored) {
            return keychain::itemNotFound;
        }
        stored.reset();
        return keychain::success;
    }

private:
    static std::optional<int32_t> next(std::deque<int32_t>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        const int32_t status = queue.front();
        queue.pop_front();
        return status;
    }
};

} // namespace fernholm::test
