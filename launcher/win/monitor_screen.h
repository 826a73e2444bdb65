#pragma once

#include "launcher/form3.h"

#include <windows.h>

namespace quben::win {

// The whole of one monitor (task bar included), measured in twips.
class MonitorScreen final : public Screen {
public:
    // The monitor under the mouse pointer; the primary where that cannot be known.
    static HMONITOR UnderPointer();

    void Set(HMONITOR monitor, float twipsPerPixel) {
        monitor_ = monitor;
        twipsPerPixel_ = twipsPerPixel;
    }
    HMONITOR Monitor() const { return monitor_; }
    Twips Width() override;
    Twips Height() override;
    // Its top-left corner on the desktop, in pixels: where the window's own (0, 0) goes.
    POINT Origin() const;

private:
    RECT Bounds() const;

    HMONITOR monitor_ = nullptr;
    float twipsPerPixel_ = TwipsPerPixel(96);
};

} // namespace quben::win
