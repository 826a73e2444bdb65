#include "launch/win/attachment_policy.h"

#include "platform/win/hresult.h"

#include <windows.h>

namespace quben::win {
namespace {

constexpr const wchar_t* kPolicyKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Attachments";
constexpr const wchar_t* kHideZoneInfo = L"HideZoneInfoOnProperties";

bool HidesZoneInfo(HKEY root) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LSTATUS status =
        ::RegGetValueW(root, kPolicyKey, kHideZoneInfo, RRF_RT_REG_DWORD, nullptr, &value, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return false; // not configured
    if (status != ERROR_SUCCESS)
        ThrowPlatformError(HRESULT_FROM_WIN32(status));
    return value == 1;
}

} // namespace

bool UnblockingForbidden() {
    return HidesZoneInfo(HKEY_CURRENT_USER) || HidesZoneInfo(HKEY_LOCAL_MACHINE);
}

} // namespace quben::win
