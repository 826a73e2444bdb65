#include "launch/win/windows_launch_platform.h"

#include "launch/extended_length_path.h"
#include "launch/win/attachment_policy.h"
#include "launch/win/event_log_journal.h"
#include "launch/win/location_zone.h"
#include "launch/win/office_macro_policy.h"
#include "launch/win/short_path_name.h"
#include "launch/win/zone_identifier_stream.h"

#include "platform/win/hresult.h"
#include "platform/win/system_text.h"
#include "platform/win/unique_handle.h"

#include <windows.h>

namespace quben::win {

std::wstring WindowsLaunchPlatform::ShortPathName(std::wstring_view fullPath) {
    return win::ShortPathName(fullPath);
}

std::wstring WindowsLaunchPlatform::SystemText(std::int32_t status) {
    return win::SystemText(status);
}

bool WindowsLaunchPlatform::OpenElsewhere(std::wstring_view fullPath) {
    // Read access alone, denying others writing: only a holder that writes (an application with
    // the workbook open) or has locked a range refuses. An open for writing would be blocked, and
    // reported, where Controlled Folder Access guards the folder.
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    const UniqueKernelHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file)
        return false;
    const DWORD error = ::GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

int WindowsLaunchPlatform::LocationZone(std::wstring_view fullPath) {
    return win::LocationZone(fullPath);
}

std::optional<std::string> WindowsLaunchPlatform::ReadDownloadMark(std::wstring_view fullPath) {
    return ReadZoneIdentifier(fullPath);
}

void WindowsLaunchPlatform::RemoveDownloadMark(std::wstring_view fullPath) {
    RemoveZoneIdentifier(fullPath);
}

bool WindowsLaunchPlatform::UnblockingForbidden() {
    return win::UnblockingForbidden();
}

std::optional<std::wstring> WindowsLaunchPlatform::SpreadsheetVersion() {
    return InstalledExcelVersion();
}

MacroPolicy WindowsLaunchPlatform::ReadMacroPolicy(std::wstring_view version) {
    return win::ReadMacroPolicy(version);
}

void WindowsLaunchPlatform::Journal(const LaunchEvent& event) {
    WriteToEventLog(EventEntry(event));
}

} // namespace quben::win
