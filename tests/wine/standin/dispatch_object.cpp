#include "dispatch_object.h"

namespace standin {

namespace {

bool isPropertyPut(WORD flags) {
    return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
}

bool hasPutValue(const DISPPARAMS& params) {
    return params.cNamedArgs == 1 && params.rgdispidNamedArgs &&
           params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
}

// Checks the flags and argument counts that every member shares, before the member's own checks.
HRESULT checkShape(const MemberInfo& member, WORD flags, const DISPPARAMS& params) {
    if (isPropertyPut(flags)) {
        if (member.kind != MemberKind::ReadWrite)
            return DISP_E_MEMBERNOTFOUND;
        if (!hasPutValue(params))
            return DISP_E_PARAMNOTFOUND;
        return params.cArgs == 1 ? S_OK : DISP_E_BADPARAMCOUNT;
    }
    // Clients commonly send DISPATCH_METHOD | DISPATCH_PROPERTYGET for both; the application accepts either.
    if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0)
        return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs != 0)
        return DISP_E_NONAMEDARGS;
    if (params.cArgs < member.minArgs || params.cArgs > member.maxArgs)
        return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

void fillException(EXCEPINFO& info, const std::wstring& description, HRESULT code = kApplicationError) {
    info = {};
    info.bstrSource = Bstr(L"Stand-in spreadsheet").release();
    info.bstrDescription = Bstr(description).release();
    info.scode = code;
}

} // namespace

Call::Call(Access access, const DISPPARAMS& params, VARIANT* result)
    : access_(access), params_(params), result_(result) {
    if (access == Access::Put && hasPutValue(params) && params.cArgs >= 1) {
        order_.push_back(0);
        return;
    }
    // rgvarg holds the named arguments first, then the positional ones last-to-first.
    for (UINT i = params.cArgs; i > params.cNamedArgs; --i)
        order_.push_back(i - 1);
}

bool Call::isMissing(size_t i) const {
    if (i >= count())
        return true;
    const VARIANT& value = arg(i);
    return value.vt == VT_ERROR && value.scode == DISP_E_PARAMNOTFOUND;
}

HRESULT Call::coerce(size_t i, VARTYPE type, Variant& out) {
    // The source is only read; the API is not const-correct.
    if (FAILED(VariantChangeType(out.get(), const_cast<VARIANT*>(&arg(i)), 0, type)))
        return argumentError(i, DISP_E_TYPEMISMATCH);
    return S_OK;
}

HRESULT Call::argumentError(size_t i, HRESULT hr) {
    badArgument_ = order_[i];
    return hr;
}

HRESULT Call::raise(std::wstring description) {
    description_ = std::move(description);
    return DISP_E_EXCEPTION;
}

void Call::returnBool(bool value) {
    if (!result_)
        return;
    result_->vt = VT_BOOL;
    result_->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Call::returnLong(LONG value) {
    if (!result_)
        return;
    result_->vt = VT_I4;
    result_->lVal = value;
}

void Call::returnString(std::wstring_view value) {
    if (!result_)
        return;
    result_->vt = VT_BSTR;
    result_->bstrVal = Bstr(value).release();
}

void Call::returnObject(IDispatch* object) {
    if (!result_)
        return;
    if (object)
        object->AddRef();
    result_->vt = VT_DISPATCH;
    result_->pdispVal = object;
}

std::vector<const VARIANT*> Call::journalArgs() const {
    std::vector<const VARIANT*> args;
    for (size_t i = 0; i < count(); ++i)
        args.push_back(&arg(i));
    return args;
}

DispatchObject::DispatchObject(Host& host, std::wstring_view objectName, std::span<const MemberInfo> members)
    : host_(host), objectName_(objectName), members_(members) {}

HRESULT DispatchObject::QueryInterface(REFIID riid, void** object) {
    if (!object)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() {
    if (counted_)
        host_.objectAcquired();
    return ++refs_;
}

ULONG DispatchObject::Release() {
    ULONG left = --refs_;
    if (counted_)
        host_.objectReleased();
    return left;
}

void DispatchObject::countReferences(bool counted) {
    if (counted == counted_)
        return;
    counted_ = counted;
    for (ULONG i = 0; i < refs_; ++i)
        counted ? host_.objectAcquired() : host_.objectReleased();
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    for (const auto& member : members_)
        if (names[0] && equalsIgnoreCase(member.name, names[0]))
            ids[0] = member.id;
    // Parameter names are not supported: every argument is positional.
    if (ids[0] == DISPID_UNKNOWN || count > 1)
        hr = DISP_E_UNKNOWNNAME;
    return hr;
}

const MemberInfo* DispatchObject::find(DISPID id) const {
    for (const auto& member : members_)
        if (member.id == id)
            return &member;
    return nullptr;
}

HRESULT DispatchObject::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    if (!IsEqualIID(riid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    const MemberInfo* member = find(id);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    if (!params)
        return E_INVALIDARG;
    if (result)
        VariantInit(result);

    Access access = isPropertyPut(flags)                 ? Access::Put
                    : member->kind == MemberKind::Method ? Access::Method
                                                         : Access::Get;
    Call call(access, *params, result);
    std::wstring qualified = objectName_ + L"." + std::wstring(member->name);
    if (host_.faults().busy.contains(qualified) && busyAnswers_ < kBusyAnswers) {
        ++busyAnswers_;
        host_.journal().event(L"busy", {qualified});
        if (exception)
            fillException(*exception, L"Occupé : réessayez plus tard.", kApplicationBusy);
        return DISP_E_EXCEPTION;
    }
    host_.journal().call(qualified, access, lcid, call.journalArgs());
    if (host_.faults().block.contains(qualified)) {
        host_.journal().event(L"block", {qualified, std::to_wstring(GetTickCount64())});
        Sleep(host_.faults().blockMs);
    }

    if (host_.faults().crash.contains(qualified)) {
        host_.crash(qualified);
        return RPC_E_DISCONNECTED;
    }
    HRESULT hr = S_OK;
    if (host_.faults().fail.contains(qualified))
        hr = call.raise(L"Échec provoqué (STANDIN_FAIL) : " + qualified);
    if (SUCCEEDED(hr))
        hr = checkShape(*member, flags, *params);
    if (SUCCEEDED(hr))
        hr = invokeMember(member->id, call);

    if (FAILED(hr) && result)
        VariantClear(result);
    host_.journal().result(qualified, hr);
    if (hr == DISP_E_EXCEPTION && exception)
        fillException(*exception, call.description());
    if (FAILED(hr) && argError && call.hasBadArgument())
        *argError = call.badArgument();
    return hr;
}

} // namespace standin
