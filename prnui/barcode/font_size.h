#pragma once
// The point size an application selects for a 1D barcode font, and the two read-only
// size displays of the 1D page.
#include <cstdint>
#include <string>

namespace k20::barcode {

// Points rounded to half points, as a count of half points. The height in points is
// dots × 72 / 180 = dots × 2 / 5, so its tenths are always .0, .2, .4, .6 or .8; they
// are taken exactly, since in binary floating point an exact .4 (every height that
// leaves 1 when divided by 5) comes out just below .4 and would be rounded down.
uint64_t RoundedHalfPoints(uint64_t dots);

// Bar height plus HRI lines (Font A 24 dots per line, Font B 17), as the font size to
// select in 1/180 inch. A result of 0 is stored as 2.
uint32_t ComputeFontSize(uint32_t barHeight, uint8_t hriPosition, uint8_t hriFont);

// "%5.1f" of fontSize in millimetres and in half-point rounded points.
std::string FormatSizeMm(uint32_t fontSize);
std::string FormatSizePoints(uint32_t fontSize);

}  // namespace k20::barcode
