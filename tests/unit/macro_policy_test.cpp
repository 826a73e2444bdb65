#include "launch/macro_policy.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

std::optional<PolicySetting> Set(std::uint32_t value) {
    return PolicySetting{value, L"HKLM\\" + std::to_wstring(value)};
}

// (policy values, origin) -> the ending (its road and its event), the setting it names, the write.
TEST(MacroPolicyTest, EachRuleGivesItsRoadItsEventAndItsWrite) {
    constexpr std::nullopt_t none = std::nullopt;
    const struct {
        MacroPolicy policy;
        bool fromInternet = false;
        std::optional<LaunchEnding> refusal;
        std::optional<std::uint32_t> because;
        bool byUi = false;
    } cases[] = {
        {{}, true, none, none, false}, // nothing set: as it has always been
        {{Set(4), none, none}, false, LaunchEnding::MacrosDisabled, 4, false},
        {{Set(1), Set(1), Set(3)}, false, LaunchEnding::MacrosDisabled, 3, false},
        {{Set(4), Set(1), Set(2)}, true, LaunchEnding::MacrosDisabled, 4, false}, // the strictest first
        {{none, Set(1), none}, true, LaunchEnding::Forbidden, 1, false},
        {{Set(3), Set(1), none}, true, LaunchEnding::Forbidden, 1, false},
        {{none, Set(1), none}, false, none, none, false}, // only a workbook from the Internet
        {{Set(3), Set(1), none}, false, none, none, true},
        {{none, none, Set(2)}, true, none, none, true},
        {{Set(2), Set(0), Set(1)}, true, none, none, false}, // any other value changes nothing
        {{Set(1), Set(2), Set(4)}, true, none, none, false},
    };
    for (const auto& c : cases) {
        const MacroDecision decision = DecideMacroPolicy(c.policy, c.fromInternet);
        EXPECT_EQ(decision.refusal, c.refusal);
        EXPECT_EQ(decision.because.has_value(), c.because.has_value());
        if (decision.because && c.because) {
            EXPECT_EQ(decision.because->value, *c.because);
            EXPECT_EQ(decision.because->name, L"HKLM\\" + std::to_wstring(*c.because));
        }
        EXPECT_EQ(decision.byUi, c.byUi);
        if (decision.refusal) {
            EXPECT_EQ(EventEntry(LaunchEvent{.ending = *decision.refusal}).id,
                      *decision.refusal == LaunchEnding::Forbidden ? 105u : 106u);
        }
    }
    EXPECT_EQ(kAutomationSecurityByUi, 2);
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
