#pragma once
// One page's rows as PAPPL or a raster file gives them, made into the rows the
// engine prints: 1-bit rows pass through, 8-bit rows are halftoned, and a page wider
// than the head loses equal parts left and right so that what a client centred on the
// 80 mm roll stays centred under the 72 mm head.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "printerapp/halftone.h"

namespace k20::printerapp {

struct RowFormat {
    uint32_t width = 0;         // dots of the incoming row
    uint32_t bitsPerPixel = 1;  // 1 (1 = black) or 8
    bool inkLevels = false;     // 8-bit rows count ink (device black, 255 = black), not light
};

class RowAdapter {
  public:
    // False for a format it cannot print (bits other than 1 or 8, no width).
    bool StartPage(const RowFormat& format, Halftone halftone, uint32_t maxDots);
    uint32_t OutWidth() const { return outWidth_; }
    // line holds the incoming row's bytes; the result stays valid until the next call.
    std::span<const uint8_t> Convert(std::span<const uint8_t> line);

  private:
    RowFormat format_;
    uint32_t outWidth_ = 0;
    uint32_t cropLeft_ = 0;
    std::unique_ptr<RowHalftoner> halftoner_;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> light_;
};

}  // namespace k20::printerapp
