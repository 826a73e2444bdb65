// An entry of the Running Object Table: an open file's object, under the file's moniker.
#pragma once

#include <objbase.h>

#include <string_view>
#include <utility>

namespace standin {

class RotRegistration {
public:
    RotRegistration() = default;
    // Registers `object` under a file moniker of `path`, kept alive by the table
    // (ROTFLAGS_REGISTRATIONKEEPSALIVE). Without COM or a table it registers nothing.
    RotRegistration(IUnknown* object, std::wstring_view path);
    RotRegistration(RotRegistration&& other) noexcept : cookie_(std::exchange(other.cookie_, 0)) {}
    RotRegistration& operator=(RotRegistration&& other) noexcept {
        std::swap(cookie_, other.cookie_);
        return *this;
    }
    RotRegistration(const RotRegistration&) = delete;
    RotRegistration& operator=(const RotRegistration&) = delete;
    ~RotRegistration() { revoke(); }

    bool registered() const { return cookie_ != 0; }
    void revoke();

private:
    DWORD cookie_ = 0;
};

} // namespace standin
