#pragma once

#include "FernholmKit/platform/KeychainItem.h"

#include <QList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace fernholm::test {

// A keychain item held in memory. Each operation answers the next scripted status for it, when
// one is queued, without touching the stored value; otherwise it behaves like a real store.
//
// Operations may run on any thread, one at a time. The public fields are for setting up and
// checking: touch them only while no operation is under way (before the work starts, after it
// has ended). hold() makes every operation wait, as a store that does not answer would, until
// release(); letLaterOnesThrough() then lets operations that come after it pass while those
// already waiting stay stuck, as calls made to a store that came back would.
class MemoryKeychain final : public KeychainItem {
public:
    std::optional<QByteArray> stored;
    std::deque<int32_t> copyStatuses, addStatuses, deleteStatuses;
    int copies = 0, adds = 0, deletes = 0;

    KeychainCopy copy() override {
        std::unique_lock lock = enter();
        ++copies;
        if (auto status = next(copyStatuses)) {
            return {*status, std::nullopt};
        }
        return stored ? KeychainCopy{keychain::success, stored} : KeychainCopy{keychain::itemNotFound, std::nullopt};
    }
    int32_t add(const QByteArray& bytes) override {
        std::unique_lock lock = enter();
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
        std::unique_lock lock = enter();
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

    void hold() {
        std::lock_guard lock(m_lock);
        m_held = true;
    }
    void letLaterOnesThrough() {
        std::lock_guard lock(m_lock);
        m_passLater = true;
    }
    void release() {
        {
            std::lock_guard lock(m_lock);
            m_held = false;
            m_passLater = false;
        }
        m_changed.notify_all();
    }
    // Whether an operation has come to the hold and waits there; gives up after `limit`.
    bool waitUntilHolding(std::chrono::milliseconds limit = std::chrono::seconds(5)) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, limit, [this] { return m_holding > 0; });
    }

private:
    std::unique_lock<std::mutex> enter() {
        std::unique_lock lock(m_lock);
        if (m_held && !m_passLater) {
            ++m_holding;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return !m_held; });
            --m_holding;
        }
        return lock;
    }
    static std::optional<int32_t> next(std::deque<int32_t>& queue) {
        if (queue.empty()) {
            return std::nullopt;
        }
        const int32_t status = queue.front();
        queue.pop_front();
        return status;
    }

    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_passLater = false;
    int m_holding = 0;
};

} // namespace fernholm::test
