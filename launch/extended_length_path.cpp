#include "launch/extended_length_path.h"

#include <string_view>

namespace quben {
namespace {

bool IsDriveAbsolute(std::wstring_view path) {
    return path.size() >= 3 &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
           path[1] == L':' && path[2] == L'\\';
}

} // namespace

std::wstring ToExtendedLengthPath(std::wstring fullPath) {
    const std::wstring_view path = fullPath;
    if (path.size() < kClassicMaxPath)
        return fullPath;
    if (path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\"))
        return fullPath;
    if (path.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + std::wstring(path.substr(2));
    if (IsDriveAbsolute(path))
        return L"\\\\?\\" + fullPath;
    return fullPath;
}

} // namespace quben
