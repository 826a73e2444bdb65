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
    MainWindow(HINSTANCE instance, std::function<void()> onClose);
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
    std::wstring workbookName_;
    HWND hwnd_ = nullptr;
};

} // namespace standin
