#include "prnui/imaging/logo_output.h"

#include <algorithm>
#include <iterator>

#include "common/bmp_file.h"

namespace k20::prnui::logo {

namespace {

void WriteHeaders(std::vector<uint8_t>& out, int w, int h, int bitCount) {
    const size_t imageSize = size_t(BmpStride(w, bitCount)) * size_t(h);
    const std::vector<BmpColor> palette =
        bitCount == 8 ? BmpGrayPalette()
                      : std::vector<BmpColor>(std::begin(kBmpBlackWhite), std::end(kBmpBlackWhite));
    LeWriter wr(out);
    WriteBmpHeader(wr, PackedBmpHeader(w, h, bitCount, palette.size(), imageSize));
    WriteBmpPalette(wr, palette);
}

}  // namespace

void Output::Begin(int w, int h, int bitCount) {
    stride_ = size_t(BmpStride(w, bitCount));
    const size_t offset = bitCount == 8 ? kGrayPixelOffset : kMonoPixelOffset;
    std::vector<uint8_t>& buf = whole_ ? *whole_ : buf_;
    buf.clear();
    if (whole_) {
        buf.reserve(offset + stride_ * size_t(h));
    } else {
        const size_t rows = std::max<size_t>(1, kChunk / stride_);
        buf.reserve(offset + rows * stride_);
    }
    WriteHeaders(buf, w, h, bitCount);
    if (whole_) buf.resize(offset + stride_ * size_t(h), 0);
    used_ = offset;
}

bool Output::Flush() {
    if (used_ && !(*sink_)(std::span<const uint8_t>(buf_.data(), used_))) return false;
    used_ = 0;
    buf_.clear();
    return true;
}

}  // namespace k20::prnui::logo
