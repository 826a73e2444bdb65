#include "launch/win/short_path_name.h"

#include "launch/extended_length_path.h"
#include "platform/win/path_buffer.h"

namespace quben::win {
namespace {

// An existing path as the file system names it through `convert` (GetShortPathNameW,
// GetLongPathNameW). Beyond the classic limit the file system is reached only through the
// extended-length form; the answer comes back in the form applications take.
template <class Convert> std::wstring FileSystemName(std::wstring_view fullPath, Convert convert) {
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    return FromExtendedLengthPath(
        PathFromBuffer([&](wchar_t* buffer, DWORD size) { return convert(path.c_str(), buffer, size); }));
}

} // namespace

std::wstring ShortPathName(std::wstring_view fullPath) {
    return FileSystemName(fullPath, ::GetShortPathNameW);
}

std::wstring LongPathName(std::wstring_view fullPath) {
    return FileSystemName(fullPath, ::GetLongPathNameW);
}

} // namespace quben::win
