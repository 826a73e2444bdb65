#include "launch/macro_policy.h"

#include "launch/extended_length_path.h"

#include <algorithm>
#include <utility>

namespace quben {
namespace {

constexpr std::uint32_t kVbaSignedOnly = 3; // "only digitally signed macros"
constexpr std::uint32_t kVbaDisableAll = 4; // "disable all macros without notification"
constexpr std::uint32_t kAutomationEnabled = 1;
constexpr std::uint32_t kAutomationByUi = 2;
constexpr std::uint32_t kAutomationForceDisable = 3;
constexpr std::uint32_t kBlock = 1;
constexpr std::uint32_t kVbaOff = 1;

bool Is(const std::optional<PolicySetting>& setting, std::uint32_t value) {
    return setting && setting->value == value;
}

bool IsNetworkPath(std::wstring_view path) {
    return path.starts_with(L"\\\\");
}

// "C:\Labo\..\Downloads" is no folder of C:\Labo: a "." or ".." component is never matched.
bool HasDotComponent(std::wstring_view path) {
    return AnyPathComponent(
        path, [](std::wstring_view component) { return component == L"." || component == L".."; });
}

bool Contains(const TrustedLocation& location, std::wstring_view path, SameNameRule sameName) {
    std::wstring_view folder = location.path;
    while (folder.ends_with(L'\\'))
        folder.remove_suffix(1);
    if (folder.empty() || HasDotComponent(folder) || path.size() <= folder.size() + 1 ||
        path[folder.size()] != L'\\' || !sameName(path.substr(0, folder.size()), folder))
        return false;
    return location.subfolders || path.find(L'\\', folder.size() + 1) == std::wstring_view::npos;
}

} // namespace

MacroDecision DecideMacroPolicy(const MacroPolicy& policy, WorkbookOrigin origin, bool trusted,
                                UnblockingRule hidesUnblocking) {
    // VBA turned off: no macro runs anywhere, trusted locations included.
    if (Is(policy.vbaOff, kVbaOff))
        return {LaunchEnding::VbaOff, false, policy.vbaOff};
    const auto& automation = policy.automationSecurity;
    if (Is(automation, kAutomationForceDisable))
        return {LaunchEnding::ProgramMacrosDisabled, false, automation};
    // The user's own Trust Center speaks only where no policy does.
    const bool usersOwn = !policy.vbaWarnings && policy.userVbaWarnings;
    const auto& warnings = usersOwn ? policy.userVbaWarnings : policy.vbaWarnings;
    // The organisation lets programs run the macros of what they open.
    const bool programsRun = Is(automation, kAutomationEnabled);
    // Files in a trusted location bypass the other checks, the Internet mark included.
    if (!trusted && !programsRun && Is(warnings, kVbaDisableAll))
        return {usersOwn ? LaunchEnding::MacrosDisabledByUser : LaunchEnding::MacrosDisabled, false,
                warnings};
    // A location Windows places on the Internet: the application applies its own block there, and
    // unblocking the file would change nothing. Elsewhere, a download mark is the user's to lift,
    // unless the organisation hides "Débloquer" or blocks the macros of such files.
    const bool internetLocation = !trusted && origin.internetLocation;
    MacroDecision decision;
    if (!trusted && !internetLocation && origin.marked) {
        if (auto hidden = hidesUnblocking())
            return {LaunchEnding::Forbidden, false, std::move(hidden)};
        if (!programsRun && Is(policy.blockFromInternet, kBlock))
            return {LaunchEnding::InternetMacrosBlocked, false, policy.blockFromInternet};
        decision.askAboutMark = true;
    }
    if (!programsRun && Is(automation, kAutomationByUi))
        decision.because = automation;
    else if (!programsRun && (Is(warnings, kVbaSignedOnly) || Is(warnings, kVbaDisableAll)))
        decision.because = warnings;
    // A location in the Internet zone is the application's to judge, whatever else is set.
    decision.byUi = decision.because.has_value() || internetLocation;
    return decision;
}

std::wstring LocationAsCompared(std::wstring_view path, bool expandable, TextRule expanded,
                                TextRule longForm) {
    return longForm(expandable ? expanded(path) : std::wstring(path));
}

bool InTrustedLocation(std::wstring_view longPath, bool onNetwork, const TrustedLocations& locations,
                       SameNameRule sameName) {
    if (locations.allDisabled || (onNetwork && !locations.networkAllowed) || HasDotComponent(longPath))
        return false;
    auto any = [&](const std::vector<TrustedLocation>& list) {
        return std::any_of(list.begin(), list.end(), [&](const TrustedLocation& location) {
            return (locations.networkAllowed || !IsNetworkPath(location.path)) &&
                   Contains(location, longPath, sameName);
        });
    };
    return any(locations.policy) || (locations.userAllowed && any(locations.user));
}

std::optional<std::wstring> VersionOfCurVer(std::wstring_view curVer) {
    const std::wstring_view major = curVer.substr(curVer.rfind(L'.') + 1);
    if (major.empty() || major.find_first_not_of(L"0123456789") != std::wstring_view::npos)
        return std::nullopt;
    return std::wstring(major) + L".0";
}

} // namespace quben
