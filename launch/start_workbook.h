#pragma once

#include "launch/launch_texts.h"
#include "launch/spreadsheet_host.h"

#include <cstdint>
#include <memory>
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
    // A modal message box (MessageBox's flags in `style`); returns the button the user chose once
    // the box is closed. A box above the application is not owned by a minimised window, which
    // would hide it.
    virtual int MsgBox(std::wstring_view prompt, std::uint32_t style, std::wstring_view title) = 0;
    // The window stays shown, as the splash screen of an application that may take seconds to
    // start, with the "working in the background" pointer.
    virtual void ShowWorking() = 0;
    // Brings a window of another process (the application's) to the front. Only the foreground
    // process may do so: the launcher, as long as its window is shown.
    virtual void BringToFront(std::intptr_t window) = 0;
    virtual void Minimise() = 0;
    // Destroys the window, which ends the process with `exitCode`.
    virtual void Unload(int exitCode) = 0;
};

// Brings the chosen workbook up in a new, visible spreadsheet application, or tells the user why
// not; either way the launcher window is unloaded at the end. Holds the application it started
// (the spreadsheet host reference) for as long as it lives; the application is never told to quit.
class WorkbookStarter {
public:
    WorkbookStarter(LaunchWindow& window, DirectorySearch& files, LaunchPlatform& platform,
                    SpreadsheetHost& host)
        : window_(window), files_(files), platform_(platform), host_(host) {}

    void StartWorkbook() noexcept;
    // The absent-workbook road of StartWorkbook on its own: the one message, then the window is
    // unloaded. For a name the launcher refuses before any existence check.
    void ReportAbsent() noexcept;

    SpreadsheetApplication* HostReference() const { return hostReference_.get(); }

private:
    // False when the launch must not go on; the window has been unloaded then.
    bool ConfirmOrigin(const std::wstring& path) noexcept;
    void Launch(const std::wstring& path, const std::wstring& openable) noexcept;
    // Tells the user why the launch failed, then unloads the window.
    void ReportFailure(const std::wstring& message) noexcept;
    // The one message of a road that ends here, then the window is unloaded with `exitCode`.
    void Report(std::wstring_view message, std::uint32_t style, int exitCode) noexcept;

    LaunchWindow& window_;
    DirectorySearch& files_;
    LaunchPlatform& platform_;
    SpreadsheetHost& host_;
    std::unique_ptr<SpreadsheetApplication> hostReference_;
};

} // namespace quben
