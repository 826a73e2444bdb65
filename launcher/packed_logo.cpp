#include "launcher/packed_logo.h"

#include <algorithm>
#include <utility>

namespace quben {
namespace {

constexpr std::uint8_t kMagic[] = {'Q', 'L', 'G', '1'};
constexpr std::uint8_t kMasterMagic[] = {'Q', 'L', 'M', '1'};
constexpr std::uint8_t kSqueezedMagic[] = {'Q', 'L', 'Z', '1'};
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kMasterHeaderSize = 10;
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

bool HasHeader(std::span<const std::uint8_t> packed, std::span<const std::uint8_t> magic, std::size_t size) {
    return packed.size() >= size && std::equal(magic.begin(), magic.end(), packed.begin());
}

bool SideFits(int side) {
    return side > 0 && side <= kMaxSide;
}

// The bytes `packed` squeezed, into `unsqueezed`; `packed` itself when it is not squeezed, nothing
// when it is too large to be a logo or its code ends too soon. The range decoder of the LZMA
// format, the odds of each byte's bits chosen by the byte before (assets/logo_codec.py squeezes):
// the coder's flush gives the decoder exactly the bytes it reads, so a read past the end is data
// cut short, or a size no code backs, and stops the work at once.
std::span<const std::uint8_t> Unsqueezed(std::span<const std::uint8_t> packed,
                                         std::vector<std::uint8_t>& unsqueezed) {
    if (!HasHeader(packed, kSqueezedMagic, 8))
        return packed;
    const auto size =
        static_cast<std::size_t>(ReadU16(packed, 4)) | static_cast<std::size_t>(ReadU16(packed, 6)) << 16;
    if (size > std::size_t{kMaxSide} * kMaxSide)
        return {};
    std::size_t in = 8;
    bool overrun = false;
    const auto next = [&]() -> std::uint32_t {
        overrun = overrun || in >= packed.size();
        return overrun ? 0 : packed[in++];
    };
    std::uint32_t range = 0xFFFFFFFF;
    std::uint32_t code = 0;
    for (int i = 0; i < 5; ++i)
        code = code << 8 | next();
    if (overrun)
        return {};
    std::vector<std::uint16_t> odds(std::size_t{256} * 256, 1024); // of 2048 that the next bit is 0
    unsqueezed.resize(size);
    std::size_t previous = 0;
    for (std::uint8_t& byte : unsqueezed) {
        std::uint16_t* const table = odds.data() + previous * 256;
        unsigned node = 1;
        while (node < 256) {
            std::uint16_t& odd = table[node];
            const std::uint32_t bound = (range >> 11) * odd;
            node *= 2;
            if (code < bound) {
                range = bound;
                odd = static_cast<std::uint16_t>(odd + ((2048 - odd) >> 3));
            } else {
                range -= bound;
                code -= bound;
                odd = static_cast<std::uint16_t>(odd - (odd >> 3));
                ++node;
            }
            for (; range < (1u << 24); range <<= 8)
                code = code << 8 | next();
        }
        if (overrun)
            return {};
        byte = static_cast<std::uint8_t>(previous = node - 256);
    }
    return unsqueezed;
}

// The rows' bytes once each is XORed back with the row above; nothing if the tokens do not fill
// them exactly.
std::optional<std::vector<std::uint8_t>> UnpackRows(std::span<const std::uint8_t> tokens,
                                                    std::size_t rowBytes, int height) {
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(height));
    if (!UnpackTokens(tokens, rows))
        return std::nullopt;
    for (std::size_t at = rowBytes; at < rows.size(); ++at)
        rows[at] ^= rows[at - rowBytes];
    return rows;
}

} // namespace

std::optional<LogoMaster> UnpackLogoMaster(std::span<const std::uint8_t> packed) {
    std::vector<std::uint8_t> unsqueezed;
    packed = Unsqueezed(packed, unsqueezed);
    if (!HasHeader(packed, kMasterMagic, kMasterHeaderSize))
        return std::nullopt;
    LogoMaster master;
    master.width = ReadU16(packed, 4);
    master.height = ReadU16(packed, 6);
    master.split = ReadU16(packed, 8);
    if (!SideFits(master.width) || !SideFits(master.height))
        return std::nullopt;
    const auto width = static_cast<std::size_t>(master.width);
    const std::size_t rowBytes = (width + 1) / 2;
    const auto rows = UnpackRows(packed.subspan(kMasterHeaderSize), rowBytes, master.height * 2);
    if (!rows)
        return std::nullopt;
    // The outline's rows, then the fill's; sixteen levels, two pixels a byte.
    const std::size_t planeSize = width * static_cast<std::size_t>(master.height);
    std::vector<std::uint8_t> levels(planeSize * 2);
    for (std::size_t at = 0; at < levels.size(); ++at) {
        const std::uint8_t pair = (*rows)[at / width * rowBytes + at % width / 2];
        levels[at] = static_cast<std::uint8_t>((at % width % 2 == 0 ? pair >> 4 : pair & 0x0F) * 17);
    }
    master.fill.assign(levels.begin() + static_cast<std::ptrdiff_t>(planeSize), levels.end());
    levels.resize(planeSize);
    master.outline = std::move(levels);
    return master;
}

std::optional<LogoPixels> UnpackLogo(std::span<const std::uint8_t> packed) {
    std::vector<std::uint8_t> unsqueezed;
    packed = Unsqueezed(packed, unsqueezed);
    if (!HasHeader(packed, kMagic, kHeaderSize))
        return std::nullopt;
    LogoPixels logo;
    logo.width = ReadU16(packed, 4);
    logo.height = ReadU16(packed, 6);
    if (!SideFits(logo.width) || !SideFits(logo.height))
        return std::nullopt;
    const std::size_t rowBytes = static_cast<std::size_t>(logo.width) * 3;
    const auto rows = UnpackRows(packed.subspan(kHeaderSize), rowBytes, logo.height);
    if (!rows)
        return std::nullopt;

    logo.stride = (rowBytes + 3) & ~std::size_t{3};
    logo.bgr.assign(logo.stride * static_cast<std::size_t>(logo.height), 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(logo.height); ++y)
        std::copy_n(rows->begin() + static_cast<std::ptrdiff_t>(y * rowBytes), rowBytes,
                    logo.bgr.begin() + static_cast<std::ptrdiff_t>(y * logo.stride));
    return logo;
}

} // namespace quben
