#include "launcher/packed_logo.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace quben::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Header(int width, int height) {
    return {'Q',
            'L',
            'G',
            '1',
            static_cast<std::uint8_t>(width),
            static_cast<std::uint8_t>(width >> 8),
            static_cast<std::uint8_t>(height),
            static_cast<std::uint8_t>(height >> 8)};
}

Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PackedLogo, RowsRepeatThroughTheDeltaAndArePaddedToFourBytes) {
    // Two rows of one pixel: the second repeats the first (a zero delta of 3 bytes).
    const auto logo = UnpackLogo(Concat(Header(1, 2), {0x02, 10, 20, 30, 0x82}));
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->width, 1);
    EXPECT_EQ(logo->height, 2);
    EXPECT_EQ(logo->stride, 4u);
    EXPECT_EQ(logo->bgr, (Bytes{10, 20, 30, 0, 10, 20, 30, 0}));
}

TEST(PackedLogo, LiteralsAfterTheFirstRowAreXoredWithTheRowAbove) {
    const auto logo =
        UnpackLogo(Concat(Header(2, 2), {0x05, 1, 2, 3, 4, 5, 6, 0x81, 0x03, 0xFF, 0, 0, 0xF0}));
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->stride, 8u);
    EXPECT_EQ(logo->bgr, (Bytes{1, 2, 3, 4, 5, 6, 0, 0, 1, 2, 3 ^ 0xFF, 4, 5, 6 ^ 0xF0, 0, 0}));
}

TEST(PackedLogo, LongestRunsAndLiteralsInOneToken) {
    // 43 pixels = 129 bytes a row: one 128-byte literal and one byte, then a 128 + 1 zero run.
    Bytes tokens{0x7F};
    for (int i = 0; i < 128; ++i)
        tokens.push_back(static_cast<std::uint8_t>(i + 1));
    tokens.insert(tokens.end(), {0x00, 0xAA, 0xFF, 0x80});
    const auto logo = UnpackLogo(Concat(Header(43, 2), tokens));
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->bgr[127], 128);
    EXPECT_EQ(logo->bgr[128], 0xAA);
    EXPECT_EQ(logo->bgr[logo->stride + 128], 0xAA);
}

TEST(PackedLogo, MalformedDataIsRefused) {
    const Bytes good = Concat(Header(1, 2), {0x02, 10, 20, 30, 0x82});
    ASSERT_TRUE(UnpackLogo(good));
    Bytes badMagic = good;
    badMagic[3] = '2';
    EXPECT_FALSE(UnpackLogo(badMagic));
    EXPECT_FALSE(UnpackLogo(Bytes(good.begin(), good.begin() + 7)));                // header cut short
    EXPECT_FALSE(UnpackLogo(Concat(Header(0, 2), {})));                             // empty image
    EXPECT_FALSE(UnpackLogo(Concat(Header(5000, 1), {})));                          // absurd size
    EXPECT_FALSE(UnpackLogo(Concat(Header(1, 2), {0x02, 10, 20})));                 // literal past the end
    EXPECT_FALSE(UnpackLogo(Concat(Header(1, 2), {0x02, 10, 20, 30})));             // too few pixels
    EXPECT_FALSE(UnpackLogo(Concat(Header(1, 2), {0x02, 10, 20, 30, 0x83})));       // zero run overflows
    EXPECT_FALSE(UnpackLogo(Concat(Header(1, 2), {0x02, 10, 20, 30, 0x82, 0x80}))); // data left over
}

TEST(PackedLogo, SqueezedDataUnpacksAsTheBytesItCodes) {
    // assets/logo_codec.py's squeeze() of the first test's logo.
    const Bytes squeezed{0x51, 0x4C, 0x5A, 0x31, 0x0D, 0x00, 0x00, 0x00, 0x00, 0x51, 0x4C, 0x43, 0x31,
                         0x01, 0x00, 0x01, 0xF8, 0x03, 0xA0, 0xEB, 0x25, 0x36, 0xAB, 0x20, 0x00};
    const auto logo = UnpackLogo(squeezed);
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->bgr, UnpackLogo(Concat(Header(1, 2), {0x02, 10, 20, 30, 0x82}))->bgr);
    Bytes tooLarge = squeezed;
    tooLarge[7] = 0x10; // 256 MiB
    EXPECT_FALSE(UnpackLogo(tooLarge));
    EXPECT_FALSE(UnpackLogoMaster(squeezed)) << "a logo is no master";
    EXPECT_FALSE(UnpackLogo(Bytes(squeezed.begin(), squeezed.end() - 1))) << "read past the end";
}

TEST(PackedLogo, TheShippedLogoIsTheBadgeOnWhite) {
    std::ifstream file(QUBEN_SOURCE_DIR "/assets/logo.qlg", std::ios::binary);
    const Bytes packed{std::istreambuf_iterator<char>(file), {}};
    const auto logo = UnpackLogo(packed);
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->width, 417);
    EXPECT_EQ(logo->height, 163);
    EXPECT_EQ(logo->stride, 1252u);
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p =
            logo->bgr.data() + static_cast<std::size_t>(y) * logo->stride + static_cast<std::size_t>(x) * 3;
        return Bytes{p[0], p[1], p[2]};
    };
    const Bytes white{255, 255, 255};
    for (auto [x, y] : {std::pair{0, 0}, {416, 0}, {0, 162}, {416, 162}})
        EXPECT_EQ(pixel(x, y), white) << x << "," << y;
    // Inside the ellipse, left of the lettering: the gradient's blue end.
    const Bytes inside = pixel(30, 81);
    EXPECT_GT(inside[0], 200);
    EXPECT_LT(inside[2], 80);
    // Every byte: FNV-1a of assets/logo.png's pixels, blue green red, rows padded to four bytes.
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const std::uint8_t byte : logo->bgr)
        hash = (hash ^ byte) * 0x100000001b3;
    EXPECT_EQ(hash, 0x492bd64198ef1b0dull);
}

} // namespace
} // namespace quben::testing
