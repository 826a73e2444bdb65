#pragma once

#include <string>
#include <string_view>

namespace quben {

// Turns a filter written as "description|pattern|description|pattern" into the platform's list
// of NUL-separated strings ending in a double NUL. A trailing separator adds no empty entry.
std::wstring ToPlatformFilter(std::wstring_view filter);

} // namespace quben
