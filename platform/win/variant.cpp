#include "platform/win/variant.h"

#include "platform/win/hresult.h"

namespace quben::win {

DispatchArguments::~DispatchArguments() {
    for (UINT i = 0; i < count_; ++i)
        ::VariantClear(&values_[i]);
}

VARIANT& DispatchArguments::Next() {
    if (count_ == kCapacity)
        ThrowPlatformError(DISP_E_BADPARAMCOUNT);
    VARIANT& value = values_[count_++];
    ::VariantInit(&value);
    return value;
}

DispatchArguments& DispatchArguments::String(std::wstring_view text) {
    BSTR copy = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy == nullptr)
        ThrowPlatformError(E_OUTOFMEMORY);
    VARIANT& value = Next();
    value.vt = VT_BSTR;
    value.bstrVal = copy;
    return *this;
}

DispatchArguments& DispatchArguments::Boolean(bool flag) {
    VARIANT& value = Next();
    value.vt = VT_BOOL;
    value.boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
}

DispatchArguments& DispatchArguments::Int32(LONG number) {
    VARIANT& value = Next();
    value.vt = VT_I4;
    value.lVal = number;
    return *this;
}

DispatchArguments& DispatchArguments::Omitted() {
    VARIANT& value = Next();
    value.vt = VT_ERROR;
    value.scode = DISP_E_PARAMNOTFOUND;
    return *this;
}

DispatchArguments& DispatchArguments::Omitted(int count) {
    for (int i = 0; i < count; ++i)
        Omitted();
    return *this;
}

VARIANT* DispatchArguments::Reversed() {
    for (UINT i = 0; i < count_; ++i)
        reversed_[i] = values_[count_ - 1 - i]; // shallow: values_ keeps ownership
    return reversed_;
}

} // namespace quben::win
