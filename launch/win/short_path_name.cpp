#include "launch/win/short_path_name.h"

#include "launch/extended_length_path.h"
#include "platform/win/hresult.h"

#include <windows.h>

namespace quben::win {
namespace {

constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";

// Back from the extended-length form to the one applications take.
std::wstring WithoutExtendedPrefix(std::wstring path) {
    if (path.starts_with(kExtendedUncPrefix))
        return L"\\" + path.substr(kExtendedUncPrefix.size() - 1);
    if (path.starts_with(kExtendedPrefix))
        return path.substr(kExtendedPrefix.size());
    return path;
}

} // namespace

std::wstring ShortPathName(std::wstring_view fullPath) {
    // Beyond the classic limit the file system is reached only through the extended-length form.
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    const DWORD needed = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    ThrowLastErrorIf(needed == 0);
    std::wstring shortPath(needed, L'\0');
    const DWORD written = ::GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    ThrowLastErrorIf(written == 0 || written >= needed);
    shortPath.resize(written);
    return WithoutExtendedPrefix(std::move(shortPath));
}

} // namespace quben::win
