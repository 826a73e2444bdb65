#pragma once

#include "platform/platform_error.h"

namespace quben {

inline constexpr std::int32_t kStatusNullReference = static_cast<std::int32_t>(0x80004003); // E_POINTER

// The object behind a reference that a step needs; an empty reference fails the step.
template <class Pointer> auto& Require(const Pointer& reference) {
    if (!reference)
        ThrowPlatformError(kStatusNullReference);
    return *reference;
}

} // namespace quben
