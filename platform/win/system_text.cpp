#include "platform/win/system_text.h"

#include <windows.h>

namespace quben::win {

std::size_t SystemTextInto(std::int32_t status, wchar_t* text, std::size_t capacity) noexcept {
    // Language 0: the user's own, as the rest of what Windows says to them.
    std::size_t length =
        ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(status), 0, text, static_cast<DWORD>(capacity), nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    return length;
}

} // namespace quben::win
