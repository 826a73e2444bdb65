#pragma once
// The file system's directory search: a path whose last component may hold the wildcards * and ?.

#include "platform/function_ref.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quben {

struct DirectoryEntry {
    std::wstring name;
    std::uint32_t attributes = 0;
};

namespace file_attribute {
inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;
} // namespace file_attribute

class DirectorySearch {
public:
    virtual ~DirectorySearch() = default;
    // Calls `visit` for each matching entry until it returns false. Nothing matching is not an
    // error; a pattern or location that cannot be searched throws PlatformError.
    virtual void ForEachMatch(std::wstring_view pattern, FunctionRef<bool(const DirectoryEntry&)> visit) = 0;
};

} // namespace quben
