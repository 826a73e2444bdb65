#pragma once

#include "platform/win/unique_handle.h"

#include <windows.h>

namespace quben::win {

// While it lives, the next window this thread activates (a message box without an owner, which
// Windows would put on the primary monitor) is centred on `monitor`'s work area; none: nothing.
class CentreNextBoxOn {
public:
    explicit CentreNextBoxOn(HMONITOR monitor);
    CentreNextBoxOn(const CentreNextBoxOn&) = delete;
    CentreNextBoxOn& operator=(const CentreNextBoxOn&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

    inline static HMONITOR monitor_ = nullptr; // the window's thread is the only one with boxes
    UniqueHhook hook_;
};

} // namespace quben::win
