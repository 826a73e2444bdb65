#include "platform/win/display_dpi.h"

#include "platform/win/unique_handle.h"

#include <windows.h>

namespace quben::win {
namespace {

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int /*MDT_EFFECTIVE_DPI*/, UINT*, UINT*);

unsigned PerMonitorDpi(HMONITOR monitor) {
    UniqueHmodule shcore(::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!shcore)
        return 0;
    const auto getDpiForMonitor = reinterpret_cast<GetDpiForMonitorFunction>(
        reinterpret_cast<void*>(::GetProcAddress(shcore.get(), "GetDpiForMonitor")));
    if (getDpiForMonitor == nullptr)
        return 0;
    UINT dpiX = 0;
    UINT dpiY = 0;
    return SUCCEEDED(getDpiForMonitor(monitor, 0, &dpiX, &dpiY)) ? dpiX : 0;
}

unsigned SystemDpi() {
    WindowDc screen(nullptr);
    return screen.get() != nullptr ? static_cast<unsigned>(::GetDeviceCaps(screen.get(), LOGPIXELSX)) : 0;
}

} // namespace

unsigned WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    // user32 is loaded already: no library load, and no import that Windows 7 lacks.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (const unsigned dpi = getDpiForWindow != nullptr ? getDpiForWindow(window) : 0; dpi != 0)
        return dpi;
    return MonitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}

unsigned MonitorDpi(HMONITOR monitor) {
    if (const unsigned dpi = PerMonitorDpi(monitor); dpi != 0)
        return dpi;
    if (const unsigned dpi = SystemDpi(); dpi != 0)
        return dpi;
    return 96;
}

} // namespace quben::win
