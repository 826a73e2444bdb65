#pragma once
// The trace a launch that goes wrong leaves for the IT department: one event in the system's
// application log for each box the launcher shows, each answer to the download question and each
// launch the user or the session ends. It holds what the box leaves out. A launch that works
// leaves none.

#include "platform/number_text.h"
#include "platform/platform_error.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quben {

enum class LaunchEnding : std::uint8_t {
    NotStarted,     // failure box: the application could not be started or shown
    NotOpened,      // failure box: the application refused the workbook
    TooLong,        // failure box: the path is too long for the application
    NotResponding,  // failure box: the application refused calls for the whole limit
    Forbidden,      // failure box: the organisation does not let users unblock downloads
    MacrosDisabled, // failure box: the organisation has turned the application's macros off
    Absent,         // the absent-file box
    Answered,       // the download question was answered
    HeldElsewhere,  // the read-only notice
    Closed,         // the user closed the launcher during the launch
    SessionEnded,   // the session ended during the launch
    AlertsOff,      // the application's alerts could not be given back
};

// How far a launch had gone.
enum class LaunchStep : std::uint8_t {
    Checking,
    Origin,
    Policy,
    LookingUp,
    Creating,
    Showing,
    Opening,
    Macros,
    Finishing
};

// What placed a workbook in the Internet zone: its download mark, or where it is.
enum class ZoneOrigin : std::uint8_t { Mark, Location };

struct LaunchEvent {
    LaunchEnding ending = LaunchEnding::NotStarted;
    std::wstring path{};    // the workbook's full path
    std::wstring boxText{}; // what the box said (the question, for an answer)
    std::optional<PlatformError> error{};
    LaunchStep step = LaunchStep::Checking;
    std::chrono::milliseconds elapsed{}; // since the launch began
    int exitCode = 0;
    // The download question: the zone, what placed the workbook there, the host shown, the answer
    // and, after a yes, whether the mark could be removed.
    int zone = 0;
    ZoneOrigin zoneOrigin = ZoneOrigin::Mark;
    std::wstring host{};
    bool yes = false;
    bool markRemoved = false;
    // A refusal by the organisation's policy: the setting's registry name and its value.
    std::wstring policy{};
    std::uint32_t policyValue = 0;
};

// ReportEvent's types.
inline constexpr std::uint16_t kEventError = 1;
inline constexpr std::uint16_t kEventWarning = 2;
inline constexpr std::uint16_t kEventInformation = 4;

// One entry of the log: its type, its ID in the executable's message table, and the inserts %1,
// %2, … of that message, in order: eight for every event, thirteen for an answer, ten for a
// refusal by policy. The inserts (with any '%' made the fullwidth U+FF05) point into the event,
// which must outlive the entry, and into the
// entry itself, which is therefore made in place and never copied.
class EventEntry {
public:
    explicit EventEntry(const LaunchEvent& event);
    EventEntry(const EventEntry&) = delete;
    EventEntry& operator=(const EventEntry&) = delete;

    std::uint16_t type = 0;
    std::uint32_t id = 0;
    std::uint16_t count = 8; // of `strings`
    std::array<const wchar_t*, 13> strings{};

private:
    // The numbers among the inserts, written out: the status, the time, the exit code, the zone.
    std::array<NumberText, 4> numbers_{};
    // The inserts that hold a '%', with it made U+FF05: viewers would expand "%1" or "%n" in a
    // path or in the application's description again, rewriting or looping the text.
    std::array<std::wstring, 13> escaped_{};
};

} // namespace quben
