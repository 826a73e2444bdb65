#pragma once
// Turning Win32 and COM failure statuses into PlatformError, the one error the sequences handle.

#include "platform/platform_error.h"

#include <windows.h>

namespace quben::win {

inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr))
        ThrowPlatformError(hr);
}

[[noreturn]] inline void ThrowLastError() {
    const DWORD error = ::GetLastError();
    ThrowPlatformError(error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error));
}

inline void ThrowLastErrorIf(bool failed) {
    if (failed)
        ThrowLastError();
}

} // namespace quben::win
