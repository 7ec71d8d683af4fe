#include "tests/prnui/imaging/reference.h"

#include <cmath>
#include <random>

namespace k20::test {

static const int kM8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},    {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},    {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

int RefAdjustLevel(int v, int c, int b) {
    int d;
    if (c < 0) {
        float num = 255.0f;
        float den = float(2 * c + 255);
        float step = num / den;
        float q = float(v) / step;
        float r = q - float(c);
        d = int(std::trunc(r));
    } else if (v <= c) {
        d = 0;
    } else if (v >= 255 - c) {
        d = 255;
    } else {
        double kd = (255.0 - 2.0 * double(c)) / 255.0;
        float k = float(kd);
        double q = double(v - c) / double(k);
        d = int(std::trunc(q));
    }
    d += b;
    return d < 0 ? 0 : d > 255 ? 255 : d;
}

int RefAdjustAroundMean(int v, int c, int b, int m) {
    double fd = c >= 0 ? 1.0 + double(c) / 10.0 : 1.0 - std::sqrt(double(-c)) / 10.0;
    float f = float(fd);
    float diff = float(v - m);
    float prod = diff * f;
    float sum = prod + float(m);
    int r = int(std::trunc(sum)) + b;
    return r < 0 ? 0 : r > 255 ? 255 : r;
}

int RefLuminance(int r, int g, int b) {
    return (587 * g + 299 * r + 114 * b) / 1000;
}

int RefDither16(int r, int c) {
    int k = r < 8 ? (c < 8 ? 0 : 3) : (c < 8 ? 2 : 1);
    return 4 * kM8[r % 8][c % 8] + k;
}

static int Sample(const BmpImage& img, int x, int y, int ch) {
    return img.bitCount == 24 ? img.Row(y)[3 * x + ch] : img.Row(y)[x];
}

static std::vector<uint8_t> Headers(int w, int h, int bits) {
    BmpImage out;
    out.width = w;
    out.height = h;
    out.bitCount = bits;
    out.stride = size_t(BmpStride(w, bits));
    out.pixels.assign(out.stride * size_t(h), 0);
    if (bits == 1) out.palette = {BmpColor{0, 0, 0, 0}, BmpColor{255, 255, 255, 0}};
    return EncodeBmp(out);
}

std::vector<uint8_t> RefConvertToGray(const BmpImage& img, int c, int b) {
    std::vector<uint8_t> f = Headers(img.width, img.height, 8);
    size_t stride = size_t(BmpStride(img.width, 8));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            int v;
            if (img.bitCount == 24)
                v = RefLuminance(RefAdjustLevel(Sample(img, x, y, 2), c, b),
                                 RefAdjustLevel(Sample(img, x, y, 1), c, b),
                                 RefAdjustLevel(Sample(img, x, y, 0), c, b));
            else if (img.bitCount == 8)
                v = RefAdjustLevel(Sample(img, x, y, 0), c, b);
            else
                v = RefAdjustLevel(((img.Row(y)[x / 8] >> (7 - x % 8)) & 1) ? 255 : 0, c, b);
            f[1078 + size_t(y) * stride + size_t(x)] = uint8_t(v);
        }
    return f;
}

std::vector<uint8_t> RefConvertToMono(const BmpImage& img, int halftone, int c, int b) {
    const int w = img.width, h = img.height;
    const bool colour = img.bitCount == 24;
    std::vector<uint8_t> f = Headers(w, h, 1);
    const size_t stride = size_t(BmpStride(w, 1));
    auto white = [&](int x, int y) {
        f[62 + size_t(y) * stride + size_t(x / 8)] |= uint8_t(1 << (7 - x % 8));
    };
    auto level = [&](int x, int y) {
        if (!colour) return RefAdjustLevel(Sample(img, x, y, 0), c, b);
        return RefLuminance(RefAdjustLevel(Sample(img, x, y, 2), c, b),
                            RefAdjustLevel(Sample(img, x, y, 1), c, b),
                            RefAdjustLevel(Sample(img, x, y, 0), c, b));
    };
    const long long n = (long long)w * h;
    if (halftone == 0) {
        int t;
        if (colour) {
            long long s[3] = {0, 0, 0};
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int k = 0; k < 3; ++k) s[k] += RefAdjustLevel(Sample(img, x, y, k), c, b);
            t = RefLuminance(int(s[2] / n), int(s[1] / n), int(s[0] / n));
        } else {
            long long s = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) s += RefAdjustLevel(Sample(img, x, y, 0), c, b);
            t = int(s / n);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (level(x, y) > t) white(x, y);
    } else if (halftone == 1) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int q = level(x, y) >> 2, m = kM8[y % 8][x % 8];
                if (colour ? q >= m : q > m) white(x, y);
            }
    } else if (halftone == 2) {
        int mean[3] = {0, 0, 0};
        if (colour) {
            long long s[3] = {0, 0, 0};
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    for (int k = 0; k < 3; ++k) s[k] += Sample(img, x, y, k);
            for (int k = 0; k < 3; ++k) mean[k] = int(s[k] / n);
        }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int m = RefDither16(y % 16, x % 16);
                if (colour) {
                    int l = RefLuminance(RefAdjustAroundMean(Sample(img, x, y, 2), c, b, mean[2]),
                                         RefAdjustAroundMean(Sample(img, x, y, 1), c, b, mean[1]),
                                         RefAdjustAroundMean(Sample(img, x, y, 0), c, b, mean[0]));
                    if (l >= m) white(x, y);
                } else if (level(x, y) > m) {
                    white(x, y);
                }
            }
    } else {
        std::vector<int32_t> cur(2000, 0), next(2000, 0);
        for (int y = 0; y < h; ++y) {
            cur = next;
            std::fill(next.begin(), next.end(), 0);
            int32_t carry = 0;
            const bool ltr = (y % 2) == 1;
            for (int i = 0; i < w; ++i) {
                int x = ltr ? i : w - 1 - i;
                int v = level(x, y) + cur[size_t(x)] + carry;
                float e;
                if (v > 128) {
                    white(x, y);
                    e = float(v - 255);
                } else {
                    e = float(v);
                }
                bool more = i + 1 < w;
                if (more) carry = int32_t(std::trunc(e * 0.375f));
                if (y != h - 1) {
                    if (ltr) {
                        next[size_t(x)] += int32_t(std::trunc(double(e) * 0.375));
                        next[size_t(x) + 1] += int32_t(std::trunc(double(e) * 0.25));
                    } else if (x != 0) {
                        next[size_t(x)] += int32_t(std::trunc(double(e) * 0.375));
                        next[size_t(x) - 1] += int32_t(std::trunc(double(e) * 0.25));
                    }
                }
            }
        }
    }
    return f;
}

BmpImage RandomImage(uint32_t seed, int w, int h, int bitCount) {
    std::mt19937 rng(seed);
    BmpImage img;
    img.width = w;
    img.height = h;
    img.bitCount = bitCount;
    img.stride = size_t(BmpStride(w, bitCount));
    img.pixels.assign(img.stride * size_t(h), 0);
    // Smooth gradients plus noise, so that thresholds near the middle are exercised.
    for (int y = 0; y < h; ++y) {
        uint8_t* row = img.Row(y);
        const size_t used = bitCount == 24 ? size_t(3 * w) : bitCount == 8 ? size_t(w) : (size_t(w) + 7) / 8;
        for (size_t i = 0; i < used; ++i) row[i] = uint8_t((i * 7 + size_t(y) * 5 + rng() % 64) & 0xFF);
        if (seed % 3 == 0)
            for (size_t i = 0; i < used; ++i) row[i] = uint8_t(rng());
    }
    if (bitCount == 8)
        for (int i = 0; i < 256; ++i)
            img.palette.push_back(BmpColor{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0});
    if (bitCount == 1) img.palette = {BmpColor{0, 0, 0, 0}, BmpColor{255, 255, 255, 0}};
    return img;
}

BmpImage FlatImage(int w, int h, int bitCount, uint8_t value) {
    BmpImage img = RandomImage(1, w, h, bitCount);
    std::fill(img.pixels.begin(), img.pixels.end(), value);
    return img;
}

}  // namespace k20::test
