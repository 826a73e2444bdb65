#include "launcher/win/monitor_screen.h"

#include "platform/win/hresult.h"

namespace quben::win {

HMONITOR MonitorScreen::UnderPointer() {
    POINT pointer{};
    if (!::GetCursorPos(&pointer))
        pointer = {0, 0}; // the primary monitor's corner
    return ::MonitorFromPoint(pointer, MONITOR_DEFAULTTOPRIMARY);
}

RECT MonitorScreen::Bounds() const {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    ThrowLastErrorIf(!::GetMonitorInfoW(monitor_, &info));
    if (info.rcMonitor.right <= info.rcMonitor.left || info.rcMonitor.bottom <= info.rcMonitor.top)
        ThrowPlatformError(E_FAIL);
    return info.rcMonitor;
}

Twips MonitorScreen::Width() {
    const RECT bounds = Bounds();
    return PixelsToTwips(bounds.right - bounds.left, twipsPerPixel_);
}
Twips MonitorScreen::Height() {
    const RECT bounds = Bounds();
    return PixelsToTwips(bounds.bottom - bounds.top, twipsPerPixel_);
}

POINT MonitorScreen::Origin() const {
    const RECT bounds = Bounds();
    return {bounds.left, bounds.top};
}

} // namespace quben::win
