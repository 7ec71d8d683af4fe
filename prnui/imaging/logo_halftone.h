#pragma once
// The halftones: a threshold per pixel for None and the two dithers, serpentine error
// diffusion for the last.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "prnui/imaging/logo_levels.h"

namespace k20::prnui::logo {

// Every halftone but diffusion is a comparison per pixel: white where the level reaches
// the column's threshold. Thresholds repeat every 16 columns; 256 means never white.
using RowThresholds = std::array<uint32_t, 16>;

// For colour the thresholds are scaled by 1000 and compared with the weighted sum
// itself: the level is that sum / 1000, so "level >= T" is "sum >= 1000 T" and the
// division is never needed. Both take a zeroed row.
void PackColourRow(const uint8_t* p, int w, const WeightedTables& t, const RowThresholds& th, uint8_t* row);
void PackGrayRow(const uint8_t* p, int w, const Lut& t, const RowThresholds& th, uint8_t* row);

// Dither M3 compares the level's top six bits with the 8 x 8 matrix, M4 the whole level
// with the 16 x 16 one; colour sources turn white on equality, gray ones only above it.
// In levels: (l >> 2) >= e is l >= 4e, and "above" is reaching the next step.
RowThresholds DitherThresholds(int halftone, int y, bool whiteOnEqual, uint32_t scale);

// Serpentine error diffusion to the pixel ahead and the two below. The errors stay
// small integers, so e x 0.375 and e x 0.25 (exact in single and double precision)
// truncated toward zero are e * 3 / 8 and e / 4 in integer arithmetic.
//
// The decision is taken without a branch: on a photograph it goes either way at random
// and a mispredicted branch per pixel would cost more than the arithmetic. The bits
// gather in a register and reach the row a byte at a time. Errors spread from the last
// row land in a buffer no row reads, so that row needs no case of its own.
class Diffuser {
  public:
    explicit Diffuser(int w) : w_(w), cur_(size_t(w) + 2, 0), next_(size_t(w) + 2, 0) {}

    // level(x) gives the pixel's level: computed here rather than beforehand, it fills the
    // time the error chain from pixel to pixel leaves the processor idle.
    template <class Level>
    void Row(bool leftToRight, uint8_t* row, Level level) {
        cur_.swap(next_);
        std::fill(next_.begin(), next_.end(), 0);
        const int32_t* cur = cur_.data();
        int32_t* next = next_.data();
        const int w = w_;
        int32_t carry = 0;
        unsigned bits = 0;
        if (leftToRight) {
            for (int x = 0; x < w; ++x) {
                const int32_t v = level(x) + cur[x] + carry;
                const int32_t white = v > 128;
                const int32_t e = v - (-white & 255);
                carry = e * 3 / 8;
                next[x] += carry;
                next[x + 1] += e / 4;  // lands in the spare entry w for the last column
                bits |= unsigned(white) << (7 - (x & 7));
                if ((x & 7) == 7) {
                    row[x >> 3] = uint8_t(bits);
                    bits = 0;
                }
            }
            if (w & 7) row[(w - 1) >> 3] = uint8_t(bits);
        } else {
            for (int x = w - 1; x >= 0; --x) {
                const int32_t v = level(x) + cur[x] + carry;
                const int32_t white = v > 128;
                const int32_t e = v - (-white & 255);
                // The first column passes nothing on, not even below.
                if (x > 0) {
                    carry = e * 3 / 8;
                    next[x] += carry;
                    next[x - 1] += e / 4;
                }
                bits |= unsigned(white) << (7 - (x & 7));
                if ((x & 7) == 0) {
                    row[x >> 3] = uint8_t(bits);
                    bits = 0;
                }
            }
        }
    }

  private:
    int w_;
    std::vector<int32_t> cur_, next_;
};

}  // namespace k20::prnui::logo
