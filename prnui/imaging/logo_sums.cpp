#include "prnui/imaging/logo_sums.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace k20::prnui {

namespace {

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

}  // namespace

namespace logo {

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

}  // namespace logo

int MeanLuminance(const LogoPixels& img, int c, int b) {
    uint64_t s[3];
    logo::ChannelSums(img, logo::LevelTable(c, b), s);
    const uint64_t n = uint64_t(img.width) * uint64_t(img.height);
    return Luminance(int(s[2] / n), int(s[1] / n), int(s[0] / n));
}

}  // namespace k20::prnui
