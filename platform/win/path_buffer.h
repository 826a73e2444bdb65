#pragma once

#include "platform/win/hresult.h"

#include <windows.h>

#include <string>

namespace quben::win {

// A path read from a call that fills a buffer and, when the buffer is too small, answers the
// length it needs (GetFullPathNameW, GetShortPathNameW, GetLongPathNameW). The needed length can
// change between two calls (the current folder, a rename), so the buffer grows until the path
// fits. `call(buffer, size)` returns what the API returns; 0 throws PlatformError.
template <class Call> std::wstring PathFromBuffer(Call&& call) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = call(path.data(), static_cast<DWORD>(path.size()));
        ThrowLastErrorIf(length == 0);
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length);
    }
}

} // namespace quben::win
