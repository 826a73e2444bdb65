#include "launcher/win/box_placement.h"

namespace quben::win {

CentreNextBoxOn::CentreNextBoxOn(HMONITOR monitor)
    : hook_(monitor != nullptr ? ::SetWindowsHookExW(WH_CBT, Hook, nullptr, ::GetCurrentThreadId())
                               : nullptr) {
    monitor_ = monitor;
}

LRESULT CALLBACK CentreNextBoxOn::Hook(int code, WPARAM wParam, LPARAM lParam) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT box{};
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && monitor_ != nullptr && ::GetMonitorInfoW(monitor_, &info) &&
        ::GetWindowRect(window, &box)) {
        monitor_ = nullptr; // once
        const RECT& area = info.rcWork;
        ::SetWindowPos(window, nullptr, (area.left + area.right - (box.right - box.left)) / 2,
                       (area.top + area.bottom - (box.bottom - box.top)) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace quben::win
