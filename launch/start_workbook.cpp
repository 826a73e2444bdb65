#include "launch/start_workbook.h"

#include "launch/download_mark.h"
#include "launch/exists.h"
#include "launch/launch_messages.h"
#include "launch/launch_platform.h"
#include "launch/openable_path.h"
#include "platform/independent_steps.h"
#include "platform/require.h"

#include <algorithm>

namespace quben {
namespace {

struct Origin {
    int zone = 0;
    std::wstring hostUrl; // the mark's, when the mark is what places the file on the Internet
};

// Where a workbook comes from, as Windows weighs it: the higher of the zone its location gets
// (a share named by a dotted server name or an address, the organisation's mappings) and the zone
// its own mark names. What cannot be learnt, a mark there but unreadable included, is the Internet.
Origin OriginOf(const std::wstring& path, LaunchPlatform& platform) {
    int locationZone = kInternetZone;
    RunStep([&] { locationZone = platform.LocationZone(path); });
    std::optional<DownloadMark> mark;
    if (Attempt([&] {
            if (const auto bytes = platform.ReadDownloadMark(path))
                mark = ParseZoneIdentifier(*bytes);
        }))
        return {std::max(locationZone, kInternetZone), {}};
    if (!mark)
        return {locationZone, {}};
    return {std::max(locationZone, mark->zoneId), IsDownloaded(mark) ? mark->hostUrl : std::wstring()};
}

} // namespace

void WorkbookStarter::StartWorkbook() noexcept {
    underway_ = true;
    // A test that cannot be made counts as "the file is there".
    if (!TestOr(true, [&] { return Exists(window_.Label1Caption(), files_); })) {
        ReportAbsent();
        return;
    }

    std::wstring path;
    RunStep([&] { path = window_.Label1Caption(); });
    const auto openable =
        OpenablePath(path, [&](std::wstring_view folder) { return platform_.ShortPathName(folder); });
    if (!openable) {
        ReportFailure(TooLongMessage(path));
        return;
    }
    if (ConfirmOrigin(path) && !BringForwardIfOpen(path))
        Launch(path, *openable);
}

// An application started by automation runs the macros of every file it opens, whatever the
// user's settings: a workbook Windows places on the Internet is opened only on the user's yes, and
// then without its mark, as Windows' own "Débloquer" leaves it; never where the organisation has
// taken "Débloquer" away.
bool WorkbookStarter::ConfirmOrigin(const std::wstring& path) noexcept {
    const Origin origin = OriginOf(path, platform_);
    if (!IsFromInternet(origin.zone))
        return true;
    // A rule that cannot be read is not assumed away.
    if (TestOr(true, [&] { return platform_.UnblockingForbidden(); })) {
        ReportFailure(ForbiddenMessage());
        return false;
    }
    // A question that cannot be asked is a no.
    int answer = 0;
    RunStep([&] {
        answer = window_.MsgBox(DownloadedQuestion(origin.hostUrl), kQuestionBoxStyle, kMessageTitle);
    });
    // A launcher closed while the question was up goes no further, whatever the answer.
    if (answer != kAnswerYes || CancelledNow()) {
        End(kExitDone);
        return false;
    }
    // The answer is the gate, not the mark's removal, which a read-only file or share or a medium
    // without streams refuses: the application runs the macros either way.
    RunStep([&] { platform_.RemoveDownloadMark(path); });
    return true;
}

// Opened a second time, the workbook would come up read-only in a second application, without a
// word: the application that has it is brought forward instead, and nothing is run again.
bool WorkbookStarter::BringForwardIfOpen(const std::wstring& path) noexcept {
    std::unique_ptr<Workbook> open;
    std::unique_ptr<SpreadsheetApplication> application;
    // A lookup that fails in any way means "not open".
    RunStep([&] {
        open = host_.FindOpenWorkbook(path, wait_);
        if (open)
            application = open->Application();
    });
    if (!application) {
        if (!Interrupted())
            return false;
        EndInterrupted();
        return true;
    }
    RunStep([&] { window_.BringToFront(application->Hwnd()); });
    wait_.HandedOver();
    RunStep([&] { open->Activate(); });
    if (Interrupted())
        EndInterrupted();
    else
        End(kExitDone);
    return true;
}

void WorkbookStarter::Launch(const std::wstring& path, const std::wstring& openable) noexcept {
    RunStep([&] { window_.ShowWorking(); });
    // A window the application shows while it starts (activation, sign-in) can then come in front.
    RunStep([&] { window_.AllowAnyToFront(); });
    // An empty reference is a creation that failed too.
    if (const auto failure = Attempt([&] {
            hostReference_ = host_.CreateApplication(wait_);
            Require(hostReference_);
        })) {
        ReportFailure(NotStartedMessage(*failure, platform_));
        return;
    }
    // Everything goes through the instance created here: an application the user already has
    // open is never touched (its alerts stay on, its workbooks' macros are not run).
    if (MakeVisible(*hostReference_))
        OpenWorkbook(*hostReference_, path, openable);
}

bool WorkbookStarter::MakeVisible(SpreadsheetApplication& application) noexcept {
    // Alerts are off only while the workbook comes up: the user works in this instance
    // afterwards, and without them it would overwrite files and close unsaved workbooks unasked.
    // (A close that came while the instance was created asks nothing of it.)
    if (!CancelledNow())
        RunStep([&] { application.SetDisplayAlerts(false); });
    // An instance nobody can see would keep the workbook locked until the session ends.
    if (CancelledNow()) {
        QuitUnseen();
        End(kExitFailed);
        return false;
    }
    if (const auto failure = Attempt([&] { application.SetVisible(true); })) {
        QuitUnseen();
        ReportFailure(NotStartedMessage(*failure, platform_));
        return false;
    }
    // Now, while the launcher is still the foreground process: later Windows would only flash the
    // application's taskbar button, and a form its macros show would open behind other windows.
    RunStep([&] { window_.BringToFront(application.Hwnd()); });
    wait_.HandedOver();
    StepAside();
    return true;
}

void WorkbookStarter::OpenWorkbook(SpreadsheetApplication& application, const std::wstring& path,
                                   const std::wstring& openable) noexcept {
    if (Interrupted())
        return EndInterrupted();
    std::unique_ptr<Workbook> workbook;
    if (const auto failure =
            Attempt([&] { workbook = Require(application.Workbooks()).Open(openable, kWorkbookPassword); })) {
        if (Interrupted())
            return EndInterrupted();
        RunStep([&] { application.SetDisplayAlerts(true); });
        ReportFailure(NotOpenedMessage(path, *failure, platform_));
        return;
    }
    RunStep([&] { Require(workbook).RunAutoMacros(kXlAutoOpen); });
    if (Interrupted())
        return EndInterrupted();
    RunStep([&] { application.SetDisplayAlerts(true); });
    if (HeldElsewhere(*workbook, path))
        Report(HeldElsewhereMessage(), kNoticeBoxStyle, kExitDone);
    else
        End(kExitDone);
}

void WorkbookStarter::QuitUnseen() noexcept {
    wait_.Stop();
    RunStep([&] { hostReference_->Quit(); });
    hostReference_.reset();
}

// A read-only file opened read-only says nothing new; nor does a state that cannot be read.
bool WorkbookStarter::HeldElsewhere(Workbook& workbook, const std::wstring& path) noexcept {
    return TestOr(false, [&] { return workbook.ReadOnly() && !platform_.IsReadOnlyFile(path); });
}

void WorkbookStarter::StepAside() noexcept {
    RunStep([&] { window_.Minimise(); });
}

bool WorkbookStarter::Cancel() noexcept {
    if (underway_)
        wait_.Cancel();
    return underway_;
}

bool WorkbookStarter::CancelledNow() noexcept {
    return TestOr(false, [&] { return wait_.CancelledNow(); });
}

bool WorkbookStarter::Interrupted() noexcept {
    return CancelledNow() || wait_.Expired();
}

void WorkbookStarter::EndInterrupted() noexcept {
    Report(NotRespondingMessage(), kFailureBoxStyle, kExitFailed);
}

void WorkbookStarter::ReportAbsent() noexcept {
    underway_ = true;
    Report(kAbsentPrompt, kMessageButtons, kExitDone);
}

void WorkbookStarter::ReportFailure(const std::wstring& message) noexcept {
    Report(message, kFailureBoxStyle, kExitFailed);
}

void WorkbookStarter::Report(std::wstring_view message, std::uint32_t style, int exitCode) noexcept {
    if (!wait_.Cancelled())
        RunStep([&] { window_.MsgBox(message, style, kMessageTitle); });
    End(exitCode);
}

void WorkbookStarter::End(int exitCode) noexcept {
    RunStep([&] { window_.Unload(wait_.Cancelled() ? kExitFailed : exitCode); });
}

} // namespace quben
