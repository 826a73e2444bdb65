#pragma once
// What the launch asks of the platform besides the window, the directory search and the
// spreadsheet application. Members throw PlatformError on failure.

#include "launch/launch_event.h"
#include "launch/macro_policy.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quben {

class LaunchPlatform {
public:
    virtual ~LaunchPlatform() = default;
    // The short (8.3) form of an existing folder's full path, as the file system gives it.
    virtual std::wstring ShortPathName(std::wstring_view fullPath) = 0;
    // The system's own explanation of a status, in the user's language; empty when it has none.
    virtual std::wstring SystemText(std::int32_t status) = 0;
    // Whether another process has the file open for writing (a sharing or lock violation on an
    // open that asks only to read). A file that cannot be reached at all: false.
    virtual bool OpenElsewhere(std::wstring_view fullPath) = 0;
    // The security zone Windows gives a file (3 the Internet, 4 restricted sites), from where it
    // is as well as from its download mark.
    virtual int LocationZone(std::wstring_view fullPath) = 0;
    // The bytes of the download mark Windows keeps beside a file (its Zone.Identifier stream);
    // nothing when the file has none. Throws when it has one that cannot be read.
    virtual std::optional<std::string> ReadDownloadMark(std::wstring_view fullPath) = 0;
    // Removes that mark, as a file's Properties > "Débloquer" does.
    virtual void RemoveDownloadMark(std::wstring_view fullPath) = 0;
    // True when the organisation takes unblocking downloaded files away from users.
    virtual bool UnblockingForbidden() = 0;
    // The version of the spreadsheet application installed ("16.0"), as its registration names
    // it; nothing when it names none.
    virtual std::optional<std::wstring> SpreadsheetVersion() = 0;
    // The organisation's macro rules for that version. A value that cannot be read counts as not
    // set (the live trace says why).
    virtual MacroPolicy ReadMacroPolicy(std::wstring_view version) = 0;
    // The trusted locations of that version's Trust Center, as the organisation and the user set them.
    virtual TrustedLocations ReadTrustedLocations(std::wstring_view version) = 0;
    // An existing path as the file system names it in full (no 8.3 component).
    virtual std::wstring LongPathName(std::wstring_view fullPath) = 0;
    // Whether two names are the same as the file system compares them (case ignored).
    virtual bool SameName(std::wstring_view a, std::wstring_view b) = 0;
    // Whether a path is on a share: a UNC path, or a drive mapped to a network share.
    virtual bool OnNetworkDrive(std::wstring_view fullPath) = 0;
    // The system's clock for process creation times, and whether a process of the spreadsheet
    // application (the image its class registration names) created since `since` still runs.
    virtual std::uint64_t ProcessClock() = 0;
    virtual bool ApplicationRunningSince(std::uint64_t since) = 0;
    // Writes the event to the system's application log, for the IT department.
    virtual void WriteEvent(const LaunchEvent& event) = 0;
};

} // namespace quben
