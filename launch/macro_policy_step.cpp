// The launch's step for the organisation's macro rules: which Office version's policy applies,
// what it decides, and the one property it may have written into the instance created.

#include "launch/launch_platform.h"
#include "launch/start_workbook.h"
#include "platform/independent_steps.h"

namespace quben {

// Where the registration names the installed version, no application is created for a launch
// the policy refuses.
WorkbookStarter::Step WorkbookStarter::MacroPolicyBeforeCreation(bool fromInternet) noexcept {
    fromInternet_ = fromInternet;
    macroDecision_.reset();
    policyNamed_.reset();
    std::optional<std::wstring> version;
    RunStep([&] { version = platform_.SpreadsheetVersion(); });
    return version ? HonourMacroPolicy(*version) : Step{};
}

WorkbookStarter::Step WorkbookStarter::MacroPolicyOf(SpreadsheetApplication& application) noexcept {
    // Only where the registration named no version: the instance's own, asked before anything
    // else. An instance the policy refuses is never shown, and so told to quit.
    if (!macroDecision_) {
        std::wstring version;
        RunStep([&] { version = application.Version(); });
        if (auto end = version.empty() ? Step{} : HonourMacroPolicy(version))
            return end;
    }
    if (!macroDecision_ || !macroDecision_->byUi)
        return {};
    // Before it is shown or opens anything: the application then applies the Trust Center's rules
    // itself. Not applied, they would not hold at all: the instance is never shown.
    policyNamed_ = macroDecision_->because;
    if (const auto failure = Attempt([&] { application.SetAutomationSecurity(kAutomationSecurityByUi); })) {
        step_ = LaunchStep::Policy;
        return FailedOn(LaunchEnding::MacroRulesNotApplied, *failure);
    }
    return DispatchThenCheckInterrupted();
}

WorkbookStarter::Step WorkbookStarter::HonourMacroPolicy(std::wstring_view version) noexcept {
    MacroPolicy policy; // a rule that cannot be read counts as not set
    RunStep([&] { policy = platform_.ReadMacroPolicy(version); });
    const MacroDecision elsewhere = DecideMacroPolicy(policy, fromInternet_, false);
    const MacroDecision inTrusted = DecideMacroPolicy(policy, fromInternet_, true);
    // The trusted locations only where they change the answer: most launches never read them.
    const bool trusted = elsewhere.refusal != inTrusted.refusal && TestOr(false, [&] {
                             const TrustedLocations locations = platform_.ReadTrustedLocations(version);
                             const std::wstring longPath = platform_.LongPathName(path_);
                             return InTrustedLocation(longPath, platform_.OnNetworkDrive(longPath), locations,
                                                      [&](std::wstring_view a, std::wstring_view b) {
                                                          return platform_.SameName(a, b);
                                                      });
                         });
    macroDecision_ = trusted ? inTrusted : elsewhere;
    if (!macroDecision_->refusal)
        return {};
    step_ = LaunchStep::Policy;
    policyNamed_ = macroDecision_->because;
    // Users may unblock a download in its Properties, unless the organisation hides that too.
    if (*macroDecision_->refusal == LaunchEnding::InternetMacrosBlocked &&
        TestOr(true, [&] { return platform_.UnblockingForbidden(); })) {
        policyNamed_ = PolicySetting{1, std::wstring(kHideZoneInfoPolicy)};
        return Ending{LaunchEnding::Forbidden};
    }
    return Ending{*macroDecision_->refusal};
}

} // namespace quben
