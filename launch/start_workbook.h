#pragma once

#include "launch/launch_texts.h"
#include "launch/launch_wait.h"
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

// Brings the chosen workbook up in a new, visible spreadsheet application (or brings forward the
// one that already has it open), or tells the user why not; either way the launcher window is
// unloaded at the end. Holds the application it started (the spreadsheet host reference) for as
// long as it lives; the application is told to quit only when it could not be made visible.
class WorkbookStarter final : private LongBusySpell {
public:
    // `clock` is what the waits for a busy application read and pause with.
    WorkbookStarter(LaunchWindow& window, DirectorySearch& files, LaunchPlatform& platform,
                    SpreadsheetHost& host, BusyWait& clock)
        : window_(window), files_(files), platform_(platform), host_(host), wait_(clock, this) {}

    void StartWorkbook() noexcept;
    // The absent-workbook road of StartWorkbook on its own: the one message, then the window is
    // unloaded. For a name the launcher refuses before any existence check.
    void ReportAbsent() noexcept;
    // The user closed the launcher. Answers whether a launch was under way: it then ends as soon
    // as it can, making no further call and showing no message, with exit code 1.
    bool Cancel() noexcept;

    SpreadsheetApplication* HostReference() const { return hostReference_.get(); }

private:
    // False when the launch must not go on; the window has been unloaded then.
    bool ConfirmOrigin(const std::wstring& path) noexcept;
    // True when an application on this desktop has the workbook open and has been brought forward.
    bool BringForwardIfOpen(const std::wstring& path) noexcept;
    void Launch(const std::wstring& path, const std::wstring& openable) noexcept;
    // Alerts off, visible, in front; false when the launch ended there.
    bool MakeVisible(SpreadsheetApplication& application) noexcept;
    void OpenWorkbook(SpreadsheetApplication& application, const std::wstring& path,
                      const std::wstring& openable) noexcept;
    // Tells the instance that could not be made visible to quit, once, and lets it go.
    void QuitUnseen() noexcept;
    // Whether the application opened the workbook read-only although the file is not.
    bool HeldElsewhere(Workbook& workbook, const std::wstring& path) noexcept;
    // Out of the way of a window the application shows while it refuses calls.
    void StepAside() noexcept override;
    // Dispatches what is queued; true when the user closed the launcher.
    bool CancelledNow() noexcept;
    // The same, or the limit is used up.
    bool Interrupted() noexcept;
    // The end of an interrupted launch: silent when the user closed the launcher, otherwise the
    // "not responding" message.
    void EndInterrupted() noexcept;
    // Tells the user why the launch failed, then unloads the window.
    void ReportFailure(const std::wstring& message) noexcept;
    // The one message of a road that ends here, then the window is unloaded with `exitCode`.
    // After a cancel there is no message, and the exit code is 1.
    void Report(std::wstring_view message, std::uint32_t style, int exitCode) noexcept;
    void End(int exitCode) noexcept;

    LaunchWindow& window_;
    DirectorySearch& files_;
    LaunchPlatform& platform_;
    SpreadsheetHost& host_;
    LaunchWait wait_;
    bool underway_ = false;
    std::unique_ptr<SpreadsheetApplication> hostReference_;
};

} // namespace quben
