#pragma once

#include "launch/launch_platform.h"

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
    void Journal(const LaunchEvent& event) override;
};

} // namespace quben::win
