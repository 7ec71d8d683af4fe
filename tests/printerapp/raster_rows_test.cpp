// Rows wider than the head are centred on it; 8-bit rows are halftoned.
#include <gtest/gtest.h>

#include <vector>

#include "printerapp/raster_rows.h"

namespace k20::printerapp {
namespace {

std::vector<uint8_t> Row(std::span<const uint8_t> s) {
    return {s.begin(), s.end()};
}

TEST(RowAdapter, NarrowRowsPassThrough) {
    RowAdapter a;
    ASSERT_TRUE(a.StartPage({16, 1, false}, Halftone::Ordered, 576));
    EXPECT_EQ(a.OutWidth(), 16u);
    const uint8_t line[] = {0xA5, 0x3C};
    EXPECT_EQ(Row(a.Convert(line)), (std::vector<uint8_t>{0xA5, 0x3C}));
}

TEST(RowAdapter, An80mmRowLosesEqualPartsLeftAndRight) {
    // 639 dots (80 mm at 203 dpi) keep dots 31..606: a shift by 7 bits.
    RowAdapter a;
    ASSERT_TRUE(a.StartPage({639, 1, false}, Halftone::Ordered, 576));
    EXPECT_EQ(a.OutWidth(), 576u);
    std::vector<uint8_t> line(80, 0);
    line[3] = 0x01;    // dot 31: the first kept
    line[75] = 0x02;   // dot 606: the last kept
    line[75] |= 0x01;  // dot 607: cut off
    auto out = Row(a.Convert(line));
    ASSERT_EQ(out.size(), 72u);
    EXPECT_EQ(out[0], 0x80);
    EXPECT_EQ(out[71], 0x01);
    int dots = 0;
    for (uint8_t b : out) dots += __builtin_popcount(b);
    EXPECT_EQ(dots, 2);
}

TEST(RowAdapter, PaddingBitsOfAnOddWidthStayClear) {
    RowAdapter a;
    ASSERT_TRUE(a.StartPage({12, 1, false}, Halftone::Ordered, 576));
    const uint8_t line[] = {0xFF, 0xFF};
    EXPECT_EQ(Row(a.Convert(line)), (std::vector<uint8_t>{0xFF, 0xF0}));
}

TEST(RowAdapter, GrayRowsAreHalftonedAndInkLevelsInverted) {
    RowAdapter light, ink;
    ASSERT_TRUE(light.StartPage({8, 8, false}, Halftone::Ordered, 576));
    ASSERT_TRUE(ink.StartPage({8, 8, true}, Halftone::Ordered, 576));
    const uint8_t black[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Row(light.Convert(black)), (std::vector<uint8_t>{0xFF}));
    EXPECT_EQ(Row(ink.Convert(black)), (std::vector<uint8_t>{0x00}));
}

TEST(RowAdapter, ShortGrayLinePrintsWhereItHasNoData) {
    RowAdapter a;
    ASSERT_TRUE(a.StartPage({16, 8, false}, Halftone::Ordered, 576));
    const uint8_t half[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(Row(a.Convert(half)), (std::vector<uint8_t>{0xFF, 0x00}));
}

TEST(RowAdapter, RefusesWhatItCannotPrint) {
    RowAdapter a;
    EXPECT_FALSE(a.StartPage({0, 1, false}, Halftone::Ordered, 576));
    EXPECT_FALSE(a.StartPage({16, 24, false}, Halftone::Ordered, 576));
    EXPECT_FALSE(a.StartPage({16, 16, false}, Halftone::Ordered, 576));
}

}  // namespace
}  // namespace k20::printerapp
