#pragma once

#include "launcher/form3.h"
#include "launcher/win/window_geometry.h"

namespace quben::win {

// A borderless, flat picture box: the system's Window colour with the picture drawn unscaled at
// its top-left corner; no tab stop, nothing in it takes the keyboard. Its window text names it for
// assistive technology.
class PictureBox final : public WindowPlaceable<Placeable> {
public:
    static bool RegisterClass(HINSTANCE instance);
    // `picture` stays owned by the caller and must outlive the control.
    bool Create(HWND parent, int id, const PixelRect& rect, HBITMAP picture, float twipsPerPixel);
    // Another picture (the logo drawn for another DPI) and size in pixels; repainted.
    void Replace(HBITMAP picture, int width, int height);
};

} // namespace quben::win
