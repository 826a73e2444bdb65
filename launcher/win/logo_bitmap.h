#pragma once

#include "platform/win/unique_handle.h"

namespace quben::win {

// The logo, stored packed in the executable's resources, as a 24-bit bitmap of its own pixel size.
// Empty when it cannot be loaded: the boxes then show their background alone.
UniqueHbitmap LoadLogoBitmap(HINSTANCE instance, int resourceId);

} // namespace quben::win
