#include "launch/exists.h"

#include "launch/directory_search.h"
#include "launch/extended_length_path.h"

namespace quben {
namespace {

constexpr std::uint32_t kNotOrdinary =
    file_attribute::kHidden | file_attribute::kSystem | file_attribute::kDirectory;

// The first matching ordinary file's name, or empty when none matches.
std::wstring FirstOrdinaryFile(std::wstring_view pattern, DirectorySearch& search) {
    std::wstring found;
    search.ForEachMatch(pattern, [&](const DirectoryEntry& entry) {
        if ((entry.attributes & kNotOrdinary) != 0)
            return true; // keep looking past excluded entries
        found = entry.name;
        return found.empty();
    });
    return found;
}

} // namespace

bool Exists(std::wstring_view filename, DirectorySearch& search) noexcept {
    bool result = false;
    try {
        // A name Windows would read as another file's (or a device's) is not the one asked about.
        if (!filename.empty() && FromExtendedLengthPath(filename) &&
            !FirstOrdinaryFile(filename, search).empty())
            result = true;
    } catch (...) {
        // An unreachable drive, a malformed name or a pattern the search refuses: not there.
    }
    return result;
}

} // namespace quben
