#include "prnui/pages/watermark_bitmap.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>

#include "common/byte_reader.h"
#include "platform/sim/sim_machine.h"

namespace k20::prnui {
namespace {

// A source bitmap as the tools of the day write it.
std::vector<uint8_t> MakeBmp(int w, int h, int bits, const std::vector<uint8_t>& palette,
                             const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> out;
    LeWriter wr(out);
    const uint32_t offset = 54 + uint32_t(palette.size());
    wr.u16(0x4D42).u32(uint32_t(offset + rows.size())).u32(0).u32(offset);
    wr.u32(40).i32(w).i32(h).u16(1).u16(uint16_t(bits)).u32(0).u32(uint32_t(rows.size())).zeros(16);
    wr.bytes(palette).bytes(rows);
    return out;
}

const std::vector<uint8_t> kTwoColours = {0x10, 0x20, 0x30, 0, 0xA0, 0xB0, 0xC0, 0};

TEST(CopyAsTrueColor, OneBitWidthFiveGivesFifteenBytesAndOnePad) {
    // Two rows: 10110 and 01001, each padded to 4 bytes.
    const auto src = MakeBmp(5, 2, 1, kTwoColours, {0xB0, 0, 0, 0, 0x48, 0, 0, 0});
    std::vector<uint8_t> out;
    ASSERT_TRUE(ConvertToTrueColor(src, out));
    ASSERT_EQ(out.size(), 54u + 2 * 16);
    ByteReader r(out);
    EXPECT_EQ(r.u16(), 0x4D42);
    EXPECT_EQ(r.u32(), 54u + 32);
    r.seek(10);
    EXPECT_EQ(r.u32(), 54u);
    r.seek(28);
    EXPECT_EQ(r.u16(), 24);
    const uint8_t set[] = {0xA0, 0xB0, 0xC0}, clear[] = {0x10, 0x20, 0x30};
    const char* bits[] = {"10110", "01001"};
    for (int y = 0; y < 2; ++y) {
        const uint8_t* row = out.data() + 54 + 16 * y;
        for (int x = 0; x < 5; ++x) {
            const uint8_t* want = bits[y][x] == '1' ? set : clear;
            EXPECT_EQ(std::vector<uint8_t>(row + 3 * x, row + 3 * x + 3),
                      std::vector<uint8_t>(want, want + 3))
                << y << "," << x;
        }
        EXPECT_EQ(row[15], 255);
    }
}

TEST(CopyAsTrueColor, EightBitSkipsSourcePaddingAndPadsWithZero) {
    std::vector<uint8_t> palette(1024, 0);
    for (int i = 0; i < 256; ++i) palette[4 * i] = uint8_t(i), palette[4 * i + 1] = 1, palette[4 * i + 2] = 2;
    const auto src = MakeBmp(3, 2, 8, palette, {7, 8, 9, 0xEE, 1, 2, 3, 0xEE});
    std::vector<uint8_t> out;
    ASSERT_TRUE(ConvertToTrueColor(src, out));
    ASSERT_EQ(out.size(), 54u + 2 * 12);
    const std::vector<uint8_t> row0(out.begin() + 54, out.begin() + 66);
    EXPECT_EQ(row0, (std::vector<uint8_t>{7, 1, 2, 8, 1, 2, 9, 1, 2, 0, 0, 0}));
}

TEST(CopyAsTrueColor, DamagedHeadersAreUnsupported) {
    const auto good = MakeBmp(5, 2, 1, kTwoColours, {0xB0, 0, 0, 0, 0x48, 0, 0, 0});
    auto withWidth = [&](int32_t w, int32_t h) {
        auto b = good;
        PutU32(b.data(), 18, uint32_t(w));
        PutU32(b.data(), 22, uint32_t(h));
        return b;
    };
    std::vector<std::vector<uint8_t>> bad = {
        {},
        std::vector<uint8_t>(good.begin(), good.begin() + 40),  // cut in the headers
        std::vector<uint8_t>(good.begin(), good.end() - 1),     // cut in the last row
        withWidth(-5, 2),
        withWidth(5, -2),
        withWidth(0, 2),
        withWidth(0x7FFFFFFF, 2),
        withWidth(5, 0x40000000),
        withWidth(30000, 30000),  // rows not in the file
    };
    auto wrongSig = good;
    wrongSig[0] = 'X';
    bad.push_back(wrongSig);
    auto palettePastEnd = MakeBmp(2, 1, 8, {}, {1, 2, 0, 0});  // offset 54, not 1078
    PutU32(palettePastEnd.data(), 10, 1078);
    bad.push_back(palettePastEnd);
    for (size_t i = 0; i < bad.size(); ++i) {
        std::vector<uint8_t> out;
        EXPECT_FALSE(ConvertToTrueColor(bad[i], out)) << i;
    }
}

TEST(CopyAsTrueColor, FileResults) {
    platform::sim::SimMachine m;
    const auto oneBit = MakeBmp(5, 2, 1, kTwoColours, {0xB0, 0, 0, 0, 0x48, 0, 0, 0});
    std::vector<uint8_t> trueColor = MakeBmp(2, 1, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0});
    m.files.Put("C:\\in\\one.bmp", oneBit);
    m.files.Put("C:\\in\\true.bmp", trueColor);
    m.files.Put("C:\\in\\text.bmp", std::string("not a bitmap"));
    m.files.Put("C:\\Temp\\keep", std::string());

    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\in\\true.bmp", "C:\\Temp\\P1.bmp"), CopyResult::Done);
    std::vector<uint8_t> copy;
    ASSERT_EQ(m.files.ReadFile("C:\\Temp\\P1.bmp", copy), 0u);
    EXPECT_EQ(copy, trueColor);
    uint32_t attrs = 0;
    ASSERT_EQ(m.files.GetAttributes("C:\\Temp\\P1.bmp", attrs), 0u);
    EXPECT_TRUE(attrs & platform::kAttrArchive);

    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\in\\one.bmp", "C:\\Temp\\P1.bmp"), CopyResult::Done);
    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\in\\text.bmp", "C:\\Temp\\P1.bmp"), CopyResult::Unsupported);
    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\in\\missing.bmp", "C:\\Temp\\P1.bmp"), CopyResult::Unsupported);
    m.faults.Reset();
    m.faults.FailOn("WriteFile", 1, platform::kErrAccessDenied);
    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\in\\one.bmp", "C:\\Temp\\P1.bmp"), CopyResult::CannotCreate);
    m.faults.Reset();
    m.faults.FailOn("CopyFile", 1, platform::kErrAccessDenied);
    EXPECT_EQ(CopyAsTrueColor(m.files, "C:\\in\\true.bmp", "C:\\Temp\\P1.bmp"), CopyResult::CannotCreate);
}

TEST(WatermarkWorkingFile, PrinterNameCannotLeaveTheFolder) {
    EXPECT_EQ(WatermarkWorkingFile("C:\\Temp\\", "P"), "C:\\Temp\\\\P1.bmp");
    EXPECT_EQ(WatermarkWorkingFile("C:\\Temp\\", "\\\\server\\K-20"), "C:\\Temp\\\\__server_K-201.bmp");
    EXPECT_EQ(WatermarkWorkingFile("C:\\T", "a:b*c?d\"e<f>g|h/i"), "C:\\T\\a_b_c_d_e_f_g_h_i1.bmp");
}

TEST(WatermarkPreview, BrightnessSaturates) {
    const uint8_t src[] = {0, 100, 200, 255};
    uint8_t dst[4];
    ApplyBrightness(src, dst, 4, 60);
    EXPECT_EQ(std::vector<uint8_t>(dst, dst + 4), (std::vector<uint8_t>{60, 160, 255, 255}));
}

TEST(WatermarkPreview, BrightnessIsTheSameOnTheVectorPathAndTheTail) {
    // An odd length runs the 16-byte steps and the plain tail; both must saturate alike.
    std::vector<uint8_t> kept((1u << 20) + 13), shown(kept.size());
    std::iota(kept.begin(), kept.end(), uint8_t(0));
    for (uint8_t b : {uint8_t(0), uint8_t(1), uint8_t(60), uint8_t(255)}) {
        ApplyBrightness(kept.data(), shown.data(), kept.size(), b);
        for (size_t i = 0; i < kept.size(); i += 997) ASSERT_EQ(shown[i], std::min(255, kept[i] + b)) << i;
        for (size_t i = kept.size() - 13; i < kept.size(); ++i)
            ASSERT_EQ(shown[i], std::min(255, kept[i] + b)) << i;
    }
}

TEST(WatermarkPlacement, SinglePositions) {
    // 300 x 300 box, 100 x 50 bitmap at 50 %: d = 150, a = min(50, 100*300*100/(300*50)) = 50,
    // e = min(300, 300*50*50/(100*100)) = 75.
    struct Row {
        int position;
        StretchOp op;
    } rows[] = {
        {0, {0, 0, 150, 75, 0, 0, 100, 50}},
        {4, {75, 112, 150, 75, 0, 0, 100, 50}},
        {8, {150, 225, 150, 75, 0, 0, 100, 50}},
        {2, {150, 0, 150, 75, 0, 0, 100, 50}},
    };
    for (const auto& r : rows) {
        const auto ops = PlaceWatermark(100, 50, 300, 300, r.position, 50);
        ASSERT_EQ(ops.size(), 1u) << r.position;
        EXPECT_EQ(ops[0], r.op) << r.position;
    }
}

TEST(WatermarkPlacement, TallBitmapUsesMatchingRows) {
    // 100 x 1000 at 100 %: a = min(1000, 100*300*100/(300*100)) = 100, e = min(300, 300*100*100/10000) = 300.
    EXPECT_EQ(PlaceWatermark(100, 1000, 300, 300, 1, 100)[0], (StretchOp{0, 0, 300, 300, 0, 0, 100, 100}));
    EXPECT_EQ(PlaceWatermark(100, 1000, 300, 300, 4, 100)[0], (StretchOp{0, 0, 300, 300, 0, 450, 100, 100}));
    EXPECT_EQ(PlaceWatermark(100, 1000, 300, 300, 7, 100)[0], (StretchOp{0, 0, 300, 300, 0, 900, 100, 100}));
    EXPECT_TRUE(PlaceWatermark(0, 10, 300, 300, 4, 50).empty());
    EXPECT_TRUE(PlaceWatermark(100, 50, 300, 300, 4, 0).empty());
}

TEST(WatermarkPlacement, TiledFillsColumnsAndLeftOvers) {
    // 100 x 100 at 30 %: d = 90, a = 100, e = 90; 3 full columns at x 0, 90, 180, each with
    // 3 copies and a 30-row remainder showing 33 source rows; last column 30 wide, 33 source columns.
    const auto ops = PlaceWatermark(100, 100, 300, 300, kTiledPosition, 30);
    ASSERT_EQ(ops.size(), 16u);
    EXPECT_EQ(ops[0], (StretchOp{0, 0, 90, 90, 0, 0, 100, 100}));
    EXPECT_EQ(ops[3], (StretchOp{0, 270, 90, 30, 0, 0, 100, 33}));
    EXPECT_EQ(ops[4], (StretchOp{90, 0, 90, 90, 0, 0, 100, 100}));
    EXPECT_EQ(ops[12], (StretchOp{270, 0, 30, 90, 0, 0, 33, 100}));
    EXPECT_EQ(ops[15], (StretchOp{270, 270, 30, 30, 0, 0, 33, 33}));
    // A stored size below 20 is taken as 20 for Tiled.
    EXPECT_EQ(PlaceWatermark(100, 100, 300, 300, kTiledPosition, 5)[0].dstW, 60);
}

TEST(WatermarkText, RotatedOrigin) {
    EXPECT_EQ(RotatedTextOrigin(200, 40, 0).x, 50);
    EXPECT_EQ(RotatedTextOrigin(200, 40, 0).y, 170);
    // The stored constant puts 90 degrees a hair past pi/2, so cos is a tiny negative
    // number and truncation lands one dot short of the exact 150 + 100.
    const auto o90 = RotatedTextOrigin(200, 40, 90);
    EXPECT_EQ(o90.x, 170);
    EXPECT_EQ(o90.y, 249);
    EXPECT_EQ(RotatedTextOrigin(201, 41, 0).x, 50);  // integer halves
}

TEST(WatermarkText, RenderedFileHeader) {
    std::vector<uint8_t> px(kRenderedTextPixels, 0xFF);
    px[0] = 1;
    const auto f = EncodeRenderedText(px);
    ASSERT_EQ(f.size(), 270054u);
    const uint8_t header[54] = {'B', 'M', 0xE6, 0x1E, 0x04, 0, 0, 0,    0, 0, 54, 0, 0, 0,  40,
                                0,   0,   0,    0x2C, 1,    0, 0, 0x2C, 1, 0, 0,  1, 0, 24, 0};
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 54), std::vector<uint8_t>(header, header + 54));
    EXPECT_EQ(f[54], 1);
}

}  // namespace
}  // namespace k20::prnui
