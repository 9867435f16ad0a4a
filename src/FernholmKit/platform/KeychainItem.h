#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace fernholm {

// Status codes of keychain operations: 0 is success, anything else a failure.
namespace keychain {
constexpr int32_t success = 0;
constexpr int32_t itemNotFound = -25300;
constexpr int32_t duplicateItem = -25299;
// The item exists but cannot be read without asking the user, who did not or could not answer.
constexpr int32_t interactionNotAllowed = -25308;
// The store could not be reached, was locked, or refused for any other reason.
constexpr int32_t notAvailable = -25291;
} // namespace keychain

struct KeychainCopy {
    int32_t status = keychain::itemNotFound;
    std::optional<QByteArray> bytes;

    bool operator==(const KeychainCopy&) const = default;
};

// The one keychain item that holds the data key.
class KeychainItem {
public:
    virtual ~KeychainItem() = default;

    virtual KeychainCopy copy() = 0;
    // Stores the bytes as a new item; an item that already exists is not replaced.
    virtual int32_t add(const QByteArray& bytes) = 0;
    virtual int32_t deleteItem() = 0;
};

} // namespace fernholm
