#include "rot_registration.h"

#include "platform/win/com_ptr.h"

#include <string>

namespace standin {

using quben::win::ComPtr;

RotRegistration::RotRegistration(IUnknown* object, std::wstring_view path) {
    ComPtr<IRunningObjectTable> table;
    ComPtr<IMoniker> moniker;
    if (FAILED(GetRunningObjectTable(0, table.put())) ||
        FAILED(CreateFileMoniker(std::wstring(path).c_str(), moniker.put())))
        return;
    DWORD cookie = 0;
    // MK_S_MONIKERALREADYREGISTERED (another instance has the same file) is a registration too.
    if (SUCCEEDED(table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, object, moniker.get(), &cookie)))
        cookie_ = cookie;
}

void RotRegistration::revoke() {
    if (cookie_ == 0)
        return;
    ComPtr<IRunningObjectTable> table;
    if (SUCCEEDED(GetRunningObjectTable(0, table.put())))
        table->Revoke(cookie_);
    cookie_ = 0;
}

} // namespace standin
