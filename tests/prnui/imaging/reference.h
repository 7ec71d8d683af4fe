#pragma once
// The conversion written the slow, literal way: every pixel through the formulas, float
// where they say single precision and double where they say double. The fast library
// must give the same bytes.
#include <cstdint>
#include <vector>

#include "common/bmp_file.h"

namespace k20::test {

int RefAdjustLevel(int v, int c, int b);
int RefAdjustAroundMean(int v, int c, int b, int m);
int RefLuminance(int r, int g, int b);
int RefDither16(int r, int c);

// img is a decoded 24- or 8-bit source; returns the whole working image file.
std::vector<uint8_t> RefConvertToMono(const BmpImage& img, int halftone, int c, int b);
std::vector<uint8_t> RefConvertToGray(const BmpImage& img, int c, int b);

// Test pictures.
BmpImage RandomImage(uint32_t seed, int w, int h, int bitCount);
BmpImage FlatImage(int w, int h, int bitCount, uint8_t value);

}  // namespace k20::test
