#pragma once
// The trace a launch that goes wrong leaves for the IT department: one event in the system's
// application log for each box the launcher shows, each answer to the download question and each
// launch the user or the session ends. It holds what the box leaves out. A launch that simply
// works leaves none; one that works after a yes to the download question, or with the read-only
// notice, leaves that answer or notice.

#include "launch/launch_ending.h"
#include "platform/number_text.h"
#include "platform/platform_error.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quben {

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
    // The macro setting that refused the launch or made the application decide: its registry name
    // and its value ("illisible" when it could not be read; nothing when no setting is named).
    std::wstring policy{};
    std::uint32_t policyValue = 0;
    bool policyUnreadable = false;
};

// One entry of the log: its type, its ID in the executable's message table, and the inserts %1,
// %2, … of that message, in order, as many as the ending's row says. The inserts (with any '%' made the
// fullwidth U+FF05, any NUL a blank, each cut to its last 31,839 characters, ReportEvent's limit) point
// into the event, which must outlive the entry, and into the entry itself, which is therefore made in
// place and never copied.
class EventEntry {
public:
    explicit EventEntry(const LaunchEvent& event);
    EventEntry(const EventEntry&) = delete;
    EventEntry& operator=(const EventEntry&) = delete;

    std::uint16_t type = 0;
    std::uint32_t id = 0;
    std::uint16_t count = 0; // of `strings`, as the row's Inserts say
    std::array<const wchar_t*, 13> strings{};

private:
    // The numbers among the inserts, written out: the status, the time, the exit code, the zone.
    std::array<NumberText, 4> numbers_{};
    // The inserts that hold a '%', with it made U+FF05: viewers would expand "%1" or "%n" in a
    // path or in the application's description again, rewriting or looping the text. And those
    // that hold a NUL, with it made a blank.
    std::array<std::wstring, 13> escaped_{};
};

} // namespace quben
