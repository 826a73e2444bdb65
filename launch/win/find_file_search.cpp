#include "launch/win/find_file_search.h"

#include "launch/extended_length_path.h"
#include "platform/win/full_path.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <windows.h>

namespace quben::win {
namespace {

// Long paths are made full (resolving "." and "..", which the extended form would not) and then
// put in the extended-length form; shorter ones go to the search exactly as given.
std::wstring SearchablePath(std::wstring_view pattern) {
    if (pattern.size() < kClassicMaxPath)
        return std::wstring(pattern);
    return ToExtendedLengthPath(FullPathName(pattern));
}

DirectoryEntry EntryOf(const WIN32_FIND_DATAW& found) {
    return {found.cFileName, found.dwFileAttributes};
}

bool NothingMatched(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

} // namespace

void FindFileSearch::ForEachMatch(std::wstring_view pattern, FunctionRef<bool(const DirectoryEntry&)> visit) {
    const std::wstring path = SearchablePath(pattern);
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(
        ::FindFirstFileExW(path.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) {
        if (NothingMatched(::GetLastError()))
            return;
        ThrowLastError();
    }
    do {
        if (!visit(EntryOf(found)))
            return;
    } while (::FindNextFileW(search.get(), &found));
    ThrowLastErrorIf(::GetLastError() != ERROR_NO_MORE_FILES);
}

} // namespace quben::win
