#include <gtest/gtest.h>

#include "common/bmp_file.h"
#include "platform/sim/sim_machine.h"
#include "prnui/imaging/logo_image.h"
#include "tests/prnui/imaging/reference.h"

using namespace k20;
using namespace k20::prnui;
using namespace k20::test;

namespace {

struct LevelCase {
    int v, c, b, want;
};

TEST(AdjustLevel, ValuesGivenForTheSliders) {
    const LevelCase cases[] = {
        {200, 0, 0, 200},   {0, 0, 0, 0},       {255, 0, 0, 255},  {50, -100, 0, 110},  {200, -100, 0, 143},
        {100, 50, 20, 102}, {10, 0, -20, 0},    {120, 100, 0, 92}, {128, 100, 0, 129},  {100, 100, 0, 0},
        {155, 100, 0, 255}, {250, 0, 100, 255}, {0, -100, 0, 100}, {255, -100, 0, 155},
    };
    for (const auto& t : cases)
        EXPECT_EQ(AdjustLevel(t.v, t.c, t.b), t.want) << t.v << " " << t.c << " " << t.b;
}

TEST(AdjustLevel, EqualsTheLiteralFormulaEverywhere) {
    int mismatches = 0;
    for (int c = -100; c <= 100; ++c)
        for (int b = -100; b <= 100; ++b)
            for (int v = 0; v < 256; ++v)
                if (AdjustLevel(v, c, b) != RefAdjustLevel(v, c, b) && ++mismatches < 5)
                    ADD_FAILURE() << "v=" << v << " c=" << c << " b=" << b;
    EXPECT_EQ(mismatches, 0);
}

TEST(AdjustAroundMean, ValuesGivenForTheSliders) {
    EXPECT_EQ(AdjustAroundMean(200, 10, 0, 100), 255);
    EXPECT_EQ(AdjustAroundMean(200, -25, 0, 100), 150);
    for (int v : {0, 37, 128, 255}) EXPECT_EQ(AdjustAroundMean(v, -100, 7, 90), 97);
    EXPECT_EQ(AdjustAroundMean(0, 0, 0, 255), 0);
    EXPECT_EQ(AdjustAroundMean(10, 50, 0, 200), 0);  // far below the mean clamps at 0
}

TEST(AdjustAroundMean, EqualsTheLiteralFormulaEverywhere) {
    // Brightness is only added after the rounding; every (v, c, m) with the brightnesses
    // at both ends and the middle, and every brightness on a grid of means.
    int mismatches = 0;
    for (int c = -100; c <= 100; ++c)
        for (int m = 0; m < 256; ++m)
            for (int v = 0; v < 256; ++v)
                for (int b : {-100, -1, 0, 1, 100})
                    if (AdjustAroundMean(v, c, b, m) != RefAdjustAroundMean(v, c, b, m) && ++mismatches < 5)
                        ADD_FAILURE() << "v=" << v << " c=" << c << " b=" << b << " m=" << m;
    for (int c = -100; c <= 100; c += 3)
        for (int m = 0; m < 256; m += 17)
            for (int b = -100; b <= 100; ++b)
                for (int v = 0; v < 256; ++v)
                    if (AdjustAroundMean(v, c, b, m) != RefAdjustAroundMean(v, c, b, m) && ++mismatches < 5)
                        ADD_FAILURE() << "v=" << v << " c=" << c << " b=" << b << " m=" << m;
    EXPECT_EQ(mismatches, 0);
}

TEST(DitherMatrix, SixteenIsBuiltFromEightWithQuadrantOffsets) {
    EXPECT_EQ(DitherMatrix16[0][0], 0);
    EXPECT_EQ(DitherMatrix16[0][8], 3);
    EXPECT_EQ(DitherMatrix16[8][0], 2);
    EXPECT_EQ(DitherMatrix16[8][8], 1);
    EXPECT_EQ(DitherMatrix16[15][15], 4 * 21 + 1);
    bool seen[256] = {};
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) {
            EXPECT_EQ(DitherMatrix16[r][c], RefDither16(r, c));
            seen[DitherMatrix16[r][c]] = true;
        }
    for (bool s : seen) EXPECT_TRUE(s);  // a permutation of 0..255
}

TEST(WorkingImagePath, ReplacesTheExtension) {
    EXPECT_EQ(WorkingImagePath("C:\\logos\\shop.bmp"), "C:\\logos\\shopTemp.bmp");
    EXPECT_EQ(WorkingImagePath("C:\\logos\\shop.BMP"), "C:\\logos\\shopTemp.bmp");
    EXPECT_EQ(WorkingImagePath("ab"), "Temp.bmp");
}

std::vector<uint8_t> Mono(const BmpImage& img, int method, int c, int b) {
    std::vector<uint8_t> out;
    EXPECT_EQ(ConvertToMonoImage(EncodeBmp(img), method, c, b, out), ConvertResult::Ok);
    return out;
}

std::vector<uint8_t> Gray(const BmpImage& img, int c, int b) {
    GrayVariant v;
    EXPECT_TRUE(GrayVariantFor(img.bitCount, v));
    std::vector<uint8_t> out;
    EXPECT_EQ(ConvertToGrayImage(EncodeBmp(img), v, c, b, out), ConvertResult::Ok);
    return out;
}

// The fast conversion against the literal one on random pictures of awkward sizes.
TEST(Conversion, EqualsTheLiteralImplementationOnRandomImages) {
    const int sizes[][2] = {{1, 1}, {7, 3}, {10, 5}, {33, 17}, {64, 9}, {101, 40}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes)
        for (int bits : {24, 8})
            for (int rep = 0; rep < 3; ++rep, ++seed) {
                BmpImage img = RandomImage(seed, w, h, bits);
                const int c = int(seed * 37 % 201) - 100, b = int(seed * 53 % 201) - 100;
                for (int method = 0; method < 4; ++method)
                    ASSERT_EQ(Mono(img, method, c, b), RefConvertToMono(img, method, c, b))
                        << w << "x" << h << " bits " << bits << " method " << method << " c " << c << " b "
                        << b;
                ASSERT_EQ(Gray(img, c, b), RefConvertToGray(img, c, b)) << w << "x" << h << " bits " << bits;
            }
    BmpImage two = RandomImage(5, 29, 6, 1);
    EXPECT_EQ(Gray(two, 30, -10), RefConvertToGray(two, 30, -10));
}

TEST(Conversion, EqualsTheLiteralImplementationOnAContrastBrightnessGrid) {
    const BmpImage colour = RandomImage(11, 37, 21, 24);
    const BmpImage gray = RandomImage(12, 37, 21, 8);
    for (int c = -100; c <= 100; c += 20)
        for (int b = -100; b <= 100; b += 25)
            for (const BmpImage* img : {&colour, &gray}) {
                for (int method = 0; method < 4; ++method)
                    ASSERT_EQ(Mono(*img, method, c, b), RefConvertToMono(*img, method, c, b))
                        << "bits " << img->bitCount << " method " << method << " c " << c << " b " << b;
                ASSERT_EQ(Gray(*img, c, b), RefConvertToGray(*img, c, b));
            }
}

bool IsWhite(const std::vector<uint8_t>& mono, int w, int x, int y) {
    const size_t stride = size_t(BmpStride(w, 1));
    return (mono[62 + size_t(y) * stride + size_t(x / 8)] >> (7 - x % 8)) & 1;
}

TEST(ConvertToMono, FlatImageUnderNoneIsAllBlack) {
    for (int bits : {24, 8}) {
        auto out = Mono(FlatImage(13, 4, bits, 180), kHalftoneNone, 0, 0);
        for (size_t i = 62; i < out.size(); ++i) EXPECT_EQ(out[i], 0) << "bits " << bits;
    }
}

TEST(ConvertToMono, DitherM3TurnsWhiteOnEqualityOnlyForColour) {
    // Level 128 >> 2 = 32 equals DitherMatrix8[0][1].
    auto colour = Mono(FlatImage(8, 1, 24, 128), kHalftoneDitherM3, 0, 0);
    auto gray = Mono(FlatImage(8, 1, 8, 128), kHalftoneDitherM3, 0, 0);
    EXPECT_TRUE(IsWhite(colour, 8, 1, 0));
    EXPECT_FALSE(IsWhite(gray, 8, 1, 0));
    // Above the entry both agree.
    EXPECT_TRUE(IsWhite(gray, 8, 0, 0));
}

TEST(ConvertToMono, PaddingBitsAndBytesStayZero) {
    for (int w : {1, 9, 31, 33, 45})
        for (int method = 0; method < 4; ++method) {
            auto out = Mono(FlatImage(w, 5, 24, 255), method, 0, 100);
            const size_t stride = size_t(BmpStride(w, 1));
            for (int y = 0; y < 5; ++y)
                for (size_t bit = size_t(w); bit < stride * 8; ++bit)
                    EXPECT_EQ((out[62 + size_t(y) * stride + bit / 8] >> (7 - bit % 8)) & 1, 0)
                        << "w " << w << " method " << method;
        }
}

TEST(ConvertToMono, WritesTheWorkingImageLayoutByteForByte) {
    auto out = Mono(FlatImage(10, 3, 24, 255), kHalftoneNone, 0, 0);
    std::vector<uint8_t> head;
    LeWriter w(head);
    w.u8('B').u8('M').u32(74).u32(0).u32(62);
    w.u32(40).i32(10).i32(3).u16(1).u16(1).u32(0).u32(12).u32(0).u32(0).u32(0).u32(0);
    w.u32(0).u8(255).u8(255).u8(255).u8(0);
    ASSERT_EQ(out.size(), 74u);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), out.begin()));
}

TEST(ConvertToGray, WritesTheGrayPaletteAndImageSize) {
    auto out = Gray(FlatImage(5, 2, 8, 7), 0, 0);
    ASSERT_EQ(out.size(), 1078u + 16u);
    EXPECT_EQ(GetU32(out.data(), 2), 1094u);
    EXPECT_EQ(GetU32(out.data(), 10), 1078u);
    EXPECT_EQ(GetU32(out.data(), 34), 16u);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(out[54 + 4 * size_t(i)], i);
        EXPECT_EQ(out[54 + 4 * size_t(i) + 3], 0);
    }
    EXPECT_EQ(out[1078 + 5], 0);  // row padding
}

TEST(ConvertToMono, EightBitSourceIgnoresItsPalette) {
    BmpImage a = RandomImage(21, 20, 10, 8), b = a;
    for (auto& p : b.palette) p = BmpColor{1, 2, 3, 4};
    for (int method = 0; method < 4; ++method) EXPECT_EQ(Mono(a, method, 10, 5), Mono(b, method, 10, 5));
}

// Truncated, damaged and unusual files: -2 and no read beyond the data.
TEST(ConvertToMono, RefusesBadHeadersAsBadFormat) {
    const std::vector<uint8_t> good = EncodeBmp(RandomImage(3, 10, 4, 24));
    auto mutate = [&](auto f) {
        std::vector<uint8_t> d = good;
        f(d);
        std::vector<uint8_t> out;
        return ConvertToMonoImage(d, kHalftoneDitherM3, 0, 0, out);
    };
    EXPECT_EQ(mutate([](auto&) {}), ConvertResult::Ok);
    EXPECT_EQ(mutate([](auto& d) { d[0] = 'X'; }), ConvertResult::BadFormat);
    EXPECT_EQ(mutate([](auto& d) { d.resize(d.size() - 1); }), ConvertResult::BadFormat);
    EXPECT_EQ(mutate([](auto& d) { d.resize(30); }), ConvertResult::BadFormat);
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 18, 0); }), ConvertResult::BadFormat);
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 22, uint32_t(-4)); }),
              ConvertResult::BadFormat);  // top-down
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 18, 0x7FFFFFFF); }), ConvertResult::BadFormat);
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 22, 0x40000000); }), ConvertResult::BadFormat);
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 30, 1); }), ConvertResult::BadFormat);    // compressed
    EXPECT_EQ(mutate([](auto& d) { PutU16(d.data(), 28, 4); }), ConvertResult::BadFormat);    // 4-bit
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 10, 58); }), ConvertResult::BadFormat);   // other offset
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 14, 108); }), ConvertResult::BadFormat);  // other header
    // 8-bit with a short palette.
    BmpImage pal = RandomImage(4, 6, 2, 8);
    pal.palette.resize(16);
    std::vector<uint8_t> out;
    EXPECT_EQ(ConvertToMonoImage(EncodeBmp(pal), 0, 0, 0, out), ConvertResult::BadFormat);
}

TEST(ConvertToMono, OneBitSourceComesBackUnchangedWithoutAFile) {
    platform::sim::SimMachine m;
    m.files.Put("C:\\logos\\one.bmp", EncodeBmp(RandomImage(2, 12, 3, 1)));
    std::string out;
    EXPECT_EQ(ConvertToMono(m.files, "C:\\logos\\one.bmp", out, kHalftoneDitherM3, 0, 0),
              ConvertResult::Unchanged);
    EXPECT_EQ(out, "C:\\logos\\one.bmp");
    EXPECT_FALSE(m.files.Exists("C:\\logos\\oneTemp.bmp"));
}

// "Unchanged" means the source is sent as it is: a damaged 1-bit bitmap, or one of other
// colours, is refused now like a damaged bitmap of any other depth.
TEST(ConvertToMono, DamagedOneBitSourcesAreRefusedAtOnce) {
    const std::vector<uint8_t> good = EncodeBmp(RandomImage(2, 12, 3, 1));
    std::vector<uint8_t> out;
    ASSERT_EQ(ConvertToMonoImage(good, kHalftoneDitherM3, 0, 0, out), ConvertResult::Unchanged);
    auto mutate = [&](auto change) {
        std::vector<uint8_t> d = good;
        change(d);
        return ConvertToMonoImage(d, kHalftoneDitherM3, 0, 0, out);
    };
    EXPECT_EQ(mutate([](auto& d) { d.pop_back(); }), ConvertResult::BadFormat);  // rows cut short
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 18, 100000); }), ConvertResult::BadFormat);  // width
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 22, 0); }), ConvertResult::BadFormat);       // height
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 10, 1078); }), ConvertResult::BadFormat);  // pixel offset
    EXPECT_EQ(mutate([](auto& d) { PutU32(d.data(), 14, 12); }), ConvertResult::BadFormat);    // header size
    EXPECT_EQ(mutate([](auto& d) { d[55] = 0x80; }), ConvertResult::BadFormat);  // not black and white
    EXPECT_EQ(mutate([](auto& d) { d.resize(40); }), ConvertResult::BadFormat);
}

TEST(ConvertToMono, FilesAndResults) {
    platform::sim::SimMachine m;
    m.files.Put("C:\\logos\\shop.bmp", EncodeBmp(RandomImage(2, 12, 3, 24)));
    m.files.Put("C:\\logos\\text.bmp", std::string("hello"));
    std::string out;
    EXPECT_EQ(ConvertToMono(m.files, "C:\\logos\\missing.bmp", out, 1, 0, 0), ConvertResult::Failed);
    EXPECT_EQ(out, "");
    EXPECT_EQ(ConvertToMono(m.files, "C:\\logos\\text.bmp", out, 1, 0, 0), ConvertResult::BadFormat);
    EXPECT_EQ(out, "C:\\logos\\text.bmp");
    out.clear();
    EXPECT_EQ(ConvertToMono(m.files, "C:\\logos\\shop.bmp", out, 1, 0, 0), ConvertResult::Ok);
    EXPECT_EQ(out, "C:\\logos\\shopTemp.bmp");
    EXPECT_TRUE(m.files.Exists(out));
    m.faults.FailOn("WriteFile", m.faults.Calls("WriteFile") + 1, platform::kErrAccessDenied);
    out.clear();
    EXPECT_EQ(ConvertToMono(m.files, "C:\\logos\\shop.bmp", out, 1, 0, 0), ConvertResult::Failed);
    EXPECT_EQ(out, "");
}

TEST(ConvertToGray, VariantMustMatchTheBitCount) {
    platform::sim::SimMachine m;
    m.files.Put("C:\\l\\a.bmp", EncodeBmp(RandomImage(2, 12, 3, 24)));
    std::string out = "unchanged";
    EXPECT_EQ(ConvertToGray(m.files, "C:\\l\\a.bmp", out, GrayVariant::Gray, 0, 0), ConvertResult::BadFormat);
    EXPECT_EQ(out, "unchanged");
    EXPECT_EQ(ConvertToGray(m.files, "C:\\l\\a.bmp", out, GrayVariant::Colour, 0, 0), ConvertResult::Ok);
    EXPECT_EQ(out, "C:\\l\\aTemp.bmp");
    out.clear();
    EXPECT_EQ(ConvertToGray(m.files, "C:\\l\\none.bmp", out, GrayVariant::Colour, 0, 0),
              ConvertResult::Failed);
    EXPECT_EQ(out, "");
}

}  // namespace

namespace {

// The default settings leave the levels as they are; the sums then go through a path of
// their own that takes whole blocks of pixels, so every width around a block edge counts.
TEST(Conversion, EqualsTheLiteralImplementationAtDefaultSettingsForEveryRowTail) {
    for (int w : {1, 2, 15, 16, 17, 31, 32, 33, 47, 48, 49, 63, 64, 65})
        for (int bits : {24, 8}) {
            const BmpImage img = RandomImage(uint32_t(w * 3 + bits), w, 5, bits);
            for (int method = 0; method < 4; ++method)
                ASSERT_EQ(Mono(img, method, 0, 0), RefConvertToMono(img, method, 0, 0))
                    << w << " bits " << bits << " method " << method;
            ASSERT_EQ(Gray(img, 0, 0), RefConvertToGray(img, 0, 0)) << w << " bits " << bits;
        }
}

struct Pieces {
    std::vector<std::vector<uint8_t>> parts;
    size_t refuseAt = SIZE_MAX;  // the call (0-based) that answers false
    ImageSink Sink() {
        return [this](std::span<const uint8_t> b) {
            parts.emplace_back(b.begin(), b.end());
            return parts.size() - 1 != refuseAt;
        };
    }
    std::vector<uint8_t> Joined() const {
        std::vector<uint8_t> all;
        for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }
};

TEST(ConversionSink, GivesTheBytesOfTheWholeImageInPieces) {
    // Small, several buffers' worth, and rows wider than a buffer would hold (32767 gray
    // pixels are 32768 bytes a row).
    const BmpImage pics[] = {RandomImage(31, 9, 4, 24), RandomImage(32, 700, 300, 24),
                             RandomImage(33, 500, 90, 8), RandomImage(34, 32767, 3, 8)};
    for (const BmpImage& img : pics) {
        const std::vector<uint8_t> file = EncodeBmp(img);
        for (int method = 0; method < 4; ++method) {
            Pieces got;
            ASSERT_EQ(ConvertToMonoImage(file, method, 15, -5, got.Sink()), ConvertResult::Ok);
            EXPECT_EQ(got.Joined(), Mono(img, method, 15, -5)) << img.width << " method " << method;
            for (const auto& p : got.parts) EXPECT_FALSE(p.empty());
        }
        Pieces got;
        ASSERT_EQ(ConvertToGrayImage(file, img.bitCount == 24 ? GrayVariant::Colour : GrayVariant::Gray, 15,
                                     -5, got.Sink()),
                  ConvertResult::Ok);
        EXPECT_EQ(got.Joined(), Gray(img, 15, -5)) << img.width;
        // A large image must not come as one piece, or the writer would hold it whole.
        if (got.Joined().size() > 200000) {
            EXPECT_GT(got.parts.size(), 4u);
        }
    }
}

TEST(ConversionSink, ARefusalEndsTheConversionWithMinusOne) {
    const std::vector<uint8_t> file = EncodeBmp(RandomImage(35, 1600, 400, 24));  // 80 KB as mono
    for (size_t at : {size_t(0), size_t(1)}) {
        Pieces mono;
        mono.refuseAt = at;
        EXPECT_EQ(ConvertToMonoImage(file, kHalftoneErrorDiffuse, 0, 0, mono.Sink()), ConvertResult::Failed);
        EXPECT_EQ(mono.parts.size(), at + 1);
        Pieces gray;
        gray.refuseAt = at;
        EXPECT_EQ(ConvertToGrayImage(file, GrayVariant::Colour, 0, 0, gray.Sink()), ConvertResult::Failed);
        EXPECT_EQ(gray.parts.size(), at + 1);
    }
}

TEST(ConversionSink, RefusedAndOneBitSourcesReachNoSink) {
    Pieces got;
    std::vector<uint8_t> bad = EncodeBmp(RandomImage(36, 10, 4, 24));
    bad.pop_back();
    EXPECT_EQ(ConvertToMonoImage(bad, kHalftoneNone, 0, 0, got.Sink()), ConvertResult::BadFormat);
    EXPECT_EQ(ConvertToGrayImage(bad, GrayVariant::Colour, 0, 0, got.Sink()), ConvertResult::BadFormat);
    const std::vector<uint8_t> one = EncodeBmp(RandomImage(37, 10, 4, 1));
    EXPECT_EQ(ConvertToMonoImage(one, kHalftoneNone, 0, 0, got.Sink()), ConvertResult::Unchanged);
    EXPECT_EQ(ConvertToGrayImage(one, GrayVariant::Gray, 0, 0, got.Sink()), ConvertResult::BadFormat);
    EXPECT_TRUE(got.parts.empty());
}

}  // namespace
