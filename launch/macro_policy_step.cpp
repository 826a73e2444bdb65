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
    refusedBy_.reset();
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
    // Before it is shown or opens anything: the application then applies its own signature rule.
    RunStep([&] { application.SetAutomationSecurity(kAutomationSecurityByUi); });
    return DispatchThenCheckInterrupted();
}

WorkbookStarter::Step WorkbookStarter::HonourMacroPolicy(std::wstring_view version) noexcept {
    MacroPolicy policy; // a rule that cannot be read counts as not set
    RunStep([&] { policy = platform_.ReadMacroPolicy(version); });
    macroDecision_ = DecideMacroPolicy(policy, fromInternet_);
    if (!macroDecision_->refusal)
        return {};
    step_ = LaunchStep::Policy;
    refusedBy_ = macroDecision_->because;
    return Ending{*macroDecision_->refusal};
}

} // namespace quben
