#pragma once
// Owning wrappers for automation values.

#include <windows.h>

#include <oleauto.h>

#include <string_view>

namespace quben::win {

class UniqueVariant {
public:
    UniqueVariant() = default;
    UniqueVariant(const UniqueVariant&) = delete;
    UniqueVariant& operator=(const UniqueVariant&) = delete;
    ~UniqueVariant() { ::VariantClear(&value_); }

    VARIANT* get() { return &value_; }
    VARIANT* operator->() { return &value_; }

private:
    VARIANT value_{}; // all zero: VT_EMPTY, as VariantInit leaves it
};

// An argument list for IDispatch::Invoke, owning the strings it holds. Arguments are added in
// their natural order; Invoke wants them last first, which Reversed() provides.
class DispatchArguments {
public:
    DispatchArguments() = default;
    DispatchArguments(const DispatchArguments&) = delete;
    DispatchArguments& operator=(const DispatchArguments&) = delete;
    ~DispatchArguments();

    DispatchArguments& String(std::wstring_view text);
    DispatchArguments& Boolean(bool value);
    DispatchArguments& Int32(LONG value);
    // An optional argument left to the callee's default.
    DispatchArguments& Omitted();
    DispatchArguments& Omitted(int count);

    // The arguments last first, as DISPPARAMS wants them.
    VARIANT* Reversed();
    UINT Count() const { return count_; }

private:
    static constexpr UINT kCapacity = 16;
    VARIANT& Next();

    VARIANT values_[kCapacity]{};
    VARIANT reversed_[kCapacity]{};
    UINT count_ = 0;
};

} // namespace quben::win
