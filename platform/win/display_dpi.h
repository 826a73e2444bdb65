#pragma once

#include <windows.h>

namespace quben::win {

// Dots per inch of a monitor where the system knows it per monitor (Windows 8.1 and later, looked
// up at run time), else the system's.
unsigned MonitorDpi(HMONITOR monitor);

// Dots per inch of a window as the system scales it for this thread's awareness: GetDpiForWindow
// where the system has it (Windows 10 1607 and later, looked up at run time), else its monitor's.
unsigned WindowDpi(HWND window);

} // namespace quben::win
