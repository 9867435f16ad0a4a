#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace fernholm {

// Fills the buffer in place and answers a status, 0 meaning success. Injected wherever a secret
// is made (control token, proof nonce, data key) so tests can script the bytes or a failure.
using RandomFill = std::function<int32_t(std::span<uint8_t>)>;

// The operating system's cryptographically secure generator (getentropy).
int32_t secureRandomFill(std::span<uint8_t> buffer);

} // namespace fernholm
