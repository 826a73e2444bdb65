#pragma once

#include <windows.h>

namespace quben::win {

// Dots per inch of a monitor where the system knows it per monitor (Windows 8.1 and later, looked
// up at run time), else the system's.
unsigned MonitorDpi(HMONITOR monitor);

} // namespace quben::win
