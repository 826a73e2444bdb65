#include "platform/twips.h"

#include <gtest/gtest.h>

namespace quben::testing {
namespace {

TEST(Twips, TwipsPerPixelFollowsTheDisplayDpi) {
    EXPECT_EQ(TwipsPerPixel(96), 15.0f);
    EXPECT_EQ(TwipsPerPixel(120), 12.0f);
    EXPECT_EQ(TwipsPerPixel(144), 10.0f);
    EXPECT_EQ(TwipsPerPixel(192), 7.5f);
    EXPECT_EQ(TwipsPerPixel(0), 15.0f); // an unknown display counts as 96 dpi
}

TEST(Twips, DesignSizesAtNinetySixDpi) {
    EXPECT_EQ(TwipsToPixels(6375, 15), 425);
    EXPECT_EQ(TwipsToPixels(2535, 15), 169);
    EXPECT_EQ(TwipsToPixels(10755, 15), 717);
    EXPECT_EQ(TwipsToPixels(8190, 15), 546);
    EXPECT_EQ(PixelsToTwips(1024, 15), 15360.0f);
    EXPECT_EQ(PixelsToTwips(768, 15), 11520.0f);
}

TEST(Twips, FractionalPositionsRoundToTheNearestPixel) {
    EXPECT_EQ(TwipsToPixels(1534.5f, 15), 102); // 102.3
    EXPECT_EQ(TwipsToPixels(7449, 15), 497);    // 496.6
    EXPECT_EQ(TwipsToPixels(7.5f, 15), 1);      // a half rounds up
    EXPECT_EQ(TwipsToPixels(-7.5f, 15), -1);    // and away from zero below it
    EXPECT_EQ(TwipsToPixels(6375, 10), 638);    // 637.5 at 144 dpi
}

TEST(Twips, PixelTwipsRoundTripsAtCommonDpis) {
    for (unsigned dpi : {96u, 120u, 144u, 192u}) {
        for (int pixels : {0, 1, 799, 1024, 3840}) {
            EXPECT_EQ(TwipsToPixels(PixelsToTwips(pixels, TwipsPerPixel(dpi)), TwipsPerPixel(dpi)), pixels);
        }
    }
}

} // namespace
} // namespace quben::testing
