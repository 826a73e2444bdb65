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

// Every row's event: its type and ID, the eight inserts every event carries, then the policy's
// two or the answer's five where its row says; and what each kind of event fills them with.
TEST(LaunchEventTest, EachEndingHasItsTypeItsIdAndTheInsertsOfItsKind) {
    const PlatformError refused{static_cast<std::int32_t>(0x800A03EC), L"Mot de passe incorrect.",
                                L"Microsoft Excel"};
    const LaunchEvent failure{.ending = LaunchEnding::NotOpened,
                              .path = L"C:\\Été\\é.xls",
                              .boxText = L"Le classeur n'a pas pu être ouvert dans Excel.",
                              .error = refused,
                              .step = LaunchStep::Opening,
                              .elapsed = std::chrono::milliseconds(1234),
                              .exitCode = 1,
                              .zone = 3,
                              .host = L"https://exemple.org",
                              .yes = true,
                              .policy = L"HKLM\\…\\VBAWarnings",
                              .policyValue = 4};
    const Strings failureStrings{L"C:\\Été\\é.xls",
                                 L"0x800A03EC",
                                 L"ouverture du classeur",
                                 L"1234",
                                 L"1",
                                 L"Microsoft Excel",
                                 L"Mot de passe incorrect.",
                                 L"Le classeur n'a pas pu être ouvert dans Excel."};
    auto with = [](Strings strings, std::initializer_list<std::wstring> more) {
        strings.insert(strings.end(), more);
        return strings;
    };
    const std::map<Inserts, Strings> ofKind{
        {Inserts::Common, failureStrings},
        {Inserts::WithPolicy, with(failureStrings, {L"HKLM\\…\\VBAWarnings", L"4"})},
        {Inserts::WithAnswer,
         with(failureStrings, {L"3", L"marque de téléchargement", L"https://exemple.org", L"Oui", L"non"})}};
    auto strings = [](const EventEntry& entry) {
        return Strings(entry.strings.begin(), entry.strings.begin() + entry.count);
    };
    for (const EndingRow& row : kEndingRows) {
        if (row.eventId == 0)
            continue;
        LaunchEvent event = failure;
        event.ending = row.ending;
        const EventEntry entry(event);
        EXPECT_EQ(entry.type, row.eventType) << row.eventId;
        EXPECT_EQ(entry.id, row.eventId);
        EXPECT_EQ(strings(entry), ofKind.at(row.inserts)) << row.eventId;
    }

    // What the other events fill in: a policy's refusal, the answers, a close.
    const LaunchEvent answered{.ending = LaunchEnding::Answered,
                               .path = L"C:\\a.xls",
                               .boxText = L"?",
                               .step = LaunchStep::Origin,
                               .zone = 3,
                               .host = L"https://exemple.org",
                               .yes = true};
    const Strings common{L"C:\\a.xls", L"", L"provenance du classeur", L"0", L"0", L"", L"", L"?"};
    LaunchEvent location = answered;
    location.zoneOrigin = ZoneOrigin::Location;
    location.yes = false;
    const LaunchEvent closed{.ending = LaunchEnding::Closed, .step = LaunchStep::Creating, .exitCode = 1};
    const Strings closedStrings{L"", L"", L"démarrage d'Excel", L"0", L"1", L"", L"", L""};
    auto as = [](LaunchEvent event, LaunchEnding ending) {
        event.ending = ending;
        return event;
    };
    // Over ReportEvent's limit an insert keeps its end, the file's name; a NUL would end it early.
    LaunchEvent outsized = as(failure, LaunchEnding::TooLong);
    outsized.path = L"C:\\" + std::wstring(32000, L'd') + L"\\é.xls";
    Strings outsizedStrings = failureStrings;
    outsizedStrings[0] = outsized.path.substr(outsized.path.size() - 31839);
    LaunchEvent nul = failure;
    nul.error->description.insert(12, 1, L'\0');
    Strings nulStrings = failureStrings;
    nulStrings[6] = L"Mot de passe  incorrect.";
    const struct {
        LaunchEvent event;
        Strings strings;
    } cases[] = {
        {as(failure, LaunchEnding::MacrosDisabled), with(failureStrings, {L"HKLM\\…\\VBAWarnings", L"4"})},
        {answered, with(common, {L"3", L"marque de téléchargement", L"https://exemple.org", L"Oui", L"non"})},
        {location, with(common, {L"3", L"emplacement", L"https://exemple.org", L"Non", L""})},
        {closed, closedStrings},
        {as(closed, LaunchEnding::SessionEnded), closedStrings},
        {outsized, outsizedStrings},
        {nul, nulStrings},
    };
    for (const auto& [event, expected] : cases)
        EXPECT_EQ(strings(EventEntry(event)), expected) << RowOf(event.ending).eventId;
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

// Each row's event, as the message table has it: the ID exists, under the row's level, names the
// row's ending, and its highest insert is one of the row's kind: above the fewer kind's last, so
// that a message of the policy's two and one of the answer's five cannot be swapped.
TEST(LaunchEventTest, EveryRowMatchesTheMessageTable) {
    struct Message {
        std::string level;
        std::string endings;
        int highestInsert = 0;
    };
    std::map<std::uint32_t, Message> table;
    const std::string source = SourceFile("assets/events.mc");
    const std::regex block(
        R"(; endings: ([\w ]+)\n; level: (\w+)\nMessageId=(\d+)\n[^]*?\nLanguage=French\n([^\n]*)\n)");
    for (std::sregex_iterator it(source.begin(), source.end(), block), end; it != end; ++it) {
        Message& message = table[static_cast<std::uint32_t>(std::stoul((*it)[3]))];
        message.endings = " " + std::string((*it)[1]) + " ";
        message.level = (*it)[2];
        const std::string body = (*it)[4];
        const std::regex insert(R"(%(\d+))");
        for (std::sregex_iterator at(body.begin(), body.end(), insert); at != end; ++at)
            message.highestInsert = std::max(message.highestInsert, std::stoi((*at)[1]));
    }
    ASSERT_GE(table.size(), 12u);
    // The endings' names, in the order of their values.
    const std::string header = SourceFile("launch/launch_ending.h");
    const std::size_t first = header.find("enum class LaunchEnding");
    const std::string enumeration = header.substr(first, header.find("};", first) - first);
    const std::regex enumerator(R"(\n    (\w+),)");
    std::vector<std::string> names;
    for (std::sregex_iterator it(enumeration.begin(), enumeration.end(), enumerator), end; it != end; ++it)
        names.push_back((*it)[1]);
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
        const std::string& name = names.at(static_cast<std::size_t>(row.ending));
        EXPECT_NE(message->second.endings.find(" " + name + " "), std::string::npos)
            << row.eventId << " " << name;
        const int fewer = row.inserts == Inserts::WithAnswer   ? static_cast<int>(Inserts::WithPolicy)
                          : row.inserts == Inserts::WithPolicy ? static_cast<int>(Inserts::Common)
                                                               : 0;
        EXPECT_GT(message->second.highestInsert, fewer) << row.eventId;
        EXPECT_LE(message->second.highestInsert, static_cast<int>(row.inserts)) << row.eventId;
    }
    EXPECT_EQ(used.size(), table.size()) << "a message no ending writes";
}

} // namespace
} // namespace quben::testing
