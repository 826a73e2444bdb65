#pragma once

#include "platform/win/unique_handle.h"

namespace quben::win {

// Decodes the logo, stored in the executable as a PNG resource, into a 24-bit bitmap of its own
// pixel size. Needs COM on the calling thread. Empty when it cannot be loaded.
UniqueHbitmap LoadLogoBitmap(HINSTANCE instance, int resourceId);

} // namespace quben::win
