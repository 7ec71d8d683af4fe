// The engine's jobs decode with the driver-log decoder into exactly the pages given.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "render/engine_internal.h"
#include "tests/render/roundtrip_check.h"

namespace k20::render {
namespace {

using testing::CheckDecodes;
using testing::RenderJob;
using testing::TestPage;

TestPage Blank(uint32_t width, size_t height) {
    TestPage p;
    p.width = width;
    p.rows.assign(height, std::vector<uint8_t>((width + 7) / 8, 0));
    return p;
}

void SetDot(TestPage& p, size_t y, size_t x) {
    p.rows[y][x / 8] |= uint8_t(0x80 >> (x % 8));
}

// Column x of the band starting at row y0 as the three bytes a band sends for it.
void SetColumn(TestPage& p, size_t y0, size_t x, uint8_t top, uint8_t mid, uint8_t bottom) {
    const uint8_t bytes[3] = {top, mid, bottom};
    for (size_t k = 0; k < 3; ++k)
        for (size_t i = 0; i < 8; ++i)
            if (bytes[k] & (0x80 >> i)) SetDot(p, y0 + 8 * k + i, x);
}

TestPage Random(std::mt19937& rng, uint32_t width, size_t height, double density) {
    TestPage p = Blank(width, height);
    std::bernoulli_distribution dot(density);
    std::uniform_int_distribution<int> blankRun(0, 9);
    for (size_t y = 0; y < height; ++y) {
        if (blankRun(rng) == 0) {  // leave some runs of blank rows, long enough to skip bands
            y += size_t(blankRun(rng)) * 10;
            continue;
        }
        for (auto& b : p.rows[y]) b = 0;
        for (size_t x = 0; x < width; ++x)
            if (dot(rng)) SetDot(p, y, x);
    }
    return p;
}

TEST(EngineRoundTrip, RandomPagesOfManyWidthsAndHeights) {
    std::mt19937 rng(20261207);
    for (int job = 0; job < 40; ++job) {
        std::vector<TestPage> pages;
        const int count = 1 + job % 4;
        for (int k = 0; k < count; ++k) {
            const uint32_t width = std::uniform_int_distribution<uint32_t>(1, 700)(rng);
            const size_t height = std::uniform_int_distribution<size_t>(0, 150)(rng);
            const double density = std::array{0.001, 0.05, 0.5, 0.97}[size_t(k + job) % 4];
            pages.push_back(Random(rng, width, height, density));
        }
        // Bytes beyond a row's width carry dots that are not part of the page.
        for (auto& p : pages)
            for (auto& r : p.rows) r.push_back(0xFF);
        const auto bytes = RenderJob(pages);
        EXPECT_EQ(CheckDecodes(bytes, pages), "") << "job " << job;
    }
}

TEST(EngineRoundTrip, FullWidthBlackAndOddWidths) {
    for (uint32_t width : {576u, 1u, 7u, 9u, 63u, 65u, 575u, 577u, 640u, 1000u}) {
        TestPage p = Blank(width, 53);
        for (auto& r : p.rows)
            for (auto& b : r) b = 0xFF;
        EXPECT_EQ(CheckDecodes(RenderJob({p}), {p}), "") << "width " << width;
    }
}

TEST(EngineRoundTrip, OneDotPages) {
    for (size_t y : {0u, 1u, 22u, 23u, 24u, 47u, 48u, 300u})
        for (size_t x : {0u, 1u, 7u, 8u, 287u, 568u, 575u}) {
            TestPage p = Blank(576, 310);
            SetDot(p, y, x);
            const auto bytes = RenderJob({p});
            ASSERT_EQ(CheckDecodes(bytes, {p}), "") << y << "," << x;
        }
}

TEST(EngineRoundTrip, BlankAndEmptyPagesTakeOnlyTheirPageEnd) {
    std::vector<TestPage> pages = {Blank(576, 0), Blank(576, 2400), Blank(0, 5), Blank(576, 1)};
    SetDot(pages[3], 0, 100);
    pages.push_back(Blank(576, 3));
    EXPECT_EQ(CheckDecodes(RenderJob(pages), pages), "");
}

TEST(EngineRoundTrip, LongBlankRunsAreFedInSteps) {
    TestPage p = Blank(200, 2000);
    SetDot(p, 0, 5);
    SetDot(p, 1999, 199);  // 1975 blank rows between: more than one feed command
    const auto bytes = RenderJob({p});
    EXPECT_EQ(CheckDecodes(bytes, {p}), "");
    // Feeds never ask for 0 inside a page: the only 1B 33 00 0A is the page end.
    size_t zeroFeeds = 0;
    for (size_t i = 0; i + 3 < bytes.size(); ++i)
        if (bytes[i] == 0x1B && bytes[i + 1] == 0x33 && bytes[i + 2] == 0 && bytes[i + 3] == 0x0A)
            ++zeroFeeds;
    EXPECT_EQ(zeroFeeds, 1u);
}

TEST(EngineRoundTrip, ManyPagesInOneJob) {
    std::mt19937 rng(7);
    std::vector<TestPage> pages;
    for (int k = 0; k < 30; ++k) pages.push_back(Random(rng, 576, size_t(k * 7), 0.02));
    EXPECT_EQ(CheckDecodes(RenderJob(pages), pages), "");
}

// The decoder looks again at a band's last two bytes. A 16 there followed by a byte n
// would read a raster line when the bytes n + 2 and n + 4 further on are 15 and 16:
// here the next band's first column supplies them.
TEST(EngineRoundTrip, BandEndingInTheDecodersRasterLineByte) {
    for (uint8_t n : {uint8_t(13), uint8_t(0x16), uint8_t(0), uint8_t(255)}) {
        TestPage p = Blank(576, 48);
        SetColumn(p, 0, 40, 0x80, 0x16, n);
        SetColumn(p, 24, 0, 0x15, 0x00, 0x16);
        SetColumn(p, 24, 10, 0x01, 0x1D, 0x44);
        EXPECT_EQ(CheckDecodes(RenderJob({p}), {p}), "") << int(n);
    }
    // The band's very last byte is a 16: the decoder reads the next 1B as its length.
    TestPage p = Blank(576, 48);
    SetColumn(p, 0, 575, 0x00, 0x00, 0x16);
    for (size_t x = 0; x < 40; ++x) SetColumn(p, 24, x, 0x15, 0x00, 0x16);
    EXPECT_EQ(CheckDecodes(RenderJob({p}), {p}), "");
}

TEST(EngineRoundTrip, EveryBandOfBytesAtTheEnd) {
    // Last columns of every middle and bottom byte value, each followed by another band.
    std::vector<TestPage> pages;
    for (int v = 0; v < 256; v += 1) {
        TestPage p = Blank(576, 48);
        SetColumn(p, 0, size_t(v) % 570 + 3, 0x01, uint8_t(v), uint8_t(255 - v));
        SetColumn(p, 24, 1, uint8_t(v), 0x15, 0x16);
        pages.push_back(p);
        if (pages.size() == 200) {
            ASSERT_EQ(CheckDecodes(RenderJob(pages), pages), "");
            pages.clear();
        }
    }
    EXPECT_EQ(CheckDecodes(RenderJob(pages), pages), "");
}

// The build's own transposition (vector instructions where the processor has them)
// against the plain one, over every group range the engine can ask for.
TEST(EngineBands, ColumnsMatchThePortableTransposition) {
    std::mt19937 rng(3);
    alignas(16) uint8_t band[24][kBandStride] = {};
    for (int round = 0; round < 20; ++round) {
        for (auto& row : band)
            for (size_t g = 0; g < kMaxDots / 8; ++g) row[g] = uint8_t(rng() & (round % 2 ? 0xFF : rng()));
        for (size_t first = 0; first < 72; first += 1 + round)
            for (size_t last = first; last < 72; last += 5) {
                std::vector<uint8_t> a(kBandStride * 24 + 8, 0xEE), b(kBandStride * 24 + 8, 0xEE);
                BandColumnsPortable(band, first, last, a.data());
                BandColumns(band, first, last, b.data());
                ASSERT_TRUE(std::equal(a.begin() + std::ptrdiff_t(first * 24),
                                       a.begin() + std::ptrdiff_t(last * 24 + 24),
                                       b.begin() + std::ptrdiff_t(first * 24)))
                    << first << ".." << last;
            }
    }
}

TEST(EngineBytes, BandsCarryTheirPositionAndSkipBlankColumns) {
    TestPage p = Blank(576, 24);
    SetDot(p, 0, 100);
    SetDot(p, 23, 103);
    const auto bytes = RenderJob({p});
    const std::vector<uint8_t> band = {0x1B, 0x24, 100, 0, 0x1B, 0x2A, 0x21, 4,    0,    0x80, 0,    0,   0,
                                       0,    0,    0,   0, 0,    0,    0,    0x01, 0x1B, 0x33, 0x18, 0x0A};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), band.begin(), band.end()), bytes.end());
    // A band at the left edge still names its position: the decoder keeps the last one.
    TestPage q = Blank(576, 1);
    SetDot(q, 0, 0);
    const auto edge = RenderJob({q});
    const std::vector<uint8_t> head = {0x1B, 0x24, 0, 0, 0x1B, 0x2A, 0x21, 1, 0, 0x80, 0, 0};
    EXPECT_NE(std::search(edge.begin(), edge.end(), head.begin(), head.end()), edge.end());
}

TEST(EngineBytes, JobFrameAndPageEnd) {
    TestPage p = Blank(8, 1);
    SetDot(p, 0, 0);
    JobSettings s;
    s.density = Density::Dark;
    const auto bytes = RenderJob({p}, s);
    const std::vector<uint8_t> expected = {0x1B, 0x40, 0x1D, 0x28, 0x4B, 0x02, 0x00, 0x31, 0x03, 0x1B,
                                           0x33, 0x01, 0x0A, 0x1B, 0x24, 0x00, 0x00, 0x1B, 0x2A, 0x21,
                                           0x01, 0x00, 0x80, 0x00, 0x00, 0x1B, 0x33, 0x18, 0x0A, 0x1B,
                                           0x33, 0x00, 0x0A, 0x1B, 0x4A, 0x18, 0x1B, 0x33, 0x1E};
    EXPECT_EQ(bytes, expected);
}

TEST(EngineBytes, CommandInsideABandLandsBelowTheRowsSoFar) {
    TestPage top = Blank(576, 10);
    for (size_t y = 0; y < 10; ++y) SetDot(top, y, y);
    MemorySink sink;
    Engine e(sink, {});
    e.StartDocument();
    e.StartPage(576);
    for (const auto& r : top.rows) e.WriteRow(r);
    // Bytes the decoder ignores: select character size.
    const std::vector<uint8_t> cmd = {0x1D, 0x21, 0x00};
    e.WriteCommand(cmd);
    TestPage rest = Blank(576, 30);
    SetDot(rest, 0, 300);
    SetDot(rest, 29, 301);
    for (const auto& r : rest.rows) e.WriteRow(r);
    e.EndPage();
    e.EndDocument();
    ASSERT_TRUE(e.Ok()) << e.Error();
    // The whole page as one: the first band moved the paper by its 10 rows only.
    TestPage whole = Blank(576, 40);
    for (size_t y = 0; y < 10; ++y) SetDot(whole, y, y);
    SetDot(whole, 10, 300);
    SetDot(whole, 39, 301);
    const logviewer::DecodedJob d = logviewer::DecodeJob(sink.data, {});
    ASSERT_EQ(d.status, logviewer::DecodeStatus::Ok);
    // 1 opening row, 10 + 24 + 24 band rows... the rest of the check is the dots.
    for (size_t y = 0; y < 40; ++y)
        for (size_t x = 0; x < 576; ++x) {
            const uint32_t r = uint32_t(1 + y);
            const uint8_t* row = d.bitmap.data() + 62 + size_t(d.height - r) * 80;
            ASSERT_EQ(((row[x / 8] >> (7 - x % 8)) & 1) == 0, testing::Dot(whole, y, x)) << y << "," << x;
        }
    EXPECT_NE(std::search(sink.data.begin(), sink.data.end(), cmd.begin(), cmd.end()), sink.data.end());
}

TEST(EngineCalls, OutOfOrderCallsAreIgnoredAndReported) {
    MemorySink sink;
    Engine e(sink, {});
    const uint8_t row[1] = {0xFF};
    e.WriteRow(row);
    EXPECT_FALSE(e.Ok());
    EXPECT_NE(e.Error().find("WriteRow"), std::string::npos);
    EXPECT_TRUE(sink.data.empty());
    Engine f(sink, {});
    f.StartDocument();
    f.EndPage();
    EXPECT_NE(f.Error().find("EndPage"), std::string::npos);
    f.StartPage(8);
    f.EndDocument();
    EXPECT_NE(f.Error().find("EndPage"), std::string::npos);  // the first problem is kept
}

class FailingSink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t>) override {
        ++calls;
        return false;
    }
    int calls = 0;
};

TEST(EngineCalls, ASinkThatFailsFailsTheJobOnce) {
    FailingSink sink;
    Engine e(sink, {});
    e.StartDocument();
    for (int k = 0; k < 50; ++k) {
        e.StartPage(576);
        for (int y = 0; y < 200; ++y) {
            std::vector<uint8_t> r(72, uint8_t(y));
            e.WriteRow(r);
        }
        e.EndPage();
    }
    e.EndDocument();
    EXPECT_FALSE(e.Ok());
    EXPECT_EQ(sink.calls, 1);
}

class CountingSink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t> b) override {
        writes.push_back(b.size());
        total += b.size();
        return true;
    }
    std::vector<size_t> writes;
    size_t total = 0;
};

TEST(EngineCalls, BytesLeaveInChunksWhileTheJobRuns) {
    CountingSink sink;
    Engine e(sink, {});
    e.StartDocument();
    e.StartPage(576);
    std::vector<uint8_t> r(72, 0xA5);
    for (int y = 0; y < 2400; ++y) e.WriteRow(r);
    // Before the page ends most of it has gone out, and no write was larger than a chunk
    // plus one band.
    EXPECT_GT(sink.total, 150000u);
    for (size_t w : sink.writes) EXPECT_LE(w, 32u * 1024 + 2000);
    e.EndPage();
    e.EndDocument();
    EXPECT_TRUE(e.Ok());
}

}  // namespace
}  // namespace k20::render
