#include "prnrender/font_metrics.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "prnrender/render_job.h"

using namespace k20::prnrender;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

const std::string kFontDir = std::string(K20_SOURCE_DIR) + "/prnrender/fonts/";

}  // namespace

TEST(FontMetrics, EveryDeviceFontParsesBackWithItsNameAndCell) {
    ASSERT_EQ(DeviceFonts().size(), 11u);
    for (const DeviceFontSpec& f : DeviceFonts()) {
        std::string why;
        auto info = ParseUfm(BuildUfm(f), &why);
        ASSERT_TRUE(info) << f.fileName << ": " << why;
        EXPECT_EQ(info->face, f.face);
        EXPECT_EQ(info->height, f.heightDots);
        EXPECT_EQ(info->width, f.widthDots);
        EXPECT_EQ(info->glyphSetId, kGlyphSetResourceId);
        EXPECT_EQ(info->codePage, kFontCodePage);
        EXPECT_EQ(info->xRes, 203);
        EXPECT_EQ(info->firstChar, 0x20);
        EXPECT_EQ(info->lastChar, 0x7E);
        // The plug-in finds the same slot by the font's number.
        EXPECT_NE(FontFromId(f.resourceId).kind, FontKind::None) << f.fileName;
    }
    EXPECT_EQ(FontFromId(DeviceFonts().back().resourceId).kind, FontKind::Control);
}

TEST(FontMetrics, GlyphTableMapsPrintableAsciiStraightThrough) {
    auto gtt = ParseGtt(BuildGtt());
    ASSERT_TRUE(gtt);
    EXPECT_EQ(gtt->firstCode, 0x20);
    EXPECT_EQ(gtt->glyphCount, 95u);
    EXPECT_EQ(gtt->codePage, 1252u);
    for (uint32_t i = 0; i < gtt->glyphCount; ++i) EXPECT_EQ(gtt->bytes[i], 0x20 + i);
}

TEST(FontMetrics, HeaderOffsetsAreWhereTheFormatPutsThem) {
    std::vector<uint8_t> ufm = BuildUfm(DeviceFonts()[0]);
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, ufm.data() + at, 4);
        return v;
    };
    EXPECT_EQ(u32(0), ufm.size());  // dwSize
    EXPECT_EQ(u32(4), 0x10000u);    // dwVersion
    EXPECT_EQ(u32(16), 44u);        // loUnidrvInfo
    EXPECT_EQ(u32(20), 92u);        // loIFIMetrics
    EXPECT_EQ(u32(44), 48u);        // UNIDRVINFO.dwSize
    EXPECT_EQ(ufm.size() % 4, 0u);
}

TEST(FontMetrics, DamagedFilesAreRefusedWithAReason) {
    std::vector<uint8_t> good = BuildUfm(DeviceFonts()[3]);
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    } cases[] = {
        {"truncated", [](auto& b) { b.resize(60); }},
        {"size field", [](auto& b) { b[0] ^= 4; }},
        {"version", [](auto& b) { b[6] = 2; }},
        {"metrics offset past the end",
         [](auto& b) {
             b[20] = 0xF0;
             b[21] = 0xFF;
         }},
        {"metrics size past the end",
         [](auto& b) {
             b[92] = 0xFF;
             b[93] = 0x7F;
         }},
        {"face before the names",
         [](auto& b) {
             b[92 + 16] = 4;
             b[92 + 17] = 0;
         }},
        {"face not terminated", [](auto& b) { std::fill(b.end() - 20, b.end(), 'x'); }},
    };
    for (auto& c : cases) {
        std::vector<uint8_t> b = good;
        c.damage(b);
        std::string why;
        EXPECT_FALSE(ParseUfm(b, &why)) << c.name;
        EXPECT_FALSE(why.empty()) << c.name;
    }
    EXPECT_FALSE(ParseUfm(std::vector<uint8_t>(kMaxMetricFileBytes + 1, 0)));
    std::vector<uint8_t> gtt = BuildGtt();
    gtt.pop_back();
    EXPECT_FALSE(ParseGtt(gtt));
    gtt = BuildGtt();
    gtt[48 + 2] = 96;  // the run claims one glyph more than the table holds
    EXPECT_FALSE(ParseGtt(gtt));
}

// The checked-in files are what the generator writes; regenerate them with
// `ufmgen prnrender/fonts` when the fonts change.
TEST(FontMetrics, CheckedInFilesMatchTheGenerator) {
    for (const DeviceFontSpec& f : DeviceFonts())
        EXPECT_EQ(ReadFile(kFontDir + f.fileName), BuildUfm(f)) << f.fileName;
    EXPECT_EQ(ReadFile(kFontDir + kGlyphSetFileName), BuildGtt());
}
