#pragma once

#include <cstdint>
#include <string>

namespace quben::win {

// The system's own explanation of a status, in the user's language, without the line break that
// ends it; empty when it has none.
std::wstring SystemText(std::int32_t status);

} // namespace quben::win
