#pragma once
// The thin adapter through which the launch talks to the spreadsheet application. One member per
// automation call; each throws PlatformError when the application reports a failure.

#include <cstdint>
#include <memory>
#include <string_view>

namespace quben {

class Workbook {
public:
    virtual ~Workbook() = default;
    virtual void RunAutoMacros(std::int32_t which) = 0;
};

class WorkbookCollection {
public:
    virtual ~WorkbookCollection() = default;
    // Opens a workbook; every argument but the file name and the open password is left to the
    // application's defaults. `filename` must be one the application takes (OpenablePath).
    virtual std::unique_ptr<Workbook> Open(std::wstring_view filename, std::wstring_view password) = 0;
};

class SpreadsheetApplication {
public:
    virtual ~SpreadsheetApplication() = default;
    virtual void SetDisplayAlerts(bool displayAlerts) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual std::unique_ptr<WorkbookCollection> Workbooks() = 0;
    // The application's main window, as the number the platform knows it by.
    virtual std::intptr_t Hwnd() = 0;
};

class SpreadsheetHost {
public:
    virtual ~SpreadsheetHost() = default;
    // Starts a new instance of the application (never an already running one).
    virtual std::unique_ptr<SpreadsheetApplication> CreateApplication() = 0;
};

} // namespace quben
