#pragma once
// The thin adapter through which the launch talks to the spreadsheet application. One member per
// automation call; each throws PlatformError when the application reports a failure. A call the
// application refuses as busy is made again for as long as the launch's BusyPolicy allows.

#include "platform/busy_retry.h"

#include <cstdint>
#include <memory>
#include <string_view>

namespace quben {

class SpreadsheetApplication;

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual void RunAutoMacros(std::int32_t which) = 0;
    // True when the application could only open it for reading (someone else has it open, or the
    // file itself is read-only).
    virtual bool ReadOnly() = 0;
    // Makes its window the application's active one.
    virtual void Activate() = 0;
    // The application that has it open.
    virtual std::unique_ptr<SpreadsheetApplication> Application() = 0;
};

class WorkbookCollection {
public:
    virtual ~WorkbookCollection() = default;
    // Opens a workbook; every argument but the file name, the open password and, when the user
    // asked for it, read-only is left to the application's defaults. `filename` must be one the
    // application takes (OpenablePath).
    virtual std::unique_ptr<Workbook> Open(std::wstring_view filename, std::wstring_view password,
                                           bool readOnly) = 0;
};

class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    // Its version ("16.0").
    virtual std::wstring Version() = 0;
    // Which macros the files it opens may run (msoAutomationSecurity).
    virtual void SetAutomationSecurity(std::int32_t security) = 0;
    virtual void SetDisplayAlerts(bool displayAlerts) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() = 0;
    virtual std::unique_ptr<WorkbookCollection> Workbooks() = 0;
    // The application's main window, as the number the platform knows it by.
    virtual std::intptr_t Hwnd() = 0;
    // The application ends once every reference to it has been released.
    virtual void Quit() = 0;
};

class SpreadsheetHost {
public:
    virtual ~SpreadsheetHost() = default;
    // Starts a new instance of the application (never an already running one). The application
    // may take long to come up (a window of its own first): the creation is waited for through
    // `busy.AwaitPending`, the caller's window answering meanwhile.
    virtual std::unique_ptr<SpreadsheetApplication> CreateApplication(BusyPolicy& busy) = 0;
    // The workbook at `fullPath` as an application running on this desktop has it open, under
    // whatever name it reached the file by (another drive letter, a share's name, a short name);
    // nothing when none has. Its application's Visible and Hwnd are the answers the lookup got.
    // Any of its calls may go unanswered (a holder running a long macro, a share that does not
    // answer): the lookup is waited for through `busy.AwaitPending`, the caller's window answering,
    // and throws once kLookupLimit has passed or AwaitPending answers false.
    virtual std::unique_ptr<Workbook> FindOpenWorkbook(std::wstring_view fullPath, BusyPolicy& busy) = 0;
};

} // namespace quben
