#pragma once

namespace quben::win {

// Dots per inch of the primary display: per monitor where the system knows it (Windows 8.1 and
// later, looked up at run time), else the system's.
unsigned PrimaryDisplayDpi();

} // namespace quben::win
