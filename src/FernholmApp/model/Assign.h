#pragma once

#include <utility>

namespace fernholm {

// Stores a value and reports whether it changed: a setter emits its signal only then.
template <typename T> bool assign(T& field, T value) {
    if (field == value) {
        return false;
    }
    field = std::move(value);
    return true;
}

} // namespace fernholm
