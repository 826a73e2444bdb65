#include "launch/start_workbook.h"

#include "launch/download_mark.h"
#include "launch/exists.h"
#include "launch/launch_messages.h"
#include "launch/launch_platform.h"
#include "launch/openable_path.h"
#include "platform/independent_steps.h"
#include "platform/require.h"

#include <algorithm>
#include <utility>

namespace quben {
namespace {

struct Origin {
    int zone = 0; // the higher of the location's and the mark's
    WorkbookOrigin where{};
    std::wstring hostUrl{}; // the mark's, when it names one
};

// Where a workbook comes from, as Windows weighs it: the zone its location gets (a share named by a
// dotted server name or an address, the organisation's mappings) and the zone its own mark names.
// What cannot be learnt, a mark there but unreadable included, is the Internet.
Origin OriginOf(const std::wstring& path, LaunchPlatform& platform) {
    int locationZone = kInternetZone;
    RunStep([&] { locationZone = platform.LocationZone(path); });
    const bool internetLocation = IsFromInternet(locationZone);
    std::optional<DownloadMark> mark;
    if (Attempt([&] {
            if (const auto bytes = platform.ReadDownloadMark(path))
                mark = ParseZoneIdentifier(*bytes);
        }))
        return {std::max(locationZone, kInternetZone), {true, internetLocation}};
    if (IsDownloaded(mark))
        return {std::max(locationZone, mark->zoneId), {true, internetLocation}, mark->hostUrl};
    return {mark ? std::max(locationZone, mark->zoneId) : locationZone, {false, internetLocation}};
}

} // namespace

void WorkbookStarter::StartWorkbook() noexcept {
    progress_.underway = true;
    progress_.started = clock_.Now();
    Finish(Launch());
}

void WorkbookStarter::ReportAbsent() noexcept {
    progress_.underway = true;
    progress_.started = clock_.Now();
    RunStep([&] { path_ = window_.Label1Caption(); });
    Finish({LaunchEnding::Absent});
}

WorkbookStarter::Ending WorkbookStarter::Launch() noexcept {
    // A test that cannot be made counts as "the file is there".
    if (!TestOr(true, [&] {
            path_ = window_.Label1Caption();
            return Exists(path_, files_);
        }))
        return {LaunchEnding::Absent};
    RunStep([&] { path_ = window_.Label1Caption(); });
    const auto openable =
        OpenablePath(path_, [&](std::wstring_view folder) { return platform_.ShortPathName(folder); });
    if (!openable)
        return {LaunchEnding::TooLong};
    progress_.step = LaunchStep::Origin;
    if (auto end = ConfirmOrigin(path_))
        return *end;
    progress_.step = LaunchStep::LookingUp;
    if (auto end = BringForwardIfOpen(path_))
        return *end;
    progress_.step = LaunchStep::Creating;
    if (auto end = CreateInstance())
        return *end;
    if (auto end = MacroPolicyOf(*instance_.reference))
        return *end;
    // Everything goes through the instance created here: an application the user already has
    // open is never touched (its alerts stay on, its workbooks' macros are not run).
    progress_.step = LaunchStep::Showing;
    if (auto end = MakeVisible(*instance_.reference))
        return *end;
    progress_.step = LaunchStep::Opening;
    return OpenWorkbook(*instance_.reference, *openable);
}

// An application started by automation runs the macros of every file it opens, whatever the
// user's settings: a downloaded workbook is opened only on the user's yes, then without its mark,
// as Windows' own "Débloquer" leaves it. A location Windows places on the Internet, a trusted
// location and the organisation's rules are the macro rules' to weigh first.
WorkbookStarter::Step WorkbookStarter::ConfirmOrigin(const std::wstring& path) noexcept {
    const Origin origin = OriginOf(path, platform_);
    MacroDecision before;
    if (auto end = MacroPolicyBeforeCreation(origin.where, before))
        return end;
    if (!before.askAboutMark)
        return {};
    // A question that cannot be asked is a no.
    int answer = 0;
    LaunchEvent audit{.ending = LaunchEnding::Answered, .zone = origin.zone, .zoneOrigin = ZoneOrigin::Mark};
    RunStep([&] {
        audit.host = ShownSource(origin.hostUrl);
        audit.boxText = DownloadedQuestion(origin.hostUrl);
        answer = window_.MsgBox(audit.boxText, kQuestionBoxStyle, kMessageTitle);
    });
    // A launcher closed while the question was up goes no further, whatever the answer.
    const bool cancelled = wait_.DispatchThenCheckCancelled();
    audit.yes = answer == kAnswerYes;
    // The answer is the gate, not the mark's removal, which a read-only file or share or a medium
    // without streams refuses: the application runs the macros either way.
    if (audit.yes && !cancelled)
        audit.markRemoved = !Attempt([&] { platform_.RemoveDownloadMark(path); });
    if (answer != 0) // the audit of an answer the user gave
        LogEvent(audit);
    if (cancelled)
        return Ending{LaunchEnding::Closed};
    if (!audit.yes)
        return Ending{LaunchEnding::Declined};
    rules_.origin.marked = false; // unblocked, for the rules the instance may still read
    return {};
}

// Opened a second time, the workbook would come up read-only in a second application, without a
// word: the application that has it is brought forward instead, and nothing is run again. Only
// an application the user can see: one that another program's automation left hidden would come
// forward into nothing.
WorkbookStarter::Step WorkbookStarter::BringForwardIfOpen(const std::wstring& path) noexcept {
    std::unique_ptr<Workbook> open;
    std::unique_ptr<SpreadsheetApplication> application;
    // A lookup that fails in any way means "not open".
    RunStep([&] {
        open = host_.FindOpenWorkbook(path, wait_);
        if (open)
            application = open->Application();
    });
    if (application && !TestOr(false, [&] { return application->Visible(); }))
        application.reset();
    if (auto end = DispatchThenCheckInterrupted())
        return end;
    if (!application)
        return {};
    RunStep([&] { window_.BringToFront(application->Hwnd()); });
    wait_.HandedOver();
    RunStep([&] { open->Activate(); });
    progress_.succeeded = !wait_.Cancelled();
    if (auto end = DispatchThenCheckInterrupted())
        return end;
    return Ending{LaunchEnding::Done};
}

WorkbookStarter::Step WorkbookStarter::CreateInstance() noexcept {
    RunStep([&] { window_.ShowWorking(); });
    // A window the application shows while it starts (activation, sign-in) can then come in front.
    RunStep([&] { window_.AllowAnyToFront(); });
    RunStep([&] { progress_.creationStarted = platform_.ProcessClock(); });
    // An empty reference is a creation that failed too.
    if (const auto failure = Attempt([&] {
            instance_.reference = host_.CreateApplication(wait_);
            Require(instance_.reference);
        })) {
        const auto stillRunning = [&] {
            return TestOr(false,
                          [&] { return platform_.ApplicationRunningSince(progress_.creationStarted); });
        };
        return FailedOn(StartedButNotAnswering(failure->status, stillRunning) ? LaunchEnding::NotReady
                                                                              : LaunchEnding::NotStarted,
                        *failure);
    }
    // A close that came while the instance was created asks nothing more of it but to quit.
    return DispatchThenCheckInterrupted();
}

WorkbookStarter::Step WorkbookStarter::MakeVisible(SpreadsheetApplication& application) noexcept {
    // Alerts are off only while the workbook comes up: the user works in this instance
    // afterwards, and without them it would overwrite files and close unsaved workbooks unasked.
    // Given back even if this call seems to fail: it may have been carried out all the same.
    instance_.alertsOff = true;
    RunStep([&] { application.SetDisplayAlerts(false); });
    if (auto end = DispatchThenCheckInterrupted())
        return end;
    if (const auto failure = Attempt([&] { application.SetVisible(true); }))
        return FailedOn(LaunchEnding::NotStarted, *failure);
    instance_.shown = true;
    // Now, while the launcher is still the foreground process: later Windows would only flash the
    // application's taskbar button, and a form its macros show would open behind other windows.
    RunStep([&] { window_.BringToFront(application.Hwnd()); });
    wait_.HandedOver();
    StepAside();
    return DispatchThenCheckInterrupted();
}

WorkbookStarter::Ending WorkbookStarter::OpenWorkbook(SpreadsheetApplication& application,
                                                      const std::wstring& openable) noexcept {
    // A read-only open the user asked for needs no notice.
    const bool readOnly = TestOr(false, [&] { return window_.ReadOnlyChosen(); });
    // Asked before this instance has the file too: whether another process keeps it from being
    // written. Read-only for any other reason (no write right, a read-only file, a
    // write-reservation password) is nothing the user needs telling.
    const bool heldElsewhere = !readOnly && TestOr(false, [&] { return platform_.OpenElsewhere(path_); });
    std::unique_ptr<Workbook> workbook;
    if (const auto failure = Attempt(
            [&] { workbook = Require(application.Workbooks()).Open(openable, kWorkbookPassword, readOnly); }))
        return FailedOn(LaunchEnding::NotOpened, *failure);
    // A close during a long Open: the workbook's macros are not run.
    if (auto end = DispatchThenCheckInterrupted())
        return *end;
    progress_.step = LaunchStep::Macros;
    // Macros that did not run (the application's rules, VBA missing, a macro that failed) would
    // leave a workbook that does nothing, without a word: the user is told, the workbook left open
    // to be read.
    if (const auto failure = Attempt([&] { Require(workbook).RunAutoMacros(kXlAutoOpen); }))
        return FailedOn(LaunchEnding::MacrosNotRun, *failure,
                        rules_.decision && rules_.decision->byUi ? rules_.decision->because : std::nullopt);
    progress_.succeeded = !wait_.Cancelled();
    if (auto end = DispatchThenCheckInterrupted())
        return *end;
    progress_.step = LaunchStep::Finishing;
    if (heldElsewhere && TestOr(false, [&] { return Require(workbook).ReadOnly(); }))
        return {LaunchEnding::HeldElsewhere};
    return {LaunchEnding::Done};
}

WorkbookStarter::Ending WorkbookStarter::FailedOn(LaunchEnding ending, PlatformError failure,
                                                  std::optional<PolicySetting> rule) noexcept {
    if (auto end = DispatchThenCheckInterrupted()) {
        end->failure = std::move(failure);
        return *end;
    }
    return {ending, std::move(failure), std::move(rule)};
}

WorkbookStarter::Step WorkbookStarter::DispatchThenCheckInterrupted() noexcept {
    if (TestOr(false, [&] { return wait_.DispatchThenCheckCancelled(); }))
        return Ending{LaunchEnding::Closed};
    if (wait_.GaveUp())
        return Ending{LaunchEnding::NotResponding};
    return {};
}

void WorkbookStarter::Finish(const Ending& ending) noexcept {
    RestoreApplication();
    // A launch cancelled meanwhile ends as cancelled, whatever the step that noticed it.
    const LaunchEnding kind = wait_.Cancelled() ? CancelledEnding() : ending.ending;
    const EndingRow& row = RowOf(kind);
    std::wstring box;
    if (row.boxStyle != kNoBox)
        RunStep([&] {
            box = BoxText(row, path_, ending.failure.value_or(PlatformError{kStatusUnexpected}), platform_);
        });
    // Before the box, which may stay up until the user walks away.
    if (row.eventId != 0 && !std::exchange(progress_.endLogged, true))
        LogEvent(kind, row.exitCode, ending.failure, box, ending.rule);
    // A close while the box is up is the user's answer to it, not input held back: a close still.
    progress_.succeeded = false;
    if (row.boxStyle != kNoBox)
        RunStep([&] { window_.MsgBox(box, row.boxStyle, kMessageTitle); });
    // A close while the box was up is a close too.
    const int exitCode = wait_.Cancelled() ? kExitFailed : row.exitCode;
    GiveAlertsBackOnceMore(exitCode);
    RunStep([&] { window_.Unload(exitCode); });
}

void WorkbookStarter::LogEvent(LaunchEnding kind, int exitCode, const std::optional<PlatformError>& failure,
                               std::wstring_view message, const std::optional<PolicySetting>& rule) noexcept {
    RunStep([&] {
        LaunchEvent event{
            .ending = kind, .boxText = std::wstring(message), .error = failure, .exitCode = exitCode};
        if (rule) {
            event.policy = rule->name;
            event.policyValue = rule->value;
            event.policyUnreadable = rule->unreadable;
        }
        LogEvent(event);
    });
}

void WorkbookStarter::LogEvent(LaunchEvent& event) noexcept {
    RunStep([&] {
        event.path = path_;
        event.step = progress_.step;
        event.elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(clock_.Now() - progress_.started);
        platform_.WriteEvent(event);
    });
}

void WorkbookStarter::RestoreApplication() noexcept {
    if (!instance_.reference)
        return;
    if (!instance_.shown) {
        // An instance nobody can see would keep the workbook locked until the session ends. Told
        // once: it may be what refuses every call.
        wait_.Stop();
        RunStep([&] { instance_.reference->Quit(); });
        instance_.reference.reset();
        return;
    }
    // The application resets its alerts only for code running inside it, never for a caller.
    if (instance_.alertsOff) {
        wait_.Ending();
        instance_.alertsFailure = Attempt([&] { instance_.reference->SetDisplayAlerts(true); });
    }
}

void WorkbookStarter::StepAside() noexcept {
    RunStep([&] { window_.Minimise(); });
}

bool WorkbookStarter::Cancel(CancelReason reason) noexcept {
    if (progress_.underway && !wait_.Cancelled() &&
        !(progress_.succeeded && reason == CancelReason::Closed)) {
        progress_.cancelReason = reason;
        wait_.Cancel();
        // Once the session's end (or Windows' request) has been told, the process may be ended at
        // any moment.
        if (reason != CancelReason::Closed && !std::exchange(progress_.endLogged, true))
            LogEvent(CancelledEnding(), kExitFailed, std::nullopt, {});
    }
    return progress_.underway;
}

LaunchEnding WorkbookStarter::CancelledEnding() const noexcept {
    switch (progress_.cancelReason.value_or(CancelReason::Closed)) {
    case CancelReason::SessionEnded:
        return LaunchEnding::SessionEnded;
    case CancelReason::ClosedByWindows:
        return LaunchEnding::ClosedByWindows;
    case CancelReason::Closed:
        break;
    }
    return LaunchEnding::Closed;
}

} // namespace quben
