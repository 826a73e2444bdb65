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
    void SetName(HWND window, std::wstring_view name);
    // Announced as a change of the description, for a screen reader to read out.
    void SetDescription(HWND window, std::wstring_view description);

private:
    void Set(HWND window, const MSAAPROPID& property, std::wstring_view text);

    ComPtr<IAccPropServices> services_;
};

} // namespace quben::win
