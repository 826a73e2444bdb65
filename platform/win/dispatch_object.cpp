#include "platform/win/dispatch_object.h"

#include "platform/win/hresult.h"

namespace quben::win {

DISPID DispatchObject::IdOf(const wchar_t* name) {
    if (!object_)
        ThrowPlatformError(E_POINTER);
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    ThrowIfFailed(object_->GetIDsOfNames(IID_NULL, names, 1, locale_, &id));
    return id;
}

void DispatchObject::Invoke(const wchar_t* name, WORD kind, DISPPARAMS& parameters, VARIANT* result) {
    const DISPID id = IdOf(name);
    EXCEPINFO exception{};
    UINT badArgument = 0;
    const HRESULT hr =
        object_->Invoke(id, IID_NULL, locale_, kind, &parameters, result, &exception, &badArgument);
    // The server allocated these strings for us even though nobody shows them.
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    ThrowIfFailed(hr);
}

void DispatchObject::PutProperty(const wchar_t* name, DispatchArguments& value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{value.Reversed(), &named, value.Count(), 1};
    Invoke(name, DISPATCH_PROPERTYPUT, parameters, nullptr);
}

DispatchObject DispatchObject::ObjectFrom(VARIANT& result) {
    if (result.vt != VT_DISPATCH || result.pdispVal == nullptr)
        ThrowPlatformError(DISP_E_TYPEMISMATCH);
    result.pdispVal->AddRef();
    return DispatchObject(ComPtr<IDispatch>::Attach(result.pdispVal), locale_);
}

DispatchObject DispatchObject::GetObject(const wchar_t* name) {
    DISPPARAMS parameters{};
    UniqueVariant result;
    Invoke(name, DISPATCH_PROPERTYGET, parameters, result.get());
    return ObjectFrom(*result.get());
}

DispatchObject DispatchObject::CallForObject(const wchar_t* name, DispatchArguments& arguments) {
    DISPPARAMS parameters{arguments.Reversed(), nullptr, arguments.Count(), 0};
    UniqueVariant result;
    Invoke(name, DISPATCH_METHOD, parameters, result.get());
    return ObjectFrom(*result.get());
}

void DispatchObject::Call(const wchar_t* name, DispatchArguments& arguments) {
    DISPPARAMS parameters{arguments.Reversed(), nullptr, arguments.Count(), 0};
    UniqueVariant result;
    Invoke(name, DISPATCH_METHOD, parameters, result.get());
}

} // namespace quben::win
