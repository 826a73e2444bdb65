#pragma once
// The Office macro policies (Group Policy's registry values) and the installed version they are
// kept under.

#include "launch/macro_policy.h"

#include <optional>
#include <string>
#include <string_view>

namespace quben::win {

// "16.0" for HKEY_CLASSES_ROOT\Excel.Application\CurVer = "Excel.Application.16"; nothing when the
// key is missing or names no version. Throws PlatformError when it is there but cannot be read.
std::optional<std::wstring> InstalledExcelVersion();

// The policies for Excel `version`, the machine's value before the user's. Each value stands
// alone: one that cannot be read is not set, and the live trace says why.
MacroPolicy ReadMacroPolicy(std::wstring_view version);

} // namespace quben::win
