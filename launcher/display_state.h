#pragma once
// What the window's layout and logo depend on. Windows broadcasts its settings and display messages
// for many reasons (wallpaper, policies, environment, the task bar): only a real change of these
// lays the window out again, so that the logos do not blink while the dialog is up.

#include <cstdint>

namespace quben {

struct DisplayState {
    int left = 0, top = 0, right = 0, bottom = 0; // the monitor, in pixels on the desktop
    unsigned dpi = 96;
    bool highContrast = false;
    std::uint32_t window = 0, windowText = 0; // the scheme's colours, 0x00BBGGRR
    bool operator==(const DisplayState&) const = default;
};

struct DisplayFollowUp {
    bool layOut = false;     // and repaint
    bool redrawLogo = false; // at the new DPI, or in the new scheme
    bool operator==(const DisplayFollowUp&) const = default;
};

// The logo is in the scheme's colours only while high contrast is on.
constexpr DisplayFollowUp FollowUp(const DisplayState& was, const DisplayState& now) {
    const bool inkChanged =
        now.highContrast && (was.window != now.window || was.windowText != now.windowText);
    return {was != now, was.dpi != now.dpi || was.highContrast != now.highContrast || inkChanged};
}

} // namespace quben
