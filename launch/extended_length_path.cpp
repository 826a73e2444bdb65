#include "launch/extended_length_path.h"

#include <string_view>

namespace quben {
namespace {

constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";

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
    if (path.starts_with(kExtendedPrefix) || path.starts_with(L"\\\\.\\"))
        return fullPath;
    if (path.starts_with(L"\\\\"))
        return std::wstring(kExtendedUncPrefix) + std::wstring(path.substr(2));
    if (IsDriveAbsolute(path))
        return std::wstring(kExtendedPrefix) + fullPath;
    return fullPath;
}

std::wstring FromExtendedLengthPath(std::wstring_view path) {
    if (path.starts_with(kExtendedUncPrefix))
        return L"\\" + std::wstring(path.substr(kExtendedUncPrefix.size() - 1));
    if (path.starts_with(kExtendedPrefix))
        return std::wstring(path.substr(kExtendedPrefix.size()));
    return std::wstring(path);
}

} // namespace quben
