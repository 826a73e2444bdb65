#pragma once

#include <cstddef>
#include <cstdint>

namespace quben::win {

// The system's own explanation of a status, in the user's language, without the line break that
// ends it, written into `text` (cut to `capacity`, no terminator); its length, 0 when it has none.
// Allocates nothing and cannot fail: a trace may use it.
std::size_t SystemTextInto(std::int32_t status, wchar_t* text, std::size_t capacity) noexcept;

} // namespace quben::win
