// Gray rows to printer rows: the ordered matrix and the serpentine error diffusion.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "printerapp/halftone.h"
#include "prnui/imaging/logo_image.h"

namespace k20::printerapp {
namespace {

int Dots(const std::vector<uint8_t>& row) {
    int n = 0;
    for (uint8_t b : row) n += __builtin_popcount(b);
    return n;
}

TEST(RowHalftoner, WhiteAndBlackStayWhiteAndBlackForBothMethods) {
    for (Halftone m : {Halftone::Ordered, Halftone::Diffusion}) {
        RowHalftoner white(m, 20), black(m, 20);
        std::vector<uint8_t> w(20, 255), k(20, 0), out(3);
        for (int y = 0; y < 4; ++y) {
            white.Convert(w, out);
            EXPECT_EQ(Dots(out), 0);
            black.Convert(k, out);
            EXPECT_EQ(Dots(out), 20);
            EXPECT_EQ(out[2] & 0x0F, 0) << "padding bits stay clear";
        }
    }
}

TEST(RowHalftoner, OrderedIsTheLogoConversionsSixteenByMatrix) {
    // A dot is printed where the level is not above the matrix entry, as Dither M4.
    RowHalftoner h(Halftone::Ordered, 16);
    std::vector<uint8_t> gray(16, 128), out(2);
    for (int y = 0; y < 16; ++y) {
        h.Convert(gray, out);
        for (int x = 0; x < 16; ++x) {
            const bool black = (out[x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(black, 128 <= prnui::DitherMatrix16[y][x]) << y << "," << x;
            EXPECT_EQ(PrintDither()[y][x], std::min<int>(prnui::DitherMatrix16[y][x], 254));
        }
    }
}

TEST(RowHalftoner, PaperWhiteNeverPrintsAnywhereInTheMatrix) {
    // The logo matrix holds one 255: under "dot where level <= entry" white would print.
    RowHalftoner h(Halftone::Ordered, 16);
    std::vector<uint8_t> white(16, 255), out(2);
    for (int y = 0; y < 16; ++y) {
        h.Convert(white, out);
        EXPECT_EQ(Dots(out), 0) << "row " << y;
    }
}

TEST(RowHalftoner, DiffusionKeepsTheMeanLevel) {
    // Half gray over many rows prints about half the dots, whatever the direction.
    RowHalftoner h(Halftone::Diffusion, 200);
    std::vector<uint8_t> gray(200, 128), out(25);
    int dots = 0;
    for (int y = 0; y < 50; ++y) {
        h.Convert(gray, out);
        dots += Dots(out);
    }
    EXPECT_NEAR(dots, 200 * 50 / 2, 200 * 50 / 20);
}

TEST(RowHalftoner, DiffusionFirstRowRunsRightToLeft) {
    // A 3-dot row of level 100: from the right, 100 stays black (error 100 carries 37
    // left), 137 turns white (error -118 carries -44), 56 stays black.
    RowHalftoner h(Halftone::Diffusion, 3);
    std::vector<uint8_t> gray(3, 100), out(1);
    h.Convert(gray, out);
    EXPECT_EQ(out[0], 0xA0);  // dots 0 and 2 black, dot 1 white
}

TEST(RowHalftoner, ShortInputPrintsNothing) {
    RowHalftoner h(Halftone::Ordered, 16);
    std::vector<uint8_t> gray(8, 0), out(2, 0xFF);
    h.Convert(gray, out);
    EXPECT_EQ(Dots(out), 0);
}

}  // namespace
}  // namespace k20::printerapp
