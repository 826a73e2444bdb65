#include "launcher/win/accessible_names.h"

#include "platform/win/hresult.h"

#include <string>

namespace quben::win {

void AccessibleNames::Set(HWND window, const MSAAPROPID& property, std::wstring_view text) {
    // Through COM, which loads the service from its registered System32 path: oleacc.dll is no
    // KnownDLL, and an import of it would be looked for beside the program first.
    if (!services_)
        ThrowIfFailed(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IAccPropServices, services_.put_void()));
    ThrowIfFailed(
        services_->SetHwndPropStr(window, OBJID_CLIENT, CHILDID_SELF, property, std::wstring(text).c_str()));
}

void AccessibleNames::SetName(HWND window, std::wstring_view name) {
    Set(window, PROPID_ACC_NAME, name);
}

void AccessibleNames::SetDescription(HWND window, std::wstring_view description) {
    Set(window, PROPID_ACC_DESCRIPTION, description);
    ::NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}

} // namespace quben::win
