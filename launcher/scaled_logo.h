#pragma once
// The logo at the display's scale: 417 x 163 pixels at 96 dpi, DPI / 96 times that elsewhere,
// drawn sharp at that size rather than stretched from the 96-dpi pixels.

#include "launcher/packed_logo.h"

#include <cstdint>
#include <optional>
#include <span>

namespace quben {

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// 417 x 163 x dpi / 96, halves rounded up.
PixelSize LogoSizeAt(unsigned dpi);

// One 8-bit plane resampled by area: each pixel of the result is the mean of the source area it
// covers (0-255, not rounded), which neither rings nor aliases.
std::vector<float> ResampleArea(std::span<const std::uint8_t> plane, PixelSize from, PixelSize to);

// A high-contrast scheme's two colours (0x00BBGGRR): the badge is drawn in them alone, as the
// scheme asks of pictures that normally use many colours.
struct SchemeInk {
    std::uint32_t background; // COLOR_WINDOW
    std::uint32_t text;       // COLOR_WINDOWTEXT: the outline and the letters
};

// The badge at `size`: its ellipse, outline and gradient drawn at that size, the letters'
// coverage resampled from the master. With `ink`, the same shapes in its two colours, each pixel
// the one of the two its coverage is nearer, with no gradient and no fixed colour.
LogoPixels DrawLogo(const LogoMaster& master, PixelSize size, const std::optional<SchemeInk>& ink = {});

// The logo for a display of `dpi`: at 96 dpi the stored logo, pixel for pixel; otherwise, or in a
// scheme's `ink` at any DPI, drawn from the master. Nothing when the data it needs is malformed.
std::optional<LogoPixels> LogoAt(unsigned dpi, std::span<const std::uint8_t> packedLogo,
                                 std::span<const std::uint8_t> packedMaster,
                                 const std::optional<SchemeInk>& ink = {});

} // namespace quben
