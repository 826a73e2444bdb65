#pragma once
// The Zone.Identifier stream ("mark of the web") Windows attaches to a downloaded file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quben::win {

// A real mark is a few lines; more than this is not read.
inline constexpr std::size_t kMaxZoneIdentifierBytes = std::size_t{8} * 1024;

// The bytes of `<fullPath>:Zone.Identifier`, at most kMaxZoneIdentifierBytes (more is cut off);
// std::nullopt when the file has no such stream. Throws PlatformError when it has one that cannot
// be opened or read.
std::optional<std::string> ReadZoneIdentifier(std::wstring_view fullPath);

// Deletes the stream, as a file's Properties > "Débloquer" does. A stream that is already gone is
// no failure. Throws PlatformError on any other failure.
void RemoveZoneIdentifier(std::wstring_view fullPath);

} // namespace quben::win
