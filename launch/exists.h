#pragma once

#include <string_view>

namespace quben {

class DirectorySearch;

// Whether an ordinary file (not hidden, not a system file, not a directory) matches `filename`,
// which may hold wildcards. One directory search; the file is never opened. Any failure answers
// false.
bool Exists(std::wstring_view filename, DirectorySearch& search) noexcept;

} // namespace quben
