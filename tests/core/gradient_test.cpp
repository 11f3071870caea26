#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "settings/colors.h"
#include "widgets/gradient.h"

namespace {

TEST(Gradient, MulDivRoundsHalvesAwayFromZero) {
    struct Case { int a, b, c, want; };
    const Case cases[] = {{1, 1, 2, 1},     {-1, 1, 2, -1},  {1, 1, 3, 0},         {2, 1, 3, 1},
                          {5, 7, 0, -1},    {3, 5, -2, -8},  {-3, 5, -2, 8},       {13, -192, 27, -92},
                          {14, 202, 27, 105}, {INT_MAX, 2, 2, INT_MAX}, {INT_MAX, INT_MAX, 1, -1},
                          {INT_MIN, 1, 1, -1}};
    for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
}

// The default panels: silver, blue, sky blue, as the scheme holds them (0x00BBGGRR).
TEST(Gradient, DefaultCaptionBarAndDateStrip) {
    const std::vector<Rgb> captionBar = {
        {192, 192, 192}, {185, 185, 194}, {178, 178, 197}, {171, 171, 199}, {164, 164, 201},
        {156, 156, 204}, {149, 149, 206}, {142, 142, 208}, {135, 135, 211}, {128, 128, 213},
        {121, 121, 215}, {114, 114, 218}, {107, 107, 220}, {100, 100, 222}, {86, 105, 247},
        {92, 112, 247},  {98, 120, 246},  {105, 127, 246}, {111, 135, 245}, {117, 142, 244},
        {123, 150, 244}, {129, 157, 243}, {135, 165, 243}, {141, 172, 242}, {148, 180, 242},
        {154, 187, 241}, {160, 195, 241}, {166, 202, 240}, {172, 209, 239}};
    const std::vector<Rgb> dateStrip = {
        {192, 192, 192}, {183, 183, 195}, {174, 174, 198}, {165, 165, 201}, {155, 155, 204},
        {146, 146, 207}, {137, 137, 210}, {128, 128, 213}, {119, 119, 216}, {110, 110, 219},
        {101, 101, 222}, {87, 106, 247},  {95, 115, 246},  {103, 125, 246}, {111, 135, 245},
        {119, 144, 244}, {126, 154, 244}, {134, 164, 243}, {142, 173, 242}, {150, 183, 241},
        {158, 192, 241}, {166, 202, 240}, {174, 212, 239}};
    for (const auto& [height, want] : {std::pair{28, captionBar}, std::pair{22, dateStrip}}) {
        const auto bands = CreateGradient(height, clSilver, clBlue, clSkyBlue);
        ASSERT_EQ(bands.size(), want.size());
        for (size_t i = 0; i < bands.size(); ++i)
            EXPECT_EQ(ColorChannels(bands[i]), want[i]) << "height " << height << " band " << i;
    }
}

TEST(Gradient, ChannelsAsTheyStand) {
    // A system colour is not resolved: its index counts as red, its flag byte is dropped.
    EXPECT_EQ(CreateGradient(2, SystemColor(15), clBlack, clBlack)[0], 0x0000000Fu);
    // The band below the image overshoots the bottom shade and wraps: 200 + 4*55/3 = 273.
    EXPECT_EQ(CreateGradient(4, clBlack, 0xC8C8C8, clWhite)[4], 0x00111111u);
    // One pixel divides by zero: MulDiv gives -1, and black wraps to white.
    EXPECT_EQ(CreateGradient(1, clBlack, clBlack, clBlack), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF}));
    EXPECT_EQ(CreateGradient(0, clRed, clLime, clBlue), std::vector<uint32_t>{clLime});
    EXPECT_TRUE(CreateGradient(-1, clRed, clRed, clRed).empty());
}

}  // namespace
