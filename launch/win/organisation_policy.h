#pragma once
// What the organisation has set in the registry for the launch: the Office macro policies (from
// Cloud Policy, the user's Group Policy, then the machine's), Excel's trusted locations, the
// Attachment Manager's unblocking rule, and the installed Excel version the Office keys are under.

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

// "16.0" for HKEY_CLASSES_ROOT\Excel.Application\CurVer = "Excel.Application.16"; nothing when the
// key is missing or names no version. Throws PlatformError when it is there but cannot be read.
std::optional<std::wstring> InstalledExcelVersion();

// The policies for Excel `version`, each from the first source that has it, and the user's own
// VBAWarnings. Each value stands alone: one that cannot be read is not set, and the live trace
// says why.
MacroPolicy ReadMacroPolicy(std::wstring_view version);

// The trusted locations of Excel `version`: the organisation's, the user's own, and the rules on them
// (AllLocationsDisabled: the policy's, else the user's own).
TrustedLocations ReadTrustedLocations(std::wstring_view version);

// True when the organisation takes unblocking downloaded files away from users (the user's or the
// machine's policy). Unlike the Office values, any error but a missing value throws: the caller
// then assumes the rule is set.
bool UnblockingForbidden();

} // namespace quben::win
