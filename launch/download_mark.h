#pragma once
// Reading the "mark of the web": the Zone.Identifier stream Windows attaches to a downloaded file.

#include <optional>
#include <string>
#include <string_view>

namespace quben {

inline constexpr int kInternetZone = 3; // zones from here up (Internet, restricted sites) mark a download

struct DownloadMark {
    int zoneId = 0;
    std::wstring hostUrl; // empty when the stream names none
};

// What the text of a file's Zone.Identifier stream says, as stored (bytes): ANSI/UTF-8 text, or
// UTF-16LE with a BOM (FF FE) as some tools write (a UTF-8 BOM is accepted too). std::nullopt when
// the [ZoneTransfer] section or its ZoneId line is missing or has no number. Never throws on
// malformed text; the work is linear in the size of `bytes`.
std::optional<DownloadMark> ParseZoneIdentifier(std::string_view bytes);

// True for the Internet and restricted zones, and any zone beyond: a file from there must not run
// its macros unasked.
bool IsFromInternet(int zone);

// True for a mark from the Internet or restricted zones (ZoneId >= 3).
bool IsDownloaded(const std::optional<DownloadMark>& mark);

} // namespace quben
