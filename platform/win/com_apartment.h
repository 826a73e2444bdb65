#pragma once

#include <objbase.h>

namespace quben::win {

// An apartment for the calling thread, for as long as this object lives: single-threaded by
// default (the user-interface thread), or the multithreaded one (`COINIT_MULTITHREADED`). The
// program goes on without COM when it cannot be entered; the steps that need it then fail.
class ComApartment {
public:
    explicit ComApartment(DWORD model = COINIT_APARTMENTTHREADED)
        : result_(::CoInitializeEx(nullptr, model)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_))
            ::CoUninitialize();
    }
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

} // namespace quben::win
