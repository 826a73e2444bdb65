#include "launch/start_workbook.h"

#include "launch/exists.h"
#include "platform/independent_steps.h"
#include "platform/require.h"

namespace quben {

void WorkbookStarter::StartWorkbook() noexcept {
    // A test that cannot be made counts as "the file is there".
    if (!TestOr(true, [&] { return Exists(window_.Label1Caption(), files_); })) {
        ReportAbsent();
        return;
    }

    // Everything goes through the instance created here: an application the user already has
    // open is never touched (its alerts stay on, its workbooks' macros are not run). Alerts are off
    // only while the workbook comes up: the user works in this instance afterwards, and without
    // them it would overwrite files and close unsaved workbooks without asking.
    std::unique_ptr<Workbook> workbook;
    RunStep([&] { window_.AllowForegroundHandOff(); });
    RunStep([&] { window_.Minimise(); });
    RunStep([&] { hostReference_ = host_.CreateApplication(); });
    RunStep([&] { Require(hostReference_).SetDisplayAlerts(false); });
    RunStep([&] { Require(hostReference_).SetVisible(true); });
    RunStep([&] {
        workbook =
            Require(Require(hostReference_).Workbooks()).Open(window_.Label1Caption(), kWorkbookPassword);
    });
    RunStep([&] { Require(workbook).RunAutoMacros(kXlAutoOpen); });
    RunStep([&] { Require(hostReference_).SetDisplayAlerts(true); });
    // Started by automation rather than by the user, the application would open behind other windows.
    RunStep([&] { window_.BringToFront(Require(hostReference_).Hwnd()); });
    RunStep([&] { window_.Unload(); });
}

void WorkbookStarter::ReportAbsent() noexcept {
    RunStep([&] { window_.MsgBox(kAbsentPrompt, kMessageButtons, kMessageTitle); });
    RunStep([&] { window_.Unload(); });
}

} // namespace quben
