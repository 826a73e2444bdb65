#include "launcher/win/dll_search.h"

#include <windows.h>

namespace quben::win {

void RestrictDllSearchToSystem32() noexcept {
    // Looked up at run time: Windows 7 without its 2011 loader update (KB2533623) lacks it.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const FARPROC found =
        kernel32 != nullptr ? ::GetProcAddress(kernel32, "SetDefaultDllDirectories") : nullptr;
    if (found != nullptr)
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(found))(
            LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Takes the current folder out of the search order where the call above is missing.
    ::SetDllDirectoryW(L"");
}

} // namespace quben::win
