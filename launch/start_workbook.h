#pragma once

#include "launch/spreadsheet_host.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quben {

class DirectorySearch;

inline constexpr std::wstring_view kWorkbookPassword = L"vepal_kordinut!?";
inline constexpr std::wstring_view kAbsentPrompt =
    L"Désolé , le fichier correspondant est absent du répertoire de travail .";
inline constexpr std::wstring_view kMessageTitle = L"quben";
inline constexpr std::uint32_t kMessageButtons = 0; // OK alone, no icon
inline constexpr std::int32_t kXlAutoOpen = 1;

// What the launch needs of the launcher window. Members throw PlatformError on failure.
class LaunchWindow {
public:
    virtual ~LaunchWindow() = default;
    // Label1's caption: the chosen workbook's full path.
    virtual std::wstring Label1Caption() = 0;
    // A modal message box owned by the window; returns when the user has closed it.
    virtual void MsgBox(std::wstring_view prompt, std::uint32_t buttons, std::wstring_view title) = 0;
    // Lets the application started next take the foreground, which the launcher holds until it
    // minimises.
    virtual void AllowForegroundHandOff() = 0;
    virtual void Minimise() = 0;
    // Brings a window of another process (the application's) to the front.
    virtual void BringToFront(std::intptr_t window) = 0;
    virtual void Unload() = 0;
};

// Brings the chosen workbook up in a new, visible spreadsheet application, or tells the user it is
// absent; either way the launcher window is unloaded at the end. Holds the application it started
// (the spreadsheet host reference) for as long as it lives; the application is never told to quit.
class WorkbookStarter {
public:
    WorkbookStarter(LaunchWindow& window, DirectorySearch& files, SpreadsheetHost& host)
        : window_(window), files_(files), host_(host) {}

    void StartWorkbook() noexcept;
    // The absent-workbook road of StartWorkbook on its own: the one message, then the window is
    // unloaded. For a name the launcher refuses before any existence check.
    void ReportAbsent() noexcept;

    SpreadsheetApplication* HostReference() const { return hostReference_.get(); }

private:
    LaunchWindow& window_;
    DirectorySearch& files_;
    SpreadsheetHost& host_;
    std::unique_ptr<SpreadsheetApplication> hostReference_;
};

} // namespace quben
