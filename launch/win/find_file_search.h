#pragma once

#include "launch/directory_search.h"

namespace quben::win {

// The directory search of the Windows file system (FindFirstFileExW and FindNextFileW).
class FindFileSearch final : public DirectorySearch {
public:
    void ForEachMatch(std::wstring_view pattern, FunctionRef<bool(const DirectoryEntry&)> visit) override;
};

} // namespace quben::win
