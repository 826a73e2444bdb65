#pragma once

#include "launcher/scaled_logo.h"
#include "platform/win/unique_handle.h"

namespace quben::win {

// The logo at the scale of a display of `dpi`, in a high-contrast scheme's `ink` if given, from the
// executable's resources, as a 24-bit bitmap. Empty when it cannot be loaded: the boxes then show
// their background alone.
UniqueHbitmap LoadLogoBitmap(HINSTANCE instance, unsigned dpi, const std::optional<SchemeInk>& ink);

} // namespace quben::win
