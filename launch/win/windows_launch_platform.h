#pragma once
// The launch's platform on Windows: the file system's names of a path, the download mark and the
// zone, the organisation's rules, the spreadsheet application's process, the application log.

#include "launch/launch_platform.h"

#include <cstdint>

namespace quben::win {

class WindowsLaunchPlatform final : public LaunchPlatform {
public:
    std::wstring ShortPathName(std::wstring_view fullPath) override;
    std::wstring SystemText(std::int32_t status) override;
    bool OpenElsewhere(std::wstring_view fullPath) override;
    int LocationZone(std::wstring_view fullPath) override;
    std::optional<std::string> ReadDownloadMark(std::wstring_view fullPath) override;
    void RemoveDownloadMark(std::wstring_view fullPath) override;
    bool UnblockingForbidden() override;
    std::optional<std::wstring> SpreadsheetVersion() override;
    MacroPolicy ReadMacroPolicy(std::wstring_view version) override;
    TrustedLocations ReadTrustedLocations(std::wstring_view version) override;
    std::wstring LongPathName(std::wstring_view fullPath) override;
    bool SameName(std::wstring_view a, std::wstring_view b) override;
    bool OnNetworkDrive(std::wstring_view fullPath) override;
    std::uint64_t ProcessClock() override;
    bool ApplicationRunningSince(std::uint64_t since) override;
    void Journal(const LaunchEvent& event) override;

    // The id of a process of the application created since `since` that still runs; 0 for none.
    std::uint32_t ApplicationProcessSince(std::uint64_t since);
};

// The short (8.3) form of an existing file's full path, as the file system gives it; the path
// unchanged where a component has no short name. Throws PlatformError.
std::wstring ShortPathName(std::wstring_view fullPath);
// Whether two names are the same as the file system compares them: ordinal, case ignored.
bool SameName(std::wstring_view a, std::wstring_view b);
// The long form of an existing file's full path (every component by its own name). Throws
// PlatformError.
std::wstring LongPathName(std::wstring_view fullPath);

} // namespace quben::win
