// The launch's step for the macro rules: which Office version's rules apply, what they decide, and
// the one property they may have written into the instance created.

#include "launch/launch_platform.h"
#include "launch/start_workbook.h"
#include "platform/independent_steps.h"

namespace quben {
namespace {

bool SameOutcome(const MacroDecision& a, const MacroDecision& b) {
    return a.refusal == b.refusal && a.byUi == b.byUi && a.askAboutMark == b.askAboutMark;
}

} // namespace

// Where the registration names the installed version, no application is created for a launch
// the rules refuse. Without it, no rule can be read yet: `before` is what holds until the instance
// names its own.
WorkbookStarter::Step WorkbookStarter::MacroPolicyBeforeCreation(WorkbookOrigin origin,
                                                                 MacroDecision& before) noexcept {
    rules_.origin = origin;
    rules_.decision.reset();
    std::optional<std::wstring> version;
    RunStep([&] { version = platform_.SpreadsheetVersion(); });
    if (!version) {
        before = Decide({}, {});
        return Refused(before);
    }
    auto end = HonourMacroPolicy(*version);
    before = *rules_.decision;
    return end;
}

WorkbookStarter::Step WorkbookStarter::MacroPolicyOf(SpreadsheetApplication& application) noexcept {
    // Only where the registration named no version: the instance's own, asked before anything
    // else. An instance the rules refuse is never shown, and so told to quit.
    if (!rules_.decision) {
        std::wstring version;
        RunStep([&] { version = application.Version(); });
        if (auto end = HonourMacroPolicy(version))
            return end;
    }
    if (!rules_.decision->byUi)
        return {};
    // Before it is shown or opens anything: the application then applies the Trust Center's rules
    // itself. Not applied, they would not hold at all: the instance is never shown.
    if (const auto failure = Attempt([&] { application.SetAutomationSecurity(kAutomationSecurityByUi); })) {
        progress_.step = LaunchStep::Policy;
        return FailedOn(LaunchEnding::MacroRulesNotApplied, *failure, rules_.decision->because);
    }
    return DispatchThenCheckInterrupted();
}

// An empty `version`: none known, no rule read.
WorkbookStarter::Step WorkbookStarter::HonourMacroPolicy(std::wstring_view version) noexcept {
    MacroPolicy policy; // a rule that cannot be read counts as not set
    if (!version.empty())
        RunStep([&] { policy = platform_.ReadMacroPolicy(version); });
    rules_.decision = Decide(policy, version);
    return Refused(*rules_.decision);
}

MacroDecision WorkbookStarter::Decide(const MacroPolicy& policy, std::wstring_view version) noexcept {
    const auto notHidden = []() -> std::optional<PolicySetting> { return std::nullopt; };
    MacroDecision inTrusted = DecideMacroPolicy(policy, rules_.origin, true, notHidden);
    // The trusted locations only where they change the answer: most launches never read them.
    const bool trusted =
        !version.empty() &&
        !SameOutcome(DecideMacroPolicy(policy, rules_.origin, false, notHidden), inTrusted) &&
        TestOr(false, [&] {
            const TrustedLocations locations = platform_.ReadTrustedLocations(version);
            const std::wstring longPath = platform_.LongPathName(path_);
            return InTrustedLocation(
                longPath, platform_.OnNetworkDrive(longPath), locations,
                [&](std::wstring_view a, std::wstring_view b) { return platform_.SameName(a, b); });
        });
    if (trusted)
        return inTrusted;
    // Users may unblock a download in its Properties, unless the organisation hides that. A rule
    // that cannot be read is not assumed away.
    return DecideMacroPolicy(policy, rules_.origin, false, [&]() -> std::optional<PolicySetting> {
        PolicySetting hidden{1, std::wstring(kHideZoneInfoPolicy)};
        bool set = false;
        hidden.unreadable = Attempt([&] { set = platform_.UnblockingForbidden(); }).has_value();
        return set || hidden.unreadable ? std::optional(hidden) : std::nullopt;
    });
}

WorkbookStarter::Step WorkbookStarter::Refused(const MacroDecision& decision) noexcept {
    if (!decision.refusal)
        return {};
    progress_.step = LaunchStep::Policy;
    return Ending{*decision.refusal, {}, decision.because};
}

} // namespace quben
