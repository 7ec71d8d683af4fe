// The driver log the engine keeps: job files the viewer lists, page images where the
// viewer leaves them, and a log that cannot be written never failing the job.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "logviewer/log_decode.h"
#include "render/driver_log.h"
#include "render/page_image.h"
#include "tests/render/roundtrip_check.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#include <stb_image.h>

namespace k20::render {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Slurp(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct TempRoot {
    fs::path path;
    explicit TempRoot(const char* name) {
        path =
            fs::temp_directory_path() / (std::string("k20_render_") + name + "_" +
                                         std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

testing::TestPage Pattern(uint32_t width, size_t height) {
    testing::TestPage p;
    p.width = width;
    p.rows.assign(height, std::vector<uint8_t>((width + 7) / 8, 0));
    for (size_t y = 0; y < height; ++y)
        for (size_t x = 0; x < width; ++x)
            if ((x / 16 + y / 16) % 2 == 0) p.rows[y][x / 8] |= uint8_t(0x80 >> (x % 8));
    return p;
}

JobSettings LogTo(const fs::path& root, bool prn, bool bmp, bool jpeg) {
    JobSettings s;
    s.log = {true, prn, bmp, jpeg, PathToUtf8(root), "20261207", "093000"};
    s.jobName = "Receipt for table 12 (copy)";
    return s;
}

TEST(JobFileStem, NamesFitTheViewersTwentyNineCharacters) {
    EXPECT_EQ(JobFileStem("093000", "Receipt"), "093000_Receipt");
    EXPECT_EQ(JobFileStem("093000", ""), "093000");
    EXPECT_EQ(JobFileStem("093000", "a/b\\c:d e\xe6\x97\xa5"), "093000_a_b_c_d_e___");
    const std::string stem = JobFileStem("093000", std::string(200, 'x'));
    // With the "_NNN" of a repeated name and ".prn" the name is still one the viewer reads.
    EXPECT_LE(stem.size() + 4 + 4, kMaxJobFileName);
    EXPECT_EQ(stem.rfind("093000_x", 0), 0u);
}

TEST(DriverLog, TheJobFileHoldsExactlyTheJobsBytesAndDecodes) {
    TempRoot root("prn");
    const std::vector<testing::TestPage> pages = {Pattern(576, 50), Pattern(100, 3)};
    const auto bytes = testing::RenderJob(pages, LogTo(root.path, true, false, false));
    const std::string stem = JobFileStem("093000", "Receipt for table 12 (copy)");
    EXPECT_EQ(stem, "093000_Receipt_for_ta");
    const fs::path job = root.path / "20261207" / (stem + ".prn");
    ASSERT_TRUE(fs::exists(job));
    EXPECT_EQ(Slurp(job), bytes);
    EXPECT_EQ(testing::CheckDecodes(Slurp(job), pages), "");
    // No page images unless asked for.
    EXPECT_FALSE(fs::exists(root.path / "20261207" / "pages"));
    // A second job of the same name in the same second gets its own file.
    testing::RenderJob(pages, LogTo(root.path, true, false, false));
    EXPECT_TRUE(fs::exists(root.path / "20261207" / (stem + "_2.prn")));
}

TEST(DriverLog, AFolderNameBeyondAsciiIsKept) {
    TempRoot root("wide");
    // "Driver log" in Chinese, as a user's log folder may be named; on Windows it must
    // reach the file system as the wide name it is.
    const std::string folder = PathToUtf8(root.path) + "/\xe9\xa9\xb1\xe5\x8a\xa8\xe6\x97\xa5\xe5\xbf\x97";
    JobSettings s = LogTo(root.path, true, false, false);
    s.log.folder = folder;
    const auto bytes = testing::RenderJob({Pattern(16, 2)}, s);
    const fs::path job = PathFromUtf8(folder) / "20261207" / (JobFileStem("093000", s.jobName) + ".prn");
    EXPECT_TRUE(fs::exists(job));
    EXPECT_EQ(Slurp(job), bytes);
    EXPECT_EQ(PathToUtf8(PathFromUtf8(folder)), folder);
}

TEST(DriverLog, PageImagesLieBesideTheDayFolderWhereTheViewerDoesNotDeleteThem) {
    TempRoot root("images");
    const std::vector<testing::TestPage> pages = {Pattern(203, 37), Pattern(576, 8)};
    testing::RenderJob(pages, LogTo(root.path, false, true, true));
    const fs::path day = root.path / "20261207";
    // Nothing with the viewer's ".bmp" in the day folder itself.
    for (const auto& e : fs::directory_iterator(day)) EXPECT_NE(e.path().extension(), ".bmp");
    for (size_t k = 0; k < pages.size(); ++k) {
        const std::string stem =
            JobFileStem("093000", "Receipt for table 12 (copy)") + "_" + std::to_string(k + 1);
        const auto bmp = Slurp(day / "pages" / (stem + ".bmp"));
        const auto jpg = Slurp(day / "pages" / (stem + ".jpg"));
        ASSERT_FALSE(bmp.empty());
        ASSERT_FALSE(jpg.empty());
        int w = 0, h = 0, c = 0;
        // Both images read back as the page: black where it has dots, white elsewhere.
        for (const auto* file : {&bmp, &jpg}) {
            uint8_t* px = stbi_load_from_memory(file->data(), int(file->size()), &w, &h, &c, 1);
            ASSERT_NE(px, nullptr) << stbi_failure_reason();
            EXPECT_EQ(uint32_t(w), pages[k].width);
            EXPECT_EQ(size_t(h), pages[k].rows.size());
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    wrong += (px[y * w + x] < 128) != testing::Dot(pages[k], size_t(y), size_t(x));
            EXPECT_EQ(wrong, 0) << (file == &bmp ? "bitmap" : "jpeg") << " page " << k;
            stbi_image_free(px);
        }
    }
}

TEST(DriverLog, AFolderThatCannotBeWrittenNeverFailsTheJob) {
    TempRoot root("blocked");
    // A file where the day folder would go.
    std::ofstream(root.path / "20261207") << "not a folder";
    MemorySink sink;
    Engine e(sink, LogTo(root.path, true, true, true));
    e.StartDocument();
    for (int k = 0; k < 3; ++k) {
        e.StartPage(8);
        const uint8_t row[1] = {0x81};
        e.WriteRow(row);
        e.EndPage();
    }
    e.EndDocument();
    EXPECT_TRUE(e.Ok()) << e.Error();
    EXPECT_NE(e.LogWarning().find("cannot be written"), std::string::npos) << e.LogWarning();
    EXPECT_EQ(
        testing::CheckDecodes(sink.data, {testing::TestPage{8, {{0x81}}}, testing::TestPage{8, {{0x81}}},
                                          testing::TestPage{8, {{0x81}}}}),
        "");
}

TEST(DriverLog, NoFolderOrSwitchedOffWritesNothing) {
    TempRoot root("off");
    JobSettings s = LogTo(root.path, true, true, true);
    s.log.enabled = false;
    testing::RenderJob({Pattern(8, 1)}, s);
    EXPECT_TRUE(fs::is_empty(root.path));
    s = LogTo("", true, false, false);
    MemorySink sink;
    Engine e(sink, s);
    e.StartDocument();
    e.EndDocument();
    EXPECT_TRUE(e.Ok());
    EXPECT_FALSE(e.LogWarning().empty());
}

TEST(PageImage, AJpegPageTallerThanItsHeaderCanSayKeepsItsFirstRows) {
    TempRoot root("tall");
    auto w = MakeJpegWriter();
    const fs::path p = root.path / "tall.jpg";
    ASSERT_TRUE(w->Start(p, 16));
    const uint8_t row[2] = {0xF0, 0x0F};
    for (int y = 0; y < 70000; ++y) ASSERT_TRUE(w->Row(row));
    ASSERT_TRUE(w->Finish());
    const auto jpg = Slurp(p);
    int x = 0, y = 0, c = 0;
    ASSERT_TRUE(stbi_info_from_memory(jpg.data(), int(jpg.size()), &x, &y, &c));
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 65528);
}

TEST(PageImage, JpegOfAGrayRampKeepsItsLevels) {
    std::vector<uint8_t> gray(64 * 24);
    for (size_t i = 0; i < gray.size(); ++i) gray[i] = uint8_t((i % 64) * 4);
    const auto jpg = EncodeGrayJpeg(gray.data(), 64, 24);
    int w = 0, h = 0, c = 0;
    uint8_t* px = stbi_load_from_memory(jpg.data(), int(jpg.size()), &w, &h, &c, 1);
    ASSERT_NE(px, nullptr);
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 24);
    int worst = 0;
    for (size_t i = 0; i < gray.size(); ++i) worst = std::max(worst, std::abs(int(px[i]) - int(gray[i])));
    EXPECT_LE(worst, 8);
    stbi_image_free(px);
}

}  // namespace
}  // namespace k20::render
