#pragma once

#include "platform/win/com_ptr.h"

#include <oaidl.h>

#include <string_view>

namespace quben::win {

// The object an application on this desktop registered in the Running Object Table for the file
// at `fullPath` (an application registers each document it has open under a file moniker of its
// path); nothing when there is none. Paths are compared as Windows compares them: without regard
// to case, each in its long form, whichever form the application registered. Throws PlatformError.
ComPtr<IDispatch> FindRunningFile(std::wstring_view fullPath);

} // namespace quben::win
