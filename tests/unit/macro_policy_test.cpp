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

// (policy values, origin, trusted location) -> the ending and its event, the setting it names,
// whether the application is told to decide itself.
TEST(MacroPolicyTest, EachRuleGivesItsEndingItsEventAndItsWrite) {
    constexpr std::nullopt_t none = std::nullopt;
    const auto disabled = LaunchEnding::MacrosDisabled;
    const auto blocked = LaunchEnding::InternetMacrosBlocked;
    const std::wstring vba = kCloud + L"VBAWarnings";
    const std::wstring block = kUser + L"blockcontentexecutionfrominternet";
    const std::wstring automation = kMachine + L"AutomationSecurity";
    const struct {
        MacroPolicy policy;
        bool fromInternet = false;
        bool trusted = false;
        std::optional<LaunchEnding> refusal;
        bool byUi = false;
        std::wstring because; // empty: none
    } cases[] = {
        {{}, true, false, none, false, L""}, // nothing set: as it has always been
        // Disable all: refused, but where a trusted location lets Office run them itself.
        {{Vba(4), none, none}, false, false, disabled, false, vba},
        {{Vba(4), none, none}, false, true, none, true, vba},
        {{Vba(4), none, Automation(2)}, true, false, disabled, false, vba},
        {{Vba(4), none, Automation(2)}, false, true, none, true, automation},
        // Signed only: the application decides.
        {{Vba(3), none, none}, false, false, none, true, vba},
        {{Vba(3), Block(1), none}, false, false, none, true, vba}, // only a workbook from the Internet
        {{Vba(2), none, none}, true, false, none, false, L""},
        // Automation security: 1 lets programs run macros, whatever else is set; 3 refuses.
        {{Vba(4), Block(1), Automation(1)}, true, false, none, false, L""},
        {{Vba(3), none, Automation(1)}, false, false, none, false, L""},
        {{Vba(1), Block(1), Automation(3)}, true, true, disabled, false, automation},
        {{none, none, Automation(2)}, true, false, none, true, automation},
        // Blocked from the Internet: not in a trusted location, where Office ignores the mark.
        {{none, Block(1), none}, true, false, blocked, false, block},
        {{Vba(3), Block(1), none}, true, false, blocked, false, block},
        {{none, Block(1), Automation(2)}, true, false, blocked, false, block},
        {{none, Block(1), none}, true, true, none, false, L""},
        {{Vba(3), Block(1), none}, true, true, none, true, vba},
        {{none, Block(1), none}, false, false, none, false, L""},
        // Any other value changes nothing.
        {{Vba(2), Block(0), Automation(4)}, true, false, none, false, L""},
        {{Vba(7), Block(2), Automation(0)}, true, false, none, false, L""},
    };
    for (const auto& c : cases) {
        const MacroDecision decision = DecideMacroPolicy(c.policy, c.fromInternet, c.trusted);
        SCOPED_TRACE(::testing::Message() << "row " << (&c - cases));
        EXPECT_EQ(decision.refusal, c.refusal);
        EXPECT_EQ(decision.byUi, c.byUi);
        EXPECT_EQ(decision.because ? decision.because->name : L"", c.because);
        if (decision.refusal) {
            EXPECT_EQ(EventEntry(LaunchEvent{.ending = *decision.refusal}).id,
                      *decision.refusal == LaunchEnding::InternetMacrosBlocked ? 105u : 106u);
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
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "row " << (&c - cases));
        const auto sameName = [](std::wstring_view a, std::wstring_view b) { return SameName(a, b); };
        EXPECT_EQ(InTrustedLocation(c.path, c.onNetwork, c.locations, sameName), c.trusted);
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
