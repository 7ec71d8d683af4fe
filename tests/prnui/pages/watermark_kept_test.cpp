// The working copy as the preview keeps it: the 10 MiB limit and files that lie about
// their size.
#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "prnui/pages/watermark_bitmap.h"

namespace k20::prnui {
namespace {

std::vector<uint8_t> TrueColor(int32_t w, int32_t h, size_t pixelBytes, uint32_t offset = 54) {
    std::vector<uint8_t> f;
    LeWriter wr(f);
    wr.u16(0x4D42).u32(uint32_t(offset + pixelBytes)).u32(0).u32(offset);
    wr.u32(40).i32(w).i32(h).u16(1).u16(24).zeros(24);
    f.resize(offset, 0);
    for (size_t i = 0; i < pixelBytes; ++i) f.push_back(uint8_t(i));
    return f;
}

TEST(KeptBitmap, RowsArePaddedAndKeptBottomUp) {
    KeptBitmap k;
    ASSERT_EQ(ReadKeptBitmap(TrueColor(5, 2, 32), k), KeepResult::Kept);
    EXPECT_EQ(k.width, 5);
    EXPECT_EQ(k.height, 2);
    EXPECT_EQ(k.stride, 16u);
    ASSERT_EQ(k.pixels.size(), 32u);
    EXPECT_EQ(k.pixels[17], 17);
}

TEST(KeptBitmap, TenMebibytesOfRowsAreTheLimit) {
    // 1024 x 1 rows of 3 bytes: 3072 bytes a row; 3413 rows = 10484736 fit, one more does not.
    KeptBitmap k;
    EXPECT_EQ(ReadKeptBitmap(TrueColor(1024, 3413, 3072u * 3413), k), KeepResult::Kept);
    EXPECT_EQ(ReadKeptBitmap(TrueColor(1024, 3414, 16), k), KeepResult::TooBig);
}

TEST(KeptBitmap, DamagedHeadersAreUnreadableAndAllocateNothing) {
    struct Row {
        const char* what;
        std::vector<uint8_t> file;
    } rows[] = {
        {"truncated rows", TrueColor(4, 4, 47)},
        {"negative width", TrueColor(-4, 4, 48)},
        {"zero height", TrueColor(4, 0, 0)},
        {"huge width", TrueColor(0x7FFFFFFF, 1, 16)},
        {"offset beyond the file", TrueColor(1, 1, 4, 54)},
        {"header only", std::vector<uint8_t>(20, 0x42)},
    };
    rows[4].file[10] = 0xFF;  // pixel offset far past the end
    for (auto& r : rows) {
        KeptBitmap k;
        EXPECT_NE(ReadKeptBitmap(r.file, k), KeepResult::Kept) << r.what;
        EXPECT_TRUE(k.pixels.empty()) << r.what;
    }
}

}  // namespace
}  // namespace k20::prnui
