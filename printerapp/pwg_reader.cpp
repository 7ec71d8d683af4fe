#include "printerapp/pwg_reader.h"

#include <algorithm>
#include <cstring>

namespace k20::printerapp {

namespace {

uint32_t Be32(std::span<const uint8_t> b, size_t off) {
    return uint32_t(b[off]) << 24 | uint32_t(b[off + 1]) << 16 | uint32_t(b[off + 2]) << 8 |
           uint32_t(b[off + 3]);
}

// Offsets of the header fields used, in the CUPS page header that PWG raster keeps.
constexpr size_t kWidth = 372, kHeight = 376, kBitsPerColor = 384, kBitsPerPixel = 388, kBytesPerLine = 392,
                 kColorOrder = 396, kColorSpace = 400, kNumColors = 420;
static_assert(kNumColors + 4 <= kPwgHeaderSize);

}  // namespace

PwgReader::PwgReader(std::span<const uint8_t> file) : r_(file) {}

bool PwgReader::NextPage(PwgPage& page, std::string& error) {
    error.clear();
    if (!synced_) {
        const auto sync = r_.bytes(4);
        if (!r_.ok() || std::memcmp(sync.data(), "RaS2", 4) != 0) {
            error = "not a PWG raster file (no RaS2 sync word)";
            return false;
        }
        synced_ = true;
    }
    // Rows of the page before that were not read are skipped.
    while (rowsLeft_ > 0) {
        std::vector<uint8_t> skip(page_.bytesPerLine);
        if (!ReadRow(skip, error)) return false;
    }
    if (r_.remaining() == 0) return false;
    const auto h = r_.bytes(kPwgHeaderSize);
    if (!r_.ok()) {
        error = "a page header is cut short";
        return false;
    }
    PwgPage p;
    p.width = Be32(h, kWidth);
    p.height = Be32(h, kHeight);
    p.bitsPerPixel = Be32(h, kBitsPerPixel);
    p.bytesPerLine = Be32(h, kBytesPerLine);
    p.colorSpace = Be32(h, kColorSpace);
    const uint32_t bitsPerColor = Be32(h, kBitsPerColor);
    const uint32_t numColors = Be32(h, kNumColors);
    const uint32_t order = Be32(h, kColorOrder);
    if (p.width == 0 || p.height == 0 || (p.bitsPerPixel != 1 && p.bitsPerPixel != 8) ||
        bitsPerColor != p.bitsPerPixel || (numColors != 1 && numColors != 0) || order != 0 ||
        uint64_t(p.bytesPerLine) != (uint64_t(p.width) * p.bitsPerPixel + 7) / 8 ||
        p.bytesPerLine > kPwgMaxLineBytes) {
        error = "page header of " + std::to_string(p.width) + " x " + std::to_string(p.height) + " dots at " +
                std::to_string(p.bitsPerPixel) + " bits, " + std::to_string(p.bytesPerLine) +
                " bytes per line: not a one-colour raster that can be printed";
        return false;
    }
    page_ = p;
    page = p;
    rowsLeft_ = p.height;
    repeats_ = 0;
    line_.assign(p.bytesPerLine, 0);
    return true;
}

bool PwgReader::ReadRow(std::span<uint8_t> row, std::string& error) {
    if (rowsLeft_ == 0 || row.size() < page_.bytesPerLine) {
        error = "no row left on this page";
        return false;
    }
    if (repeats_ == 0) {
        // A line: how many times it repeats, then runs of one pixel (count + 1 copies)
        // or of 257 - count literal pixels. The line is decoded from a view of what is
        // left of the file, every step checked against its end; the reader then moves on.
        const uint8_t* const start = r_.data() + r_.pos();
        const uint8_t* const end = start + r_.remaining();
        const uint8_t* p = start;
        const size_t unit = std::max<size_t>(1, page_.bitsPerPixel / 8);
        uint8_t* out = line_.data();
        size_t left = line_.size();
        bool ok = p < end;
        const uint32_t times = ok ? uint32_t(*p++) + 1 : 0;
        while (ok && left > 0) {
            if (p == end) {
                ok = false;
                break;
            }
            const uint8_t c = *p++;
            if (c < 128) {
                const size_t n = (size_t(c) + 1) * unit;
                if (size_t(end - p) < unit || n > left) {
                    ok = false;
                    break;
                }
                if (unit == 1) {
                    std::memset(out, *p, n);
                } else {
                    for (size_t k = 0; k < n; k += unit) std::memcpy(out + k, p, unit);
                }
                p += unit;
                out += n;
                left -= n;
            } else {
                const size_t n = (257 - size_t(c)) * unit;
                if (n > left || size_t(end - p) < n) {
                    ok = false;
                    break;
                }
                std::memcpy(out, p, n);
                p += n;
                out += n;
                left -= n;
            }
        }
        r_.skip(size_t(p - start));
        if (!ok || !r_.ok()) {
            error =
                "row " + std::to_string(page_.height - rowsLeft_) + " of the page is damaged or cut short";
            rowsLeft_ = 0;
            return false;
        }
        repeats_ = times;
    }
    std::memcpy(row.data(), line_.data(), line_.size());
    --repeats_;
    --rowsLeft_;
    return true;
}

}  // namespace k20::printerapp
