#pragma once
// The Zone.Identifier stream ("mark of the web") Windows attaches to a downloaded file: read and
// removed by WindowsLaunchPlatform's ReadDownloadMark and RemoveDownloadMark.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quben::win {

// A real mark is a few lines; more than this is not read.
inline constexpr std::size_t kMaxZoneIdentifierBytes = std::size_t{8} * 1024;

} // namespace quben::win
