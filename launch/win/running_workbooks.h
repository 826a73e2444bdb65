#pragma once

#include "platform/win/com_ptr.h"

#include <oaidl.h>

#include <string_view>

namespace quben::win {

// The object an application on this desktop registered in the Running Object Table for the file
// at `fullPath` (an application registers each document it has open under a file moniker of its
// path); nothing when there is none. An entry is the file when it names the same file, whatever the
// way there (another drive letter, a share's name, an 8.3 name, other letters' case): looked at
// first by its file name alone, then, only for the same name, by the files' identity on their
// volume, or by their full long paths where a server gives no identity (zeros). An entry whose file cannot be
// opened is not it. Throws PlatformError.
ComPtr<IDispatch> FindRunningFile(std::wstring_view fullPath);

} // namespace quben::win
