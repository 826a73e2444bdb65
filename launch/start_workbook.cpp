#include "launch/start_workbook.h"

#include "launch/exists.h"
#include "launch/launch_messages.h"
#include "launch/launch_platform.h"
#include "launch/openable_path.h"
#include "platform/independent_steps.h"
#include "platform/require.h"

namespace quben {

void WorkbookStarter::StartWorkbook() noexcept {
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
    Launch(path, *openable);
}

void WorkbookStarter::Launch(const std::wstring& path, const std::wstring& openable) noexcept {
    RunStep([&] { window_.ShowWorking(); });
    if (const auto failure = Attempt([&] { hostReference_ = host_.CreateApplication(); })) {
        ReportFailure(NotStartedMessage(*failure, platform_));
        return;
    }
    SpreadsheetApplication& application = *hostReference_;

    // Everything goes through the instance created here: an application the user already has
    // open is never touched (its alerts stay on, its workbooks' macros are not run). Alerts are off
    // only while the workbook comes up: the user works in this instance afterwards, and without
    // them it would overwrite files and close unsaved workbooks without asking.
    RunStep([&] { application.SetDisplayAlerts(false); });
    RunStep([&] { application.SetVisible(true); });
    // Now, while the launcher is still the foreground process: later Windows would only flash the
    // application's taskbar button, and a form its macros show would open behind other windows.
    RunStep([&] { window_.BringToFront(application.Hwnd()); });
    RunStep([&] { window_.Minimise(); });

    std::unique_ptr<Workbook> workbook;
    if (const auto failure =
            Attempt([&] { workbook = Require(application.Workbooks()).Open(openable, kWorkbookPassword); })) {
        RunStep([&] { application.SetDisplayAlerts(true); });
        ReportFailure(NotOpenedMessage(path, *failure, platform_));
        return;
    }
    RunStep([&] { Require(workbook).RunAutoMacros(kXlAutoOpen); });
    RunStep([&] { application.SetDisplayAlerts(true); });
    RunStep([&] { window_.Unload(kExitDone); });
}

void WorkbookStarter::ReportAbsent() noexcept {
    RunStep([&] { window_.MsgBox(kAbsentPrompt, kMessageButtons, kMessageTitle); });
    RunStep([&] { window_.Unload(kExitDone); });
}

void WorkbookStarter::ReportFailure(const std::wstring& message) noexcept {
    RunStep([&] { window_.MsgBox(message, kFailureBoxStyle, kMessageTitle); });
    RunStep([&] { window_.Unload(kExitFailed); });
}

} // namespace quben
