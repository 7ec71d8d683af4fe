#include "prnui/imaging/logo_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/bmp_file.h"
#include "platform/bounded_read.h"
#include "prnui/imaging/logo_stream.h"

namespace k20::prnui {

const uint8_t DitherMatrix8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

struct Matrix16 {
    uint8_t m[16][16];
    constexpr Matrix16() : m{} {
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c) {
                const int k = r < 8 ? (c < 8 ? 0 : 3) : (c < 8 ? 2 : 1);
                m[r][c] = uint8_t(4 * DitherMatrix8Value(r % 8, c % 8) + k);
            }
    }
    static constexpr int DitherMatrix8Value(int r, int c) {
        constexpr uint8_t t[8][8] = {
            {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
            {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
            {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
            {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
        };
        return t[r][c];
    }
};
constexpr Matrix16 kMatrix16;

int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}
int ClampSetting(int v) {
    return v < -100 ? -100 : (v > 100 ? 100 : v);
}

}  // namespace

const uint8_t DitherMatrix16[16][16] = {
#define K20_ROW(r)                                                                                         \
    {                                                                                                      \
        kMatrix16.m[r][0], kMatrix16.m[r][1], kMatrix16.m[r][2], kMatrix16.m[r][3], kMatrix16.m[r][4],     \
            kMatrix16.m[r][5], kMatrix16.m[r][6], kMatrix16.m[r][7], kMatrix16.m[r][8], kMatrix16.m[r][9], \
            kMatrix16.m[r][10], kMatrix16.m[r][11], kMatrix16.m[r][12], kMatrix16.m[r][13],                \
            kMatrix16.m[r][14], kMatrix16.m[r][15]                                                         \
    }
    K20_ROW(0), K20_ROW(1), K20_ROW(2),  K20_ROW(3),  K20_ROW(4),  K20_ROW(5),  K20_ROW(6),  K20_ROW(7),
    K20_ROW(8), K20_ROW(9), K20_ROW(10), K20_ROW(11), K20_ROW(12), K20_ROW(13), K20_ROW(14), K20_ROW(15),
#undef K20_ROW
};

int AdjustLevel(int v, int c, int b) {
    int d;
    if (c < 0) {
        // Single precision throughout: the printed levels depend on this rounding.
        const float t = 255.0f / float(2 * c + 255);
        const float q = float(v) / t;
        const float r = q - float(c);
        d = int(r);
    } else if (v <= c) {
        d = 0;
    } else if (v >= 255 - c) {
        d = 255;
    } else {
        const float k = float((255.0 - 2.0 * c) / 255.0);
        d = int(double(v - c) / double(k));
    }
    return Clamp255(d + b);
}

int AdjustAroundMean(int v, int c, int b, int m) {
    const float f = float(c >= 0 ? 1.0 + c / 10.0 : 1.0 - std::sqrt(double(-c)) / 10.0);
    const float p = float(v - m) * f;
    const float s = p + float(m);
    return Clamp255(int(s) + b);
}

int Luminance(int r, int g, int b) {
    return (587 * g + 299 * r + 114 * b) / 1000;
}

bool GrayVariantFor(int bitCount, GrayVariant& v) {
    switch (bitCount) {
        case 24:
            v = GrayVariant::Colour;
            return true;
        case 8:
            v = GrayVariant::Gray;
            return true;
        case 1:
            v = GrayVariant::TwoLevel;
            return true;
        default:
            return false;
    }
}

bool ParseLogoSource(std::span<const uint8_t> file, int wantBitCount, LogoPixels& out) {
    ByteReader r(file);
    BmpHeader h;
    if (!ReadBmpHeader(r, h)) return false;
    if (h.signature != kBmpSignature || h.compression != 0) return false;
    if (wantBitCount != 0 && h.bitCount != wantBitCount) return false;
    size_t offset;
    uint32_t fullPalette;
    switch (h.bitCount) {
        case 24:
            offset = kColourPixelOffset;
            fullPalette = 0;
            break;
        case 8:
            offset = kGrayPixelOffset;
            fullPalette = 256;
            break;
        case 1:
            offset = kMonoPixelOffset;
            fullPalette = 2;
            break;
        default:
            return false;
    }
    // Rows are read at the fixed offset of the depth; a file laid out otherwise would be
    // read as garbage, so it is refused instead.
    if (h.infoSize != kBmpInfoHeaderSize || h.pixelOffset != offset) return false;
    if (h.colorsUsed != 0 && h.colorsUsed != fullPalette) return false;
    if (h.width <= 0 || h.width > kBmpMaxDimension || h.height <= 0 || h.height > kBmpMaxDimension)
        return false;
    const uint64_t stride = BmpStride(h.width, h.bitCount);
    if (offset > file.size() || stride * uint64_t(h.height) > file.size() - offset) return false;
    out.width = h.width;
    out.height = h.height;
    out.bitCount = h.bitCount;
    out.stride = size_t(stride);
    out.rows = file.data() + offset;
    return true;
}

namespace {

using Lut = std::array<uint8_t, 256>;

Lut LevelTable(int c, int b) {
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(AdjustLevel(v, c, b));
    return t;
}

Lut AroundMeanTable(int c, int b, int m) {
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(AdjustAroundMean(v, c, b, m));
    return t;
}

Lut IdentityTable() {
    Lut t;
    for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(v);
    return t;
}

bool PixelBit(const uint8_t* row, int x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// The luminance weights folded into the channel tables: a colour pixel's level is
// (r[R] + g[G] + b[B]) / 1000, Luminance's own integer arithmetic with the table
// lookups and two of the three multiplications done once per value instead of per pixel.
struct WeightedTables {
    std::array<uint32_t, 256> b, g, r;
    WeightedTables(const Lut& tb, const Lut& tg, const Lut& tr) {
        for (size_t v = 0; v < 256; ++v) {
            b[v] = 114u * tb[v];
            g[v] = 587u * tg[v];
            r[v] = 299u * tr[v];
        }
    }
    // The level of the pixel whose B, G, R bytes start at p, times 1000 and not yet truncated.
    uint32_t Sum(const uint8_t* p) const { return r[p[2]] + g[p[1]] + b[p[0]]; }
};

void ColourLevelRow(const uint8_t* p, int w, const WeightedTables& t, uint8_t* l) {
    for (int x = 0; x < w; ++x, p += 3) l[x] = uint8_t(t.Sum(p) / 1000u);
}

void GrayLevelRow(const uint8_t* p, int w, const Lut& t, uint8_t* l) {
    for (int x = 0; x < w; ++x) l[x] = t[p[x]];
}

// Sums of the raw bytes of one row of w pixels, per channel (B, G, R) for colour.
void RawColourRowSums(const uint8_t* p, int w, uint64_t s[3]) {
    const size_t n = 3 * size_t(w);
    size_t i = 0;
#if defined(__SSE2__)
    // 48 bytes at a time: in each of the three registers every byte position belongs to
    // a fixed channel, so masking a channel out and summing with psadbw gives its share.
    struct Masks {
        alignas(16) uint8_t m[3][3][16];  // [register][channel][byte]
        constexpr Masks() : m{} {
            for (size_t r = 0; r < 3; ++r)
                for (size_t k = 0; k < 3; ++k)
                    for (size_t b = 0; b < 16; ++b) m[r][k][b] = (16 * r + b) % 3 == k ? 0xFF : 0;
        }
    };
    static constexpr Masks kMasks;
    auto mask = [](size_t r, size_t k) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kMasks.m[r][k]));
    };
    const __m128i m00 = mask(0, 0), m01 = mask(0, 1), m02 = mask(0, 2);
    const __m128i m10 = mask(1, 0), m11 = mask(1, 1), m12 = mask(1, 2);
    const __m128i m20 = mask(2, 0), m21 = mask(2, 1), m22 = mask(2, 2);
    const __m128i zero = _mm_setzero_si128();
    __m128i a0 = zero, a1 = zero, a2 = zero;
    auto sum = [zero](__m128i v, __m128i m) { return _mm_sad_epu8(_mm_and_si128(v, m), zero); };
    for (; i + 48 <= n; i += 48) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32));
        a0 = _mm_add_epi64(a0, _mm_add_epi64(sum(v0, m00), _mm_add_epi64(sum(v1, m10), sum(v2, m20))));
        a1 = _mm_add_epi64(a1, _mm_add_epi64(sum(v0, m01), _mm_add_epi64(sum(v1, m11), sum(v2, m21))));
        a2 = _mm_add_epi64(a2, _mm_add_epi64(sum(v0, m02), _mm_add_epi64(sum(v1, m12), sum(v2, m22))));
    }
    alignas(16) uint64_t h[3][2];
    _mm_store_si128(reinterpret_cast<__m128i*>(h[0]), a0);
    _mm_store_si128(reinterpret_cast<__m128i*>(h[1]), a1);
    _mm_store_si128(reinterpret_cast<__m128i*>(h[2]), a2);
    for (size_t k = 0; k < 3; ++k) s[k] += h[k][0] + h[k][1];
#endif
    for (; i < n; i += 3) {
        s[0] += p[i];
        s[1] += p[i + 1];
        s[2] += p[i + 2];
    }
}

uint64_t RawGrayRowSum(const uint8_t* p, int w) {
    const size_t n = size_t(w);
    size_t i = 0;
    uint64_t s = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero;
    for (; i + 16 <= n; i += 16)
        a = _mm_add_epi64(a, _mm_sad_epu8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), zero));
    alignas(16) uint64_t h[2];
    _mm_store_si128(reinterpret_cast<__m128i*>(h), a);
    s = h[0] + h[1];
#endif
    for (; i < n; ++i) s += p[i];
    return s;
}

// Sums of t over every pixel, per channel (B, G, R) for colour, in [0] for gray. With
// the settings at zero t is the identity and the raw bytes are summed, many at a time;
// otherwise a row is summed in 32 bits: 32767 x 255 cannot overflow them.
void ChannelSums(const LogoPixels& img, const Lut& t, uint64_t s[3]) {
    s[0] = s[1] = s[2] = 0;
    const bool identity = t == IdentityTable();
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* p = img.Row(y);
        if (identity && img.bitCount == 24) {
            RawColourRowSums(p, img.width, s);
        } else if (identity) {
            s[0] += RawGrayRowSum(p, img.width);
        } else if (img.bitCount == 24) {
            uint32_t sb = 0, sg = 0, sr = 0;
            for (int x = 0; x < img.width; ++x, p += 3) {
                sb += t[p[0]];
                sg += t[p[1]];
                sr += t[p[2]];
            }
            s[0] += sb;
            s[1] += sg;
            s[2] += sr;
        } else {
            uint32_t sum = 0;
            for (int x = 0; x < img.width; ++x) sum += t[p[x]];
            s[0] += sum;
        }
    }
}

// Every halftone but diffusion is a comparison per pixel: white where the level reaches
// the column's threshold. Thresholds repeat every 16 columns; 256 means never white.
using RowThresholds = std::array<uint32_t, 16>;

// level(x) gives the pixel's level in the unit the thresholds are in. Whole bytes are
// built eight pixels at a time rather than bit by bit; the row arrives zeroed.
template <class Level>
void PackRow(int w, const RowThresholds& th, uint8_t* row, Level level) {
    int x = 0;
    for (; x + 8 <= w; x += 8) {
        const uint32_t* tk = th.data() + (x & 8);
        unsigned bits = 0;
#pragma GCC unroll 8
        for (int k = 0; k < 8; ++k) bits = (bits << 1) | unsigned(level(x + k) >= tk[k]);
        row[x >> 3] = uint8_t(bits);
    }
    if (x < w) {
        unsigned bits = 0;
        int k = 0;
        for (; x + k < w; ++k) bits = (bits << 1) | unsigned(level(x + k) >= th[size_t((x + k) & 15)]);
        row[x >> 3] = uint8_t(bits << (8 - k));
    }
}

// For colour the thresholds are scaled by 1000 and compared with the weighted sum
// itself: the level is that sum / 1000, so "level >= T" is "sum >= 1000 T" and the
// division is never needed.
void PackColourRow(const uint8_t* p, int w, const WeightedTables& t, const RowThresholds& th, uint8_t* row) {
    PackRow(w, th, row, [p, &t](int x) { return t.Sum(p + 3 * x); });
}

void PackGrayRow(const uint8_t* p, int w, const Lut& t, const RowThresholds& th, uint8_t* row) {
    PackRow(w, th, row, [p, &t](int x) { return uint32_t(t[p[x]]); });
}

// Dither M3 compares the level's top six bits with the 8 x 8 matrix, M4 the whole level
// with the 16 x 16 one; colour sources turn white on equality, gray ones only above it.
// In levels: (l >> 2) >= e is l >= 4e, and "above" is reaching the next step.
RowThresholds DitherThresholds(int halftone, int y, bool whiteOnEqual, uint32_t scale) {
    RowThresholds th;
    const uint32_t above = whiteOnEqual ? 0 : 1;
    for (size_t k = 0; k < 16; ++k)
        th[k] = scale * (halftone == kHalftoneDitherM3 ? 4 * (DitherMatrix8[y & 7][k & 7] + above)
                                                       : DitherMatrix16[y & 15][k] + above);
    return th;
}

// Serpentine error diffusion to the pixel ahead and the two below. The errors stay
// small integers, so e x 0.375 and e x 0.25 (exact in single and double precision)
// truncated toward zero are e * 3 / 8 and e / 4 in integer arithmetic.
//
// The decision is taken without a branch: on a photograph it goes either way at random
// and a mispredicted branch per pixel would cost more than the arithmetic. The bits
// gather in a register and reach the row a byte at a time. Errors spread from the last
// row land in a buffer no row reads, so that row needs no case of its own.
class Diffuser {
  public:
    explicit Diffuser(int w) : w_(w), cur_(size_t(w) + 2, 0), next_(size_t(w) + 2, 0) {}

    // level(x) gives the pixel's level: computed here rather than beforehand, it fills the
    // time the error chain from pixel to pixel leaves the processor idle.
    template <class Level>
    void Row(bool leftToRight, uint8_t* row, Level level) {
        cur_.swap(next_);
        std::fill(next_.begin(), next_.end(), 0);
        const int32_t* cur = cur_.data();
        int32_t* next = next_.data();
        const int w = w_;
        int32_t carry = 0;
        unsigned bits = 0;
        if (leftToRight) {
            for (int x = 0; x < w; ++x) {
                const int32_t v = level(x) + cur[x] + carry;
                const int32_t white = v > 128;
                const int32_t e = v - (-white & 255);
                carry = e * 3 / 8;
                next[x] += carry;
                next[x + 1] += e / 4;  // lands in the spare entry w for the last column
                bits |= unsigned(white) << (7 - (x & 7));
                if ((x & 7) == 7) {
                    row[x >> 3] = uint8_t(bits);
                    bits = 0;
                }
            }
            if (w & 7) row[(w - 1) >> 3] = uint8_t(bits);
        } else {
            for (int x = w - 1; x >= 0; --x) {
                const int32_t v = level(x) + cur[x] + carry;
                const int32_t white = v > 128;
                const int32_t e = v - (-white & 255);
                // The first column passes nothing on, not even below.
                if (x > 0) {
                    carry = e * 3 / 8;
                    next[x] += carry;
                    next[x - 1] += e / 4;
                }
                bits |= unsigned(white) << (7 - (x & 7));
                if ((x & 7) == 0) {
                    row[x >> 3] = uint8_t(bits);
                    bits = 0;
                }
            }
        }
    }

  private:
    int w_;
    std::vector<int32_t> cur_, next_;
};

void WriteHeaders(std::vector<uint8_t>& out, int w, int h, int bitCount) {
    const size_t imageSize = size_t(BmpStride(w, bitCount)) * size_t(h);
    const std::vector<BmpColor> palette =
        bitCount == 8 ? BmpGrayPalette()
                      : std::vector<BmpColor>(std::begin(kBmpBlackWhite), std::end(kBmpBlackWhite));
    LeWriter wr(out);
    WriteBmpHeader(wr, PackedBmpHeader(w, h, bitCount, palette.size(), imageSize));
    WriteBmpPalette(wr, palette);
}

// Where the working image goes row by row: built in place in a vector of the whole file,
// or through a buffer of some tens of kilobytes to a sink, so that a large picture never
// needs fresh memory of its own size (which costs more than converting it).
class Output {
  public:
    explicit Output(std::vector<uint8_t>& whole) : whole_(&whole) {}
    explicit Output(const ImageSink& sink) : sink_(&sink) {}

    void Begin(int w, int h, int bitCount) {
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

    // The next row, zeroed; null once the sink has refused.
    uint8_t* NextRow() {
        if (whole_) {
            uint8_t* row = whole_->data() + used_;
            used_ += stride_;
            return row;
        }
        if (used_ + stride_ > buf_.capacity() && !Flush()) return nullptr;
        buf_.resize(used_ + stride_);  // the new row comes zeroed
        uint8_t* row = buf_.data() + used_;
        used_ += stride_;
        return row;
    }

    bool End() { return whole_ || Flush(); }

  private:
    static constexpr size_t kChunk = 32768;

    bool Flush() {
        if (used_ && !(*sink_)(std::span<const uint8_t>(buf_.data(), used_))) return false;
        used_ = 0;
        buf_.clear();
        return true;
    }

    std::vector<uint8_t>* whole_ = nullptr;
    const ImageSink* sink_ = nullptr;
    std::vector<uint8_t> buf_;
    size_t stride_ = 0, used_ = 0;
};

ConvertResult GrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast, int brightness,
                        Output& out) {
    const int want = variant == GrayVariant::Colour ? 24 : variant == GrayVariant::Gray ? 8 : 1;
    LogoPixels img;
    if (!ParseLogoSource(source, want, img)) return ConvertResult::BadFormat;
    const int c = ClampSetting(contrast), b = ClampSetting(brightness);
    try {
        out.Begin(img.width, img.height, 8);
        const Lut t = LevelTable(c, b);
        const WeightedTables wt(t, t, t);
        for (int y = 0; y < img.height; ++y) {
            const uint8_t* p = img.Row(y);
            uint8_t* d = out.NextRow();
            if (!d) return ConvertResult::Failed;
            switch (variant) {
                case GrayVariant::Colour:
                    ColourLevelRow(p, img.width, wt, d);
                    break;
                case GrayVariant::Gray:
                    GrayLevelRow(p, img.width, t, d);
                    break;
                case GrayVariant::TwoLevel:
                    for (int x = 0; x < img.width; ++x) d[x] = PixelBit(p, x) ? t[255] : t[0];
                    break;
            }
        }
        if (!out.End()) return ConvertResult::Failed;
    } catch (const std::bad_alloc&) {
        return ConvertResult::Failed;
    }
    return ConvertResult::Ok;
}

ConvertResult MonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                        Output& out) {
    ByteReader r(source);
    BmpHeader h;
    if (!ReadBmpHeader(r, h) || h.signature != kBmpSignature || h.compression != 0)
        return ConvertResult::BadFormat;
    if (h.bitCount == 1) {
        // "Unchanged" promises that the source can be sent as it is: the same checks as the
        // download's, made now rather than after the user chose it.
        LogoPixels one;
        return ParseLogoSource(source, 1, one) && ClassifyMonoPalette(source) != MonoPalette::Other
                   ? ConvertResult::Unchanged
                   : ConvertResult::BadFormat;
    }
    if (h.bitCount != 24 && h.bitCount != 8) return ConvertResult::BadFormat;
    LogoPixels img;
    if (!ParseLogoSource(source, h.bitCount, img)) return ConvertResult::BadFormat;
    const int c = ClampSetting(contrast), b = ClampSetting(brightness);
    const bool colour = img.bitCount == 24;
    const uint64_t n = uint64_t(img.width) * uint64_t(img.height);
    const int method =
        halftone == kHalftoneDitherM3 || halftone == kHalftoneDitherM4 || halftone == kHalftoneErrorDiffuse
            ? halftone
            : kHalftoneNone;
    try {
        const Lut t = LevelTable(c, b);
        Lut tb = t, tg = t, tr = t;
        if (colour && method == kHalftoneDitherM4) {
            // Dither M4 on colour works around the picture's own raw channel means.
            uint64_t s[3];
            ChannelSums(img, IdentityTable(), s);
            tb = AroundMeanTable(c, b, int(s[0] / n));
            tg = AroundMeanTable(c, b, int(s[1] / n));
            tr = AroundMeanTable(c, b, int(s[2] / n));
        }
        const WeightedTables wt(tb, tg, tr);

        const uint32_t scale = colour ? 1000 : 1;
        RowThresholds th;
        if (method == kHalftoneNone) {
            // The picture's mean level is the threshold: a first pass for the sums only.
            uint64_t s[3];
            ChannelSums(img, t, s);
            const int mean = colour ? Luminance(int(s[2] / n), int(s[1] / n), int(s[0] / n)) : int(s[0] / n);
            th.fill(scale * uint32_t(mean + 1));
        }

        out.Begin(img.width, img.height, 1);
        std::optional<Diffuser> diffuser;
        if (method == kHalftoneErrorDiffuse) diffuser.emplace(img.width);
        for (int y = 0; y < img.height; ++y) {
            const uint8_t* p = img.Row(y);
            uint8_t* row = out.NextRow();
            if (!row) return ConvertResult::Failed;
            if (diffuser) {
                if (colour)
                    diffuser->Row(y & 1, row, [p, &wt](int x) { return int32_t(wt.Sum(p + 3 * x) / 1000u); });
                else
                    diffuser->Row(y & 1, row, [p, &t](int x) { return int32_t(t[p[x]]); });
                continue;
            }
            if (method != kHalftoneNone) th = DitherThresholds(method, y, colour, scale);
            if (colour)
                PackColourRow(p, img.width, wt, th, row);
            else
                PackGrayRow(p, img.width, t, th, row);
        }
        if (!out.End()) return ConvertResult::Failed;
    } catch (const std::bad_alloc&) {
        return ConvertResult::Failed;
    }
    return ConvertResult::Ok;
}

}  // namespace

int MeanLuminance(const LogoPixels& img, int c, int b) {
    uint64_t s[3];
    ChannelSums(img, LevelTable(c, b), s);
    const uint64_t n = uint64_t(img.width) * uint64_t(img.height);
    return Luminance(int(s[2] / n), int(s[1] / n), int(s[0] / n));
}

std::string WorkingImagePath(const std::string& source) {
    return source.substr(0, source.size() >= 4 ? source.size() - 4 : 0) + "Temp.bmp";
}

ConvertResult ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast,
                                 int brightness, std::vector<uint8_t>& out) {
    Output o(out);
    const ConvertResult r = GrayImage(source, variant, contrast, brightness, o);
    if (r == ConvertResult::Failed) out.clear();
    return r;
}

ConvertResult ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast,
                                 int brightness, const ImageSink& sink) {
    Output o(sink);
    return GrayImage(source, variant, contrast, brightness, o);
}

ConvertResult ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                                 std::vector<uint8_t>& out) {
    out.clear();
    Output o(out);
    const ConvertResult r = MonoImage(source, halftone, contrast, brightness, o);
    if (r != ConvertResult::Ok) out.clear();
    return r;
}

ConvertResult ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                                 const ImageSink& sink) {
    Output o(sink);
    return MonoImage(source, halftone, contrast, brightness, o);
}

namespace {

ConvertResult WriteWorking(platform::FileSystem& fs, const std::string& path,
                           const std::vector<uint8_t>& data, std::string& output) {
    if (path.empty() || fs.WriteFile(path, data) != platform::kOk) return ConvertResult::Failed;
    output = path;
    return ConvertResult::Ok;
}

}  // namespace

ConvertResult ConvertToGray(platform::FileSystem& fs, const std::string& source, const std::string& working,
                            std::string& output, GrayVariant variant, int contrast, int brightness) {
    std::vector<uint8_t> src, img;
    try {
        if (platform::ReadBoundedFile(fs, source, platform::FileKind::Logo, src) != platform::kOk)
            return ConvertResult::Failed;
    } catch (const std::bad_alloc&) {
        return ConvertResult::Failed;
    }
    const ConvertResult r = ConvertToGrayImage(src, variant, contrast, brightness, img);
    if (r != ConvertResult::Ok) return r;
    return WriteWorking(fs, working, img, output);
}

ConvertResult ConvertToMono(platform::FileSystem& fs, const std::string& source, const std::string& working,
                            std::string& output, int halftone, int contrast, int brightness) {
    std::vector<uint8_t> src, img;
    try {
        if (platform::ReadBoundedFile(fs, source, platform::FileKind::Logo, src) != platform::kOk)
            return ConvertResult::Failed;
    } catch (const std::bad_alloc&) {
        return ConvertResult::Failed;
    }
    const ConvertResult r = ConvertToMonoImage(src, halftone, contrast, brightness, img);
    if (r == ConvertResult::Unchanged || r == ConvertResult::BadFormat) {
        output = source;
        return r;
    }
    if (r != ConvertResult::Ok) return r;
    return WriteWorking(fs, working, img, output);
}

ConvertResult ConvertToGray(platform::FileSystem& fs, const std::string& source, std::string& output,
                            GrayVariant variant, int contrast, int brightness) {
    return ConvertToGray(fs, source, WorkingImagePath(source), output, variant, contrast, brightness);
}

ConvertResult ConvertToMono(platform::FileSystem& fs, const std::string& source, std::string& output,
                            int halftone, int contrast, int brightness) {
    return ConvertToMono(fs, source, WorkingImagePath(source), output, halftone, contrast, brightness);
}

}  // namespace k20::prnui
