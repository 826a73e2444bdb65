#pragma once
// The logo as stored in the executable: 24-bit pixels, each row XORed with the row above, packed
// as runs of zero bytes and literal bytes (made by assets/logo_codec.py). It unpacks without an
// image library, which keeps start-up short.
//
//   "QLG1"  width:u16le  height:u16le  tokens...
//   token 0x00-0x7F: the next token+1 bytes are literal;  0x80-0xFF: token-0x7F zero bytes.
//
// The wordmark master, for displays above 96 dpi, packs two coverage planes (the letters' outline
// and fill, drawn at twice the logo's size) the same way, in sixteen levels, two pixels a byte
// (the first in the high half, rows padded to whole bytes), the outline's rows and then the fill's:
//   "QLM1"  width:u16le  height:u16le  split:u16le  tokens...
//
// Both are stored squeezed by a range coder, a third smaller (see assets/logo_codec.py):
//   "QLZ1"  size:u32le  coded bytes...
// The functions below take them squeezed or not.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace quben {

struct LogoPixels {
    int width = 0;
    int height = 0;
    std::size_t stride = 0;        // bytes per row: width * 3, rounded up to 4 as bitmaps want
    std::vector<std::uint8_t> bgr; // rows top-down, blue, green, red
};

// Nothing when the data is not a well-formed packed logo.
std::optional<LogoPixels> UnpackLogo(std::span<const std::uint8_t> packed);

struct LogoMaster {
    int width = 0;
    int height = 0;
    int split = 0;                     // first column of the letters' second colour
    std::vector<std::uint8_t> outline; // coverage 0-255 (in steps of 17), rows top-down, `width` bytes each
    std::vector<std::uint8_t> fill;
};

// Nothing when the data is not a well-formed packed master.
std::optional<LogoMaster> UnpackLogoMaster(std::span<const std::uint8_t> packed);

} // namespace quben
