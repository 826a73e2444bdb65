#pragma once
// The organisation's rules for Office macros and what they make of a launch. An application
// started through automation runs every macro, whatever its Trust Center says: the launcher
// applies the rules itself, so that a workbook's macros run exactly where a double-click on it
// would let Office run them, and nowhere else.

#include "launch/launch_ending.h"
#include "platform/function_ref.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quben {

// Application.AutomationSecurity: msoAutomationSecurityByUI, the Trust Center's own settings.
inline constexpr std::int32_t kAutomationSecurityByUi = 2;

// The Attachment Manager's rule that takes unblocking downloads away from users.
inline constexpr std::wstring_view kHideZoneInfoPolicy =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Attachments\\HideZoneInfoOnProperties";

// One policy value, with the full registry name it was read under (for the IT department).
struct PolicySetting {
    std::uint32_t value = 0;
    std::wstring name{};
};

// A folder Office trusts: its Path with environment strings expanded, and AllowSubfolders.
struct TrustedLocation {
    std::wstring path;
    bool subfolders = false;
};

struct TrustedLocations {
    std::vector<TrustedLocation> policy{}; // set by the organisation (Excel's and Common's)
    std::vector<TrustedLocation> user{};   // the user's own, from Excel's Trust Center
    bool allDisabled = false;              // "disable all trusted locations"
    bool userAllowed = true;               // "allow mix of policy and user locations" is not 0
    bool networkAllowed = false;           // "allow trusted locations on the network"
};

// What the organisation has set, each from the first source that has it (Cloud Policy, the
// user's Group Policy, the machine's); nothing where a value is not set or cannot be read.
struct MacroPolicy {
    std::optional<PolicySetting> vbaWarnings;        // Excel\Security\VBAWarnings
    std::optional<PolicySetting> blockFromInternet;  // Excel\Security\blockcontentexecutionfrominternet
    std::optional<PolicySetting> automationSecurity; // Common\Security\AutomationSecurity
};

struct MacroDecision {
    // The launch ends there (MacrosDisabled, InternetMacrosBlocked); nothing: it goes on.
    std::optional<LaunchEnding> refusal;
    // Application.AutomationSecurity <- msoAutomationSecurityByUI before the application is shown,
    // so that it applies the Trust Center's rules (signatures, trusted locations) itself.
    bool byUi = false;
    // The setting that refused the launch, or that made the application decide.
    std::optional<PolicySetting> because;
};

// `fromInternet`: the workbook is on the Internet, by its mark or its location; `trusted`: it is in
// a trusted location. Any value other than the ones named in macro_policy.cpp leaves the launch as
// it has always been.
MacroDecision DecideMacroPolicy(const MacroPolicy& policy, bool fromInternet, bool trusted);

// Whether two names are the same as the file system compares them (case ignored).
using SameNameRule = FunctionRef<bool(std::wstring_view, std::wstring_view)>;

// Whether Office would treat the workbook at `longPath` (its full path, in long form) as in a
// trusted location: whole path components compared by `sameName`. `onNetwork`: it is on a share or
// a mapped network drive.
bool InTrustedLocation(std::wstring_view longPath, bool onNetwork, const TrustedLocations& locations,
                       SameNameRule sameName);

// The version a registered class's current version names ("Excel.Application.16" -> "16.0", as
// the policy keys spell it); nothing when it ends in no number.
std::optional<std::wstring> VersionOfCurVer(std::wstring_view curVer);

} // namespace quben
