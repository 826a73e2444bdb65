#include "launch/launch_event.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

using Strings = std::vector<std::wstring>;

// Each kind of ending: its type and ID in the message table, and the inserts of one event.
TEST(LaunchEventTest, EachEndingHasItsTypeItsIdAndTheInsertsOfItsMessage) {
    const PlatformError refused{static_cast<std::int32_t>(0x800A03EC), L"Mot de passe incorrect.",
                                L"Microsoft Excel"};
    const LaunchEvent failure{.ending = LaunchEnding::NotOpened,
                              .path = L"C:\\Été\\é.xls",
                              .boxText = L"Le classeur n'a pas pu être ouvert dans Excel.",
                              .error = refused,
                              .step = LaunchStep::Opening,
                              .elapsed = std::chrono::milliseconds(1234),
                              .exitCode = 1};
    const Strings failureStrings{L"C:\\Été\\é.xls",
                                 L"0x800A03EC",
                                 L"ouverture du classeur",
                                 L"1234",
                                 L"1",
                                 L"Microsoft Excel",
                                 L"Mot de passe incorrect.",
                                 L"Le classeur n'a pas pu être ouvert dans Excel."};
    LaunchEvent refusal = failure;
    refusal.ending = LaunchEnding::MacrosDisabled;
    refusal.policy = L"HKLM\\…\\VBAWarnings";
    refusal.policyValue = 4;
    const LaunchEvent answered{.ending = LaunchEnding::Answered,
                               .path = L"C:\\a.xls",
                               .boxText = L"?",
                               .step = LaunchStep::Origin,
                               .zone = 3,
                               .host = L"https://exemple.org",
                               .yes = true};
    const Strings common{L"C:\\a.xls", L"", L"provenance du classeur", L"0", L"0", L"", L"", L"?"};
    auto with = [](Strings strings, std::initializer_list<std::wstring> more) {
        strings.insert(strings.end(), more);
        return strings;
    };
    LaunchEvent location = answered;
    location.zoneOrigin = ZoneOrigin::Location;
    location.yes = false;
    const LaunchEvent closed{.ending = LaunchEnding::Closed, .step = LaunchStep::Creating, .exitCode = 1};
    const Strings closedStrings{L"", L"", L"démarrage d'Excel", L"0", L"1", L"", L"", L""};
    auto as = [](LaunchEvent event, LaunchEnding ending) {
        event.ending = ending;
        return event;
    };
    const struct {
        LaunchEvent event;
        std::uint16_t type;
        std::uint32_t id;
        Strings strings;
    } cases[] = {
        {as(failure, LaunchEnding::NotStarted), kEventError, 101, failureStrings},
        {failure, kEventError, 102, failureStrings},
        {as(failure, LaunchEnding::TooLong), kEventError, 103, failureStrings},
        {as(failure, LaunchEnding::NotResponding), kEventError, 104, failureStrings},
        {as(failure, LaunchEnding::Forbidden), kEventError, 105, with(failureStrings, {L"", L"0"})},
        {refusal, kEventError, 106, with(failureStrings, {L"HKLM\\…\\VBAWarnings", L"4"})},
        {as(failure, LaunchEnding::Absent), kEventWarning, 201, failureStrings},
        {answered, kEventWarning, 202,
         with(common, {L"3", L"marque de téléchargement", L"https://exemple.org", L"Oui", L"non"})},
        {location, kEventWarning, 202,
         with(common, {L"3", L"emplacement", L"https://exemple.org", L"Non", L""})},
        {as(failure, LaunchEnding::HeldElsewhere), kEventInformation, 301, failureStrings},
        {closed, kEventInformation, 302, closedStrings},
        {as(closed, LaunchEnding::SessionEnded), kEventInformation, 303, closedStrings},
        {as(failure, LaunchEnding::AlertsOff), kEventWarning, 203, failureStrings},
    };
    for (const auto& [event, type, id, strings] : cases) {
        const EventEntry entry(event);
        EXPECT_EQ(entry.type, type) << id;
        EXPECT_EQ(entry.id, id);
        EXPECT_EQ(Strings(entry.strings.begin(), entry.strings.begin() + entry.count), strings) << id;
    }
}

// A viewer expands the inserts again: a '%' of a path or of the application's text is shown as the
// fullwidth U+FF05, so that "%1" or "%n" there is never read as an insert or a line break.
TEST(LaunchEventTest, NoInsertHoldsAPercentSign) {
    const LaunchEvent event{.ending = LaunchEnding::NotOpened,
                            .path = L"C:\\100%\\%1%n.xls",
                            .boxText = L"%%5",
                            .error = PlatformError{1, L"50 % fait", L"%0"}};
    const EventEntry entry(event);
    EXPECT_EQ(Strings(entry.strings.begin(), entry.strings.begin() + entry.count),
              (Strings{L"C:\\100％\\％1％n.xls", L"0x00000001", L"vérification du fichier", L"0", L"0",
                       L"％0", L"50 ％ fait", L"％％5"}));
}

} // namespace
} // namespace quben::testing
