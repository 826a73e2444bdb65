#include "platform/win/full_path.h"

#include "platform/win/path_buffer.h"

namespace quben::win {

std::wstring FullPathName(std::wstring_view name) {
    const std::wstring relative(name);
    return PathFromBuffer([&](wchar_t* buffer, DWORD size) {
        return ::GetFullPathNameW(relative.c_str(), size, buffer, nullptr);
    });
}

} // namespace quben::win
