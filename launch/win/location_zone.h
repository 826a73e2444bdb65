#pragma once
// Windows' own answer to "which security zone is this file in".

#include <string_view>

namespace quben::win {

// The zone (0 this computer, 1 intranet, 2 trusted, 3 Internet, 4 restricted) Windows' URL
// security manager gives the file at `fullPath`, weighing where it is (a share named by a dotted
// server name or an address, the organisation's site-to-zone mappings) and its download mark.
// Needs COM on the calling thread. Throws PlatformError when the manager cannot answer.
int LocationZone(std::wstring_view fullPath);

} // namespace quben::win
