#include "launcher/win/window_geometry.h"

#include "platform/win/hresult.h"

namespace quben::win {

PixelRect PlacementOf(HWND window) {
    RECT rect{};
    ThrowLastErrorIf(!::GetWindowRect(window, &rect));
    if (const HWND parent = ::GetParent(window);
        parent != nullptr && (::GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void PlaceWindow(HWND window, const PixelRect& rect) {
    ThrowLastErrorIf(!::SetWindowPos(window, nullptr, rect.left, rect.top, rect.width, rect.height,
                                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER));
}

void ShowOrHide(HWND window, bool visible) {
    ThrowLastErrorIf(!::IsWindow(window));
    ::ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
    if (visible)
        ::UpdateWindow(window); // painted before whatever modal step comes next
}

} // namespace quben::win
