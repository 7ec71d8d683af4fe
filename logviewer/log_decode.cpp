#include "logviewer/log_decode.h"

#include <algorithm>
#include <cstring>

#include "common/bmp_file.h"
#include "common/byte_reader.h"

namespace k20::logviewer {

static_assert(kPageImageHeaderSize == kBmpHeadersSize + 4 * std::size(kBmpBlackWhite),
              "headers and two colours");

namespace {

constexpr uint8_t kRasterLine = 0x16;
constexpr uint8_t kFeed = 0x15;
constexpr uint8_t kEsc = 0x1B;

// Transposes an 8x8 bit block: in[m] bit (7 - r) becomes out[r] bit (7 - m). A band
// column holds its dots top to bottom in the bits of three bytes, while a raster row
// holds eight columns per byte, so eight columns at a time are turned on their side.
inline void Transpose8(const uint8_t* in, size_t step, uint8_t out[8]) {
    uint64_t v = 0;
    for (int m = 0; m < 8; ++m) v = (v << 8) | in[size_t(m) * step];
    uint64_t t = (v ^ (v >> 7)) & 0x00AA00AA00AA00AAull;
    v = v ^ t ^ (t << 7);
    t = (v ^ (v >> 14)) & 0x0000CCCC0000CCCCull;
    v = v ^ t ^ (t << 14);
    t = (v ^ (v >> 28)) & 0x00000000F0F0F0F0ull;
    v = v ^ t ^ (t << 28);
    for (int r = 0; r < 8; ++r) out[r] = uint8_t(v >> (56 - 8 * r));
}

// Draws into the rows of the final bitmap. Row r (1..height) lies at
// header + (height - r) * W because the file stores the bottom row first; row 0 and
// rows below the last one never reach the file, so they are not kept at all.
// The rows are kept as the file wants them, every bit inverted (a printed dot is 0),
// so that the image is written once instead of being filled, drawn and inverted.
//
// A shifted band blanks its rows from the first byte up to the band. Done byte by byte
// that costs the whole row width for every band, five input bytes each, however little
// the band draws; so wide rows keep, per row, which 8-byte units may hold dots and how
// much of the row's start is known blank, and blanking touches only units drawn since.
// Every unit is blanked at most once per drawing that marked it, so the cost follows
// what the bands and lines draw.
class Canvas {
  public:
    Canvas(uint8_t* pixels, uint64_t height, const RenderParams& p)
        : pixels_(pixels), height_(height), w_(p.widthBytes), dots_(p.dots) {
        if (w_ > kDirectBlankBytes) {
            words_ = (w_ + kUnit * 64 - 1) / (kUnit * 64);
            dirty_.assign(size_t(height_) * words_, 0);
            clean_.assign(size_t(height_), 0);
        }
    }

    uint8_t* Row(uint64_t r) const {
        if (r == 0 || r > height_) return nullptr;
        return pixels_ + (height_ - r) * w_;
    }

    void Line(uint64_t c, const uint8_t* src, size_t n) const {
        uint8_t* row = Row(c);
        if (!row) return;
        const size_t m = std::min<size_t>(n, w_);
        for (size_t k = 0; k < m; ++k) row[k] = uint8_t(~src[k]);
        Mark(c, 0, m);
    }

    void Band(uint64_t c, uint32_t x, const uint8_t* src, size_t columns) const {
        uint8_t* rows[24];
        bool any = false;
        for (int i = 0; i < 24; ++i) {
            rows[i] = Row(c + uint64_t(i));
            any = any || rows[i];
        }
        if (!any) return;
        const size_t n = std::min<size_t>(columns, dots_);
        const size_t len = (n + 7) / 8;
        const size_t start = x / 8;
        const unsigned shift = x % 8;
        // An aligned band replaces its own bytes; a shifted one rewrites the row from its
        // first byte to the byte that takes the bits shifted out of the band's last byte.
        const size_t from = shift ? 0 : std::min<size_t>(start, w_);
        const size_t to = std::min<size_t>(w_, start + len + (shift ? 1 : 0));
        if (from >= to) return;
        // The band's 24 rows are first turned on their side into a small scratch area
        // (printed dots = 1, unshifted), then each row is stored shifted and inverted in
        // one sequential pass.
        const size_t groups = start < w_ ? std::min(len, w_ - start) : 0;
        const size_t fullGroups = std::min(groups, n / 8);
        scratch_.resize(24 * groups);
        uint8_t* s = scratch_.data();
        for (size_t g = 0; g < groups; ++g) {
            uint8_t out[24];
            const uint8_t* col = src + g * 24;
            for (int k = 0; k < 3; ++k) {
                if (g < fullGroups) {
                    Transpose8(col + k, 3, out + 8 * k);
                } else {
                    uint8_t in[8];
                    for (size_t m = 0; m < 8; ++m) in[m] = g * 8 + m < n ? col[m * 3 + size_t(k)] : 0;
                    Transpose8(in, 1, out + 8 * k);
                }
            }
            for (size_t i = 0; i < 24; ++i) s[i * groups + g] = out[i];
        }
        for (size_t i = 0; i < 24; ++i) {
            uint8_t* row = rows[i];
            if (!row) continue;
            const uint64_t r = c + i;
            const uint8_t* b = s + i * groups;
            if (!shift) {
                for (size_t g = 0; g < groups; ++g) row[start + g] = uint8_t(~b[g]);
                Mark(r, start, start + groups);
                continue;
            }
            if (groups == 0) {  // nothing of the band fits: only the clearing remains
                Blank(r, row, to);
                continue;
            }
            Blank(r, row, start);
            uint8_t* at = row + start;
            at[0] = uint8_t(~(b[0] >> shift));
            for (size_t g = 1; g < groups; ++g)
                at[g] = uint8_t(~((b[g] >> shift) | (b[g - 1] << (8 - shift))));
            // The bits shifted out of the band's last byte, when the row has room for them.
            const bool spill = start + groups < to;
            if (spill) at[groups] = uint8_t(~(b[groups - 1] << (8 - shift)));
            Mark(r, start, start + groups + (spill ? 1 : 0));
        }
    }

  private:
    // Rows this narrow are blanked directly: a few bytes cost less than the bookkeeping.
    static constexpr size_t kDirectBlankBytes = 32;
    static constexpr size_t kUnit = 8;

    // Bytes [from, to) of row r may now hold dots.
    void Mark(uint64_t r, size_t from, size_t to) const {
        if (dirty_.empty() || from >= to) return;
        const size_t at = size_t(r - 1);
        if (from < clean_[at]) clean_[at] = uint16_t(from);
        uint64_t* words = dirty_.data() + at * words_;
        const size_t first = from / kUnit, last = (to - 1) / kUnit;
        for (size_t wi = first / 64; wi <= last / 64; ++wi) {
            const unsigned lo = wi == first / 64 ? unsigned(first % 64) : 0;
            const unsigned hi = wi == last / 64 ? unsigned(last % 64) : 63;
            words[wi] |= (hi == 63 ? ~0ull : (2ull << hi) - 1) & ~((1ull << lo) - 1);
        }
    }

    // Bytes [0, n) of row r become blank paper.
    void Blank(uint64_t r, uint8_t* row, size_t n) const {
        if (dirty_.empty()) {
            std::memset(row, 0xFF, n);
            return;
        }
        const size_t at = size_t(r - 1);
        if (n <= clean_[at]) return;
        uint64_t* words = dirty_.data() + at * words_;
        const size_t firstUnit = clean_[at] / kUnit, lastUnit = (n - 1) / kUnit;
        for (size_t wi = firstUnit / 64; wi <= lastUnit / 64; ++wi) {
            uint64_t bits = words[wi];
            while (bits) {
                const size_t u = wi * 64 + size_t(__builtin_ctzll(bits));
                bits &= bits - 1;
                if (u < firstUnit) continue;
                if (u > lastUnit) break;
                const size_t b0 = u * kUnit, b1 = std::min(b0 + kUnit, n);
                std::memset(row + b0, 0xFF, b1 - b0);
                // A unit only partly blanked may still hold dots past n.
                if (b0 + kUnit <= n) words[wi] &= ~(1ull << (u % 64));
            }
        }
        clean_[at] = uint16_t(n);
    }

    uint8_t* pixels_;
    uint64_t height_;
    size_t w_;
    size_t dots_;
    mutable std::vector<uint8_t> scratch_;
    size_t words_ = 0;
    mutable std::vector<uint64_t> dirty_;  // per row, one bit per unit of kUnit bytes
    mutable std::vector<uint16_t> clean_;  // per row, bytes at its start known to be blank
};

struct ScanResult {
    uint64_t rows = 0;
    bool tooLarge = false;
    std::vector<uint32_t> boundaries;
};

// One pass over the job. Without a canvas it only learns the height and the page
// boundaries; with one it draws. Both passes take exactly the same steps.
ScanResult Scan(std::span<const uint8_t> data, uint64_t maxRows, const Canvas* canvas) {
    ScanResult res;
    const uint8_t* d = data.data();
    const size_t size = data.size();
    uint64_t c = 0;
    uint32_t x = 0;
    auto record = [&] {
        if (res.boundaries.size() < kMaxPageBoundaries) res.boundaries.push_back(uint32_t(c));
    };
    size_t i = 1;
    while (i < size) {
        const uint8_t b = d[i];
        if (b == kRasterLine && i + 1 < size) {
            const size_t n = d[i + 1];
            // Each look-ahead is checked against the end before it is read: i + n + 6 < size
            // cannot wrap since n <= 255 and size is far from the top of size_t.
            const bool raster = i + n + 4 < size && d[i + n + 2] == kFeed && d[i + n + 4] == kRasterLine;
            const bool pageEnd = i + n + 6 < size && d[i + n + 3] == 0x01 && d[i + n + 4] == 0x1D &&
                                 d[i + n + 5] == 0x44 && d[i + n + 6] == 0x00;
            if (raster) {
                if (i >= 2 && d[i - 2] == kFeed) {
                    c += d[i - 1];
                    if (c > maxRows) {
                        res.tooLarge = true;
                        break;
                    }
                }
                if (canvas) canvas->Line(c, d + i + 2, n);
            }
            if (pageEnd) record();
            if (raster) {
                i += n + 2;
                continue;
            }
            ++i;
            continue;
        }
        if (b == kEsc && i + 1 < size) {
            const uint8_t op = d[i + 1];
            if (op == 0x33 && i + 3 < size && d[i + 3] == 0x0A) {
                const uint8_t n = d[i + 2];
                c += n ? n : 24;
                if (c > maxRows) {
                    res.tooLarge = true;
                    break;
                }
                if (n) {
                    i += 4;
                } else {
                    record();
                    i += 10;  // the page end is followed by six bytes the viewer does not read
                }
                continue;
            }
            if (op == 0x24 && i + 5 < size && d[i + 4] == kEsc && d[i + 5] == 0x2A) {
                x = uint32_t(d[i + 2]) | uint32_t(d[i + 3]) << 8;
                i += 4;
                continue;
            }
            if (op == 0x2A && i + 4 < size && d[i + 2] == 0x21) {
                const size_t columns = size_t(d[i + 3]) | size_t(d[i + 4]) << 8;
                // A band whose data would run past the end is no band.
                if (3 * columns <= size - (i + 5)) {
                    if (canvas) canvas->Band(c, x, d + i + 5, columns);
                    i += 3 * columns + 3;
                    continue;
                }
            }
        }
        ++i;
    }
    res.rows = c;
    return res;
}

}  // namespace

const char* DescribeStatus(DecodeStatus s) {
    switch (s) {
        case DecodeStatus::Ok:
            return "decoded";
        case DecodeStatus::Empty:
            return "the job file is empty";
        case DecodeStatus::NoRows:
            return "the job holds no rows";
        case DecodeStatus::NoPageBoundary:
            return "the job has no page-end marker";
        case DecodeStatus::TooLarge:
            return "the page image would exceed the size limit";
        case DecodeStatus::BadParams:
            return "the row width or the dot width is not usable";
    }
    return "unknown";
}

DecodedJob DecodeJob(std::span<const uint8_t> data, const RenderParams& params, uint64_t maxImageBytes) {
    DecodedJob job;
    if (params.widthBytes == 0 || params.widthBytes > kMaxWidthBytes || params.dots == 0 ||
        params.dots > kMaxDots) {
        job.status = DecodeStatus::BadParams;
        return job;
    }
    if (data.empty()) {
        job.status = DecodeStatus::Empty;
        return job;
    }
    const uint64_t w = params.widthBytes;
    // The file header stores the sizes in 32 bits, whatever limit the caller asks for.
    const uint64_t limit = std::min<uint64_t>(maxImageBytes, 0xFFFFFFFFull - kPageImageHeaderSize);
    const uint64_t maxRows = limit / w;

    ScanResult first = Scan(data, maxRows, nullptr);
    if (first.tooLarge) {
        job.status = DecodeStatus::TooLarge;
        return job;
    }
    if (first.rows == 0) {
        job.status = DecodeStatus::NoRows;
        return job;
    }
    if (first.boundaries.empty()) {
        job.status = DecodeStatus::NoPageBoundary;
        return job;
    }

    const uint64_t height = first.rows;
    const uint64_t imageSize = w * height;
    std::vector<uint8_t>& bmp = job.bitmap;
    bmp.reserve(size_t(kPageImageHeaderSize + imageSize));
    LeWriter out(bmp);
    // The width is the dots of a row, while the rows keep the W bytes the job gave them.
    WriteBmpHeader(out, PackedBmpHeader(int32_t(params.dots), int32_t(height), 1, 2, size_t(imageSize)));
    WriteBmpPalette(out, kBmpBlackWhite);
    // Blank paper: no printed dots, all bits set (colour 1 is white in the palette).
    bmp.resize(size_t(kPageImageHeaderSize + imageSize), 0xFF);
    uint8_t* pixels = bmp.data() + kPageImageHeaderSize;
    Canvas canvas(pixels, height, params);
    Scan(data, maxRows, &canvas);

    job.status = DecodeStatus::Ok;
    job.height = uint32_t(height);
    job.boundaries = std::move(first.boundaries);
    return job;
}

}  // namespace k20::logviewer
