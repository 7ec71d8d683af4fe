#include "prnui/pages/watermark_bitmap.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/byte_reader.h"

namespace k20::prnui {

namespace {

constexpr uint32_t kOffset1Bit = 62;
constexpr uint32_t kOffset8Bit = 1078;
constexpr uint32_t kOffset24Bit = 54;
constexpr int32_t kMaxDimension = 32767;
// The preview refuses copies above 10 MiB anyway; this only stops a damaged header from
// asking for gigabytes.
constexpr uint64_t kMaxOutputBytes = 256ull << 20;

struct Headers {
    uint16_t signature;
    uint32_t pixelOffset;
    uint32_t infoSize;
    int32_t width, height;
    uint16_t bitCount;
    uint32_t compression;
};

bool ReadHeaders(ByteReader& r, Headers& h) {
    h.signature = r.u16();
    r.skip(8);
    h.pixelOffset = r.u32();
    h.infoSize = r.u32();
    h.width = r.i32();
    h.height = r.i32();
    r.skip(2);
    h.bitCount = r.u16();
    h.compression = r.u32();
    return r.ok();
}

// The bytes of the 24-bit rows a source becomes; zero when the header says nothing sane.
uint64_t TrueColorRowBytes(const Headers& h) {
    if (h.width <= 0 || h.height <= 0) return 0;
    return (3 * uint64_t(uint32_t(h.width)) + 3) / 4 * 4 * uint64_t(uint32_t(h.height));
}

}  // namespace

bool IsTrueColorSource(std::span<const uint8_t> source) {
    ByteReader r(source);
    Headers h{};
    return ReadHeaders(r, h) && h.signature == 0x4D42 && h.pixelOffset == kOffset24Bit && h.bitCount == 24;
}

bool ConvertToTrueColor(std::span<const uint8_t> source, std::vector<uint8_t>& out) {
    ByteReader r(source);
    Headers h{};
    if (!ReadHeaders(r, h) || h.signature != 0x4D42) return false;
    const bool oneBit = h.pixelOffset == kOffset1Bit && h.bitCount == 1;
    const bool eightBit = h.pixelOffset == kOffset8Bit && h.bitCount == 8;
    if (!oneBit && !eightBit) return false;
    if (h.infoSize != 40 || h.compression != 0) return false;
    if (h.width <= 0 || h.height <= 0 || h.width > kMaxDimension || h.height > kMaxDimension) return false;

    const uint64_t w = uint64_t(h.width), rows = uint64_t(h.height);
    const uint64_t srcStride = oneBit ? ((w + 7) / 8 + 3) / 4 * 4 : (w + 3) / 4 * 4;
    const uint64_t dstStride = (3 * w + 3) / 4 * 4;
    if (uint64_t(h.pixelOffset) + srcStride * rows > source.size()) return false;
    if (dstStride * rows + 54 > kMaxOutputBytes) return false;

    const uint8_t* palette = source.data() + 54;
    out.clear();
    out.reserve(size_t(dstStride * rows + 54));
    LeWriter wr(out);
    wr.u16(0x4D42).u32(uint32_t(dstStride * rows + 54));
    wr.bytes(source.subspan(6, 4));  // reserved words as read
    wr.u32(54);
    wr.bytes(source.subspan(14, 14));  // information header as read ...
    wr.u16(24);                        // ... with 24 bits
    wr.bytes(source.subspan(30, 24));

    const uint8_t pad = uint8_t((3 * w) % 4 ? 4 - (3 * w) % 4 : 0);
    const uint8_t* px = source.data() + h.pixelOffset;
    for (uint64_t y = 0; y < rows; ++y, px += srcStride) {
        for (uint64_t x = 0; x < w; ++x) {
            const uint8_t index = oneBit ? uint8_t((px[x / 8] >> (7 - x % 8)) & 1) : px[x];
            const uint8_t* c = palette + 4 * index;
            out.push_back(c[0]);
            out.push_back(c[1]);
            out.push_back(c[2]);
        }
        out.insert(out.end(), pad, oneBit ? 255 : 0);
    }
    return true;
}

CopyResult CopyAsTrueColor(platform::FileSystem& fs, const std::string& source,
                           const std::string& destination) {
    // The size is known before anything is read; a pattern would name other files.
    if (source.empty() || source.find_first_of("*?") != std::string::npos) return CopyResult::Unsupported;
    std::vector<platform::FindEntry> found;
    if (fs.FindFiles(source, found) || found.size() != 1 || found[0].isDirectory)
        return CopyResult::Unsupported;
    if (found[0].size > kMaxSourceBytes) return CopyResult::TooBig;
    std::vector<uint8_t> in;
    if (fs.ReadFile(source, in)) return CopyResult::Unsupported;
    {
        ByteReader r(in);
        Headers h{};
        if (ReadHeaders(r, h) && TrueColorRowBytes(h) > kMaxKeptBytes) return CopyResult::TooBig;
    }
    if (IsTrueColorSource(in)) {
        if (fs.CopyFile(source, destination, false)) return CopyResult::CannotCreate;
        uint32_t attrs = 0;
        if (fs.GetAttributes(destination, attrs)) return CopyResult::Unsupported;
        return fs.SetAttributes(destination, attrs | platform::kAttrArchive) ? CopyResult::Unsupported
                                                                             : CopyResult::Done;
    }
    std::vector<uint8_t> out;
    if (!ConvertToTrueColor(in, out)) return CopyResult::Unsupported;
    return fs.WriteFile(destination, out) ? CopyResult::CannotCreate : CopyResult::Done;
}

KeepResult ReadKeptBitmap(std::span<const uint8_t> file, KeptBitmap& out) {
    ByteReader r(file);
    Headers h{};
    if (!ReadHeaders(r, h) || h.signature != 0x4D42 || h.bitCount != 24 || h.compression != 0 ||
        h.infoSize < 40)
        return KeepResult::Unreadable;
    if (h.width <= 0 || h.height <= 0) return KeepResult::Unreadable;
    const uint64_t stride = (3 * uint64_t(uint32_t(h.width)) + 3) / 4 * 4;
    const uint64_t bytes = stride * uint64_t(uint32_t(h.height));
    if (bytes > kMaxKeptBytes) return KeepResult::TooBig;
    if (h.pixelOffset < 54 || h.pixelOffset > file.size() || bytes > file.size() - h.pixelOffset)
        return KeepResult::Unreadable;
    out.width = h.width;
    out.height = h.height;
    out.stride = size_t(stride);
    out.pixels.assign(file.begin() + h.pixelOffset, file.begin() + h.pixelOffset + std::ptrdiff_t(bytes));
    return KeepResult::Kept;
}

std::string WatermarkWorkingFile(const std::string& tempFolder, const std::string& printerName) {
    std::string name = printerName;
    for (char& c : name) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 32 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) c = '_';
    }
    return tempFolder + "\\" + name + "1.bmp";
}

// The preview repaints the whole kept bitmap (up to 10 MiB) on every WM_PAINT, so this
// runs sixteen bytes at a time where the processor allows it.
void ApplyBrightness(const uint8_t* src, uint8_t* dst, size_t n, uint8_t brightness) {
    const unsigned b = brightness;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i add = _mm_set1_epi8(char(brightness));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_adds_epu8(v, add));
    }
#endif
    for (; i < n; ++i) {
        const unsigned v = src[i] + b;
        dst[i] = uint8_t(v > 255 ? 255 : v);
    }
}

std::vector<StretchOp> PlaceWatermark(int U, int R, int S, int P, int position, int sizePercent) {
    std::vector<StretchOp> ops;
    const bool tiled = position == kTiledPosition;
    const int64_t c = tiled ? std::max(sizePercent, kMinTiledSize) : sizePercent;
    if (U <= 0 || R <= 0 || S <= 0 || P <= 0) return ops;
    const int64_t a = c > 0 ? std::min<int64_t>(R, int64_t(U) * P * 100 / (int64_t(S) * c)) : R;
    const int64_t d = S * c / 100;
    const int64_t e = std::min<int64_t>(P, S * c * a / (int64_t(U) * 100));
    if (d <= 0 || e <= 0 || a <= 0) return ops;

    if (!tiled) {
        const int col = position % 3, row = position / 3;
        const int64_t x = col == 0 ? 0 : col == 1 ? (S - d) / 2 : S - d;
        const int64_t y = row == 0 ? 0 : row == 1 ? (P - e) / 2 : P - e;
        const int64_t srcY = row == 1 ? (R - a) / 2 : row == 2 ? R - a : 0;
        ops.push_back({int(x), int(y), int(d), int(e), 0, int(srcY), U, int(a)});
        return ops;
    }

    // One column: P / e full copies from the top, then the top part of the source rows
    // for the height left over.
    auto column = [&](int64_t x, int64_t width, int64_t srcW) {
        const int64_t copies = P / e;
        for (int64_t j = 0; j < copies; ++j)
            ops.push_back({int(x), int(j * e), int(width), int(e), 0, 0, int(srcW), int(a)});
        const int64_t left = P - copies * e;
        if (left > 0 && a * left / e > 0)
            ops.push_back(
                {int(x), int(copies * e), int(width), int(left), 0, 0, int(srcW), int(a * left / e)});
    };
    const int64_t columns = 100 / c;
    for (int64_t i = 0; i < columns; ++i) column(c * S * i / 100, d, U);
    const int64_t leftW = S - columns * d;
    if (leftW > 0 && U * leftW / d > 0) column(columns * d, leftW, U * leftW / d);
    return ops;
}

TextOrigin RotatedTextOrigin(int cx, int cy, int angleDegrees) {
    const double theta = angleDegrees * 0.017453292522222223;
    const int hx = cx / 2, hy = cy / 2;
    const int x = kTextSquare / 2 - int(std::trunc(hx * std::cos(theta) - hy * std::sin(theta)));
    const int y = kTextSquare / 2 + int(std::trunc(hx * std::sin(theta) + hy * std::cos(theta)));
    return {x, y};
}

std::vector<uint8_t> EncodeRenderedText(std::span<const uint8_t> pixels) {
    std::vector<uint8_t> out;
    out.reserve(54 + kRenderedTextPixels);
    LeWriter w(out);
    w.u16(0x4D42).u32(270054).u16(0).u16(0).u32(54);
    w.u32(40).i32(kTextSquare).i32(kTextSquare).u16(1).u16(24).zeros(24);
    const size_t n = std::min(pixels.size(), kRenderedTextPixels);
    w.bytes(pixels.first(n));
    w.zeros(kRenderedTextPixels - n);
    return out;
}

}  // namespace k20::prnui
