#include "prnui/imaging/logo_halftone.h"

#include "prnui/imaging/logo_image.h"

namespace k20::prnui {

const uint8_t DitherMatrix8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

struct Matrix16 {
    uint8_t m[16][16];
    constexpr Matrix16() : m{} {
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c) {
                const int k = r < 8 ? (c < 8 ? 0 : 3) : (c < 8 ? 2 : 1);
                m[r][c] = uint8_t(4 * DitherMatrix8Value(r % 8, c % 8) + k);
            }
    }
    static constexpr int DitherMatrix8Value(int r, int c) {
        constexpr uint8_t t[8][8] = {
            {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
            {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
            {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
            {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
        };
        return t[r][c];
    }
};
constexpr Matrix16 kMatrix16;

}  // namespace

const uint8_t DitherMatrix16[16][16] = {
#define K20_ROW(r)                                                                                         \
    {                                                                                                      \
        kMatrix16.m[r][0], kMatrix16.m[r][1], kMatrix16.m[r][2], kMatrix16.m[r][3], kMatrix16.m[r][4],     \
            kMatrix16.m[r][5], kMatrix16.m[r][6], kMatrix16.m[r][7], kMatrix16.m[r][8], kMatrix16.m[r][9], \
            kMatrix16.m[r][10], kMatrix16.m[r][11], kMatrix16.m[r][12], kMatrix16.m[r][13],                \
            kMatrix16.m[r][14], kMatrix16.m[r][15]                                                         \
    }
    K20_ROW(0), K20_ROW(1), K20_ROW(2),  K20_ROW(3),  K20_ROW(4),  K20_ROW(5),  K20_ROW(6),  K20_ROW(7),
    K20_ROW(8), K20_ROW(9), K20_ROW(10), K20_ROW(11), K20_ROW(12), K20_ROW(13), K20_ROW(14), K20_ROW(15),
#undef K20_ROW
};

namespace logo {

namespace {

// level(x) gives the pixel's level in the unit the thresholds are in. Whole bytes are
// built eight pixels at a time rather than bit by bit; the row arrives zeroed.
template <class Level>
void PackRow(int w, const RowThresholds& th, uint8_t* row, Level level) {
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        const uint32_t* tk = th.data() + (x & 8);
        unsigned bits = 0;
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) bits = (bits << 1) | unsigned(level(x + k) >= tk[k]);
        row[x >> 3] = uint8_t(bits);
    }
    if (x < w) {
        unsigned bits = 0;
        int k = 0;
        for (; x + k < w; ++k) bits = (bits << 1) | unsigned(level(x + k) >= th[size_t((x + k) & 15)]);
        row[x >> 3] = uint8_t(bits << (8 - k));
    }
}

}  // namespace

void PackColourRow(const uint8_t* p, int w, const WeightedTables& t, const RowThresholds& th, uint8_t* row) {
    PackRow(w, th, row, [p, &t](int x) { return t.Sum(p + 3 * x); });
}

void PackGrayRow(const uint8_t* p, int w, const Lut& t, const RowThresholds& th, uint8_t* row) {
    PackRow(w, th, row, [p, &t](int x) { return uint32_t(t[p[x]]); });
}

RowThresholds DitherThresholds(int halftone, int y, bool whiteOnEqual, uint32_t scale) {
    RowThresholds th;
    const uint32_t above = whiteOnEqual ? 0 : 1;
    for (size_t k = 0; k < 16; ++k)
        th[k] = scale * (halftone == kHalftoneDitherM3 ? 4 * (DitherMatrix8[y & 7][k & 7] + above)
                                                       : DitherMatrix16[y & 15][k] + above);
    return th;
}

}  // namespace logo

}  // namespace k20::prnui
