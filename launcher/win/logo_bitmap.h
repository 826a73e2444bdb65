#pragma once

#include "platform/win/unique_handle.h"

namespace quben::win {

// The logo at the scale of a display of `dpi`, from the executable's resources, as a 24-bit bitmap.
// Empty when it cannot be loaded: the boxes then show their background alone.
UniqueHbitmap LoadLogoBitmap(HINSTANCE instance, unsigned dpi);

} // namespace quben::win
