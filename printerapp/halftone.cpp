#include "printerapp/halftone.h"

#include <algorithm>
#include <cstring>

#include "prnui/imaging/logo_image.h"

namespace k20::printerapp {

const DitherArray& PrintDither() {
    static const auto matrix = [] {
        struct M {
            DitherArray v;
        } m{};
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) m.v[y][x] = std::min<uint8_t>(prnui::DitherMatrix16[y][x], 254);
        return m;
    }();
    return matrix.v;
}

RowHalftoner::RowHalftoner(Halftone method, uint32_t width)
    : method_(method), width_(width), current_(width + 1, 0), next_(width + 1, 0) {}

void RowHalftoner::Convert(std::span<const uint8_t> gray, std::span<uint8_t> out) {
    const size_t bytes = (width_ + 7) / 8;
    std::memset(out.data(), 0, std::min(bytes, out.size()));
    if (gray.size() < width_ || out.size() < bytes) return;
    if (method_ == Halftone::Ordered)
        Ordered(gray, out);
    else
        Diffuse(gray, out);
    ++y_;
}

void RowHalftoner::Ordered(std::span<const uint8_t> gray, std::span<uint8_t> out) {
    const uint8_t* m = PrintDither()[y_ % 16];
    for (uint32_t x = 0; x < width_; ++x)
        if (gray[x] <= m[x % 16]) out[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
}

void RowHalftoner::Diffuse(std::span<const uint8_t> gray, std::span<uint8_t> out) {
    std::swap(current_, next_);
    std::fill(next_.begin(), next_.end(), 0);
    // Odd rows run left to right, even rows (the first included) right to left, so the
    // error does not pile up at one edge.
    const bool leftToRight = (y_ % 2) == 1;
    int32_t carry = 0;
    for (uint32_t i = 0; i < width_; ++i) {
        const uint32_t x = leftToRight ? i : width_ - 1 - i;
        const int32_t v = gray[x] + current_[x] + carry;
        int32_t e = v;
        if (v > 128)
            e = v - 255;
        else
            out[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
        const bool more = i + 1 < width_;
        carry = more ? static_cast<int32_t>(e * 0.375) : 0;
        next_[x] += static_cast<int32_t>(e * 0.375);
        if (leftToRight)
            next_[x + 1] += static_cast<int32_t>(e * 0.25);
        else if (x > 0)
            next_[x - 1] += static_cast<int32_t>(e * 0.25);
    }
}

}  // namespace k20::printerapp
