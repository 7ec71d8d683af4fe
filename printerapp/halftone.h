#pragma once
// Gray rows to the printer's 1-bit rows, one row at a time as PAPPL delivers them, by
// the two methods of the logo conversion that suit receipts: the 16 x 16 ordered matrix
// (Dither M4) and the serpentine error diffusion. Input: 8 bits per dot, 0 black and
// 255 white (PWG sgray). Output: most significant bit leftmost, 1 = black dot.
#include <cstdint>
#include <span>
#include <vector>

#include "printerapp/job_options.h"

namespace k20::printerapp {

// The logo conversion's 16 x 16 matrix as printing uses it: its one entry of 255 is
// lowered to 254, because a dot is printed where the level is not above the entry and
// paper-white (255) must never print.
using DitherArray = uint8_t[16][16];
const DitherArray& PrintDither();

class RowHalftoner {
  public:
    RowHalftoner(Halftone method, uint32_t width);
    // gray holds at least width bytes; out at least (width + 7) / 8.
    void Convert(std::span<const uint8_t> gray, std::span<uint8_t> out);

  private:
    void Ordered(std::span<const uint8_t> gray, std::span<uint8_t> out);
    void Diffuse(std::span<const uint8_t> gray, std::span<uint8_t> out);

    Halftone method_;
    uint32_t width_;
    uint32_t y_ = 0;
    // Error of the row being made and of the next one; one spare entry past the right
    // edge takes the share that falls off it.
    std::vector<int32_t> current_;
    std::vector<int32_t> next_;
};

}  // namespace k20::printerapp
