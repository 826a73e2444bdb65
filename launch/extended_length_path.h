#pragma once

#include "platform/function_ref.h"

#include <optional>
#include <string>
#include <string_view>

namespace quben {

// Paths at least this long need the extended-length form to reach the file system.
inline constexpr std::size_t kClassicMaxPath = 260;

// Whether `test` holds for any of the '\\'-separated components of `path`, empty ones included.
bool AnyPathComponent(std::wstring_view path, FunctionRef<bool(std::wstring_view)> test);

// Turns a full path that is too long for the classic limit into its extended-length form
// ("\\?\C:\..." or "\\?\UNC\server\share\..."). Short paths, relative paths and paths already in
// a device or extended form come back unchanged.
std::wstring ToExtendedLengthPath(std::wstring fullPath);

// Back from the extended-length form to the one applications take: "C:\..." for "\\?\C:\...",
// "\\server\share\..." for "\\?\UNC\server\share\..." (the prefix in any case); a path in no device
// form comes back unchanged. Nothing for any other device form ("\\?\Volume{...}\", "\\.\", "\??\"),
// and for an extended-length path Windows would read as another name once the prefix is gone: a
// component ".", "..", empty or ending in a dot or a blank, or a '/'. Such a name is never taken:
// the file checked would not be the file opened.
std::optional<std::wstring> FromExtendedLengthPath(std::wstring_view path);

} // namespace quben
