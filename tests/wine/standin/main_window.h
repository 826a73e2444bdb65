// The top-level window that makes the stand-in "visible".
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace standin {

inline constexpr wchar_t kWindowClass[] = L"StandinSpreadsheet";

class MainWindow {
public:
    // Started by a user, the window is an ordinary one, activated when shown. Started by automation
    // it starts disabled and is shown without activation, so that Windows never activates it by
    // itself (Wine activates the next enabled window when the active one goes): only a client's
    // SetForegroundWindow brings it to the front. It is enabled once it has been activated.
    MainWindow(HINSTANCE instance, bool startedByUser, std::function<void()> onClose,
               std::function<void()> onActivated = {});
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    void show(bool visible);
    // Title: "Stand-in spreadsheet - <name or (vide)>".
    void setWorkbookName(std::wstring_view name);
    HWND handle() const { return hwnd_; }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    void paint();

    std::function<void()> onClose_;
    std::function<void()> onActivated_;
    std::wstring workbookName_;
    bool startedByUser_;
    HWND hwnd_ = nullptr;
};

} // namespace standin
