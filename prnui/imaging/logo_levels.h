#pragma once
// The level arithmetic as tables: each of the 256 values a channel can hold is adjusted
// once per picture, so that a pixel costs a lookup rather than the float arithmetic.
#include <array>
#include <cstddef>
#include <cstdint>

namespace k20::prnui::logo {

using Lut = std::array<uint8_t, 256>;

// Contrast and brightness outside -100..100 are taken as the nearest limit.
int ClampSetting(int v);
Lut LevelTable(int c, int b);
Lut AroundMeanTable(int c, int b, int m);
Lut IdentityTable();

inline bool PixelBit(const uint8_t* row, int x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// The luminance weights folded into the channel tables: a colour pixel's level is
// (r[R] + g[G] + b[B]) / 1000, Luminance's own integer arithmetic with the table
// lookups and two of the three multiplications done once per value instead of per pixel.
struct WeightedTables {
    std::array<uint32_t, 256> b, g, r;
    WeightedTables(const Lut& tb, const Lut& tg, const Lut& tr) {
        for (size_t v = 0; v < 256; ++v) {
            b[v] = 114u * tb[v];
            g[v] = 587u * tg[v];
            r[v] = 299u * tr[v];
        }
    }
    // The level of the pixel whose B, G, R bytes start at p, times 1000 and not yet truncated.
    uint32_t Sum(const uint8_t* p) const { return r[p[2]] + g[p[1]] + b[p[0]]; }
};

void ColourLevelRow(const uint8_t* p, int w, const WeightedTables& t, uint8_t* l);
void GrayLevelRow(const uint8_t* p, int w, const Lut& t, uint8_t* l);

}  // namespace k20::prnui::logo
