#include <gtest/gtest.h>

#include "settings/gradient.h"

namespace {

TEST(Gradient, MulDivRoundsHalvesAwayFromZero) {
    struct Case { int64_t a, b, c, want; };
    const Case cases[] = {{1, 1, 2, 1}, {-1, 1, 2, -1}, {1, 1, 3, 0}, {2, 1, 3, 1},
                          {5, 7, 0, -1}, {27, -64, 27, -64}, {3, 5, -2, -8}};
    for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
}

TEST(Gradient, ThreeShadesMeetThroughMidpoints) {
    const uint32_t silver = 0xC0C0C0, blue = 0x0000FF, sky = 0xA6CAF0;
    const auto bands = CreateGradient(28, silver, blue, sky);
    ASSERT_EQ(bands.size(), 29u);
    EXPECT_EQ(bands[0], silver);
    // Band 13 is the last of the upper half: about halfway from silver to blue.
    EXPECT_EQ(bands[13], 0x6464DEu);  // 192 - 92, 192 - 92, 192 + 30
    // Band 14 starts the lower half at about the midpoint of blue and sky blue.
    EXPECT_EQ((bands[14] >> 16) & 0xFF, 86u);
    EXPECT_EQ(bands[27], sky);
    // An image one pixel high divides by zero in the formula: -1 per channel, wrapped.
    EXPECT_EQ(CreateGradient(1, 0, 0, 0).size(), 2u);
}

}  // namespace
