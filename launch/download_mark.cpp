#include "launch/download_mark.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quben {
namespace {

constexpr std::wstring_view kSectionName = L"ZoneTransfer";
constexpr std::wstring_view kZoneIdKey = L"ZoneId";
constexpr std::wstring_view kHostUrlKey = L"HostUrl";

// Appends a code point in the form wchar_t holds it: UTF-16 where it is 16 bits wide (Windows),
// one unit per code point elsewhere (the native unit tests).
void AppendCodePoint(std::wstring& text, char32_t codePoint) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (codePoint > 0xFFFF) {
            codePoint -= 0x10000;
            text += static_cast<wchar_t>(0xD800 + (codePoint >> 10));
            text += static_cast<wchar_t>(0xDC00 + (codePoint & 0x3FF));
            return;
        }
    }
    text += static_cast<wchar_t>(codePoint);
}

// What code page 1252 makes of bytes 80-9F. The five bytes it leaves undefined keep their value,
// as the system's own conversion does: every byte still maps to a character of its own.
constexpr std::array<char16_t, 32> kCp1252C1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t FromAnsiByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kCp1252C1[byte - 0x80];
    return byte;
}

// The length of the well-formed UTF-8 sequence `bytes` starts with (no overlong forms, no
// surrogates, nothing past U+10FFFF), with its code point in `codePoint`; 0 when there is none.
std::size_t Utf8Sequence(std::string_view bytes, char32_t& codePoint) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byteAt(0);
    std::size_t length = 0;
    unsigned char low = 0x80; // the range of the second byte, narrower after some leads
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (bytes.size() < length || byteAt(1) < low || byteAt(1) > high)
        return 0;
    codePoint = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byteAt(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byteAt(i) & 0x3F);
    }
    return length;
}

// 8-bit text: UTF-8 wherever it is well formed, any other byte taken as ANSI (code page 1252), so a
// stream written by an older tool in the system's code page still reads, and no byte is dropped.
std::wstring FromEightBitText(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t codePoint = 0;
        std::size_t length = Utf8Sequence(bytes, codePoint);
        if (length == 0) {
            codePoint = FromAnsiByte(static_cast<unsigned char>(bytes.front()));
            length = 1;
        }
        AppendCodePoint(text, codePoint);
        bytes.remove_prefix(length);
    }
    return text;
}

// UTF-16LE, the BOM already removed; an odd trailing byte is no character and is left out.
std::wstring FromUtf16Le(std::string_view bytes) {
    const std::size_t units = bytes.size() / 2;
    const auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    std::wstring text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        // Where wchar_t holds code points, a surrogate pair becomes one; a lone surrogate is kept.
        if (sizeof(wchar_t) > 2 && unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const char32_t next = unitAt(i + 1);
            if (next >= 0xDC00 && next <= 0xDFFF) {
                AppendCodePoint(text, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

std::wstring DecodeText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return FromUtf16Le(bytes.substr(2));
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return FromEightBitText(bytes);
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Section and key names are compared as the profile functions do, without regard to case.
bool NamesEqual(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

// The number a value starts with, read as GetPrivateProfileIntW reads it: an optional sign, then
// decimal digits up to the first other character, accumulated modulo 2^32 as the system does (so a
// huge value cannot overflow). No digit at all is no number.
std::optional<int> LeadingInteger(std::wstring_view value) {
    bool negative = false;
    if (!value.empty() && (value.front() == L'+' || value.front() == L'-')) {
        negative = value.front() == L'-';
        value.remove_prefix(1);
    }
    std::uint32_t magnitude = 0;
    bool anyDigit = false;
    for (const wchar_t c : value) {
        if (c < L'0' || c > L'9')
            break;
        magnitude = magnitude * 10U + static_cast<std::uint32_t>(c - L'0');
        anyDigit = true;
    }
    if (!anyDigit)
        return std::nullopt;
    return static_cast<int>(negative ? 0U - magnitude : magnitude);
}

} // namespace

std::optional<DownloadMark> ParseZoneIdentifier(std::string_view bytes) {
    const std::wstring text = DecodeText(bytes);
    bool inZoneTransfer = false;
    bool zoneIdSeen = false; // the first ZoneId decides, even when it holds no number
    std::optional<int> zoneId;
    std::optional<std::wstring> hostUrl;

    std::wstring_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = rest.find_first_of(L"\r\n");
        const std::wstring_view line = TrimBlanks(rest.substr(0, end));
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);

        if (line.starts_with(L'[')) {
            // As the profile functions do, the name runs to the last ']'; a line without one is
            // no section header and, starting with '[', names no key of ours either.
            const std::size_t close = line.rfind(L']');
            if (close != std::wstring_view::npos)
                inZoneTransfer = NamesEqual(TrimBlanks(line.substr(1, close - 1)), kSectionName);
            continue;
        }
        const std::size_t equals = line.find(L'=');
        if (!inZoneTransfer || equals == std::wstring_view::npos)
            continue;
        const std::wstring_view name = TrimBlanks(line.substr(0, equals));
        const std::wstring_view value = TrimBlanks(line.substr(equals + 1));
        if (!zoneIdSeen && NamesEqual(name, kZoneIdKey)) {
            zoneIdSeen = true;
            zoneId = LeadingInteger(value);
        } else if (!hostUrl && NamesEqual(name, kHostUrlKey)) {
            hostUrl = std::wstring(value);
        }
    }
    if (!zoneId)
        return std::nullopt;
    return DownloadMark{*zoneId, hostUrl.value_or(std::wstring())};
}

bool IsFromInternet(int zone) {
    return zone >= kInternetZone;
}

bool IsDownloaded(const std::optional<DownloadMark>& mark) {
    return mark.has_value() && IsFromInternet(mark->zoneId);
}

} // namespace quben
