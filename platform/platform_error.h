#pragma once
// A platform call that reported failure. The adapters throw it; most steps only care that they
// failed, but a failure the user is told about shows its status and, when the failing party gave
// one, its own explanation.

#include <cstdint>
#include <string>

namespace quben {

struct PlatformError {
    std::int32_t status;        // HRESULT, or HRESULT_FROM_WIN32 of a Win32 error
    std::wstring description{}; // the other party's explanation (an automation server's), or empty
    std::wstring source{};      // the other party's name for itself (an automation server's), or empty
};

[[noreturn]] inline void ThrowPlatformError(std::int32_t status, std::wstring description = {}) {
    throw PlatformError{status, std::move(description)};
}

[[noreturn]] inline void ThrowPlatformError(std::int32_t status, std::wstring description,
                                            std::wstring source) {
    throw PlatformError{status, std::move(description), std::move(source)};
}

// "0x800A03EC": a status as people look it up, eight upper-case hexadecimal digits.
inline std::wstring StatusText(std::int32_t status) {
    constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text = L"0x";
    const auto bits = static_cast<std::uint32_t>(status);
    for (int shift = 28; shift >= 0; shift -= 4)
        text += kDigits[(bits >> shift) & 0xFU];
    return text;
}

// A count in decimal digits, without the locale machinery of the standard streams.
inline std::wstring DecimalText(std::uint64_t value) {
    std::wstring text;
    do {
        text.insert(text.begin(), static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return text;
}

} // namespace quben
