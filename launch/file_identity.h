#pragma once
// What tells one file from every other, whatever name reaches it (another drive letter, a share's
// name, an 8.3 name): its volume's serial number and its id there.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace quben {

struct FileId {
    std::uint64_t volumeSerialNumber = 0;
    std::array<std::uint8_t, 16> id{}; // a 64-bit index in its first eight bytes

    bool Known() const {
        return volumeSerialNumber != 0 &&
               std::any_of(id.begin(), id.end(), [](auto byte) { return byte != 0; });
    }
    bool operator==(const FileId&) const = default;
};

struct FileIdentity {
    std::optional<FileId> wide; // the 128-bit id, where the system has one (ReFS ids need it)
    FileId basic;               // the 32-bit serial and 64-bit index every system gives
    std::wstring path;          // the full path the file was reached by

    // Some servers answer zeros for the id or the serial: that is no identity. The wide ids where
    // both files have one, else the basic ones; where neither is known on both sides, the paths
    // alone tell, compared by `samePath` (in their long forms, without regard to case, as the
    // system does: asked of the file system only then).
    template <class SamePath> bool SameFileAs(const FileIdentity& other, SamePath&& samePath) const {
        if (wide && other.wide && wide->Known() && other.wide->Known())
            return *wide == *other.wide;
        if (basic.Known() && other.basic.Known())
            return basic == other.basic;
        return !path.empty() && samePath(path, other.path);
    }
};

} // namespace quben
