#pragma once

#include <string>
#include <string_view>

namespace quben {

// Paths at least this long need the extended-length form to reach the file system.
inline constexpr std::size_t kClassicMaxPath = 260;

// Turns a full path that is too long for the classic limit into its extended-length form
// ("\\?\C:\..." or "\\?\UNC\server\share\..."). Short paths, relative paths and paths already in
// a device or extended form come back unchanged.
std::wstring ToExtendedLengthPath(std::wstring fullPath);

// Back from the extended-length form to the one applications take ("C:\..." or
// "\\server\share\..."); any other path comes back unchanged.
std::wstring FromExtendedLengthPath(std::wstring_view path);

} // namespace quben
