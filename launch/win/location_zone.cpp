#include "launch/win/location_zone.h"

#include "platform/win/com_ptr.h"
#include "platform/win/hresult.h"

#include <windows.h>

#include <urlmon.h>

#include <string>

namespace quben::win {

int LocationZone(std::wstring_view fullPath) {
    // Through COM, which loads the manager from its registered System32 path: importing urlmon,
    // which is no KnownDLL, would let a DLL of that name beside the launcher be loaded instead.
    ComPtr<IInternetSecurityManager> manager;
    ThrowIfFailed(::CoCreateInstance(CLSID_InternetSecurityManager, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IInternetSecurityManager, manager.put_void()));
    // A path, taken as it is written (a '%' in a file name is no escape), and its mark read.
    const std::wstring path(fullPath);
    DWORD zone = 0;
    ThrowIfFailed(manager->MapUrlToZone(path.c_str(), &zone,
                                        MUTZ_ISFILE | MUTZ_DONT_UNESCAPE | MUTZ_REQUIRESAVEDFILECHECK));
    return static_cast<int>(zone);
}

} // namespace quben::win
