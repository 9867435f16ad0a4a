#pragma once

#include "FernholmKit/platform/KeychainItem.h"

namespace fernholm {

// The data key's item in the desktop's Secret Service (libsecret, synchronous calls), found by
// the attributes service "com.orvendale.tarvine" and account "data-key". There is no fallback:
// when the service cannot be reached or is locked, every operation answers a failure status.
// Not-found means that no item with these attributes exists at all, locked ones included.
class SystemKeychain final : public KeychainItem {
public:
    KeychainCopy copy() override;
    int32_t add(const QByteArray& bytes) override;
    int32_t deleteItem() override;
};

} // namespace fernholm
