#pragma once
// The launch's platform on Windows: the file system's names of a path, the download mark and the
// zone, the organisation's rules, the spreadsheet application's process, the application log. Each
// member is the function itself, defined beside what it reads: the download mark in
// zone_identifier_stream.cpp, the organisation's rules in organisation_policy.cpp, the rest in
// windows_launch_platform.cpp. Stateless: any instance will do.

#include "launch/launch_platform.h"

#include <cstdint>

namespace quben::win {

class WindowsLaunchPlatform final : public LaunchPlatform {
public:
    // Names beyond the classic limit are reached through the extended-length form.
    std::wstring ShortPathName(std::wstring_view fullPath) override;
    std::wstring SystemText(std::int32_t status) override;
    bool OpenElsewhere(std::wstring_view fullPath) override;
    int LocationZone(std::wstring_view fullPath) override;
    // At most kMaxZoneIdentifierBytes (more is cut off). A stream already gone is no failure to remove.
    std::optional<std::string> ReadDownloadMark(std::wstring_view fullPath) override;
    void RemoveDownloadMark(std::wstring_view fullPath) override;
    // From the user's or the machine's policy. Unlike the Office values, any error but a missing
    // value throws: the caller then assumes the rule is set.
    bool UnblockingForbidden() override;
    // "16.0" for HKEY_CLASSES_ROOT\Excel.Application\CurVer = "Excel.Application.16".
    std::optional<std::wstring> SpreadsheetVersion() override;
    MacroPolicy ReadMacroPolicy(std::wstring_view version) override;
    TrustedLocations ReadTrustedLocations(std::wstring_view version) override;
    std::wstring LongPathName(std::wstring_view fullPath) override;
    // Ordinal, case ignored.
    bool SameName(std::wstring_view a, std::wstring_view b) override;
    bool OnNetworkDrive(std::wstring_view fullPath) override;
    std::uint64_t ProcessClock() override;
    bool ApplicationRunningSince(std::uint64_t since) override;
    void WriteEvent(const LaunchEvent& event) override;

    // The id of a process of the application created since `since` that still runs; 0 for none.
    std::uint32_t ApplicationProcessSince(std::uint64_t since);
};

} // namespace quben::win
