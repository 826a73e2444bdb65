#include "launch/win/windows_launch_platform.h"

#include "launch/extended_length_path.h"
#include "launch/win/attachment_policy.h"
#include "launch/win/location_zone.h"
#include "launch/win/short_path_name.h"
#include "launch/win/zone_identifier_stream.h"

#include "platform/win/hresult.h"

#include <windows.h>

namespace quben::win {

std::wstring WindowsLaunchPlatform::ShortPathName(std::wstring_view fullPath) {
    return win::ShortPathName(fullPath);
}

std::wstring WindowsLaunchPlatform::SystemText(std::int32_t status) {
    // Language 0: the user's own, as the rest of what Windows says to them.
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", length);
    ::LocalFree(text);
    return message;
}

bool WindowsLaunchPlatform::IsReadOnlyFile(std::wstring_view fullPath) {
    const std::wstring path = ToExtendedLengthPath(std::wstring(fullPath));
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    ThrowLastErrorIf(attributes == INVALID_FILE_ATTRIBUTES);
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0;
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

} // namespace quben::win
