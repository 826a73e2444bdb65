#include "launcher/scaled_logo.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quben {
namespace {

// The badge's design, as assets/make_artwork.py draws it at 96 dpi.
constexpr PixelSize kLogoSize{417, 163};
constexpr double kOutlineWidth = 5.5;
using Rgb = std::array<double, 3>;
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGradientLeft{0, 0, 255};
constexpr Rgb kGradientRight{200, 200, 255};
constexpr int kSubsamples = 4; // per side, for the ellipses' smoothed edges

// Resamples `count` lines of `from` values (`step` apart along the line, `next` between lines).
void ResampleLines(const float* in, std::ptrdiff_t inStep, std::ptrdiff_t inNext, int from, float* out,
                   std::ptrdiff_t outStep, std::ptrdiff_t outNext, int to, int count) {
    const double ratio = static_cast<double>(from) / to;
    for (int line = 0; line < count; ++line, in += inNext, out += outNext) {
        for (int i = 0; i < to; ++i) {
            const double start = i * ratio;
            const double end = start + ratio;
            double sum = 0;
            for (int j = static_cast<int>(start); j < from && j < end; ++j)
                sum += (std::min<double>(end, j + 1) - std::max<double>(start, j)) * in[j * inStep];
            out[i * outStep] = static_cast<float>(sum / ratio);
        }
    }
}

// The share of the pixel at (x, y) inside the ellipse of radii (rx, ry) centred at (cx, cy).
double EllipseCoverage(int x, int y, double cx, double cy, double rx, double ry) {
    const auto inside = [&](double px, double py) {
        const double dx = (px - cx) / rx;
        const double dy = (py - cy) / ry;
        return dx * dx + dy * dy <= 1.0;
    };
    // Only pixels the edge may cross are sampled: those within 1.5 pixels of it.
    const double dx = (x + 0.5 - cx) / rx;
    const double dy = (y + 0.5 - cy) / ry;
    const double radius2 = dx * dx + dy * dy;
    const double band = 1.5 / std::min(rx, ry);
    if (radius2 < (1 - band) * (1 - band))
        return 1.0;
    if (radius2 > (1 + band) * (1 + band))
        return 0.0;
    int hits = 0;
    for (int i = 0; i < kSubsamples; ++i)
        for (int j = 0; j < kSubsamples; ++j)
            hits += inside(x + (i + 0.5) / kSubsamples, y + (j + 0.5) / kSubsamples) ? 1 : 0;
    return static_cast<double>(hits) / (kSubsamples * kSubsamples);
}

void Over(Rgb& colour, const Rgb& paint, double coverage) {
    for (std::size_t c = 0; c < colour.size(); ++c)
        colour[c] += (paint[c] - colour[c]) * coverage;
}

} // namespace

PixelSize LogoSizeAt(unsigned dpi) {
    const double scale = (dpi == 0 ? 96.0 : dpi) / 96.0;
    return {static_cast<int>(std::lround(kLogoSize.width * scale)),
            static_cast<int>(std::lround(kLogoSize.height * scale))};
}

std::vector<float> ResampleArea(std::span<const std::uint8_t> plane, PixelSize from, PixelSize to) {
    std::vector<float> source(plane.begin(), plane.end());
    if (from == to)
        return source;
    std::vector<float> across(static_cast<std::size_t>(to.width) * static_cast<std::size_t>(from.height));
    ResampleLines(source.data(), 1, from.width, from.width, across.data(), 1, to.width, to.width,
                  from.height);
    std::vector<float> result(static_cast<std::size_t>(to.width) * static_cast<std::size_t>(to.height));
    ResampleLines(across.data(), to.width, 1, from.height, result.data(), to.width, 1, to.height, to.width);
    return result;
}

LogoPixels DrawLogo(const LogoMaster& master, PixelSize size, const std::optional<SchemeInk>& ink) {
    const PixelSize masterSize{master.width, master.height};
    const std::vector<float> outline = ResampleArea(master.outline, masterSize, size);
    const std::vector<float> fill = ResampleArea(master.fill, masterSize, size);
    const double scale = static_cast<double>(size.width) / kLogoSize.width;
    const double split = static_cast<double>(master.split) * size.width / master.width;
    const double cx = size.width / 2.0;
    const double cy = size.height / 2.0;
    const double inset = kOutlineWidth * scale;

    LogoPixels logo;
    logo.width = size.width;
    logo.height = size.height;
    logo.stride = (static_cast<std::size_t>(size.width) * 3 + 3) & ~std::size_t{3};
    logo.bgr.assign(logo.stride * static_cast<std::size_t>(size.height), 0);
    std::vector<Rgb> gradient(static_cast<std::size_t>(size.width)); // left to right, the same on every row
    for (std::size_t x = 0; x < gradient.size(); ++x) {
        const double t = size.width > 1 ? static_cast<double>(x) / (size.width - 1) : 0.0;
        for (std::size_t c = 0; c < kWhite.size(); ++c)
            gradient[x][c] = kGradientLeft[c] + (kGradientRight[c] - kGradientLeft[c]) * t;
    }
    for (int y = 0; y < size.height; ++y) {
        for (int x = 0; x < size.width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(size.width) +
                                   static_cast<std::size_t>(x);
            const double outer = EllipseCoverage(x, y, cx, cy, cx, cy);
            const double inner = EllipseCoverage(x, y, cx, cy, cx - inset, cy - inset);
            Rgb colour = kWhite;
            if (ink) {
                // The ellipse's ring and the letters, outline and fill alike, are the text.
                const double text = std::max({outer - inner, outline[at] / 255.0, fill[at] / 255.0});
                const std::uint32_t c = text >= 0.5 ? ink->text : ink->background;
                colour = {static_cast<double>(c & 0xFF), static_cast<double>((c >> 8) & 0xFF),
                          static_cast<double>((c >> 16) & 0xFF)};
            } else {
                Over(colour, kBlack, outer);
                Over(colour, gradient[static_cast<std::size_t>(x)], inner);
                Over(colour, kBlack, outline[at] / 255.0);
                Over(colour, x + 0.5 < split ? kYellow : kRed, fill[at] / 255.0);
            }

            std::uint8_t* pixel =
                logo.bgr.data() + static_cast<std::size_t>(y) * logo.stride + static_cast<std::size_t>(x) * 3;
            for (std::size_t c = 0; c < colour.size(); ++c) // blue, green, red
                pixel[2 - c] = static_cast<std::uint8_t>(std::lround(std::clamp(colour[c], 0.0, 255.0)));
        }
    }
    return logo;
}

std::optional<LogoPixels> LogoAt(unsigned dpi, std::span<const std::uint8_t> packedLogo,
                                 std::span<const std::uint8_t> packedMaster,
                                 const std::optional<SchemeInk>& ink) {
    const PixelSize size = LogoSizeAt(dpi);
    if (size == kLogoSize && !ink)
        return UnpackLogo(packedLogo);
    const std::optional<LogoMaster> master = UnpackLogoMaster(packedMaster);
    if (!master)
        return std::nullopt;
    return DrawLogo(*master, size, ink);
}

} // namespace quben
