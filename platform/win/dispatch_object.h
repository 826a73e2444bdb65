#pragma once
// Late-bound calls through IDispatch: member names are resolved at run time, so the same calls
// work on every version of the automation server. A call that the server refuses because it is
// busy is made again for as long as the caller's BusyPolicy allows (RetryWhileBusy); any other
// failure throws PlatformError.

#include "platform/busy_retry.h"
#include "platform/win/com_ptr.h"
#include "platform/win/variant.h"

#include <oaidl.h>

#include <string>

namespace quben::win {

class DispatchObject {
public:
    DispatchObject(ComPtr<IDispatch> object, LCID locale, BusyPolicy& busy)
        : object_(std::move(object)), locale_(locale), busy_(&busy) {}

    void PutProperty(const wchar_t* name, DispatchArguments& value);
    DispatchObject GetObject(const wchar_t* name);
    std::int64_t GetInteger(const wchar_t* name);
    std::wstring GetString(const wchar_t* name);
    // A method whose result is an object.
    DispatchObject CallForObject(const wchar_t* name, DispatchArguments& arguments);
    void Call(const wchar_t* name, DispatchArguments& arguments);

private:
    void Invoke(const wchar_t* name, WORD kind, DISPPARAMS& parameters, VARIANT* result);
    DispatchObject ObjectFrom(VARIANT& result);

    ComPtr<IDispatch> object_;
    LCID locale_;
    BusyPolicy* busy_;
};

} // namespace quben::win
