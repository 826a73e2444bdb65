#pragma once

#include "platform/win/com_ptr.h"

#include <windows.h>

#include <oleacc.h>

#include <string_view>

namespace quben::win {

// What assistive technology (Narrator) reads for a window, set apart from the window's own text
// through Dynamic Annotation; the annotation service is created on first use. Each member throws
// PlatformError when the system refuses.
class AccessibleNames {
public:
    // Followed by EVENT_OBJECT_NAMECHANGE, which screen readers that do not watch annotations need.
    void SetName(HWND window, std::wstring_view name);
    // A picture, not a pane: a graphic, which no screen reader offers to type into.
    void SetGraphic(HWND window);
    // A polite live region, on a static text control as Windows expects it: once `Announce` is
    // called, its text is read out wherever the screen reader's attention is, when the user is not
    // interrupted.
    void SetLiveRegion(HWND window);
    void Announce(HWND window);

private:
    void Set(HWND window, const MSAAPROPID& property, std::wstring_view text);
    void Set(HWND window, const MSAAPROPID& property, long value);
    IAccPropServices& Services();

    ComPtr<IAccPropServices> services_;
};

} // namespace quben::win
