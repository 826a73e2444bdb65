#pragma once

#include <objbase.h>

namespace quben::win {

// A single-threaded apartment for the user-interface thread, for as long as this object lives.
// The program goes on without COM when it cannot be entered; the steps that need it then fail.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (initialised_)
            ::CoUninitialize();
    }

private:
    bool initialised_;
};

} // namespace quben::win
