#include "launch/macro_policy.h"

namespace quben {
namespace {

constexpr std::uint32_t kVbaSignedOnly = 3; // "only digitally signed macros"
constexpr std::uint32_t kVbaDisableAll = 4; // "disable all macros without notification"
constexpr std::uint32_t kAutomationByUi = 2;
constexpr std::uint32_t kAutomationForceDisable = 3;
constexpr std::uint32_t kBlock = 1;

bool Is(const std::optional<PolicySetting>& setting, std::uint32_t value) {
    return setting && setting->value == value;
}

} // namespace

MacroDecision DecideMacroPolicy(const MacroPolicy& policy, bool fromInternet) {
    // The strictest rule first: without its macros the workbook cannot work at all.
    if (Is(policy.vbaWarnings, kVbaDisableAll))
        return {LaunchEnding::MacrosDisabled, false, policy.vbaWarnings};
    if (Is(policy.automationSecurity, kAutomationForceDisable))
        return {LaunchEnding::MacrosDisabled, false, policy.automationSecurity};
    if (fromInternet && Is(policy.blockFromInternet, kBlock))
        return {LaunchEnding::Forbidden, false, policy.blockFromInternet};
    return {std::nullopt,
            Is(policy.vbaWarnings, kVbaSignedOnly) || Is(policy.automationSecurity, kAutomationByUi),
            std::nullopt};
}

std::optional<std::wstring> VersionOfCurVer(std::wstring_view curVer) {
    const std::wstring_view major = curVer.substr(curVer.rfind(L'.') + 1);
    if (major.empty() || major.find_first_not_of(L"0123456789") != std::wstring_view::npos)
        return std::nullopt;
    return std::wstring(major) + L".0";
}

} // namespace quben
