#pragma once

#include <string>
#include <string_view>

namespace quben::win {

// The short (8.3) form of an existing file's full path, as the file system gives it; the path
// unchanged where a component has no short name. Throws PlatformError.
std::wstring ShortPathName(std::wstring_view fullPath);
// The long form of an existing file's full path (every component by its own name). Throws
// PlatformError.
std::wstring LongPathName(std::wstring_view fullPath);

} // namespace quben::win
