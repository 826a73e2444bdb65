#include "launcher/win/picture_box.h"

#include "launcher/design.h"
#include "launcher/window_names.h"
#include "platform/win/unique_handle.h"

#include <windowsx.h>

#include <algorithm>

namespace quben::win {
namespace {

HBITMAP PictureOf(HWND window) {
    return reinterpret_cast<HBITMAP>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

BOOL OnCreate(HWND window, LPCREATESTRUCTW create) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return TRUE;
}

// The background follows the colour scheme, as the picture does in high contrast. Only the strips
// right of and below the picture are filled: filled under it too, the box would blink on a repaint.
BOOL OnEraseBkgnd(HWND window, HDC dc) {
    RECT client{};
    ::GetClientRect(window, &client);
    BITMAP size{};
    if (const HBITMAP picture = PictureOf(window); picture != nullptr)
        ::GetObjectW(picture, sizeof size, &size);
    const RECT right{std::min<LONG>(size.bmWidth, client.right), 0, client.right, client.bottom};
    const RECT below{0, std::min<LONG>(size.bmHeight, client.bottom), right.left, client.bottom};
    for (const RECT& strip : {right, below})
        ::FillRect(dc, &strip, ::GetSysColorBrush(COLOR_WINDOW));
    return TRUE;
}

void OnPaint(HWND window) {
    PaintScope paint(window);
    const HBITMAP picture = PictureOf(window);
    if (picture == nullptr)
        return;
    BITMAP size{};
    ::GetObjectW(picture, sizeof size, &size);
    UniqueHdc memory(::CreateCompatibleDC(paint.dc()));
    if (!memory)
        return;
    SelectedObject selected(memory.get(), picture);
    ::BitBlt(paint.dc(), 0, 0, size.bmWidth, size.bmHeight, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK PictureBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        HANDLE_MSG(window, WM_CREATE, OnCreate);
        HANDLE_MSG(window, WM_ERASEBKGND, OnEraseBkgnd);
        HANDLE_MSG(window, WM_PAINT, OnPaint);
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

bool PictureBox::RegisterClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = PictureBoxProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kPictureBoxClassName;
    return ::RegisterClassExW(&windowClass) != 0;
}

bool PictureBox::Create(HWND parent, int id, const PixelRect& rect, HBITMAP picture, float twipsPerPixel) {
    const HWND window =
        ::CreateWindowExW(0, kPictureBoxClassName, std::wstring(design::kPictureAccessibleName).c_str(),
                          WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.width, rect.height, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), picture);
    Attach(window, twipsPerPixel);
    return window != nullptr;
}

void PictureBox::Replace(HBITMAP picture, int width, int height) {
    ::SetWindowLongPtrW(Handle(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(picture));
    Change([&](PixelRect& r) {
        r.width = width;
        r.height = height;
    });
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

} // namespace quben::win
