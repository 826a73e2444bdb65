#pragma once
// A platform call that reported failure. The adapters throw it; most steps only care that they
// failed, but a failure the user is told about shows its status and, when the failing party gave
// one, its own explanation.

#include <cstdint>
#include <string>

namespace quben {

struct PlatformError {
    std::int32_t status;        // HRESULT, or HRESULT_FROM_WIN32 of a Win32 error
    std::wstring description{}; // the other party's explanation (an automation server's), or empty
};

[[noreturn]] inline void ThrowPlatformError(std::int32_t status, std::wstring description = {}) {
    throw PlatformError{status, std::move(description)};
}

} // namespace quben
