#pragma once
// What the organisation has set in the registry for the launch: the Office macro policies (from
// Cloud Policy, the user's Group Policy, then the machine's), Excel's trusted locations, the
// Attachment Manager's unblocking rule, and the installed Excel version the Office keys are under:
// WindowsLaunchPlatform's members that read them are in organisation_policy.cpp.

#include "launch/macro_policy.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace quben::win {

// A string value (RegGetValueW's `flags` say which types; `type`, when given, receives its own),
// read whole; nothing for a missing key or value. Throws PlatformError on any other error.
std::optional<std::wstring> RegistryString(HKEY root, const std::wstring& key, const wchar_t* value,
                                           DWORD flags, DWORD* type = nullptr);

} // namespace quben::win
