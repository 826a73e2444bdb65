#include "busy_filter.h"

#include <string>

namespace standin {

HRESULT BusyFilter::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMessageFilter)) {
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

DWORD BusyFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO interfaceInfo) {
    if (interfaceInfo == nullptr || !IsEqualIID(interfaceInfo->iid, IID_IDispatch) ||
        GetTickCount64() >= busyUntil_)
        return SERVERCALL_ISHANDLED;
    // The tick (ms, the system's clock every process shares) times the caller's retries.
    journal_.event(L"rejected", {std::to_wstring(interfaceInfo->wMethod), launcherState_(),
                                 L"tick=" + std::to_wstring(GetTickCount64())});
    return SERVERCALL_REJECTED;
}

} // namespace standin
