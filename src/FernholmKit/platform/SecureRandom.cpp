#include "FernholmKit/platform/SecureRandom.h"

#include <cerrno>
#include <unistd.h>

namespace fernholm {

int32_t secureRandomFill(std::span<uint8_t> buffer) {
    // getentropy hands out at most 256 bytes a call.
    constexpr std::size_t chunk = 256;
    for (std::size_t offset = 0; offset < buffer.size(); offset += chunk) {
        const std::size_t n = std::min(chunk, buffer.size() - offset);
        if (getentropy(buffer.data() + offset, n) != 0) {
            return errno != 0 ? errno : -1;
        }
    }
    return 0;
}

} // namespace fernholm
