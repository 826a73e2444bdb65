#pragma once
// What of a download address is shown to the user: where it came from, not what it fetched.

#include <string>
#include <string_view>

namespace quben {

// "scheme://host" of an absolute URL (https://files.example.org), with everything else left out:
// user name and password, port, path, query and fragment. Empty when `url` is not a URL with a
// host, or its host is not a plain name or address (ASCII letters, digits, '-', '.', '_', or an IPv6
// literal in brackets) of at most 253 characters: nothing that could pass for something else is
// shown.
std::wstring SchemeAndHost(std::wstring_view url);

} // namespace quben
