#include "launch/url_origin.h"

namespace quben {
namespace {

constexpr std::size_t kMaxSchemeLength = 32;
constexpr std::size_t kMaxHostLength = 253; // the longest DNS name

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsAsciiDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

bool IsHexDigit(wchar_t c) {
    return IsAsciiDigit(c) || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

template <class Allowed> bool AllOf(std::wstring_view text, Allowed allowed) {
    for (const wchar_t c : text) {
        if (!allowed(c))
            return false;
    }
    return true;
}

// ALPHA *( ALPHA / DIGIT / "+" / "-" / "." )
bool IsScheme(std::wstring_view scheme) {
    return !scheme.empty() && scheme.size() <= kMaxSchemeLength && IsAsciiLetter(scheme.front()) &&
           AllOf(scheme, [](wchar_t c) {
               return IsAsciiLetter(c) || IsAsciiDigit(c) || c == L'+' || c == L'-' || c == L'.';
           });
}

// A plain host name or address, fit to be shown: nothing in it (a bidi control, a look-alike
// letter, a control character) could make it read as another.
bool IsPlainHost(std::wstring_view host) {
    if (host.empty() || host.size() > kMaxHostLength)
        return false;
    if (host.starts_with(L'['))
        return host.size() > 2 && host.ends_with(L']') &&
               AllOf(host.substr(1, host.size() - 2),
                     [](wchar_t c) { return IsHexDigit(c) || c == L':' || c == L'.'; });
    return AllOf(host, [](wchar_t c) {
        return IsAsciiLetter(c) || IsAsciiDigit(c) || c == L'-' || c == L'.' || c == L'_';
    });
}

// The host of an authority ("user:password@host:port"), or empty when it has none fit to show.
std::wstring_view HostOf(std::wstring_view authority) {
    if (const std::size_t at = authority.rfind(L'@'); at != std::wstring_view::npos)
        authority.remove_prefix(at + 1);
    std::wstring_view host;
    if (authority.starts_with(L'[')) {
        const std::size_t close = authority.find(L']');
        if (close == std::wstring_view::npos)
            return {};
        host = authority.substr(0, close + 1);
    } else {
        host = authority.substr(0, authority.find(L':'));
    }
    return IsPlainHost(host) ? host : std::wstring_view();
}

} // namespace

std::wstring SchemeAndHost(std::wstring_view url) {
    const std::size_t colon = url.find(L':');
    if (colon == std::wstring_view::npos || !IsScheme(url.substr(0, colon)) ||
        url.substr(colon + 1, 2) != L"//")
        return {};
    std::wstring_view authority = url.substr(colon + 3);
    // Browsers end the authority at a backslash too.
    authority = authority.substr(0, authority.find_first_of(L"/\\?#"));
    const std::wstring_view host = HostOf(authority);
    if (host.empty())
        return {};
    return std::wstring(url.substr(0, colon + 3)) + std::wstring(host);
}

} // namespace quben
