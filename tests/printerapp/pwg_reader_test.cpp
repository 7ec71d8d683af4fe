// PWG raster files read through the bounded reader: the header checked as a whole, the
// rows decoded one at a time, damaged data refused with the values that are wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "printerapp/pwg_reader.h"

namespace k20::printerapp {
namespace {

void Put32(std::vector<uint8_t>& h, size_t off, uint32_t v) {
    h[off] = uint8_t(v >> 24);
    h[off + 1] = uint8_t(v >> 16);
    h[off + 2] = uint8_t(v >> 8);
    h[off + 3] = uint8_t(v);
}

std::vector<uint8_t> Header(uint32_t width, uint32_t height, uint32_t bits, uint32_t space = 18) {
    std::vector<uint8_t> h(kPwgHeaderSize, 0);
    std::memcpy(h.data(), "PwgRaster", 9);
    Put32(h, 372, width);
    Put32(h, 376, height);
    Put32(h, 384, bits);
    Put32(h, 388, bits);
    Put32(h, 392, (width * bits + 7) / 8);
    Put32(h, 400, space);
    Put32(h, 420, 1);
    return h;
}

std::vector<uint8_t> File(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> f = {'R', 'a', 'S', '2'};
    for (const auto& p : parts) f.insert(f.end(), p.begin(), p.end());
    return f;
}

TEST(PwgReader, DecodesRepeatsLiteralsAndLineRepeats) {
    // 4 gray dots, 3 rows: the first line twice (repeat byte 1): 2 x 00 then literal FF 80;
    // the third line: 4 x 40.
    auto f = File({Header(4, 3, 8), {0x01, 0x01, 0x00, 0xFF, 0xFF, 0x80}, {0x00, 0x03, 0x40}});
    PwgReader r(f);
    PwgPage p;
    std::string err;
    ASSERT_TRUE(r.NextPage(p, err)) << err;
    EXPECT_EQ(p.width, 4u);
    EXPECT_EQ(p.height, 3u);
    std::vector<uint8_t> row(4);
    ASSERT_TRUE(r.ReadRow(row, err));
    EXPECT_EQ(row, (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0x80}));
    ASSERT_TRUE(r.ReadRow(row, err));
    EXPECT_EQ(row, (std::vector<uint8_t>{0x00, 0x00, 0xFF, 0x80}));
    ASSERT_TRUE(r.ReadRow(row, err));
    EXPECT_EQ(row, (std::vector<uint8_t>{0x40, 0x40, 0x40, 0x40}));
    EXPECT_FALSE(r.ReadRow(row, err));
    EXPECT_FALSE(r.NextPage(p, err));
    EXPECT_TRUE(err.empty()) << err;
}

TEST(PwgReader, RefusesHeadersItCannotPrint) {
    struct Row {
        uint32_t w, h, bits;
    };
    const Row bad[] = {{0, 1, 8}, {1, 0, 8}, {4, 1, 24}, {4, 1, 16}, {kPwgMaxLineBytes + 1, 1, 8}};
    for (const Row& b : bad) {
        auto f = File({Header(b.w, b.h, b.bits)});
        PwgReader r(f);
        PwgPage p;
        std::string err;
        EXPECT_FALSE(r.NextPage(p, err)) << b.w << "x" << b.h << "@" << b.bits;
        EXPECT_NE(err.find(std::to_string(b.w)), std::string::npos) << err;
    }
    auto h = Header(8, 1, 1, 3);
    Put32(h, 392, 2);  // bytes per line does not fit the width
    auto f = File({h});
    PwgReader r(f);
    PwgPage p;
    std::string err;
    EXPECT_FALSE(r.NextPage(p, err));
    EXPECT_NE(err.find("2 bytes per line"), std::string::npos) << err;
    EXPECT_TRUE(PwgReader(File({Header(kPwgMaxLineBytes, 1, 8)})).NextPage(p, err))
        << "the limit itself is taken";
}

TEST(PwgReader, RunsPastTheLineAndShortDataAreDamage) {
    std::string err;
    PwgPage p;
    std::vector<uint8_t> row(4);
    auto over = File({Header(4, 1, 8), {0x00, 0x04, 0x11}});  // 5 dots into a line of 4
    PwgReader a(over);
    ASSERT_TRUE(a.NextPage(p, err));
    EXPECT_FALSE(a.ReadRow(row, err));
    EXPECT_NE(err.find("row 0"), std::string::npos) << err;
    auto cut = File({Header(4, 1, 8), {0x00, 0xFD, 0x01}});  // 4 literal dots, 1 present
    PwgReader b(cut);
    ASSERT_TRUE(b.NextPage(p, err));
    EXPECT_FALSE(b.ReadRow(row, err));
    auto shortHeader = std::vector<uint8_t>{'R', 'a', 'S', '2', 0, 0, 0};
    PwgReader c(shortHeader);
    EXPECT_FALSE(c.NextPage(p, err));
    EXPECT_EQ(err, "a page header is cut short");
    auto noSync = std::vector<uint8_t>{'R', 'a', 'S', '3'};
    PwgReader d(noSync);
    EXPECT_FALSE(d.NextPage(p, err));
    EXPECT_NE(err.find("RaS2"), std::string::npos);
}

TEST(PwgReader, UnreadRowsAreSkippedToTheNextPage) {
    auto f = File({Header(8, 2, 1, 3), {0x01, 0x00, 0xAA}, Header(8, 1, 1, 3), {0x00, 0x00, 0x55}});
    PwgReader r(f);
    PwgPage p;
    std::string err;
    ASSERT_TRUE(r.NextPage(p, err));
    ASSERT_TRUE(r.NextPage(p, err)) << err;
    std::vector<uint8_t> row(1);
    ASSERT_TRUE(r.ReadRow(row, err));
    EXPECT_EQ(row[0], 0x55);
}

}  // namespace
}  // namespace k20::printerapp
