#include "printerapp/raster_rows.h"

#include <algorithm>
#include <cstring>

namespace k20::printerapp {

bool RowAdapter::StartPage(const RowFormat& format, Halftone halftone, uint32_t maxDots) {
    if (format.width == 0 || (format.bitsPerPixel != 1 && format.bitsPerPixel != 8)) return false;
    format_ = format;
    outWidth_ = std::min(format.width, maxDots);
    cropLeft_ = (format.width - outWidth_) / 2;
    row_.assign((outWidth_ + 7) / 8, 0);
    halftoner_.reset();
    if (format.bitsPerPixel == 8) {
        halftoner_ = std::make_unique<RowHalftoner>(halftone, outWidth_);
        light_.assign(outWidth_, 255);
    }
    return true;
}

std::span<const uint8_t> RowAdapter::Convert(std::span<const uint8_t> line) {
    if (format_.bitsPerPixel == 8) {
        // A short line prints white where it has no data.
        std::fill(light_.begin(), light_.end(), 255);
        const size_t have =
            line.size() > cropLeft_ ? std::min<size_t>(line.size() - cropLeft_, outWidth_) : 0;
        const uint8_t* src = line.data() + cropLeft_;
        if (format_.inkLevels) {
            for (size_t x = 0; x < have; ++x) light_[x] = static_cast<uint8_t>(255 - src[x]);
        } else if (have) {
            std::memcpy(light_.data(), src, have);
        }
        halftoner_->Convert(light_, row_);
        return row_;
    }
    const size_t first = cropLeft_ / 8;
    const unsigned shift = cropLeft_ % 8;
    for (size_t i = 0; i < row_.size(); ++i) {
        const size_t b = first + i;
        unsigned v = b < line.size() ? line[b] : 0;
        if (shift) {
            v = (v << shift) & 0xFF;
            if (b + 1 < line.size()) v |= line[b + 1] >> (8 - shift);
        }
        row_[i] = static_cast<uint8_t>(v);
    }
    if (outWidth_ % 8) row_.back() &= static_cast<uint8_t>(0xFF00u >> (outWidth_ % 8));
    return row_;
}

}  // namespace k20::printerapp
