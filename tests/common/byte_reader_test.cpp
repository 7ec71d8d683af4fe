#include <gtest/gtest.h>

#include "common/byte_reader.h"

using namespace k20;

TEST(ByteReader, ReadsLittleEndianAndFailsForGoodOnShortRead) {
    const uint8_t d[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    ByteReader r(d, sizeof d);
    EXPECT_EQ(r.u16(), 0x0201);
    EXPECT_EQ(r.u32(), 0x06050403u);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.u16(), 0);  // one byte left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0);  // sticky
    EXPECT_EQ(r.remaining(), 0u);
}

TEST(ByteReader, BoundsAreOverflowSafe) {
    const uint8_t d[4] = {};
    ByteReader r(d, sizeof d);
    r.skip(2);
    EXPECT_FALSE(r.has(SIZE_MAX));
    EXPECT_TRUE(r.bytes(SIZE_MAX - 1).empty());
    EXPECT_FALSE(r.ok());
    ByteReader r2(d, sizeof d);
    EXPECT_EQ(r2.u32At(SIZE_MAX - 1), 0u);
    EXPECT_FALSE(r2.ok());
    ByteReader r3(d, sizeof d);
    r3.seek(5);
    EXPECT_FALSE(r3.ok());
}

TEST(LeWriter, WritesLittleEndian) {
    std::vector<uint8_t> out;
    LeWriter w(out);
    w.u8(1).u16(0x0302).u32(0x07060504).bytes({8, 9}).zeros(2);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0}));
}
