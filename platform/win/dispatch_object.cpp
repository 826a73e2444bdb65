#include "platform/win/dispatch_object.h"

#include "platform/win/hresult.h"

namespace quben::win {
namespace {

// What an Invoke answered: an application reports its own errors, its "busy" among them, as an
// exception whose code and explanation are in the EXCEPINFO.
HRESULT AnswerOf(HRESULT hr, EXCEPINFO& exception, std::wstring& description, std::wstring& source) {
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn != nullptr)
        exception.pfnDeferredFillIn(&exception);
    const auto text = [&](BSTR from) {
        return hr == DISP_E_EXCEPTION && from != nullptr ? std::wstring(from, ::SysStringLen(from))
                                                         : std::wstring();
    };
    description = text(exception.bstrDescription);
    source = text(exception.bstrSource);
    // The server allocated these strings for us.
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    // The application's own code says more than "an exception occurred".
    return hr == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : hr;
}

} // namespace

void DispatchObject::Invoke(const wchar_t* name, WORD kind, DISPPARAMS& parameters, VARIANT* result) {
    if (!object_)
        ThrowPlatformError(E_POINTER);
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    // A busy server refuses the name lookup and the call alike: the two are one automation call,
    // made again together.
    std::wstring description;
    std::wstring source;
    const HRESULT answer = RetryWhileBusy(*busy_, [&] {
        DISPID id = DISPID_UNKNOWN;
        if (const HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, locale_, &id); FAILED(hr))
            return hr;
        if (result != nullptr)
            ::VariantClear(result);
        EXCEPINFO exception{};
        UINT badArgument = 0;
        return AnswerOf(
            object_->Invoke(id, IID_NULL, locale_, kind, &parameters, result, &exception, &badArgument),
            exception, description, source);
    });
    if (FAILED(answer))
        ThrowPlatformError(answer, std::move(description), std::move(source));
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
    return DispatchObject(ComPtr<IDispatch>::Attach(result.pdispVal), locale_, *busy_);
}

std::int64_t DispatchObject::GetInteger(const wchar_t* name) {
    DISPPARAMS parameters{};
    UniqueVariant result;
    Invoke(name, DISPATCH_PROPERTYGET, parameters, result.get());
    ThrowIfFailed(::VariantChangeType(result.get(), result.get(), 0, VT_I8));
    return result->llVal;
}

std::wstring DispatchObject::GetString(const wchar_t* name) {
    DISPPARAMS parameters{};
    UniqueVariant result;
    Invoke(name, DISPATCH_PROPERTYGET, parameters, result.get());
    ThrowIfFailed(::VariantChangeType(result.get(), result.get(), 0, VT_BSTR));
    return {result->bstrVal, ::SysStringLen(result->bstrVal)};
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
