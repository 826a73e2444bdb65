#pragma once
// A platform call that reported failure. The adapters throw it; the sequences never look inside
// it (their failure rule only cares that a step failed), but it keeps the status for debugging.

#include <cstdint>

namespace quben {

struct PlatformError {
    std::int32_t status; // HRESULT, or HRESULT_FROM_WIN32 of a Win32 error
};

[[noreturn]] inline void ThrowPlatformError(std::int32_t status) {
    throw PlatformError{status};
}

} // namespace quben
