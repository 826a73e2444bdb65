#pragma once
// The organisation's rules for Office macros (Group Policy) and what they make of a launch. An
// application started through automation runs every macro, whatever its Trust Center says: the
// launcher applies the rules itself rather than be a way around them.

#include "launch/launch_event.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quben {

// Application.AutomationSecurity: msoAutomationSecurityByUI, the Trust Center's own settings.
inline constexpr std::int32_t kAutomationSecurityByUi = 2;

// The Attachment Manager's rule that takes unblocking downloads away from users.
inline constexpr std::wstring_view kHideZoneInfoPolicy =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Attachments\\HideZoneInfoOnProperties";

// One policy value, with the registry name it was read under (for the IT department).
struct PolicySetting {
    std::uint32_t value = 0;
    std::wstring name{};
};

// What the organisation has set; nothing where a value is not set or cannot be read. Each holds
// the machine's value where both the machine and the user have one.
struct MacroPolicy {
    std::optional<PolicySetting> vbaWarnings;        // Excel\Security\VBAWarnings
    std::optional<PolicySetting> blockFromInternet;  // Excel\Security\blockcontentexecutionfrominternet
    std::optional<PolicySetting> automationSecurity; // Common\Security\AutomationSecurity
};

struct MacroDecision {
    // The launch ends there, with that ending's box and event (MacrosDisabled, or Forbidden as for
    // a download users may not unblock); nothing: it goes on.
    std::optional<LaunchEnding> refusal;
    // Application.AutomationSecurity <- msoAutomationSecurityByUI before the application is shown,
    // so that it applies its signature rule itself.
    bool byUi = false;
    std::optional<PolicySetting> because; // the setting that refused the launch
};

// `fromInternet`: the workbook is on the Internet, by its mark or its location. Any value other
// than the ones named below leaves the launch as it has always been.
MacroDecision DecideMacroPolicy(const MacroPolicy& policy, bool fromInternet);

// The version a registered class's current version names ("Excel.Application.16" -> "16.0", as
// the policy keys spell it); nothing when it ends in no number.
std::optional<std::wstring> VersionOfCurVer(std::wstring_view curVer);

} // namespace quben
