#pragma once

#include "launch/launch_event.h"
#include "launch/launch_texts.h"
#include "launch/launch_wait.h"
#include "launch/macro_policy.h"
#include "launch/spreadsheet_host.h"
#include "platform/platform_error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quben {

class DirectorySearch;
class LaunchPlatform;

// What the launch needs of the launcher window. Members throw PlatformError on failure.
class LaunchWindow {
public:
    virtual ~LaunchWindow() = default;
    // Label1's caption: the chosen workbook's full path.
    virtual std::wstring Label1Caption() = 0;
    // The user ticked the dialog's "open as read-only" box.
    virtual bool ReadOnlyChosen() = 0;
    // A modal message box (MessageBox's flags in `style`); returns the button the user chose once
    // the box is closed. A box above the application is not owned by a minimised window, which
    // would hide it.
    virtual int MsgBox(std::wstring_view prompt, std::uint32_t style, std::wstring_view title) = 0;
    // The window stays shown, as the splash screen of an application that may take seconds to
    // start, with the "working in the background" pointer.
    virtual void ShowWorking() = 0;
    // Lets any process take the foreground, which only the foreground process (the launcher, as
    // long as its window is shown) can allow.
    virtual void AllowAnyToFront() = 0;
    // Brings a window of another process (the application's) to the front. Only the foreground
    // process may do so: the launcher, as long as its window is shown.
    virtual void BringToFront(std::intptr_t window) = 0;
    // Minimises the window without activating another one.
    virtual void Minimise() = 0;
    // Destroys the window, which ends the process with `exitCode`.
    virtual void Unload(int exitCode) = 0;
};

// Why a launch under way was cancelled: the user closed the launcher, the session is ending, or
// Windows asked the launcher to close for an installation or an update (the Restart Manager).
enum class CancelReason { Closed, SessionEnded, ClosedByWindows };

// Brings the chosen workbook up in a new, visible spreadsheet application (or brings forward the
// visible one that already has it open), or tells the user why not; either way the launcher
// window is unloaded at the end. Holds the application it started (the spreadsheet host
// reference) for as long as it lives; the application is told to quit only when it was never
// made visible.
class WorkbookStarter final : private LongBusySpell {
public:
    // `clock` is what the waits for a busy application read and pause with.
    WorkbookStarter(LaunchWindow& window, DirectorySearch& files, LaunchPlatform& platform,
                    SpreadsheetHost& host, BusyWait& clock)
        : window_(window), files_(files), platform_(platform), host_(host), clock_(clock),
          wait_(clock, this) {}

    void StartWorkbook() noexcept;
    // The absent-workbook ending of StartWorkbook on its own: the one message, then the window is
    // unloaded. For a name the launcher refuses before any existence check.
    void ReportAbsent() noexcept;
    // The user closed the launcher or the session is ending. Answers whether a launch was under
    // way: it then ends as soon as the call in progress returns, making no further call but the
    // ones that give the application back as it was, showing no message, with exit code 1. A
    // close once the workbook is up with its macros run, before any box, changes nothing: Windows holds
    // keyboard input back while a call is under way, and an Escape typed during it arrives only then.
    bool Cancel(CancelReason reason = CancelReason::Closed) noexcept;

    // From the choice of a workbook to the end: the launcher window is not to come back meanwhile.
    bool Underway() const noexcept { return progress_.underway; }
    // When the application's creation began, on the platform's process clock; 0 before.
    std::uint64_t CreationStarted() const noexcept { return progress_.creationStarted; }
    SpreadsheetApplication* HostReference() const { return instance_.reference.get(); }

private:
    struct Ending {
        LaunchEnding ending = LaunchEnding::Done;
        std::optional<PlatformError> failure{};
        std::optional<PolicySetting> rule{}; // the setting its event names
    };
    using Step = std::optional<Ending>; // nothing: the launch goes on

    Ending Launch() noexcept;
    Step ConfirmOrigin(const std::wstring& path) noexcept;
    // The macro rules (start_workbook_macro_rules.cpp): read before the application is created where its
    // registration names its version, else from the instance created, before anything else is
    // asked of it; applied once the instance is there.
    Step MacroPolicyBeforeCreation(WorkbookOrigin origin, MacroDecision& before) noexcept;
    Step MacroPolicyOf(SpreadsheetApplication& application) noexcept;
    Step HonourMacroPolicy(std::wstring_view version) noexcept;
    MacroDecision Decide(const MacroPolicy& policy, std::wstring_view version) noexcept;
    Step Refused(const MacroDecision& decision) noexcept;
    Step BringForwardIfOpen(const std::wstring& path) noexcept;
    Step CreateInstance() noexcept;
    Step MakeVisible(SpreadsheetApplication& application) noexcept;
    Ending OpenWorkbook(SpreadsheetApplication& application, const std::wstring& openable) noexcept;
    // A step that failed ends the launch as `ending`, unless the failure was a refusal with the
    // limit used up, or the user closed the launcher meanwhile.
    Ending FailedOn(LaunchEnding ending, PlatformError failure,
                    std::optional<PolicySetting> rule = {}) noexcept;
    // Dispatches what is queued, then says whether the launch must end there: closed, or a call
    // refused at the limit.
    Step DispatchThenCheckInterrupted() noexcept;
    // The one way out: gives back what the launch changed in its application (alerts turned
    // off; an instance never shown is told to quit), shows the ending's one box, then unloads
    // the window with the ending's exit code.
    void Finish(const Ending& ending) noexcept;
    void RestoreApplication() noexcept;
    // Alerts the ending could not give back (start_workbook_alerts.cpp): once more, the last thing before the
    // process ends, then said in the log if that fails too.
    void GiveAlertsBackOnceMore(int exitCode) noexcept;
    // Leaves the trace of a launch that did not simply work in the log, with the path, the step
    // reached and the time taken.
    void LogEvent(LaunchEnding kind, int exitCode, const std::optional<PlatformError>& failure,
                  std::wstring_view message, const std::optional<PolicySetting>& rule = {}) noexcept;
    void LogEvent(LaunchEvent& event) noexcept;
    LaunchEnding CancelledEnding() const noexcept;
    // Out of the way of a window the application shows while it refuses calls or starts.
    void StepAside() noexcept override;

    LaunchWindow& window_;
    DirectorySearch& files_;
    LaunchPlatform& platform_;
    SpreadsheetHost& host_;
    BusyWait& clock_;
    LaunchWait wait_;
    std::wstring path_;
    // How far the launch has come: what its events, a close and the window go by.
    struct {
        bool underway = false;  // from the choice of a workbook to the end
        bool succeeded = false; // the workbook is up, its macros run: a close no longer cancels
        bool endLogged = false; // the ending's event is written
        std::chrono::steady_clock::time_point started{};
        LaunchStep step = LaunchStep::Checking;
        std::uint64_t creationStarted = 0; // a process of the application started since is this launch's
        std::optional<CancelReason> cancelReason{};
    } progress_;
    // The instance created here, and what the launch changed in it, to give back at the end.
    struct {
        std::unique_ptr<SpreadsheetApplication> reference{};
        bool alertsOff = false;
        bool shown = false;
        std::optional<PlatformError> alertsFailure{}; // why the alerts could not be given back
    } instance_;
    // The macro rules as they stand for this workbook.
    struct {
        WorkbookOrigin origin{};                 // as Office sees it (a mark the user lifted is gone)
        std::optional<MacroDecision> decision{}; // nothing until the rules could be read
    } rules_;
};

} // namespace quben
