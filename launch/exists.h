#pragma once

#include <string_view>

namespace quben {

class DirectorySearch;

// Whether an ordinary file (not hidden, not a system file, not a directory) matches `filename`,
// which may hold wildcards. One directory search; the file is never opened. Any failure answers
// false, and so does a name without the classic form FromExtendedLengthPath gives.
bool Exists(std::wstring_view filename, DirectorySearch& search) noexcept;

} // namespace quben
