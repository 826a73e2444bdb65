// Reference automation client for the benchmark: the fewest plain COM calls that start a spreadsheet
// application, show it, open one workbook, run its macros, put the alerts back and bring the
// application to the front. Usage: minimal_client.exe <workbook path> <password>
// Prints "<Member> 0x<hresult>" per step and stops at the first failure.
#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <cstdio>
#include <utility>

namespace {

constexpr CLSID kApplicationClass = {0x00024500, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr LCID kLcid = 1033;
constexpr UINT kOpenArgumentCount = 5;
constexpr UINT kOpenFilename = 0;
constexpr UINT kOpenPassword = 4;

class Apartment {
public:
    Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~Apartment() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

class Dispatch {
public:
    Dispatch() = default;
    Dispatch(Dispatch&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Dispatch& operator=(Dispatch&& other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;
    ~Dispatch() {
        if (p_)
            p_->Release();
    }
    IDispatch* get() const { return p_; }
    void** out() { return reinterpret_cast<void**>(&p_); }
    // Takes the reference a VT_DISPATCH result carries.
    static Dispatch adopt(VARIANT& value) {
        Dispatch taken;
        if (value.vt == VT_DISPATCH)
            std::swap(taken.p_, value.pdispVal);
        return taken;
    }

private:
    IDispatch* p_ = nullptr;
};

template <UINT N> class Variants {
public:
    Variants() = default;
    ~Variants() {
        for (auto& v : v_)
            VariantClear(&v);
    }
    Variants(const Variants&) = delete;
    Variants& operator=(const Variants&) = delete;
    VARIANT* data() { return v_; }
    VARIANT& operator[](UINT i) { return v_[i]; }

private:
    VARIANT v_[N]{}; // all zero: VT_EMPTY
};

class ExceptionInfo {
public:
    ~ExceptionInfo() {
        SysFreeString(info_.bstrSource);
        SysFreeString(info_.bstrDescription);
        SysFreeString(info_.bstrHelpFile);
    }
    EXCEPINFO* get() { return &info_; }

private:
    EXCEPINFO info_{};
};

HRESULT invoke(IDispatch* object, const wchar_t* name, WORD flags, VARIANT* args, UINT count,
               VARIANT* result) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = DISPID_UNKNOWN;
    if (HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, kLcid, &id); FAILED(hr))
        return hr;
    DISPID putId = DISPID_PROPERTYPUT;
    bool put = flags == DISPATCH_PROPERTYPUT;
    DISPPARAMS params{args, put ? &putId : nullptr, count, put ? 1u : 0u};
    ExceptionInfo exception;
    return object->Invoke(id, IID_NULL, kLcid, flags, &params, result, exception.get(), nullptr);
}

HRESULT putBool(IDispatch* object, const wchar_t* name, bool value) {
    Variants<1> arg;
    arg[0].vt = VT_BOOL;
    arg[0].boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return invoke(object, name, DISPATCH_PROPERTYPUT, arg.data(), 1, nullptr);
}

HRESULT getObject(IDispatch* object, const wchar_t* name, Dispatch& out) {
    Variants<1> result;
    HRESULT hr = invoke(object, name, DISPATCH_PROPERTYGET, nullptr, 0, &result[0]);
    out = Dispatch::adopt(result[0]);
    return SUCCEEDED(hr) && !out.get() ? E_POINTER : hr;
}

HRESULT open(IDispatch* workbooks, const wchar_t* path, const wchar_t* password, Dispatch& workbook) {
    Variants<kOpenArgumentCount> args;
    for (UINT i = 0; i < kOpenArgumentCount; ++i) {
        args[i].vt = VT_ERROR;
        args[i].scode = DISP_E_PARAMNOTFOUND;
    }
    // rgvarg holds the arguments last-to-first.
    VARIANT& filename = args[kOpenArgumentCount - 1 - kOpenFilename];
    VARIANT& secret = args[kOpenArgumentCount - 1 - kOpenPassword];
    filename.vt = VT_BSTR;
    filename.bstrVal = SysAllocString(path);
    secret.vt = VT_BSTR;
    secret.bstrVal = SysAllocString(password);
    Variants<1> result;
    HRESULT hr = invoke(workbooks, L"Open", DISPATCH_METHOD, args.data(), kOpenArgumentCount, &result[0]);
    workbook = Dispatch::adopt(result[0]);
    return SUCCEEDED(hr) && !workbook.get() ? E_POINTER : hr;
}

HRESULT runAutoMacros(IDispatch* workbook) {
    Variants<1> which;
    which[0].vt = VT_I4;
    which[0].lVal = 1;
    return invoke(workbook, L"RunAutoMacros", DISPATCH_METHOD, which.data(), 1, nullptr);
}

HRESULT bringToFront(IDispatch* application) {
    Variants<1> hwnd;
    HRESULT hr = invoke(application, L"Hwnd", DISPATCH_PROPERTYGET, nullptr, 0, &hwnd[0]);
    if (SUCCEEDED(hr))
        hr = VariantChangeType(&hwnd[0], &hwnd[0], 0, VT_I4);
    if (FAILED(hr))
        return hr;
    const auto window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(hwnd[0].lVal));
    DWORD process = 0;
    if (GetWindowThreadProcessId(window, &process) == 0)
        return E_FAIL;
    AllowSetForegroundWindow(process);
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    return SetForegroundWindow(window) ? S_OK : E_FAIL;
}

bool step(const char* member, HRESULT hr) {
    std::printf("%s 0x%08lX\n", member, static_cast<unsigned long>(hr));
    std::fflush(stdout);
    return SUCCEEDED(hr);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: minimal_client <workbook path> <password>\n");
        return 2;
    }
    Apartment apartment;
    if (!step("CoInitializeEx", apartment.result()))
        return 0;
    Dispatch application, workbooks, workbook;
    if (!step("CoCreateInstance", CoCreateInstance(kApplicationClass, nullptr, CLSCTX_LOCAL_SERVER,
                                                   IID_IDispatch, application.out())))
        return 0;
    if (!step("DisplayAlerts", putBool(application.get(), L"DisplayAlerts", false)) ||
        !step("Visible", putBool(application.get(), L"Visible", true)))
        return 0;
    step("Hwnd", bringToFront(application.get()));
    if (!step("Workbooks", getObject(application.get(), L"Workbooks", workbooks)) ||
        !step("Open", open(workbooks.get(), argv[1], argv[2], workbook)))
        return 0;
    step("RunAutoMacros", runAutoMacros(workbook.get()));
    step("DisplayAlerts", putBool(application.get(), L"DisplayAlerts", true));
    return 0;
}
