#pragma once
// A platform call that reported failure. The adapters throw it; most steps only care that they
// failed, but a failure the user is told about shows its status and, when the failing party gave
// one, its own explanation.

#include "platform/number_text.h"

#include <cstdint>
#include <string>

namespace quben {

struct PlatformError {
    std::int32_t status;        // HRESULT, or HRESULT_FROM_WIN32 of a Win32 error
    std::wstring description{}; // the other party's explanation (an automation server's), or empty
    std::wstring source{};      // the other party's name for itself (an automation server's), or empty
};

[[noreturn]] inline void ThrowPlatformError(std::int32_t status, std::wstring description = {},
                                            std::wstring source = {}) {
    throw PlatformError{status, std::move(description), std::move(source)};
}

// "0x800A03EC".
inline std::wstring StatusText(std::int32_t status) {
    NumberText text;
    return HexText(static_cast<std::uint32_t>(status), text);
}

} // namespace quben
