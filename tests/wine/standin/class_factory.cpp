#include "class_factory.h"

namespace standin {

ClassFactory::ClassFactory(Host& host, std::wstring className, DispatchObject& product)
    : host_(host), className_(std::move(className)), product_(product) {}

HRESULT ClassFactory::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const std::wstring member = className_ + L".Create";
    host_.journal().event(L"create", {className_});
    if (host_.faults().crash.contains(member)) {
        host_.crash(member);
        return E_UNEXPECTED;
    }
    HRESULT hr = S_OK;
    if (host_.faults().fail.contains(member))
        hr = E_FAIL;
    else if (host_.faults().refuse.contains(member))
        hr = RPC_E_CALL_REJECTED;
    else if (host_.faults().startUnfinished)
        hr = CO_E_SERVER_EXEC_FAILURE;
    else if (outer)
        hr = CLASS_E_NOAGGREGATION;
    else
        hr = product_.QueryInterface(riid, object);
    host_.journal().result(member, hr);
    // A refused creation may leave the server with nobody to serve; one that did not complete its
    // start stays up with its window, as Excel does behind a prompt.
    if (FAILED(hr) && !host_.faults().startUnfinished)
        host_.checkIdle();
    return hr;
}

HRESULT ClassFactory::LockServer(BOOL lock) {
    if (lock)
        host_.objectAcquired();
    else
        host_.objectReleased();
    return S_OK;
}

} // namespace standin
