#include "platform/win/full_path.h"

#include "platform/win/hresult.h"

#include <windows.h>

namespace quben::win {

std::wstring FullPathName(std::wstring_view name) {
    const std::wstring relative(name);
    std::wstring full(MAX_PATH, L'\0');
    // The answer is the length needed when the buffer is too small; the current folder can change
    // between two calls, so the buffer grows until the path fits.
    for (;;) {
        const DWORD length =
            ::GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        ThrowLastErrorIf(length == 0);
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
}

} // namespace quben::win
