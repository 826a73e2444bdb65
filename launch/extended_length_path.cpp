#include "launch/extended_length_path.h"

#include <algorithm>
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

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// "\\?\", "\\.\", "//?/" and their mixes, and the object manager's "\??\": the forms that name
// devices and volumes as well as files.
bool IsDeviceForm(std::wstring_view path) {
    return (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
            (path[2] == L'?' || path[2] == L'.') && IsSeparator(path[3])) ||
           path.starts_with(L"\\??\\");
}

// Whether `path` starts with `prefix`, ASCII letters compared without regard to case.
bool StartsWithAnyCase(std::wstring_view path, std::wstring_view prefix) {
    const auto folded = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c; };
    return path.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), path.begin(),
                      [&](wchar_t a, wchar_t b) { return folded(a) == folded(b); });
}

// Whether Win32 takes every component of `components` ("folder\…\name", one trailing separator
// allowed) as written. Without the extended-length prefix it would resolve "." and "..", read '/'
// as a separator, fold empty components and trim a trailing dot or blank: the name checked would
// not be the name opened.
bool TakenAsWritten(std::wstring_view components) {
    if (components.ends_with(L'\\'))
        components.remove_suffix(1);
    if (components.empty() || components.find(L'/') != std::wstring_view::npos)
        return false;
    // "." and ".." end in a dot too.
    return !AnyPathComponent(components, [](std::wstring_view component) {
        return component.empty() || component.ends_with(L'.') || component.ends_with(L' ');
    });
}

} // namespace

bool AnyPathComponent(std::wstring_view path, FunctionRef<bool(std::wstring_view)> test) {
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        if (test(path.substr(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

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

std::optional<std::wstring> FromExtendedLengthPath(std::wstring_view path) {
    if (!IsDeviceForm(path))
        return std::wstring(path);
    if (StartsWithAnyCase(path, kExtendedUncPrefix)) {
        const std::wstring_view shared = path.substr(kExtendedUncPrefix.size());
        if (TakenAsWritten(shared))
            return L"\\\\" + std::wstring(shared);
    } else if (path.starts_with(kExtendedPrefix)) {
        const std::wstring_view local = path.substr(kExtendedPrefix.size());
        if (IsDriveAbsolute(local) && (local.size() == 3 || TakenAsWritten(local.substr(3))))
            return std::wstring(local);
    }
    return std::nullopt;
}

} // namespace quben
