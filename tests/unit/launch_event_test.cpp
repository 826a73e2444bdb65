#include "launch/launch_event.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

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
        {as(failure, LaunchEnding::NotReady), kEventError, 104, failureStrings},
        {as(failure, LaunchEnding::Forbidden), kEventError, 105, with(failureStrings, {L"", L""})},
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

std::string SourceFile(const char* path) {
    std::ifstream file(std::string(QUBEN_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// What LISEZMOI tells administrators of each event, its level and the exit code that follows ("-":
// the launch goes on), is the launcher's own table's.
TEST(LaunchEventTest, TheEventsLisezmoiListsAreTheTables) {
    const std::string page = SourceFile("packaging/LISEZMOI.txt");
    const std::regex line(R"(\n    (\d{3})  (Erreur|Avertissement|Information) +([0-9-])  )");
    std::map<std::uint32_t, std::string> listed;
    for (std::sregex_iterator it(page.begin(), page.end(), line), end; it != end; ++it)
        listed[static_cast<std::uint32_t>(std::stoul((*it)[1]))] =
            std::string((*it)[2]) + " " + std::string((*it)[3]);
    const std::map<std::uint16_t, std::string> levels{
        {kEventError, "Erreur"}, {kEventWarning, "Avertissement"}, {kEventInformation, "Information"}};
    std::set<std::uint32_t> written;
    for (const EndingRow& row : kEndingRows) {
        if (row.eventId == 0)
            continue;
        written.insert(row.eventId);
        const bool goesOn = row.ending == LaunchEnding::Answered || row.ending == LaunchEnding::AlertsOff;
        EXPECT_EQ(listed[row.eventId],
                  levels.at(row.eventType) + " " + (goesOn ? "-" : std::to_string(row.exitCode)))
            << row.eventId;
    }
    EXPECT_EQ(listed.size(), written.size()) << "LISEZMOI lists an event the launcher never writes";
}

// Each row's event, as the message table has it: the ID exists, under the row's level, and its text
// uses the inserts the row gives it (a policy's two or an answer's five only where the row has them).
TEST(LaunchEventTest, EveryRowMatchesTheMessageTable) {
    struct Message {
        std::string level;
        int highestInsert = 0;
    };
    std::map<std::uint32_t, Message> table;
    const std::string source = SourceFile("assets/events.mc");
    const std::regex block(R"(; level: (\w+)\nMessageId=(\d+)\n[^]*?\nLanguage=French\n([^\n]*)\n)");
    for (std::sregex_iterator it(source.begin(), source.end(), block), end; it != end; ++it) {
        Message& message = table[static_cast<std::uint32_t>(std::stoul((*it)[2]))];
        message.level = (*it)[1];
        const std::string body = (*it)[3];
        const std::regex insert(R"(%(\d+))");
        for (std::sregex_iterator at(body.begin(), body.end(), insert); at != end; ++at)
            message.highestInsert = std::max(message.highestInsert, std::stoi((*at)[1]));
    }
    ASSERT_GE(table.size(), 12u);
    const std::map<std::uint16_t, std::string> levels{
        {kEventError, "error"}, {kEventWarning, "warning"}, {kEventInformation, "information"}};
    std::set<std::uint32_t> used;
    for (const EndingRow& row : kEndingRows) {
        if (row.eventId == 0)
            continue;
        used.insert(row.eventId);
        const auto message = table.find(row.eventId);
        ASSERT_NE(message, table.end()) << row.eventId;
        EXPECT_EQ(message->second.level, levels.at(row.eventType)) << row.eventId;
        EXPECT_LE(message->second.highestInsert, row.inserts) << row.eventId;
        EXPECT_EQ(message->second.highestInsert > kCommonInserts, row.inserts > kCommonInserts)
            << row.eventId;
    }
    EXPECT_EQ(used.size(), table.size()) << "a message no ending writes";
}

} // namespace
} // namespace quben::testing
