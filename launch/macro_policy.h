#pragma once
// The rules for Office macros and what they make of a launch. An application started through
// automation runs every macro, whatever its Trust Center says. The rule: where the organisation or
// the user has set no rule, the launcher runs the workbook's macros without Office's notification
// (its purpose); wherever a rule exists, or the workbook's location is in the Internet zone, the
// outcome is Office's own: refused before creation where Office certainly blocks, decided by the
// application (by-UI) where Office's answer depends on what only it knows (signatures, trusted
// publishers, its version), and the user told whenever the macros did not run.

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
    bool unreadable = false; // there, but could not be read: `value` means nothing
};

// A folder Office trusts: its Path as Office compares it (see LocationAsCompared), and
// AllowSubfolders.
struct TrustedLocation {
    std::wstring path;
    bool subfolders = false;
};

struct TrustedLocations {
    std::vector<TrustedLocation> policy{}; // set by the organisation (Excel's and Common's)
    std::vector<TrustedLocation> user{};   // the user's own, from Excel's Trust Center
    bool allDisabled = false;              // "disable all trusted locations", the policy's or the user's
    bool userAllowed = true;               // "allow mix of policy and user locations" is not 0
    bool networkAllowed = false;           // "allow trusted locations on the network"
};

// What the organisation has set, each from the first source that has it (Cloud Policy, the
// user's Group Policy, the machine's), and the user's own Trust Center choice, the last source;
// nothing where a value is not set or cannot be read.
struct MacroPolicy {
    std::optional<PolicySetting> vbaWarnings;        // Excel\Security\VBAWarnings
    std::optional<PolicySetting> blockFromInternet;  // Excel\Security\blockcontentexecutionfrominternet
    std::optional<PolicySetting> automationSecurity; // Common\Security\AutomationSecurity
    std::optional<PolicySetting> userVbaWarnings{};  // the user's own, outside the policy keys
    std::optional<PolicySetting> vbaOff{};           // Common\VBAOff: VBA turned off altogether
};

// Where a workbook comes from, as Office weighs it.
struct WorkbookOrigin {
    bool marked = false;           // its download mark places it in the Internet or Restricted zone
    bool internetLocation = false; // Windows places its location there (a share by address, …)
};

struct MacroDecision {
    // The launch ends there, before any application is created; nothing: it goes on.
    std::optional<LaunchEnding> refusal;
    // Application.AutomationSecurity <- msoAutomationSecurityByUI before the application is shown,
    // so that it applies the Trust Center's rules (signatures, trusted locations, the Internet
    // zone) itself.
    bool byUi = false;
    // The setting that refused the launch, or that made the application decide.
    std::optional<PolicySetting> because;
    // The download question: Oui removes the mark, as Properties > "Débloquer" does.
    bool askAboutMark = false;
};

// The Attachment Manager's rule that takes "Débloquer" away, when it is set (or cannot be read);
// asked only of a marked workbook outside a trusted location.
using UnblockingRule = FunctionRef<std::optional<PolicySetting>()>;

// `trusted`: the workbook is in a trusted location. Any value other than the ones named in
// macro_policy.cpp counts as not set.
MacroDecision DecideMacroPolicy(const MacroPolicy& policy, WorkbookOrigin origin, bool trusted,
                                UnblockingRule hidesUnblocking);

// A trusted location's Path as Office compares it: environment strings expanded only in a
// REG_EXPAND_SZ value (`expandable`), then, for a folder that exists, its long form (`longForm`
// gives back what it cannot lengthen as it is).
using TextRule = FunctionRef<std::wstring(std::wstring_view)>;
std::wstring LocationAsCompared(std::wstring_view path, bool expandable, TextRule expanded,
                                TextRule longForm);

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
