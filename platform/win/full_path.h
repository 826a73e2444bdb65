#pragma once

#include <string>
#include <string_view>

namespace quben::win {

// `name` made into a full path against the current folder ("." and ".." resolved), at any length.
// Throws PlatformError when the platform refuses the name (an empty one, for instance).
std::wstring FullPathName(std::wstring_view name);

} // namespace quben::win
