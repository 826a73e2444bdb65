#include "launcher/packed_logo.h"

#include <algorithm>

namespace quben {
namespace {

constexpr std::uint8_t kMagic[] = {'Q', 'L', 'G', '1'};
constexpr std::size_t kHeaderSize = 8;
constexpr int kMaxSide = 4096;

int ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8);
}

// Unpacks the token stream into the row-delta bytes; false if it does not fill them exactly.
bool UnpackTokens(std::span<const std::uint8_t> tokens, std::vector<std::uint8_t>& delta) {
    std::size_t out = 0;
    for (std::size_t in = 0; in < tokens.size();) {
        const std::uint8_t token = tokens[in++];
        const bool literal = token < 0x80;
        const std::size_t count = literal ? token + 1u : token - 0x7Fu;
        if (count > delta.size() - out || (literal && count > tokens.size() - in))
            return false;
        if (literal) {
            std::copy_n(tokens.begin() + static_cast<std::ptrdiff_t>(in), count,
                        delta.begin() + static_cast<std::ptrdiff_t>(out));
            in += count;
        } // zero runs: the buffer is already zero
        out += count;
    }
    return out == delta.size();
}

} // namespace

std::optional<LogoPixels> UnpackLogo(std::span<const std::uint8_t> packed) {
    if (packed.size() < kHeaderSize || !std::equal(std::begin(kMagic), std::end(kMagic), packed.begin()))
        return std::nullopt;
    LogoPixels logo;
    logo.width = ReadU16(packed, 4);
    logo.height = ReadU16(packed, 6);
    if (logo.width == 0 || logo.height == 0 || logo.width > kMaxSide || logo.height > kMaxSide)
        return std::nullopt;
    const std::size_t rowBytes = static_cast<std::size_t>(logo.width) * 3;
    std::vector<std::uint8_t> delta(rowBytes * static_cast<std::size_t>(logo.height));
    if (!UnpackTokens(packed.subspan(kHeaderSize), delta))
        return std::nullopt;

    logo.stride = (rowBytes + 3) & ~std::size_t{3};
    logo.bgr.assign(logo.stride * static_cast<std::size_t>(logo.height), 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(logo.height); ++y) {
        std::uint8_t* row = logo.bgr.data() + y * logo.stride;
        const std::uint8_t* above = y == 0 ? nullptr : row - logo.stride;
        for (std::size_t x = 0; x < rowBytes; ++x)
            row[x] = static_cast<std::uint8_t>(delta[y * rowBytes + x] ^ (above ? above[x] : 0));
    }
    return logo;
}

} // namespace quben
