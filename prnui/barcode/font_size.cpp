#include "prnui/barcode/font_size.h"

#include <cstdio>

namespace k20::barcode {

uint64_t RoundedHalfPoints(uint64_t dots) {
    const uint64_t whole = dots * 2 / 5;
    const uint64_t tenths = (dots * 2 % 5) * 2;  // 0, 2, 4, 6 or 8
    uint64_t half = whole * 2;
    if (tenths >= 7)
        half += 2;
    else if (tenths >= 4)
        half += 1;
    return half;
}

uint32_t ComputeFontSize(uint32_t barHeight, uint8_t hriPosition, uint8_t hriFont) {
    uint64_t base = barHeight;
    const uint64_t line = hriFont == 0 ? 24 : 17;
    if (hriPosition == 1 || hriPosition == 2)
        base += line;
    else if (hriPosition == 3)
        base += 2 * line;
    // Half points × 180 / 72 / 2 = half points × 5 / 4, truncated.
    uint64_t size = RoundedHalfPoints(base) * 5 / 4;
    if (size > UINT32_MAX) size = UINT32_MAX;
    return size == 0 ? 2 : uint32_t(size);
}

std::string FormatSizeMm(uint32_t fontSize) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%5.1f", double(fontSize) * 25.4 / 180.0);
    return buf;
}

std::string FormatSizePoints(uint32_t fontSize) {
    char buf[64];
    // A multiple of one half is exact in a double, so "%5.1f" shows it unrounded.
    std::snprintf(buf, sizeof buf, "%5.1f", double(RoundedHalfPoints(fontSize)) / 2.0);
    return buf;
}

}  // namespace k20::barcode
