#include <gtest/gtest.h>

#include "prnui/barcode/font_size.h"

using namespace k20::barcode;

TEST(BarcodeFontSize, ExamplesAndRoundingBands) {
    struct Case {
        uint32_t bar;
        uint8_t pos, font;
        uint32_t want;
    };
    const Case cases[] = {
        {163, 2, 0, 187},  // 187 dots, 74.8 pt -> 75.0
        {163, 0, 0, 162},  // 65.2 -> 65.0
        {163, 3, 1, 197},  // 197 dots, 78.8 -> 79.0
        {163, 1, 1, 180},  // 180 dots, 72.0 exactly
        {0, 0, 0, 2},      // rounds to 0: stored as 2
        {1, 0, 0, 1},      // 0.4 -> 0.5
        {2, 0, 0, 2},      // 0.8 -> 1.0
        {3, 0, 0, 2},      // 1.2 -> 1.0
        {4, 0, 0, 3},      // 1.6 -> 1.5
        {6, 0, 0, 6},      // 2.4 -> 2.5 (floating point gives 2.3999...)
        {41, 0, 0, 41},    // 16.4 -> 16.5
        {17, 3, 0, 65},    // 65 dots, 26.0
        {255, 3, 0, 302},  // 303 dots, 121.2 -> 121.0
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeFontSize(c.bar, c.pos, c.font), c.want)
            << c.bar << "/" << int(c.pos) << "/" << int(c.font);
}

// Every height that leaves 1 when divided by 5 is exactly .4 points past a whole number,
// which the half-point rule raises to .5.
TEST(BarcodeFontSize, ExactPointFourRoundsToHalf) {
    for (uint32_t h = 1; h <= 2000; h += 5) {
        const uint32_t size = ComputeFontSize(h, 0, 0);
        const std::string pts = FormatSizePoints(size);
        EXPECT_EQ(pts.substr(pts.size() - 2), ".5") << "height " << h << " size " << size << " shows " << pts;
        EXPECT_EQ(RoundedHalfPoints(h) % 2, 1u) << h;
    }
}

TEST(BarcodeFontSize, HugeHeightsDoNotOverflow) {
    EXPECT_EQ(ComputeFontSize(UINT32_MAX, 3, 0), UINT32_MAX);
    EXPECT_GT(ComputeFontSize(4000000000u, 0, 0), 3999999990u);
}

TEST(BarcodeFontSize, SizeDisplays) {
    EXPECT_EQ(FormatSizeMm(187), " 26.4");
    EXPECT_EQ(FormatSizePoints(187), " 75.0");
    EXPECT_EQ(FormatSizeMm(162), " 22.9");
    EXPECT_EQ(FormatSizePoints(162), " 65.0");
    EXPECT_EQ(FormatSizeMm(2), "  0.3");
    EXPECT_EQ(FormatSizePoints(2), "  1.0");
    EXPECT_EQ(FormatSizePoints(6), "  2.5");
    EXPECT_EQ(FormatSizeMm(2000), "282.2");
}
