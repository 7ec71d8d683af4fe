// The shipped sample jobs decode to the checked-in page images byte for byte. Set
// K20_REGENERATE_GOLDEN=1 to write the samples and the images again on purpose.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "common/byte_reader.h"
#include "logviewer/log_decode.h"
#include "tests/logviewer/sample_jobs.h"

namespace k20::logviewer {
namespace {

namespace fs = std::filesystem;
using testing::SampleJobs;

const fs::path kSampleRoot = "../../package/PellamorDriverlog/K-20";
const fs::path kGoldenDir = "golden";

bool Regenerate() {
    const char* v = std::getenv("K20_REGENERATE_GOLDEN");
    return v && std::string(v) == "1";
}

std::vector<uint8_t> Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void Spill(const fs::path& p, const std::vector<uint8_t>& d) {
    fs::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(d.data()), std::streamsize(d.size()));
}

fs::path GoldenFor(const std::string& job) {
    return kGoldenDir / (fs::path(job).stem().string() + ".bmp");
}

TEST(Golden, SampleJobsAreTheGeneratedOnes) {
    for (auto& s : SampleJobs()) {
        fs::path p = kSampleRoot / s.day / s.name;
        if (Regenerate()) Spill(p, s.data);
        EXPECT_EQ(Slurp(p), s.data) << p;
    }
}

TEST(Golden, SampleJobsDecodeToTheirPageImages) {
    for (auto& s : SampleJobs()) {
        std::vector<uint8_t> job = Slurp(kSampleRoot / s.day / s.name);
        DecodedJob d = DecodeJob(job, RenderParams{});
        ASSERT_EQ(d.status, DecodeStatus::Ok) << s.name;
        EXPECT_GE(d.boundaries.size(), 1u);
        if (Regenerate()) Spill(GoldenFor(s.name), d.bitmap);
        std::vector<uint8_t> golden = Slurp(GoldenFor(s.name));
        ASSERT_FALSE(golden.empty()) << GoldenFor(s.name) << " missing (K20_REGENERATE_GOLDEN=1 writes it)";
        EXPECT_TRUE(golden == d.bitmap) << s.name << " differs from " << GoldenFor(s.name);
    }
}

// Reads the page image the way any bitmap reader must: from its own header fields, not
// from what the decoder knows, and gives printed dots per row from the top.
struct ReadBack {
    int32_t width = 0, height = 0;
    std::vector<std::vector<bool>> dots;
};

bool ReadMonoBitmap(const std::vector<uint8_t>& f, ReadBack& out) {
    ByteReader r(f);
    if (r.u8() != 'B' || r.u8() != 'M') return false;
    uint32_t fileSize = r.u32();
    r.skip(4);
    uint32_t offset = r.u32(), infoSize = r.u32();
    int32_t width = r.i32(), height = r.i32();
    uint16_t planes = r.u16(), bits = r.u16();
    uint32_t compression = r.u32();
    r.skip(20);
    uint32_t pal0 = r.u32(), pal1 = r.u32();
    if (!r.ok() || fileSize != f.size() || infoSize != 40 || planes != 1 || bits != 1 || compression != 0 ||
        width <= 0 || height <= 0)
        return false;
    const size_t stride = (size_t(width) + 31) / 32 * 4;
    if (offset > f.size() || (f.size() - offset) / stride < size_t(height)) return false;
    out.width = width;
    out.height = height;
    out.dots.assign(size_t(height), std::vector<bool>(size_t(width)));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = f.data() + offset + size_t(height - 1 - y) * stride;  // bottom-up
        for (int32_t x = 0; x < width; ++x) {
            bool bit = row[x / 8] & (0x80 >> (x % 8));
            uint32_t colour = bit ? pal1 : pal0;
            out.dots[size_t(y)][size_t(x)] = (colour & 0xFFFFFF) == 0;  // black is a printed dot
        }
    }
    return true;
}

TEST(Golden, PageImagesReadBackAsThePrintedDots) {
    for (auto& s : SampleJobs()) {
        DecodedJob d = DecodeJob(s.data, RenderParams{});
        ASSERT_EQ(d.status, DecodeStatus::Ok);
        ReadBack rb;
        ASSERT_TRUE(ReadMonoBitmap(d.bitmap, rb)) << s.name;
        EXPECT_EQ(rb.width, 640);
        EXPECT_EQ(uint32_t(rb.height), d.height);
        // Spot the first raster line of the raster samples: row 1 is a full frame rule.
        if (s.name == "receipt_0001.prn") {
            for (int x = 0; x < 640; ++x) ASSERT_TRUE(rb.dots[0][size_t(x)]) << x;
            EXPECT_FALSE(rb.dots[10][100]);
        }
        size_t black = 0;
        for (auto& row : rb.dots)
            for (bool b : row) black += b;
        EXPECT_GT(black, 1000u) << s.name;
    }
}

}  // namespace
}  // namespace k20::logviewer
