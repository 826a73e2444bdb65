#pragma once
// Numbers written out for people into a small buffer, without the locale machinery of the
// standard streams and without allocating.

#include <array>
#include <cstdint>

namespace quben {

using NumberText = std::array<wchar_t, 24>;

// "0x800A03EC": a status as people look it up, eight upper-case hexadecimal digits.
inline const wchar_t* HexText(std::uint32_t value, NumberText& text) {
    std::size_t at = 0;
    text[at++] = L'0';
    text[at++] = L'x';
    for (int shift = 28; shift >= 0; shift -= 4)
        text[at++] = L"0123456789ABCDEF"[(value >> shift) & 0xFU];
    text[at] = L'\0';
    return text.data();
}

// Decimal digits, written from the end of `text`.
inline const wchar_t* DecimalText(std::uint64_t value, NumberText& text) {
    std::size_t at = text.size() - 1;
    text[at] = L'\0';
    do {
        text[--at] = static_cast<wchar_t>(L'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return text.data() + at;
}

} // namespace quben
