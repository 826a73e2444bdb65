// Small RAII owners for the Win32/COM resources the stand-in uses, and its text helpers.
#pragma once

#include "platform/win/unique_handle.h"

#include <ole2.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

namespace standin {

using quben::win::UniqueKernelHandle;

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(std::wstring_view text)
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        std::swap(s_, other.s_);
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { SysFreeString(s_); }
    BSTR get() const { return s_; }
    // Hands ownership to a caller (an out parameter or a VARIANT).
    BSTR release() { return std::exchange(s_, nullptr); }

private:
    BSTR s_ = nullptr;
};

class Variant {
public:
    Variant() = default;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }
    VARIANT* get() { return &v_; }
    const VARIANT& operator*() const { return v_; }
    const VARIANT* operator->() const { return &v_; }

private:
    VARIANT v_{}; // all zero: VT_EMPTY
};

// CoInitializeEx for the lifetime of the object; CoUninitialize only if it succeeded.
class ComApartment {
public:
    explicit ComApartment(DWORD model) : hr_(CoInitializeEx(nullptr, model)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(hr_))
            CoUninitialize();
    }
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

class ClassRegistration {
public:
    ClassRegistration() = default;
    ClassRegistration(const CLSID& clsid, IUnknown* factory, DWORD flags) {
        hr_ = CoRegisterClassObject(clsid, factory, CLSCTX_LOCAL_SERVER, flags, &cookie_);
    }
    ClassRegistration(ClassRegistration&& other) noexcept
        : cookie_(std::exchange(other.cookie_, 0)), hr_(std::exchange(other.hr_, E_FAIL)) {}
    ClassRegistration& operator=(ClassRegistration&& other) noexcept {
        std::swap(cookie_, other.cookie_);
        std::swap(hr_, other.hr_);
        return *this;
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;
    ~ClassRegistration() { revoke(); }
    HRESULT result() const { return hr_; }
    void revoke() {
        if (SUCCEEDED(hr_) && cookie_ != 0)
            CoRevokeClassObject(cookie_);
        cookie_ = 0;
        hr_ = E_FAIL;
    }

private:
    DWORD cookie_ = 0;
    HRESULT hr_ = E_FAIL;
};

inline std::wstring environmentVariable(const wchar_t* name) {
    DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring value(needed, L'\0');
    DWORD written = GetEnvironmentVariableW(name, value.data(), needed);
    value.resize(written < needed ? written : 0);
    return value;
}

inline std::string toUtf8(std::wstring_view text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

inline bool equalsIgnoreCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

} // namespace standin
