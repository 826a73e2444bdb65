#include "launch/launch_event.h"
#include "launch/macro_policy.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quben::testing {
namespace {

// Each setting by its own name, from a source of its own: a decision that took one setting for
// another names the wrong key.
const std::wstring kCloud = L"HKCU\\Software\\Policies\\Microsoft\\Cloud\\Office\\16.0\\Excel\\Security\\";
const std::wstring kUser = L"HKCU\\Software\\Policies\\Microsoft\\Office\\16.0\\Excel\\Security\\";
const std::wstring kMachine = L"HKLM\\Software\\Policies\\Microsoft\\Office\\Common\\Security\\";
std::optional<PolicySetting> Vba(std::uint32_t value) {
    return PolicySetting{value, kCloud + L"VBAWarnings"};
}
std::optional<PolicySetting> Block(std::uint32_t value) {
    return PolicySetting{value, kUser + L"blockcontentexecutionfrominternet"};
}
std::optional<PolicySetting> Automation(std::uint32_t value) {
    return PolicySetting{value, kMachine + L"AutomationSecurity"};
}
const std::wstring kUsersOwn = L"HKCU\\Software\\Microsoft\\Office\\16.0\\Excel\\Security\\VBAWarnings";
MacroPolicy Users(std::uint32_t value, MacroPolicy policy = {}) {
    policy.userVbaWarnings = PolicySetting{value, kUsersOwn};
    return policy;
}
const std::wstring kVbaOff = L"HKLM\\Software\\Policies\\Microsoft\\Office\\16.0\\Common\\VBAOff";
std::optional<PolicySetting> VbaOff(std::uint32_t value) {
    return PolicySetting{value, kVbaOff};
}

// (policy values, origin, trusted location, "Débloquer" hidden) -> the ending and its event, the
// setting it names, whether the application is told to decide itself, whether the mark is asked about.
TEST(MacroPolicyTest, EachRuleGivesItsEndingItsEventAndItsWrite) {
    constexpr std::nullopt_t none = std::nullopt;
    const auto disabled = LaunchEnding::MacrosDisabled;
    const auto blocked = LaunchEnding::InternetMacrosBlocked;
    const std::wstring vba = kCloud + L"VBAWarnings";
    const std::wstring block = kUser + L"blockcontentexecutionfrominternet";
    const std::wstring automation = kMachine + L"AutomationSecurity";
    const std::wstring hide(kHideZoneInfoPolicy);
    const struct {
        MacroPolicy policy;
        bool fromInternet = false;
        bool trusted = false;
        std::optional<LaunchEnding> refusal;
        bool byUi = false;
        std::wstring because; // empty: none
        bool internetLocation = false;
        bool hidden = false; // the Attachment Manager's "Débloquer"
        bool ask = false;
    } cases[] = {
        {{}, true, false, none, false, L"", false, false, true}, // nothing set: a mark is asked about
        // Disable all: refused, but where a trusted location lets Office run them itself.
        {{Vba(4), none, none}, false, false, disabled, false, vba},
        {{Vba(4), none, none}, false, true, none, true, vba},
        {{Vba(4), none, Automation(2)}, true, false, disabled, false, vba},
        {{Vba(4), none, Automation(2)}, false, true, none, true, automation},
        // Signed only: the application decides.
        {{Vba(3), none, none}, false, false, none, true, vba},
        {{Vba(3), Block(1), none}, false, false, none, true, vba}, // only a workbook from the Internet
        {{Vba(2), none, none}, true, false, none, false, L"", false, false, true},
        // Automation security: 1 lets programs run macros, whatever else is set; 3 refuses.
        {{Vba(4), Block(1), Automation(1)}, true, false, none, false, L"", false, false, true},
        {{Vba(3), none, Automation(1)}, false, false, none, false, L""},
        {{Vba(1), Block(1), Automation(3)},
         true,
         true,
         LaunchEnding::ProgramMacrosDisabled,
         false,
         automation},
        {{none, none, Automation(2)}, true, false, none, true, automation, false, false, true},
        // Blocked from the Internet: not in a trusted location, where Office ignores the mark.
        {{none, Block(1), none}, true, false, blocked, false, block},
        {{Vba(3), Block(1), none}, true, false, blocked, false, block},
        {{none, Block(1), Automation(2)}, true, false, blocked, false, block},
        {{none, Block(1), none}, true, true, none, false, L""},
        {{Vba(3), Block(1), none}, true, true, none, true, vba},
        {{none, Block(1), none}, false, false, none, false, L""},
        // Any other value changes nothing.
        {{Vba(2), Block(0), Automation(4)}, true, false, none, false, L"", false, false, true},
        {{Vba(7), Block(2), Automation(0)}, true, false, none, false, L"", false, false, true},
        // The user's own Trust Center, where no policy speaks.
        // clang-format off
        {Users(4), false, false, LaunchEnding::MacrosDisabledByUser, false, kUsersOwn, false, false, false},
        {Users(4), false, true, none, true, kUsersOwn, false, false, false},
        {Users(4, {Vba(2), none, none}), false, false, none, false, L"", false, false, false},
        {Users(4, {none, none, Automation(1)}), false, false, none, false, L"", false, false, false},
        {Users(3), false, false, none, true, kUsersOwn, false, false, false},
        {Users(3, {Vba(1), none, none}), false, false, none, false, L"", false, false, false},
        {Users(2), false, false, none, false, L"", false, false, false},
        {Users(2, {Vba(3), none, none}), false, false, none, true, vba, false, false, false},
        // VBA turned off: refused everywhere, whatever lets macros run.
        {{none, none, Automation(1), Vba(1), VbaOff(1)}, false, true, LaunchEnding::VbaOff, false, kVbaOff, false, false, false},
        {{none, none, none, none, VbaOff(0)}, false, false, none, false, L"", false, false, false},
        // The origin: a mark is the user's to lift, unless "Débloquer" is hidden; a location in the
        // Internet zone is the application's to judge, whatever the mark's policies say; a trusted
        // location ignores both.
        {{}, true, false, LaunchEnding::Forbidden, false, hide, false, true, false},
        {{none, Block(1), none}, true, true, none, false, L"", false, true, false},
        {{none, Block(1), none}, false, false, none, true, L"", true, true, false},
        {{none, Block(1), none}, true, false, none, true, L"", true, true, false},
        {{none, none, Automation(1)}, false, false, none, true, L"", true, false, false},
        {{Vba(4), none, none}, true, false, disabled, false, vba, true, true, false},
        {{}, true, true, none, false, L"", true, true, false},
        {{none, Block(1), none}, false, false, none, false, L"", false, true, false},
        // clang-format on
    };
    for (const auto& c : cases) {
        const MacroDecision decision =
            DecideMacroPolicy(c.policy, {c.fromInternet, c.internetLocation}, c.trusted, [&] {
                return c.hidden ? std::optional(PolicySetting{1, hide}) : std::nullopt;
            });
        SCOPED_TRACE(::testing::Message() << "row " << (&c - cases));
        EXPECT_EQ(decision.refusal, c.refusal);
        EXPECT_EQ(decision.byUi, c.byUi);
        EXPECT_EQ(decision.because ? decision.because->name : L"", c.because);
        EXPECT_EQ(decision.askAboutMark, c.ask);
        if (decision.refusal) {
            EXPECT_EQ(EventEntry(LaunchEvent{.ending = *decision.refusal}).id,
                      c.because == block || c.because == hide ? 105u : 106u);
        }
    }
    EXPECT_EQ(kAutomationSecurityByUi, 2);
}

// The file system's rule for names, as far as these rows need it: ASCII letters without regard to
// case (the system's own comparison, CompareStringOrdinal, folds every letter).
bool SameName(std::wstring_view a, std::wstring_view b) {
    auto folded = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](wchar_t x, wchar_t y) { return folded(x) == folded(y); });
}

// Whole path components, compared by the file system's rule, on the long path; the rules on
// subfolders, the network, the user's own locations and all of them.
TEST(MacroPolicyTest, ATrustedLocationHoldsWhatOfficeWouldTrust) {
    const TrustedLocation labo{L"C:\\Labo", false};
    const TrustedLocation laboTree{L"C:\\Labo\\", true};
    const TrustedLocation share{L"\\\\serveur\\Mesures\\", true};
    const TrustedLocation profile{L"C:\\Users\\Élise\\Étalonnage", true}; // as %USERPROFILE% expands
    const struct {
        const wchar_t* path = nullptr;
        bool onNetwork = false;
        TrustedLocations locations;
        bool trusted = false;
    } cases[] = {
        {L"C:\\Labo\\x.xls", false, {{labo}}, true},
        {L"c:\\LABO\\x.xls", false, {{labo}}, true},
        {L"C:\\Labo2\\x.xls", false, {{labo}}, false}, // a sibling whose name starts the same
        {L"C:\\Lab\\x.xls", false, {{labo}}, false},
        {L"C:\\Labo", false, {{labo}}, false},
        {L"C:\\Labo\\sous\\x.xls", false, {{labo}}, false}, // subfolders not allowed
        {L"C:\\Labo\\sous\\x.xls", false, {{laboTree}}, true},
        {L"C:\\Labo\\..\\Downloads\\x.xls", false, {{laboTree}}, false}, // not under it at all
        {L"C:\\Labo\\.\\x.xls", false, {{laboTree}}, false},
        {L"C:\\Labo\\x.xls", false, {{TrustedLocation{L"C:\\Labo\\\\", false}}}, true},
        {L"c:\\users\\Élise\\Étalonnage\\a\\x.xls", false, {{profile}}, true},
        {L"C:\\Labo\\x.xls", false, {{}, {labo}}, true},                // the user's own
        {L"C:\\Labo\\x.xls", false, {{}, {labo}, false, false}, false}, // user locations not allowed
        {L"C:\\Labo\\x.xls", false, {{labo}, {}, false, false}, true},
        {L"C:\\Labo\\x.xls", false, {{labo}, {labo}, true}, false}, // all disabled
        {L"\\\\serveur\\Mesures\\x.xls", true, {{share}}, false},   // the network not allowed
        {L"\\\\serveur\\Mesures\\x.xls", true, {{share}, {}, false, true, true}, true},
        {L"Z:\\Labo\\x.xls", true, {{TrustedLocation{L"Z:\\Labo", false}}}, false}, // a mapped drive
        {L"Z:\\Labo\\x.xls", true, {{TrustedLocation{L"Z:\\Labo", false}}, {}, false, true, true}, true},
        {L"C:\\Labo\\x.xls", false, {{TrustedLocation{L"", true}}}, false},
    };
    const auto sameName = [](std::wstring_view a, std::wstring_view b) { return SameName(a, b); };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << (&c - cases));
        EXPECT_EQ(InTrustedLocation(c.path, c.onNetwork, c.locations, sameName), c.trusted);
    }
    // Path as Office reads it: environment strings only in a REG_EXPAND_SZ value, an existing
    // folder in its long form.
    const auto expanded = [](std::wstring_view text) {
        return L"C:\\Users\\Élise" + std::wstring(text.substr(13));
    };
    const auto longForm = [](std::wstring_view text) {
        return text == L"C:\\PROGRA~1\\Labo" ? std::wstring(L"C:\\Program Files\\Labo") : std::wstring(text);
    };
    for (const auto& [path, expandable, workbook, trusted] :
         {std::tuple{L"%USERPROFILE%\\Étalonnage", false, L"C:\\Users\\Élise\\Étalonnage\\x.xls", false},
          std::tuple{L"%USERPROFILE%\\Étalonnage", true, L"C:\\Users\\Élise\\Étalonnage\\x.xls", true},
          std::tuple{L"C:\\PROGRA~1\\Labo", false, L"C:\\Program Files\\Labo\\x.xls", true}}) {
        const TrustedLocations locations{{{LocationAsCompared(path, expandable, expanded, longForm), false}},
                                         {}};
        EXPECT_EQ(InTrustedLocation(workbook, false, locations, sameName), trusted) << path << expandable;
    }
}

TEST(MacroPolicyTest, TheVersionIsTheNumberTheCurrentVersionEndsWith) {
    EXPECT_EQ(VersionOfCurVer(L"Excel.Application.16"), L"16.0");
    EXPECT_EQ(VersionOfCurVer(L"Excel.Application.8"), L"8.0");
    EXPECT_EQ(VersionOfCurVer(L"Excel.Application"), std::nullopt);
    EXPECT_EQ(VersionOfCurVer(L"Excel.Application."), std::nullopt);
    EXPECT_EQ(VersionOfCurVer(L""), std::nullopt);
}

} // namespace
} // namespace quben::testing
