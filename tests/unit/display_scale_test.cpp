// The window at the display's scale and in the user's colours: the layout and the logo at each
// common DPI, the logo's master and resampling, and the high-contrast colour choice.
#include "launcher/design.h"
#include "launcher/display_state.h"
#include "launcher/form_load.h"
#include "launcher/scaled_logo.h"
#include "launcher/surface_colours.h"
#include "tests/unit/fake_form3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace quben::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes AssetBytes(const char* name) {
    std::ifstream file(std::string(QUBEN_SOURCE_DIR) + "/assets/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

struct ScaleCase {
    unsigned dpi;
    int picture1Left, picture1Top, picture2Left, picture2Top; // pixels
    PixelSize box, logo;
};

// A 1920 x 1080 pixel monitor. The boxes keep their 6375 x 2535 twips; the logo is 417 x 163 x DPI/96,
// always inside its box.
class ScaledLayoutTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(ScaledLayoutTest, BoxesAndLogoFollowTheDpiWithTheSameArithmetic) {
    const ScaleCase& c = GetParam();
    const float twipsPerPixel = TwipsPerPixel(c.dpi);
    CallLog log;
    FakeForm3 form(log);
    form.screen.width = PixelsToTwips(1920, twipsPerPixel);
    form.screen.height = PixelsToTwips(1080, twipsPerPixel);
    LayOut(form);
    const auto px = [&](Twips t) { return TwipsToPixels(t, twipsPerPixel); };
    EXPECT_EQ(px(form.width), 1920);
    EXPECT_EQ(px(form.height), 1080);
    EXPECT_EQ(px(form.picture1.left), c.picture1Left);
    EXPECT_EQ(px(form.picture1.top), c.picture1Top);
    EXPECT_EQ(px(form.picture2.left), c.picture2Left);
    EXPECT_EQ(px(form.picture2.top), c.picture2Top);
    EXPECT_EQ((PixelSize{px(design::kPictureWidth), px(design::kPictureHeight)}), c.box);
    EXPECT_EQ(LogoSizeAt(c.dpi), c.logo);
}

INSTANTIATE_TEST_SUITE_P(CommonDpis, ScaledLayoutTest,
                         ::testing::Values(ScaleCase{96, 192, 803, 1303, 108, {425, 169}, {417, 163}},
                                           ScaleCase{120, 192, 761, 1197, 108, {531, 211}, {521, 204}},
                                           ScaleCase{144, 192, 719, 1091, 108, {638, 254}, {626, 245}},
                                           ScaleCase{192, 192, 634, 878, 108, {850, 338}, {834, 326}}));

TEST(ScaledLogo, AreaResamplingAveragesWhatEachPixelCovers) {
    const Bytes plane{0, 255, 255, 255, //
                      0, 0,   255, 255};
    EXPECT_EQ(ResampleArea(plane, {4, 2}, {4, 2}), (std::vector<float>(plane.begin(), plane.end())));
    EXPECT_EQ(ResampleArea(plane, {4, 2}, {2, 1}), (std::vector<float>{63.75f, 255}));
    // Three source columns into two: the middle one is shared half and half.
    EXPECT_EQ(ResampleArea(Bytes{0, 90, 255}, {3, 1}, {2, 1}), (std::vector<float>{30, 200}));
}

TEST(ScaledLogo, MasterUnpacksSixteenLevelsTwoPixelsAByteOutlineThenFill) {
    // 3 x 1 pixels: rows of two bytes, the last half-byte padding; the fill's row repeats the outline's
    // (a zero delta).
    const Bytes packed{'Q', 'L', 'M', '1', 3, 0, 1, 0, 2, 0, 0x01, 0xF8, 0x10, 0x81};
    const auto master = UnpackLogoMaster(packed);
    ASSERT_TRUE(master);
    EXPECT_EQ(master->split, 2);
    EXPECT_EQ(master->outline, (Bytes{255, 136, 17}));
    EXPECT_EQ(master->fill, master->outline);
    EXPECT_FALSE(UnpackLogoMaster(Bytes(packed.begin(), packed.end() - 1))) << "a row short";
}

TEST(ScaledLogo, At96DpiTheStoredLogoElsewhereTheBadgeDrawnAtItsScale) {
    const Bytes logo = AssetBytes("logo.qlg");
    const Bytes master = AssetBytes("logo_master.qlm");
    const auto at96 = LogoAt(96, logo, master);
    ASSERT_TRUE(at96);
    EXPECT_EQ(at96->bgr, UnpackLogo(logo)->bgr);

    const auto at144 = LogoAt(144, logo, master);
    ASSERT_TRUE(at144);
    ASSERT_EQ((PixelSize{at144->width, at144->height}), (PixelSize{626, 245}));
    const auto pixel = [&](int x, int y) {
        const std::uint8_t* p =
            at144->bgr.data() + static_cast<std::size_t>(y) * at144->stride + static_cast<std::size_t>(x) * 3;
        return std::vector<int>{p[2], p[1], p[0]};
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{255, 255, 255})) << "the corners stay white";
    EXPECT_EQ(pixel(625, 244), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(pixel(313, 3), (std::vector<int>{0, 0, 0})) << "the outline, 8 pixels wide at this scale";
    EXPECT_EQ(pixel(30, 122), (std::vector<int>{10, 10, 255})) << "the gradient's blue end";
    int yellow = 0, red = 0;
    for (int y = 0; y < at144->height; ++y)
        for (int x = 0; x < at144->width; ++x) {
            yellow += pixel(x, y) == std::vector<int>{255, 255, 0} ? 1 : 0;
            red += pixel(x, y) == std::vector<int>{255, 0, 0} ? 1 : 0;
        }
    EXPECT_GT(yellow, 10000) << "the first three letters";
    EXPECT_GT(red, 5000) << "the last two";
    EXPECT_FALSE(LogoAt(144, logo, Bytes{})) << "no master, no logo: the boxes show their colour alone";
}

// In a high-contrast scheme, at every DPI: the scheme's Window and WindowText colours, nothing else,
// the ring and the letters a third of the pixels.
TEST(ScaledLogo, InHighContrastOnlyTheSchemesTwoColoursAtEveryDpi) {
    for (const unsigned dpi : {96u, 144u}) {
        const auto drawn =
            LogoAt(dpi, AssetBytes("logo.qlg"), AssetBytes("logo_master.qlm"), SchemeInk{0x112233, 0x00FFFF});
        ASSERT_TRUE(drawn);
        std::map<std::vector<int>, int> counts;
        for (std::size_t at = 0; at < drawn->bgr.size(); at += drawn->stride)
            for (std::size_t x = 0; x < static_cast<std::size_t>(drawn->width) * 3; x += 3)
                ++counts[{drawn->bgr[at + x + 2], drawn->bgr[at + x + 1], drawn->bgr[at + x]}];
        const int all = drawn->width * drawn->height, text = counts[{255, 255, 0}];
        EXPECT_EQ(counts.size(), 2u) << dpi;
        EXPECT_EQ(counts[(std::vector<int>{0x33, 0x22, 0x11})] + text, all);
        EXPECT_NEAR(text / static_cast<double>(all), 0.333, 0.005);
    }
}

TEST(DisplayFollowUp, OnlyARealChangeLaysOutAndOnlyTheDpiOrTheInkRedrawsTheLogo) {
    const auto at = [](int right, unsigned dpi, bool contrast, std::uint32_t window) {
        return DisplayState{0, 0, right, 1080, dpi, contrast, window, 0};
    };
    const std::pair<DisplayState, DisplayFollowUp> rows[] = {{at(1920, 96, false, 0xFFFFFF), {false, false}},
                                                             {at(1280, 96, false, 0xFFFFFF), {true, false}},
                                                             {at(1920, 144, false, 0xFFFFFF), {true, true}},
                                                             {at(1920, 96, false, 0xC0C0C0), {true, false}},
                                                             {at(1920, 96, true, 0xFFFFFF), {true, true}}};
    for (const auto& [now, expected] : rows)
        EXPECT_EQ(FollowUp(at(1920, 96, false, 0xFFFFFF), now), expected)
            << now.right << now.dpi << now.window;
    EXPECT_EQ(FollowUp(at(1920, 96, true, 0), at(1920, 96, true, 0xFF)), (DisplayFollowUp{true, true}))
        << "ink";
}

TEST(SurfaceColours, HighContrastTakesTheSchemesWindowColourForFormAndBoxes) {
    using namespace design;
    EXPECT_EQ(ChooseSurfaceColours(false), (SurfaceColours{kWhite, kSystemWindow, kBlack}));
    EXPECT_EQ(ChooseSurfaceColours(true), (SurfaceColours{kSystemWindow, kSystemWindow, kSystemWindowText}));
}

} // namespace
} // namespace quben::testing
