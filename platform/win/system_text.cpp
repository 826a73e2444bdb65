#include "platform/win/system_text.h"

#include <windows.h>

namespace quben::win {

std::wstring SystemText(std::int32_t status) {
    // Language 0: the user's own, as the rest of what Windows says to them. The system's texts are
    // short; a longer one is cut rather than allocated (and freed) by the call.
    wchar_t text[512];
    DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    static_cast<DWORD>(status), 0, text, ARRAYSIZE(text), nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    return {text, length};
}

} // namespace quben::win
