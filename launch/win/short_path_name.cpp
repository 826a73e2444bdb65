#include "launch/win/short_path_name.h"

#include "launch/extended_length_path.h"
#include "platform/win/path_buffer.h"

namespace quben::win {

std::wstring ShortPathName(std::wstring_view fullPath) {
    // Beyond the classic limit the file system is reached only through the extended-length form.
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    std::wstring shortPath = PathFromBuffer(
        [&](wchar_t* buffer, DWORD size) { return ::GetShortPathNameW(path.c_str(), buffer, size); });
    return FromExtendedLengthPath(shortPath);
}

} // namespace quben::win
