#pragma once
// Every way a launch ends, as one table: the box it shows, the exit code, and the event it leaves
// in the application log, with that event's ID and level in the message table (assets/events.mc,
// checked against this table by a unit test). Adding an ending: README, "Adding an ending".

#include "launch/launch_texts.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace quben {

enum class LaunchEnding : std::uint8_t {
    Done,                  // the application has the workbook
    Declined,              // the user said no to the question about the workbook's origin
    Absent,                // the workbook is not there
    TooLong,               // its path is too long for the application
    Forbidden,             // from the Internet, and the organisation forbids unblocking it
    InternetMacrosBlocked, // from the Internet, whose macros the organisation blocks
    MacrosDisabled,        // the organisation does not allow the application's macros on this computer
    MacrosDisabledByUser,  // the user's own Trust Center disables all macros
    ProgramMacrosDisabled, // the organisation disables macros in workbooks programs open
    VbaOff,                // the organisation has turned VBA off on this computer
    MacroRulesNotApplied,  // the application could not be told to apply the organisation's rules
    MacrosNotRun,          // the workbook's macros did not run (the rules, the settings, its origin)
    NotStarted,            // the application could not be created or shown
    NotReady,              // the application, started, refused or did not complete its creation
    NotOpened,             // the application did not open the workbook
    NotResponding,         // a call was refused with the launch's whole limit used up
    HeldElsewhere,         // opened read-only because another process has the file: a notice
    Closed,                // the user closed the launcher during the launch
    SessionEnded,          // the session ended during the launch
    ClosedByWindows,       // Windows closed the launcher during the launch (an installation, an update)
    // Not endings: what a launch notes on its way.
    Answered,  // the download question was answered
    AlertsOff, // the application's alerts could not be given back
    Count,     // not an ending: every enumerator goes above it, and needs its row
};

// What the box says after its first line, each part after a blank line.
enum class BoxDetails : std::uint8_t {
    None,
    Path,             // the workbook's path, as chosen
    WhyNotStarted,    // "not installed", or the system's text of the status; then the code
    PathWhyNotOpened, // the path; the application's own text, or the system's; then the code
};

// ReportEvent's types.
inline constexpr std::uint16_t kEventError = 1;
inline constexpr std::uint16_t kEventWarning = 2;
inline constexpr std::uint16_t kEventInformation = 4;

// The inserts an event carries (assets/events.mc says what each is): %1 to %8 for every one, %9
// and %10 the organisation's rule, %9 to %13 the answer to the download question.
enum class Inserts : std::uint8_t { Common = 8, WithPolicy = 10, WithAnswer = 13 };

inline constexpr std::uint32_t kNoBox = 0xFFFFFFFF;

struct EndingRow {
    LaunchEnding ending;
    std::uint32_t boxStyle;      // MessageBox's flags; kNoBox: none
    std::wstring_view firstLine; // exact
    BoxDetails details;
    std::wstring_view advice; // after the details
    int exitCode;
    std::uint32_t eventId; // 0: no event
    std::uint16_t eventType;
    Inserts inserts;
};

// One row per ending, read across.
// clang-format off
inline constexpr EndingRow kEndingRows[] = {
    // ending                             box style         first line                       details                       advice                        exit         event id, type and inserts
    {LaunchEnding::Done,                  kNoBox,           {},                              BoxDetails::None,             {},                           kExitDone,   0,   0,                 Inserts::Common},
    {LaunchEnding::Declined,              kNoBox,           {},                              BoxDetails::None,             {},                           kExitDone,   0,   0,                 Inserts::Common},
    {LaunchEnding::Absent,                kMessageButtons,  kAbsentPrompt,                   BoxDetails::None,             {},                           kExitDone,   201, kEventWarning,     Inserts::Common},
    {LaunchEnding::TooLong,               kFailureBoxStyle, kTooLongFirstLine,               BoxDetails::Path,             kTooLongAdvice,               kExitFailed, 103, kEventError,       Inserts::Common},
    {LaunchEnding::Forbidden,             kFailureBoxStyle, kForbiddenFirstLine,             BoxDetails::None,             kForbiddenAdvice,             kExitFailed, 105, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::InternetMacrosBlocked, kFailureBoxStyle, kInternetMacrosBlockedFirstLine, BoxDetails::None,             kInternetMacrosBlockedAdvice, kExitFailed, 105, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::MacrosDisabled,        kFailureBoxStyle, kMacrosDisabledFirstLine,        BoxDetails::None,             kMacrosDisabledAdvice,        kExitFailed, 106, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::MacrosDisabledByUser,  kFailureBoxStyle, kMacrosDisabledByUserFirstLine,  BoxDetails::None,             kMacrosDisabledByUserAdvice,  kExitFailed, 106, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::ProgramMacrosDisabled, kFailureBoxStyle, kProgramMacrosDisabledFirstLine, BoxDetails::None,             kProgramMacrosDisabledAdvice, kExitFailed, 106, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::VbaOff,                kFailureBoxStyle, kVbaOffFirstLine,                BoxDetails::None,             kMacrosDisabledAdvice,        kExitFailed, 106, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::MacroRulesNotApplied,  kFailureBoxStyle, kMacroRulesNotAppliedFirstLine,  BoxDetails::None,             kMacrosDisabledAdvice,        kExitFailed, 106, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::MacrosNotRun,          kFailureBoxStyle, kMacrosNotRunFirstLine,          BoxDetails::None,             kMacrosNotRunAdvice,          kExitFailed, 106, kEventError,       Inserts::WithPolicy},
    {LaunchEnding::NotStarted,            kFailureBoxStyle, kNotStartedFirstLine,            BoxDetails::WhyNotStarted,    {},                           kExitFailed, 101, kEventError,       Inserts::Common},
    {LaunchEnding::NotReady,              kFailureBoxStyle, kNotReadyFirstLine,              BoxDetails::None,             kNotReadyAdvice,              kExitFailed, 104, kEventError,       Inserts::Common},
    {LaunchEnding::NotOpened,             kFailureBoxStyle, kNotOpenedFirstLine,             BoxDetails::PathWhyNotOpened, {},                           kExitFailed, 102, kEventError,       Inserts::Common},
    {LaunchEnding::NotResponding,         kFailureBoxStyle, kNotRespondingFirstLine,         BoxDetails::None,             kNotRespondingAdvice,         kExitFailed, 104, kEventError,       Inserts::Common},
    {LaunchEnding::HeldElsewhere,         kNoticeBoxStyle,  kHeldElsewhereFirstLine,         BoxDetails::None,             kHeldElsewhereAdvice,         kExitDone,   301, kEventInformation, Inserts::Common},
    {LaunchEnding::Closed,                kNoBox,           {},                              BoxDetails::None,             {},                           kExitFailed, 302, kEventInformation, Inserts::Common},
    {LaunchEnding::SessionEnded,          kNoBox,           {},                              BoxDetails::None,             {},                           kExitFailed, 303, kEventInformation, Inserts::Common},
    {LaunchEnding::ClosedByWindows,       kNoBox,           {},                              BoxDetails::None,             {},                           kExitFailed, 304, kEventInformation, Inserts::Common},
    {LaunchEnding::Answered,              kNoBox,           {},                              BoxDetails::None,             {},                           kExitDone,   202, kEventWarning,     Inserts::WithAnswer},
    {LaunchEnding::AlertsOff,             kNoBox,           {},                              BoxDetails::None,             {},                           kExitDone,   203, kEventWarning,     Inserts::Common},
};
// clang-format on

// The row of an ending, found by its name, not its position: reordering the enumerators moves
// nothing. Every ending has its row (checked at compile time below).
constexpr const EndingRow& RowOf(LaunchEnding ending) {
    return *std::find_if(std::begin(kEndingRows), std::end(kEndingRows),
                         [ending](const EndingRow& row) { return row.ending == ending; });
}

consteval bool EveryEndingHasOneRow() {
    for (std::uint8_t value = 0; value < static_cast<std::uint8_t>(LaunchEnding::Count); ++value)
        if (std::count_if(std::begin(kEndingRows), std::end(kEndingRows), [&](const EndingRow& row) {
                return static_cast<std::uint8_t>(row.ending) == value;
            }) != 1)
            return false;
    return std::size(kEndingRows) == static_cast<std::size_t>(LaunchEnding::Count);
}
static_assert(EveryEndingHasOneRow(), "each LaunchEnding needs exactly one row in kEndingRows");

} // namespace quben
