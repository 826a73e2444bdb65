// Test client for the workbooks a stand-in holds. Output is UTF-8, one "<step> [value] 0x<hr>" a line.
//   rot_probe rot <path> [quit]  finds the workbook in the Running Object Table by file moniker, reads
//                                its FullName and ReadOnly, and with "quit" quits its application.
//   rot_probe open <path> [keep] starts an application, opens the workbook, reads ReadOnly, and quits it
//                                unless "keep" (then it only lets go of the hidden application).
//   rot_probe list               the display name of every moniker in the table.
#include "class_factory.h"
#include "win_handles.h"

#include "platform/win/com_ptr.h"

#include <cstdio>
#include <string>
#include <string_view>

using namespace standin;
using quben::win::ComPtr;

namespace {

void print(const char* step, const std::string& value, HRESULT hr) {
    std::printf("%s%s%s 0x%08lX\n", step, value.empty() ? "" : " ", value.c_str(),
                static_cast<unsigned long>(hr));
}

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, Variant& result, VARIANT* arg = nullptr) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, 1033, &id); FAILED(hr))
        return hr;
    DISPPARAMS params{arg, nullptr, arg ? 1u : 0u, 0};
    return object->Invoke(id, IID_NULL, 1033, flags, &params, result.get(), nullptr, nullptr);
}

std::string text(const Variant& value) {
    if (value->vt == VT_BSTR)
        return toUtf8(value->bstrVal);
    if (value->vt == VT_BOOL)
        return value->boolVal ? "true" : "false";
    return {};
}

void readOnly(IDispatch* workbook) {
    Variant value;
    HRESULT hr = invoke(workbook, L"ReadOnly", DISPATCH_PROPERTYGET, value);
    print("ReadOnly", text(value), hr);
}

void quit(IDispatch* application) {
    Variant none;
    print("Quit", {}, invoke(application, L"Quit", DISPATCH_METHOD, none));
}

void fromTable(const wchar_t* path, bool andQuit) {
    ComPtr<IRunningObjectTable> table;
    ComPtr<IMoniker> moniker;
    ComPtr<IUnknown> object;
    ComPtr<IDispatch> workbook;
    HRESULT hr = GetRunningObjectTable(0, table.put());
    if (SUCCEEDED(hr))
        hr = CreateFileMoniker(path, moniker.put());
    if (SUCCEEDED(hr))
        hr = table->GetObject(moniker.get(), object.put());
    if (SUCCEEDED(hr))
        hr = object->QueryInterface(IID_IDispatch, workbook.put_void());
    print("GetObject", {}, hr);
    if (FAILED(hr))
        return;
    Variant fullName, application;
    hr = invoke(workbook.get(), L"FullName", DISPATCH_PROPERTYGET, fullName);
    print("FullName", text(fullName), hr);
    readOnly(workbook.get());
    if (!andQuit)
        return;
    hr = invoke(workbook.get(), L"Application", DISPATCH_PROPERTYGET, application);
    print("Application", {}, hr);
    if (SUCCEEDED(hr) && application->vt == VT_DISPATCH)
        quit(application->pdispVal);
}

void openInNewApplication(const wchar_t* path, bool andQuit) {
    ComPtr<IDispatch> application;
    HRESULT hr = CoCreateInstance(kApplicationClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                  application.put_void());
    print("CoCreateInstance", {}, hr);
    if (FAILED(hr))
        return;
    Variant workbooks, workbook;
    hr = invoke(application.get(), L"Workbooks", DISPATCH_PROPERTYGET, workbooks);
    if (SUCCEEDED(hr)) {
        VARIANT name;
        name.vt = VT_BSTR;
        name.bstrVal = SysAllocString(path);
        hr = invoke(workbooks->pdispVal, L"Open", DISPATCH_METHOD, workbook, &name);
        SysFreeString(name.bstrVal);
    }
    print("Open", {}, hr);
    if (SUCCEEDED(hr))
        readOnly(workbook->pdispVal);
    if (andQuit)
        quit(application.get());
}

void list() {
    ComPtr<IRunningObjectTable> table;
    ComPtr<IEnumMoniker> monikers;
    ComPtr<IBindCtx> context;
    if (FAILED(GetRunningObjectTable(0, table.put())) || FAILED(table->EnumRunning(monikers.put())) ||
        FAILED(CreateBindCtx(0, context.put())))
        return;
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
        LPOLESTR name = nullptr;
        HRESULT hr = moniker->GetDisplayName(context.get(), nullptr, &name);
        print("Running", name ? toUtf8(name) : std::string(), hr);
        CoTaskMemFree(name);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    ComApartment apartment(COINIT_APARTMENTTHREADED);
    const std::wstring_view mode = argc > 1 ? argv[1] : L"";
    if (mode == L"rot" && argc >= 3)
        fromTable(argv[2], argc > 3 && std::wstring_view(argv[3]) == L"quit");
    else if (mode == L"open" && argc >= 3)
        openInNewApplication(argv[2], !(argc > 3 && std::wstring_view(argv[3]) == L"keep"));
    else if (mode == L"list")
        list();
    else
        return 2;
    return 0;
}
