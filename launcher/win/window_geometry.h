#pragma once
// Twips-based geometry for a window or control. Positions are relative to the parent's client
// area (the screen for a top-level window); twips become whole pixels only here.

#include "platform/twips.h"

#include <windows.h>

namespace quben::win {

struct PixelRect {
    int left, top, width, height;
};

// The window's rectangle in its parent's client coordinates.
PixelRect PlacementOf(HWND window);
void PlaceWindow(HWND window, const PixelRect& rect);
void ShowOrHide(HWND window, bool visible);

// Implements the placement members of a window or control interface for one HWND.
template <class Interface> class WindowPlaceable : public Interface {
public:
    Twips Width() override { return PixelsToTwips(PlacementOf(window_).width, twipsPerPixel_); }
    Twips Height() override { return PixelsToTwips(PlacementOf(window_).height, twipsPerPixel_); }
    void SetLeft(Twips left) override {
        Change([&](PixelRect& r) { r.left = ToPixels(left); });
    }
    void SetTop(Twips top) override {
        Change([&](PixelRect& r) { r.top = ToPixels(top); });
    }
    void SetVisible(bool visible) override { ShowOrHide(window_, visible); }

    HWND Handle() const { return window_; }
    // After a change of the display's DPI: twips measure other pixels.
    void Rescale(float twipsPerPixel) { twipsPerPixel_ = twipsPerPixel; }

protected:
    void Attach(HWND window, float twipsPerPixel) {
        window_ = window;
        twipsPerPixel_ = twipsPerPixel;
    }
    int ToPixels(Twips twips) const { return TwipsToPixels(twips, twipsPerPixel_); }
    template <class Edit> void Change(Edit edit) {
        PixelRect rect = PlacementOf(window_);
        edit(rect);
        PlaceWindow(window_, rect);
    }

private:
    HWND window_ = nullptr;
    float twipsPerPixel_ = TwipsPerPixel(96);
};

} // namespace quben::win
