// Test client for the application-global class: shows which running stand-in COM binds it to.
// Prints "Global 0x<hr>" then "ActiveWorkbook <name>" (or "(none)"); output is UTF-8.
#include "class_factory.h"
#include "win_handles.h"
#include "workbook_file.h"

#include <cstdio>
#include <string>

using namespace standin;

namespace {

HRESULT get(IDispatch* object, const wchar_t* name, Variant& result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 1033, &id); FAILED(hr))
        return hr;
    DISPPARAMS none{};
    return object->Invoke(id, IID_NULL, 1033, DISPATCH_PROPERTYGET, &none, result.get(), nullptr, nullptr);
}

} // namespace

int wmain() {
    ComApartment apartment(COINIT_APARTMENTTHREADED);
    Variant global; // owns the reference as VT_DISPATCH
    HRESULT hr = CoCreateInstance(kGlobalClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  reinterpret_cast<void**>(&global.get()->pdispVal));
    if (SUCCEEDED(hr))
        global.get()->vt = VT_DISPATCH;
    std::printf("Global 0x%08lX\n", static_cast<unsigned long>(hr));
    if (FAILED(hr))
        return 0;
    Variant workbook, name;
    hr = get(global->pdispVal, L"ActiveWorkbook", workbook);
    if (SUCCEEDED(hr) && workbook->vt == VT_DISPATCH && workbook->pdispVal)
        hr = get(workbook->pdispVal, L"Name", name);
    std::string text = name->vt == VT_BSTR ? toUtf8(name->bstrVal) : "(none)";
    std::printf("ActiveWorkbook %s 0x%08lX\n", text.c_str(), static_cast<unsigned long>(hr));
    return 0;
}
