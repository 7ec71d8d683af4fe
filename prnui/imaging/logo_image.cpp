#include "prnui/imaging/logo_image.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

#include "common/bmp_file.h"

namespace k20::prnui {

const uint8_t DitherMatrix8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
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
            {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
            {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
            {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
        };
        return t[r][c];
    }
};
constexpr Matrix16 kMatrix16;

int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }
int ClampSetting(int v) { return v < -100 ? -100 : (v > 100 ? 100 : v); }

}  // namespace

const uint8_t DitherMatrix16[16][16] = {
#define K20_ROW(r)                                                                                             \
    {kMatrix16.m[r][0],  kMatrix16.m[r][1],  kMatrix16.m[r][2],  kMatrix16.m[r][3],  kMatrix16.m[r][4],     \
     kMatrix16.m[r][5],  kMatrix16.m[r][6],  kMatrix16.m[r][7],  kMatrix16.m[r][8],  kMatrix16.m[r][9],     \
     kMatrix16.m[r][10], kMatrix16.m[r][11], kMatrix16.m[r][12], kMatrix16.m[r][13], kMatrix16.m[r][14],    \
     kMatrix16.m[r][15]}
    K20_ROW(0),  K20_ROW(1),  K20_ROW(2),  K20_ROW(3),  K20_ROW(4),  K20_ROW(5),  K20_ROW(6),  K20_ROW(7),
    K20_ROW(8),  K20_ROW(9),  K20_ROW(10), K20_ROW(11), K20_ROW(12), K20_ROW(13), K20_ROW(14), K20_ROW(15),
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

int Luminance(int r, int g, int b) { return (587 * g + 299 * r + 114 * b) / 1000; }

bool GrayVariantFor(int bitCount, GrayVariant& v) {
    switch (bitCount) {
    case 24: v = GrayVariant::Colour; return true;
    case 8: v = GrayVariant::Gray; return true;
    case 1: v = GrayVariant::TwoLevel; return true;
    default: return false;
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
    case 24: offset = kColourPixelOffset; fullPalette = 0; break;
    case 8: offset = kGrayPixelOffset; fullPalette = 256; break;
    case 1: offset = kMonoPixelOffset; fullPalette = 2; break;
    default: return false;
    }
    // Rows are read at the fixed offset of the depth; a file laid out otherwise would be
    // read as garbage, so it is refused instead.
    if (h.infoSize != kBmpInfoHeaderSize || h.pixelOffset != offset) return false;
    if (h.colorsUsed != 0 && h.colorsUsed != fullPalette) return false;
    if (h.width <= 0 || h.width > kBmpMaxDimension || h.height <= 0 || h.height > kBmpMaxDimension) return false;
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

bool PixelBit(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1; }

// Levels of every pixel (after contrast and brightness), row by row, w bytes a row.
struct Levels {
    int w = 0, h = 0;
    std::vector<uint8_t> v;
    uint64_t sum[3] = {0, 0, 0};  // per channel (B, G, R) for colour, [0] for gray
};

void ColourLevels(const LogoPixels& img, const Lut& t, Levels& out) {
    out.w = img.width;
    out.h = img.height;
    out.v.resize(size_t(img.width) * size_t(img.height));
    uint8_t* dst = out.v.data();
    uint64_t sb = 0, sg = 0, sr = 0;
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* p = img.Row(y);
        for (int x = 0; x < img.width; ++x, p += 3) {
            const int b = t[p[0]], g = t[p[1]], r = t[p[2]];
            sb += unsigned(b);
            sg += unsigned(g);
            sr += unsigned(r);
            *dst++ = uint8_t(Luminance(r, g, b));
        }
    }
    out.sum[0] = sb;
    out.sum[1] = sg;
    out.sum[2] = sr;
}

void GrayLevels(const LogoPixels& img, const Lut& t, Levels& out) {
    out.w = img.width;
    out.h = img.height;
    out.v.resize(size_t(img.width) * size_t(img.height));
    uint8_t* dst = out.v.data();
    uint64_t s = 0;
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* p = img.Row(y);
        for (int x = 0; x < img.width; ++x) {
            const uint8_t l = t[p[x]];
            s += l;
            *dst++ = l;
        }
    }
    out.sum[0] = s;
}

void SetWhite(uint8_t* row, int x) { row[x >> 3] |= uint8_t(0x80 >> (x & 7)); }

void Threshold(const Levels& L, int threshold, size_t stride, uint8_t* bits) {
    for (int y = 0; y < L.h; ++y) {
        const uint8_t* l = L.v.data() + size_t(y) * size_t(L.w);
        uint8_t* row = bits + size_t(y) * stride;
        for (int x = 0; x < L.w; ++x)
            if (l[x] > threshold) SetWhite(row, x);
    }
}

// Dither M3: the level's top six bits against the 8 x 8 matrix; colour sources turn
// white on equality, gray ones only above it.
void DitherM3(const Levels& L, bool whiteOnEqual, size_t stride, uint8_t* bits) {
    for (int y = 0; y < L.h; ++y) {
        const uint8_t* l = L.v.data() + size_t(y) * size_t(L.w);
        const uint8_t* m = DitherMatrix8[y & 7];
        uint8_t* row = bits + size_t(y) * stride;
        for (int x = 0; x < L.w; ++x) {
            const int q = l[x] >> 2, e = m[x & 7];
            if (whiteOnEqual ? q >= e : q > e) SetWhite(row, x);
        }
    }
}

void DitherM4(const Levels& L, bool whiteOnEqual, size_t stride, uint8_t* bits) {
    for (int y = 0; y < L.h; ++y) {
        const uint8_t* l = L.v.data() + size_t(y) * size_t(L.w);
        const uint8_t* m = DitherMatrix16[y & 15];
        uint8_t* row = bits + size_t(y) * stride;
        for (int x = 0; x < L.w; ++x) {
            const int q = l[x], e = m[x & 15];
            if (whiteOnEqual ? q >= e : q > e) SetWhite(row, x);
        }
    }
}

// Serpentine error diffusion to the pixel ahead and the two below. The errors stay
// small integers, so e x 0.375 and e x 0.25 (exact in single and double precision)
// truncated toward zero are e * 3 / 8 and e / 4 in integer arithmetic.
void ErrorDiffuse(const Levels& L, size_t stride, uint8_t* bits) {
    const int w = L.w;
    std::vector<int32_t> cur(size_t(w) + 2, 0), next(size_t(w) + 2, 0);
    for (int y = 0; y < L.h; ++y) {
        cur.swap(next);
        std::fill(next.begin(), next.end(), 0);
        int32_t carry = 0;
        const uint8_t* l = L.v.data() + size_t(y) * size_t(w);
        uint8_t* row = bits + size_t(y) * stride;
        const bool last = y == L.h - 1;
        if (y & 1) {
            for (int x = 0; x < w; ++x) {
                const int32_t v = l[x] + cur[size_t(x)] + carry;
                int32_t e = v;
                if (v > 128) {
                    SetWhite(row, x);
                    e = v - 255;
                }
                if (x + 1 < w) carry = e * 3 / 8;
                if (!last) {
                    next[size_t(x)] += e * 3 / 8;
                    next[size_t(x) + 1] += e / 4;  // lands in the spare entry w for the last column
                }
            }
        } else {
            for (int x = w - 1; x >= 0; --x) {
                const int32_t v = l[x] + cur[size_t(x)] + carry;
                int32_t e = v;
                if (v > 128) {
                    SetWhite(row, x);
                    e = v - 255;
                }
                if (x > 0) {
                    carry = e * 3 / 8;
                    if (!last) {
                        next[size_t(x)] += e * 3 / 8;
                        next[size_t(x) - 1] += e / 4;
                    }
                }
            }
        }
    }
}

void WriteHeaders(std::vector<uint8_t>& out, int w, int h, int bitCount) {
    const size_t stride = size_t(BmpStride(w, bitCount));
    const size_t imageSize = stride * size_t(h);
    const size_t offset = bitCount == 8 ? kGrayPixelOffset : kMonoPixelOffset;
    BmpHeader hd;
    hd.signature = kBmpSignature;
    hd.fileSize = uint32_t(offset + imageSize);
    hd.pixelOffset = uint32_t(offset);
    hd.infoSize = kBmpInfoHeaderSize;
    hd.width = w;
    hd.height = h;
    hd.planes = 1;
    hd.bitCount = uint16_t(bitCount);
    hd.imageSize = uint32_t(imageSize);
    out.clear();
    out.reserve(offset + imageSize);
    LeWriter wr(out);
    WriteBmpHeader(wr, hd);
    if (bitCount == 8) {
        for (int i = 0; i < 256; ++i) wr.u8(uint8_t(i)).u8(uint8_t(i)).u8(uint8_t(i)).u8(0);
    } else {
        wr.u32(0).u8(255).u8(255).u8(255).u8(0);
    }
    out.resize(offset + imageSize, 0);
}

}  // namespace

int MeanLuminance(const LogoPixels& img, int c, int b) {
    const Lut t = LevelTable(c, b);
    uint64_t s[3] = {0, 0, 0};
    for (int y = 0; y < img.height; ++y) {
        const uint8_t* p = img.Row(y);
        for (int x = 0; x < img.width; ++x, p += 3)
            for (int k = 0; k < 3; ++k) s[k] += t[p[k]];
    }
    const uint64_t n = uint64_t(img.width) * uint64_t(img.height);
    return Luminance(int(s[2] / n), int(s[1] / n), int(s[0] / n));
}

std::string WorkingImagePath(const std::string& source) {
    return source.substr(0, source.size() >= 4 ? source.size() - 4 : 0) + "Temp.bmp";
}

int ConvertToGrayImage(std::span<const uint8_t> source, GrayVariant variant, int contrast, int brightness,
                       std::vector<uint8_t>& out) {
    const int want = variant == GrayVariant::Colour ? 24 : variant == GrayVariant::Gray ? 8 : 1;
    LogoPixels img;
    if (!ParseLogoSource(source, want, img)) return kConvertBadFormat;
    const int c = ClampSetting(contrast), b = ClampSetting(brightness);
    try {
        WriteHeaders(out, img.width, img.height, 8);
        const size_t stride = size_t(BmpStride(img.width, 8));
        uint8_t* dst = out.data() + kGrayPixelOffset;
        const Lut t = LevelTable(c, b);
        for (int y = 0; y < img.height; ++y) {
            const uint8_t* p = img.Row(y);
            uint8_t* d = dst + size_t(y) * stride;
            switch (variant) {
            case GrayVariant::Colour:
                for (int x = 0; x < img.width; ++x, p += 3) d[x] = uint8_t(Luminance(t[p[2]], t[p[1]], t[p[0]]));
                break;
            case GrayVariant::Gray:
                for (int x = 0; x < img.width; ++x) d[x] = t[p[x]];
                break;
            case GrayVariant::TwoLevel:
                for (int x = 0; x < img.width; ++x) d[x] = PixelBit(p, x) ? t[255] : t[0];
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        return kConvertFailed;
    }
    return kConvertOk;
}

int ConvertToMonoImage(std::span<const uint8_t> source, int halftone, int contrast, int brightness,
                       std::vector<uint8_t>& out) {
    out.clear();
    ByteReader r(source);
    BmpHeader h;
    if (!ReadBmpHeader(r, h) || h.signature != kBmpSignature || h.compression != 0) return kConvertBadFormat;
    if (h.bitCount == 1) return kConvertUnchanged;
    if (h.bitCount != 24 && h.bitCount != 8) return kConvertBadFormat;
    LogoPixels img;
    if (!ParseLogoSource(source, h.bitCount, img)) return kConvertBadFormat;
    const int c = ClampSetting(contrast), b = ClampSetting(brightness);
    const bool colour = img.bitCount == 24;
    try {
        Levels L;
        const uint64_t n = uint64_t(img.width) * uint64_t(img.height);
        if (colour && halftone == kHalftoneDitherM4) {
            // Dither M4 on colour works around the picture's own raw channel means.
            uint64_t s[3] = {0, 0, 0};
            for (int y = 0; y < img.height; ++y) {
                const uint8_t* p = img.Row(y);
                for (int x = 0; x < img.width; ++x, p += 3) {
                    s[0] += p[0];
                    s[1] += p[1];
                    s[2] += p[2];
                }
            }
            const Lut tb = AroundMeanTable(c, b, int(s[0] / n));
            const Lut tg = AroundMeanTable(c, b, int(s[1] / n));
            const Lut tr = AroundMeanTable(c, b, int(s[2] / n));
            L.w = img.width;
            L.h = img.height;
            L.v.resize(size_t(n));
            uint8_t* dst = L.v.data();
            for (int y = 0; y < img.height; ++y) {
                const uint8_t* p = img.Row(y);
                for (int x = 0; x < img.width; ++x, p += 3) *dst++ = uint8_t(Luminance(tr[p[2]], tg[p[1]], tb[p[0]]));
            }
        } else if (colour) {
            ColourLevels(img, LevelTable(c, b), L);
        } else {
            GrayLevels(img, LevelTable(c, b), L);
        }

        WriteHeaders(out, img.width, img.height, 1);
        const size_t stride = size_t(BmpStride(img.width, 1));
        uint8_t* bits = out.data() + kMonoPixelOffset;
        switch (halftone) {
        case kHalftoneDitherM3: DitherM3(L, colour, stride, bits); break;
        case kHalftoneDitherM4: DitherM4(L, colour, stride, bits); break;
        case kHalftoneErrorDiffuse: ErrorDiffuse(L, stride, bits); break;
        default: {
            int threshold;
            if (colour)
                threshold = Luminance(int(L.sum[2] / n), int(L.sum[1] / n), int(L.sum[0] / n));
            else
                threshold = int(L.sum[0] / n);
            Threshold(L, threshold, stride, bits);
            break;
        }
        }
    } catch (const std::bad_alloc&) {
        out.clear();
        return kConvertFailed;
    }
    return kConvertOk;
}

namespace {

int WriteWorking(platform::FileSystem& fs, const std::string& source, const std::vector<uint8_t>& data,
                 std::string& output) {
    const std::string path = WorkingImagePath(source);
    if (fs.WriteFile(path, data) != platform::kOk) return kConvertFailed;
    output = path;
    return kConvertOk;
}

}  // namespace

int ConvertToGray(platform::FileSystem& fs, const std::string& source, std::string& output, GrayVariant variant,
                  int contrast, int brightness) {
    std::vector<uint8_t> src, img;
    try {
        if (fs.ReadFile(source, src) != platform::kOk) return kConvertFailed;
    } catch (const std::bad_alloc&) {
        return kConvertFailed;
    }
    const int r = ConvertToGrayImage(src, variant, contrast, brightness, img);
    if (r != kConvertOk) return r;
    return WriteWorking(fs, source, img, output);
}

int ConvertToMono(platform::FileSystem& fs, const std::string& source, std::string& output, int halftone,
                  int contrast, int brightness) {
    std::vector<uint8_t> src, img;
    try {
        if (fs.ReadFile(source, src) != platform::kOk) return kConvertFailed;
    } catch (const std::bad_alloc&) {
        return kConvertFailed;
    }
    const int r = ConvertToMonoImage(src, halftone, contrast, brightness, img);
    if (r == kConvertUnchanged || r == kConvertBadFormat) {
        output = source;
        return r;
    }
    if (r != kConvertOk) return r;
    return WriteWorking(fs, source, img, output);
}

}  // namespace k20::prnui
