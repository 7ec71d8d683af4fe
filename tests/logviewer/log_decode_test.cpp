#include "logviewer/log_decode.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "common/byte_reader.h"
#include "tests/logviewer/job_builder.h"

namespace k20::logviewer {
namespace {

using testing::JobBuilder;
using testing::PrintedRow;

const RenderParams kDefault{80, 640};

std::vector<uint8_t> Fill(size_t n, uint8_t v) {
    return std::vector<uint8_t>(n, v);
}

TEST(LogDecode, RasterJobHasOneBoundaryAtItsLastDrawnLineAndDoesNotDrawThePageEndLine) {
    JobBuilder j;
    j.Init()
        .Feed(1)
        .Line(Fill(80, 0x81))
        .Feed(1)
        .Line(Fill(80, 0x42))
        .Feed(2)
        .Line(Fill(80, 0x18))
        .Feed(1)
        .PageEndLine(Fill(80, 0xFF));
    DecodedJob d = DecodeJob(j.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 4u);  // rows 1, 2 and 4; the page-end line is not fed
    EXPECT_EQ(d.boundaries, std::vector<uint32_t>{4});
    EXPECT_EQ(PrintedRow(d.bitmap, 4, 80, 1), Fill(80, 0x81));
    EXPECT_EQ(PrintedRow(d.bitmap, 4, 80, 2), Fill(80, 0x42));
    EXPECT_EQ(PrintedRow(d.bitmap, 4, 80, 3), Fill(80, 0x00));
    EXPECT_EQ(PrintedRow(d.bitmap, 4, 80, 4), Fill(80, 0x18));  // not the page-end line's 0xFF
}

TEST(LogDecode, FirstLineIsFedOnlyWhenAFeedInsideTheFilePrecedesIt) {
    // The scan starts at index 1: a line there has no two bytes before it and lands on
    // row 0, which the image does not show.
    JobBuilder a;
    a.Bytes({0x00}).Line(Fill(4, 0xF0)).Feed(1).Line(Fill(4, 0x0F)).Feed(1).PageEndLine(Fill(4, 0));
    DecodedJob d = DecodeJob(a.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 1u);
    EXPECT_EQ(PrintedRow(d.bitmap, 1, 80, 1)[0], 0x0F);

    JobBuilder b;
    b.Bytes({0x00}).Feed(3).Line(Fill(4, 0xF0)).Feed(1).PageEndLine(Fill(4, 0));
    d = DecodeJob(b.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 3u);
    EXPECT_EQ(PrintedRow(d.bitmap, 3, 80, 3)[0], 0xF0);
}

TEST(LogDecode, BandJobIsTwentyFourRowsTallerThanItsBandsWithOneBoundaryAtTheEnd) {
    JobBuilder j;
    j.Init();
    for (int b = 0; b < 3; ++b) j.Band(Fill(3 * 16, 0xFF)).Spacing(24);
    j.PageEndFeed();
    DecodedJob d = DecodeJob(j.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 3u * 24 + 24);
    EXPECT_EQ(d.boundaries, std::vector<uint32_t>{96});
    // Bands fill rows 0..71; row 0 is not part of the image.
    for (uint32_t r = 1; r <= 71; ++r) EXPECT_EQ(PrintedRow(d.bitmap, 96, 80, r)[1], 0xFF) << r;
    for (uint32_t r = 72; r <= 96; ++r) EXPECT_EQ(PrintedRow(d.bitmap, 96, 80, r)[1], 0x00) << r;
}

TEST(LogDecode, PositionOfFourDotsShiftsTheBandHalfAByteAndClearsTheFirstBytes) {
    struct Case {
        uint16_t x;
        std::vector<uint8_t> row;  // first bytes of band row 0 over a row of 0xAA
    };
    const Case cases[] = {
        {4, {0x0F, 0xF0, 0xAA}},
        {20, {0x00, 0x00, 0x0F, 0xF0, 0xAA}},
        {16, {0xAA, 0xAA, 0xFF, 0xAA}},  // aligned: only the band's own bytes change
    };
    for (const Case& c : cases) {
        JobBuilder j;
        // A raster line on row 1 first, then a band on rows 1..24 over it.
        j.Init().Feed(1).Line(Fill(80, 0xAA)).Feed(0).Line(Fill(1, 0xAA));
        // 8 columns, each all dots.
        j.Position(c.x).Band(Fill(24, 0xFF)).Spacing(30).PageEndFeed();
        DecodedJob d = DecodeJob(j.out, kDefault);
        ASSERT_EQ(d.status, DecodeStatus::Ok) << c.x;
        std::vector<uint8_t> row = PrintedRow(d.bitmap, d.height, 80, 1);
        EXPECT_EQ(std::vector<uint8_t>(row.begin(), row.begin() + long(c.row.size())), c.row) << c.x;
    }
}

TEST(LogDecode, FailureRules) {
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        DecodeStatus want;
    };
    JobBuilder noEnd;
    noEnd.Init().Feed(1).Line(Fill(80, 0xFF)).Feed(1).Line(Fill(80, 0xFF)).Feed(1).Line(Fill(2, 0));
    JobBuilder endOnly;
    endOnly.Bytes({0x00}).PageEndLine(Fill(3, 0));
    JobBuilder spaced;
    spaced.Init().Spacing(10).Spacing(0);
    const Case cases[] = {
        {"empty", {}, DecodeStatus::Empty},
        {"one byte", {0x16}, DecodeStatus::NoRows},
        {"raster data without page end", noEnd.out, DecodeStatus::NoPageBoundary},
        {"page end at row 0", endOnly.out, DecodeStatus::NoRows},
        {"page-end feed without its six bytes still counts", spaced.out, DecodeStatus::Ok},
    };
    for (const Case& c : cases) {
        DecodedJob d = DecodeJob(c.data, kDefault);
        EXPECT_EQ(d.status, c.want) << c.name;
        EXPECT_EQ(d.bitmap.empty(), c.want != DecodeStatus::Ok) << c.name;
    }
    EXPECT_EQ(DecodeJob(spaced.out, RenderParams{0, 640}).status, DecodeStatus::BadParams);
    EXPECT_EQ(DecodeJob(spaced.out, RenderParams{80, 0}).status, DecodeStatus::BadParams);
}

TEST(LogDecode, PageImageFileHeaderByteForByte) {
    JobBuilder j;
    j.Init().Spacing(2).Spacing(0);  // 26 rows
    DecodedJob d = DecodeJob(j.out, RenderParams{8, 60});
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    ASSERT_EQ(d.bitmap.size(), 62u + 8 * 26);
    const std::vector<uint8_t> head(d.bitmap.begin(), d.bitmap.begin() + 62);
    const std::vector<uint8_t> want = {
        'B', 'M', 0x0E, 0x01, 0,    0,    0,    0, 0,  0, 62, 0, 0, 0,  // size 62 + 208 = 270
        40,  0,   0,    0,    60,   0,    0,    0, 26, 0, 0,  0, 1, 0,
        1,   0,                                     // header, width P, height c, planes, bits
        0,   0,   0,    0,    208,  0,    0,    0,  // no compression, image size
        0,   0,   0,    0,    0,    0,    0,    0, 0,  0, 0,  0, 0, 0,
        0,   0,                                      // resolution and colour counts
        0,   0,   0,    0,    0xFF, 0xFF, 0xFF, 0};  // black, white
    EXPECT_EQ(head, want);
    // Nothing printed: every stored bit is white.
    for (size_t i = 62; i < d.bitmap.size(); ++i) ASSERT_EQ(d.bitmap[i], 0xFF) << i;
}

TEST(LogDecode, RowsAreStoredFromTheLastUpToRowOne) {
    JobBuilder j;
    j.Init().Feed(1).Line({0x01}).Feed(1).Line({0x02}).Feed(1).Line({0x03}).Feed(1).PageEndLine({0x00});
    DecodedJob d = DecodeJob(j.out, RenderParams{4, 32});
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    ASSERT_EQ(d.height, 3u);
    EXPECT_EQ(d.bitmap[62 + 0 * 4], 0xFC);  // row 3 first, inverted
    EXPECT_EQ(d.bitmap[62 + 1 * 4], 0xFD);
    EXPECT_EQ(d.bitmap[62 + 2 * 4], 0xFE);  // row 1 last
}

TEST(LogDecode, LookAheadsStayInsideTheFile) {
    struct Case {
        const char* name;
        std::vector<uint8_t> tail;
    };
    // Each tail is cut short of the command it starts; the job before it decodes alone.
    const Case cases[] = {
        {"raster length beyond the end", {0x16, 0xFF, 0x00}},
        {"raster line missing its next 16", {0x16, 0x01, 0xAA, 0x15, 0x01}},
        {"page-end line cut", {0x16, 0x01, 0xAA, 0x15, 0x01, 0x1D, 0x44}},
        {"spacing without line feed", {0x1B, 0x33, 0x10}},
        {"position without its image", {0x1B, 0x24, 0x10, 0x00, 0x1B}},
        {"band header cut", {0x1B, 0x2A, 0x21, 0x05}},
        {"band data cut", {0x1B, 0x2A, 0x21, 0x02, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"lone escape", {0x1B}},
    };
    JobBuilder base;
    base.Init().Spacing(5).Spacing(0);
    const DecodedJob alone = DecodeJob(base.out, kDefault);
    for (const Case& c : cases) {
        std::vector<uint8_t> data = base.out;
        data.insert(data.end(), c.tail.begin(), c.tail.end());
        // Copy into an exactly sized heap block so that a read past the end is caught by
        // the sanitizers and by the fuzzing build.
        std::unique_ptr<uint8_t[]> exact(new uint8_t[data.size()]);
        std::copy(data.begin(), data.end(), exact.get());
        DecodedJob d = DecodeJob(std::span<const uint8_t>(exact.get(), data.size()), kDefault);
        EXPECT_EQ(d.status, DecodeStatus::Ok) << c.name;
        EXPECT_EQ(d.height, alone.height) << c.name;
        EXPECT_EQ(d.bitmap, alone.bitmap) << c.name;
    }
}

TEST(LogDecode, SpacingZeroSkipsSixBytesAndOtherSpacingsResumeAfterFour) {
    // The six bytes after the page end hold a spacing command that must not count.
    JobBuilder j;
    j.Init().Spacing(0).Spacing(7).Bytes({0x00, 0x00}).Spacing(3).Spacing(0);
    DecodedJob d = DecodeJob(j.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 24u + 3 + 24);
    EXPECT_EQ(d.boundaries, (std::vector<uint32_t>{24, 51}));
}

TEST(LogDecode, ScanResumesInsideTheBandsLastTwoDataBytes) {
    // One column whose last two bytes start a spacing command: 1B 33 then 05 0A.
    JobBuilder j;
    j.Init().Band({0x00, 0x1B, 0x33}).Bytes({0x05, 0x0A}).Spacing(0);
    DecodedJob d = DecodeJob(j.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 5u + 24);
}

TEST(LogDecode, PositionNeedsAnImageRightAfterItAndLastsUntilTheNextPosition) {
    JobBuilder j;
    j.Init().Spacing(1);
    j.Position(8).Bytes({0x00}).Band(Fill(3, 0xFF)).Spacing(24);  // not directly followed: x stays 0
    j.Position(16).Band(Fill(3, 0xFF)).Spacing(24);               // x = 16
    j.PageEndFeed();
    j.Band(Fill(3, 0xFF)).Spacing(24);  // next page, still x = 16
    j.PageEndFeed();
    DecodedJob d = DecodeJob(j.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 80, 1)[0], 0x80);
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 80, 25)[2], 0x80);
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 80, 25 + 48)[2], 0x80);
    EXPECT_EQ(d.boundaries.size(), 2u);
}

TEST(LogDecode, WideBandsAndRowsAreClipped) {
    JobBuilder j;
    j.Init().Spacing(1);
    j.Band(Fill(3 * 700, 0xFF)).Spacing(24);               // wider than P
    j.Position(636).Band(Fill(3 * 16, 0xFF)).Spacing(24);  // runs off the row's end
    j.Position(5000).Band(Fill(3 * 8, 0xFF)).Spacing(24);  // starts beyond the row
    j.Feed(1).Line(Fill(200, 0x55)).Feed(1).PageEndLine({});
    const RenderParams p{80, 640};
    DecodedJob d = DecodeJob(j.out, p);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 80, 1), Fill(80, 0xFF));
    std::vector<uint8_t> second = PrintedRow(d.bitmap, d.height, 80, 25);
    EXPECT_EQ(second[78], 0x00);
    EXPECT_EQ(second[79], 0x0F);
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 80, 49), Fill(80, 0x00));  // shifted: the row is cleared
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 80, d.height), Fill(80, 0x55));

    // A narrower image: the band is cut at P dots, not at a byte.
    JobBuilder n;
    n.Init().Spacing(1).Band(Fill(3 * 16, 0xFF)).Spacing(24).PageEndFeed();
    d = DecodeJob(n.out, RenderParams{2, 12});
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(PrintedRow(d.bitmap, d.height, 2, 1), (std::vector<uint8_t>{0xFF, 0xF0}));
}

TEST(LogDecode, BoundariesBeyondTwoHundredFiftyAreIgnored) {
    JobBuilder j;
    j.Init();
    for (int i = 0; i < 300; ++i) j.PageEndFeed();
    DecodedJob d = DecodeJob(j.out, kDefault);
    ASSERT_EQ(d.status, DecodeStatus::Ok);
    EXPECT_EQ(d.height, 300u * 24);
    ASSERT_EQ(d.boundaries.size(), kMaxPageBoundaries);
    EXPECT_EQ(d.boundaries.back(), 250u * 24);
}

TEST(LogDecode, ImageLimitCountsRowsTimesWidth) {
    JobBuilder j;
    j.Init().Spacing(100).Spacing(0);  // 124 rows
    EXPECT_EQ(DecodeJob(j.out, RenderParams{10, 80}, 1240).status, DecodeStatus::Ok);
    EXPECT_EQ(DecodeJob(j.out, RenderParams{10, 80}, 1239).status, DecodeStatus::TooLarge);
    // A small hostile file asking for gigabytes fails at once at the default limit.
    JobBuilder big;
    big.Init();
    for (int i = 0; i < 100000; ++i) big.Spacing(0xFF);
    big.Spacing(0);
    DecodedJob d = DecodeJob(big.out, kDefault);
    EXPECT_EQ(d.status, DecodeStatus::TooLarge);
    EXPECT_TRUE(d.bitmap.empty());
}

// Spells out the band placement dot by dot, for comparison with the decoder's
// eight-columns-at-a-time transposition.
std::vector<uint8_t> ReferenceBandRow(const std::vector<uint8_t>& cols, int band, uint32_t x,
                                      const RenderParams& p, std::vector<uint8_t> row) {
    size_t n = std::min<size_t>(cols.size() / 3, p.dots);
    size_t len = (n + 7) / 8;
    std::vector<uint8_t> b(len + 1, 0);
    for (size_t j = 0; j < n; ++j)
        if (cols[j * 3 + size_t(band / 8)] & (0x80 >> (band % 8))) b[j / 8] |= uint8_t(0x80 >> (j % 8));
    size_t start = x / 8;
    unsigned sh = x % 8;
    if (!sh) {
        for (size_t k = 0; k < len; ++k)
            if (start + k < row.size()) row[start + k] = b[k];
        return row;
    }
    for (size_t k = 0; k < std::min(start, row.size()); ++k) row[k] = 0;
    for (size_t k = 0; k <= len; ++k) {
        uint8_t v = uint8_t((b[k] >> sh) | (k ? b[k - 1] << (8 - sh) : 0));
        if (start + k < row.size()) row[start + k] = v;
    }
    return row;
}

TEST(LogDecode, BandPlacementMatchesADotByDotReference) {
    std::mt19937 rng(20240611);
    const RenderParams p{24, 150};
    for (int round = 0; round < 200; ++round) {
        size_t cols = rng() % 200;
        uint32_t x = rng() % 220;
        std::vector<uint8_t> data(cols * 3);
        for (auto& v : data) v = uint8_t(rng());
        std::vector<uint8_t> under(p.widthBytes);
        for (auto& v : under) v = uint8_t(rng());
        JobBuilder j;
        j.Init();
        for (int r = 0; r < 24; ++r) j.Feed(r == 0 ? 1 : 1).Line(under);
        j.Feed(0).Line({});
        j.Position(uint16_t(x)).Band(data).Spacing(30).PageEndFeed();
        // Rows 1..24 hold `under`; the band lands on rows 24..47 (c = 24).
        DecodedJob d = DecodeJob(j.out, p);
        ASSERT_EQ(d.status, DecodeStatus::Ok);
        std::vector<uint8_t> empty(p.widthBytes, 0);
        EXPECT_EQ(PrintedRow(d.bitmap, d.height, p.widthBytes, 24), ReferenceBandRow(data, 0, x, p, under))
            << "cols " << cols << " x " << x;
        for (int band = 1; band < 24; ++band)
            ASSERT_EQ(PrintedRow(d.bitmap, d.height, p.widthBytes, uint32_t(24 + band)),
                      ReferenceBandRow(data, band, x, p, empty))
                << "cols " << cols << " x " << x << " band row " << band;
    }
}

}  // namespace
}  // namespace k20::logviewer

namespace k20::logviewer {
namespace {

// Wide rows keep track of what was drawn so that a shifted band blanks only that: the
// image must stay byte for byte the one of blanking every byte, through any mix of
// bands, empty bands, positions and feeds.
TEST(LogDecode, ManyBandsOnWideRowsMatchTheDotByDotReference) {
    std::mt19937 rng(7001);
    for (const RenderParams p : {RenderParams{40, 320}, RenderParams{80, 640}, RenderParams{200, 1500},
                                 RenderParams{kMaxWidthBytes, kMaxDots}}) {
        for (int round = 0; round < 12; ++round) {
            JobBuilder j;
            j.Init();
            std::map<uint32_t, std::vector<uint8_t>> rows;
            uint32_t c = 0, x = 0;
            for (int op = 0; op < 150; ++op) {
                if (rng() % 4 == 0) {
                    const uint8_t k = uint8_t(1 + rng() % 30);
                    j.Spacing(k);
                    c += k;
                    continue;
                }
                if (rng() % 2) {
                    x = rng() % (8 * p.widthBytes + 40);
                    j.Position(uint16_t(x));
                }
                const size_t cols = rng() % 3 == 0 ? 0 : rng() % 120;
                std::vector<uint8_t> data(cols * 3);
                for (auto& v : data) v = uint8_t(rng());
                // The band's last two bytes are read again as commands: keep them inert.
                for (size_t k = data.size() >= 2 ? data.size() - 2 : 0; k < data.size(); ++k)
                    if (data[k] == 0x1B || data[k] == 0x16) data[k] = 0x55;
                j.Band(data);
                for (int band = 0; band < 24; ++band) {
                    auto& row = rows[c + uint32_t(band)];
                    row.resize(p.widthBytes);
                    row = ReferenceBandRow(data, band, x, p, row);
                }
            }
            j.Spacing(24).PageEndFeed();
            const uint32_t height = c + 48;
            const DecodedJob d = DecodeJob(j.out, p);
            ASSERT_EQ(d.status, DecodeStatus::Ok);
            ASSERT_EQ(d.height, height);
            for (uint32_t r = 1; r <= height; ++r) {
                std::vector<uint8_t> want(p.widthBytes, 0);
                if (auto it = rows.find(r); it != rows.end()) want = it->second;
                ASSERT_EQ(PrintedRow(d.bitmap, height, p.widthBytes, r), want)
                    << "W " << p.widthBytes << " round " << round << " row " << r;
            }
        }
    }
}

TEST(LogDecode, RowWidthAndImageWidthAreBounded) {
    JobBuilder j;
    j.Init().Spacing(24).PageEndFeed();
    EXPECT_EQ(DecodeJob(j.out, RenderParams{kMaxWidthBytes, 640}).status, DecodeStatus::Ok);
    EXPECT_EQ(DecodeJob(j.out, RenderParams{kMaxWidthBytes + 1, 640}).status, DecodeStatus::BadParams);
    EXPECT_EQ(DecodeJob(j.out, RenderParams{80, kMaxDots}).status, DecodeStatus::Ok);
    EXPECT_EQ(DecodeJob(j.out, RenderParams{80, kMaxDots + 1}).status, DecodeStatus::BadParams);
    EXPECT_EQ(DecodeJob(j.out, RenderParams{0xFFFFFFFFu, 640}).status, DecodeStatus::BadParams);
}

}  // namespace
}  // namespace k20::logviewer
