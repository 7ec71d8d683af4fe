#include <gtest/gtest.h>

#include "common/bmp_file.h"
#include "tests/prnui/imaging/reference.h"

using namespace k20;

namespace {

TEST(BmpFile, RoundTripsEveryDepth) {
    for (int bits : {1, 8, 24}) {
        BmpImage img = test::RandomImage(7, 13, 5, bits);
        std::vector<uint8_t> file = EncodeBmp(img);
        BmpImage back;
        std::string why;
        ASSERT_TRUE(DecodeBmp(file, back, &why)) << why;
        EXPECT_EQ(back.width, 13);
        EXPECT_EQ(back.height, 5);
        EXPECT_EQ(back.bitCount, bits);
        EXPECT_EQ(back.palette, img.palette);
        EXPECT_EQ(back.pixels, img.pixels);
        EXPECT_EQ(EncodeBmp(back), file);
    }
}

TEST(BmpFile, HonoursShortPalettesAndTopDown) {
    BmpImage img = test::RandomImage(8, 4, 3, 8);
    img.palette.resize(16);
    img.topDown = true;
    auto file = EncodeBmp(img);
    EXPECT_EQ(GetU32(file.data(), 10), 54u + 64u);
    EXPECT_EQ(GetU32(file.data(), 46), 16u);
    BmpImage back;
    ASSERT_TRUE(DecodeBmp(file, back));
    EXPECT_TRUE(back.topDown);
    EXPECT_EQ(back.palette.size(), 16u);
    EXPECT_EQ(back.pixels, img.pixels);
}

TEST(BmpFile, RejectsDamagedHeaders) {
    const auto good = EncodeBmp(test::RandomImage(9, 10, 10, 8));
    struct Case {
        const char* name;
        size_t off;
        uint32_t value;
    } cases[] = {
        {"signature", 0, 0x4D43},
        {"info size", 14, 12},
        {"width 0", 18, 0},
        {"width huge", 18, 0x7FFFFFFF},
        {"height 0", 22, 0},
        {"height huge", 22, 0x80000001},
        {"4 bits", 28, 4},
        {"RLE", 30, 1},
        {"palette > 256", 46, 257},
        {"offset in header", 10, 20},
        {"offset past end", 10, 5000},
        {"offset wraps", 10, 0xFFFFFFFF},
    };
    for (const auto& c : cases) {
        auto d = good;
        if (c.off == 28)
            PutU16(d.data(), c.off, uint16_t(c.value));
        else if (c.off == 0)
            PutU16(d.data(), 0, uint16_t(c.value));
        else
            PutU32(d.data(), c.off, c.value);
        BmpImage out;
        std::string why;
        EXPECT_FALSE(DecodeBmp(d, out, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
    for (size_t n : {size_t(0), size_t(53), good.size() - 1}) {
        BmpImage out;
        EXPECT_FALSE(DecodeBmp(std::span(good.data(), n), out)) << n;
    }
}

// The writer's headers and palettes describe exactly the rows that follow them, whether
// the rows have the stride of the width (logos) or one of their own (the log viewer).
TEST(BmpFile, PackedHeadersDescribeTheRowsThatFollow) {
    for (int bits : {1, 8}) {
        const BmpImage img = test::RandomImage(11, 21, 6, bits);
        std::vector<uint8_t> file;
        LeWriter w(file);
        const std::vector<BmpColor> palette =
            bits == 8 ? BmpGrayPalette()
                      : std::vector<BmpColor>(std::begin(kBmpBlackWhite), std::end(kBmpBlackWhite));
        WriteBmpHeader(w, PackedBmpHeader(img.width, img.height, bits, palette.size(), img.pixels.size()));
        WriteBmpPalette(w, palette);
        w.bytes(img.pixels);
        EXPECT_EQ(GetU32(file.data(), 2), file.size()) << bits;
        EXPECT_EQ(GetU32(file.data(), 10), bits == 8 ? 1078u : 62u) << bits;
        BmpImage back;
        std::string why;
        ASSERT_TRUE(DecodeBmp(file, back, &why)) << bits << ": " << why;
        EXPECT_EQ(back.palette, palette) << bits;
        EXPECT_EQ(back.pixels, img.pixels) << bits;
        EXPECT_FALSE(back.topDown) << bits;
    }
    std::vector<uint8_t> file;
    LeWriter w(file);
    WriteBmpHeader(w, PackedBmpHeader(640, 3, 1, 2, 3 * 81));
    ByteReader r(file);
    BmpHeader h;
    ASSERT_TRUE(ReadBmpHeader(r, h));
    EXPECT_EQ(h.fileSize, 62u + 3 * 81);
    EXPECT_EQ(h.imageSize, 3u * 81);
    EXPECT_EQ(h.width, 640);
    EXPECT_EQ(h.colorsUsed, 0u);
}

}  // namespace
