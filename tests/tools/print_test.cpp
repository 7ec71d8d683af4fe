// k20tool print run as the user runs it: a PNG receipt reaches a loopback printer and
// decodes into the picture; the driver log it keeps is listed and decoded by k20tool log.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "render/engine.h"
#include "tests/render/roundtrip_check.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

namespace {

namespace fs = std::filesystem;
using namespace k20::render;
namespace rt = k20::render::testing;

std::vector<uint8_t> Slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A one-shot printer on 127.0.0.1: accepts one connection and keeps what arrives.
struct LoopbackPrinter {
    int listener = -1;
    uint16_t port = 0;
    std::vector<uint8_t> received;
    std::thread thread;
    LoopbackPrinter() {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listener, 1);
        socklen_t n = sizeof a;
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &n);
        port = ntohs(a.sin_port);
        thread = std::thread([this] {
            const int c = accept(listener, nullptr, nullptr);
            if (c < 0) return;
            uint8_t buf[4096];
            ssize_t k;
            while ((k = recv(c, buf, sizeof buf, 0)) > 0) received.insert(received.end(), buf, buf + k);
            close(c);
        });
    }
    ~LoopbackPrinter() {
        if (thread.joinable()) {
            shutdown(listener, SHUT_RDWR);
            thread.join();
        }
        close(listener);
    }
    std::vector<uint8_t> Wait() {
        thread.join();
        return received;
    }
};

int RunTool(const std::string& args, const std::string& out = "/dev/null") {
    const std::string cmd = std::string(K20TOOL_EXE) + " " + args + " > " + out + " 2>/dev/null";
    return WEXITSTATUS(std::system(cmd.c_str()));
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("k20_print_tool_" + std::to_string(getpid()));
    TempDir() {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

// A black-and-white picture (values 0 and 255 only) and the page it must print as.
struct Picture {
    int w, h;
    std::vector<uint8_t> gray;
    rt::TestPage page;
};

Picture Receipt(int w, int h) {
    Picture p{w, h, std::vector<uint8_t>(size_t(w) * size_t(h), 255), {}};
    p.page.width = uint32_t(w);
    p.page.rows.assign(size_t(h), std::vector<uint8_t>(size_t(w + 7) / 8, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool dot = (y % 40 < 20 && (x * 7 + y * 3) % 11 < 4) || (y > h - 30 && x % 3 == 0);
            if (!dot) continue;
            p.gray[size_t(y) * size_t(w) + size_t(x)] = 0;
            p.page.rows[size_t(y)][size_t(x) / 8] |= uint8_t(0x80 >> (x % 8));
        }
    return p;
}

void WritePng(const std::string& path, const Picture& p) {
    ASSERT_TRUE(stbi_write_png(path.c_str(), p.w, p.h, 1, p.gray.data(), p.w));
}

TEST(PrintTool, APngReceiptReachesALoopbackPrinterAndDecodesIntoThePicture) {
    TempDir dir;
    const Picture pic = Receipt(576, 300);
    WritePng(dir / "receipt.png", pic);
    LoopbackPrinter printer;
    ASSERT_EQ(RunTool("print " + (dir / "receipt.png") +
                      " --halftone none --cut full --to tcp://127.0.0.1:" + std::to_string(printer.port)),
              0);
    const auto job = printer.Wait();
    EXPECT_EQ(rt::CheckDecodes(job, {pic.page}), "");
    const auto cut = CutCommand(Cut::Full, true);
    EXPECT_TRUE(std::equal(cut.rbegin(), cut.rend(), job.rbegin()));
}

TEST(PrintTool, PicturesWiderThanTheRollAreScaledToIt) {
    TempDir dir;
    Picture wide{1152, 48, std::vector<uint8_t>(1152 * 48, 0), {}};
    WritePng(dir / "wide.png", wide);
    ASSERT_EQ(RunTool("print " + (dir / "wide.png") + " --to " + (dir / "wide.prn")), 0);
    rt::TestPage black{576, std::vector<std::vector<uint8_t>>(24, std::vector<uint8_t>(72, 0xFF))};
    EXPECT_EQ(rt::CheckDecodes(Slurp(dir / "wide.prn"), {black}), "");
}

TEST(PrintTool, TheDriverLogIsListedAndDecodedByTheLogCommand) {
    TempDir dir;
    const Picture pic = Receipt(300, 100);
    WritePng(dir / "a long receipt name for the log.png", pic);
    ASSERT_EQ(RunTool("print '" + (dir / "a long receipt name for the log.png") +
                          "' --halftone none --log-folder " + (dir / "log") + " --log-images",
                      dir / "stdout.prn"),
              0);
    std::vector<fs::path> jobs;
    for (const auto& e : fs::recursive_directory_iterator(dir.path / "log"))
        if (e.path().extension() == ".prn") jobs.push_back(e.path());
    ASSERT_EQ(jobs.size(), 1u);
    const std::string name = jobs[0].filename().string();
    EXPECT_LE(name.size(), 29u);
    EXPECT_EQ(Slurp(jobs[0]), Slurp(dir / "stdout.prn"));
    // The viewer's own listing and decoding, through the tool.
    ASSERT_EQ(RunTool("log list " + (dir / "log"), dir / "list.txt"), 0);
    std::ifstream listing(dir / "list.txt");
    const std::string text((std::istreambuf_iterator<char>(listing)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find(jobs[0].parent_path().filename().string()), std::string::npos) << text;
    EXPECT_NE(text.find(name), std::string::npos) << text;
    ASSERT_EQ(RunTool("log decode " + jobs[0].string() + " -o " + (dir / "page.bmp"), dir / "decode.txt"), 0);
    EXPECT_TRUE(fs::exists(dir / "page.bmp"));
    EXPECT_EQ(rt::CheckDecodes(Slurp(jobs[0]), {pic.page}), "");
    // The page images lie in the day folder's own folder.
    EXPECT_TRUE(fs::exists(jobs[0].parent_path() / "pages" / (jobs[0].stem().string() + "_1.bmp")));
    EXPECT_TRUE(fs::exists(jobs[0].parent_path() / "pages" / (jobs[0].stem().string() + "_1.jpg")));
}

TEST(PrintTool, TheRecordsOperationsFrameTheReceipt) {
    TempDir dir;
    WritePng(dir / "r.png", Receipt(64, 30));
    ASSERT_EQ(RunTool("settings default", dir / "record.bin"), 0);
    ASSERT_EQ(RunTool("print " + (dir / "r.png") + " --settings " + (dir / "record.bin") +
                          " --density 2 --buzzer 2",
                      dir / "job.prn"),
              0);
    const auto job = Slurp(dir / "job.prn");
    // The default record: both drawers at the start, a feed to the cut and a partial cut at the end.
    std::vector<uint8_t> head = JobPrologue(Density::Dark);
    const auto drawer = DrawerCommand(12);
    head.insert(head.end(), drawer.begin(), drawer.end());
    ASSERT_GE(job.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), job.begin()));
    std::vector<uint8_t> tail = BuzzerCommand(2);
    const auto cut = CutCommand(Cut::Partial, true);
    tail.insert(tail.end(), cut.begin(), cut.end());
    EXPECT_TRUE(std::equal(tail.rbegin(), tail.rend(), job.rbegin()));
    // A file that is not a record is refused.
    std::ofstream(dir / "bad.bin") << std::string(1980, 'x');
    EXPECT_NE(RunTool("print " + (dir / "r.png") + " --settings " + (dir / "bad.bin"), dir / "bad.prn"), 0);
    EXPECT_EQ(fs::file_size(dir / "bad.prn"), 0u);
}

TEST(PrintTool, BrokenPicturesAndBadOptionsPrintNothing) {
    TempDir dir;
    std::ofstream(dir / "text.png") << "not a picture";
    WritePng(dir / "ok.png", Receipt(16, 16));
    auto png = Slurp(dir / "ok.png");
    png.resize(png.size() / 2);
    std::ofstream(dir / "cut.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    for (const std::string& args :
         {"print " + (dir / "text.png"), "print " + (dir / "cut.png"), "print " + dir.path.string(),
          "print " + (dir / "missing.png"), "print " + (dir / "ok.png") + " --cut sideways",
          "print " + (dir / "ok.png") + " --drawer 13", "print " + (dir / "ok.png") + " --halftone x",
          "print " + (dir / "ok.png") + " --log-images"}) {
        EXPECT_NE(RunTool(args, dir / "out.prn"), 0) << args;
        EXPECT_EQ(fs::file_size(dir / "out.prn"), 0u) << args;
    }
}

TEST(LogoTool, PngAndJpegLogosConvertLikeTheSameBitmap) {
    TempDir dir;
    Picture pic = Receipt(40, 20);
    WritePng(dir / "logo.png", pic);
    ASSERT_TRUE(stbi_write_bmp((dir / "logo_ref.bmp").c_str(), pic.w, pic.h, 1, pic.gray.data()));
    ASSERT_EQ(
        RunTool("logo convert " + (dir / "logo.png") + " --mono --method diffuse -o " + (dir / "a.bmp")), 0);
    ASSERT_EQ(
        RunTool("logo convert " + (dir / "logo_ref.bmp") + " --mono --method diffuse -o " + (dir / "b.bmp")),
        0);
    EXPECT_EQ(Slurp(dir / "a.bmp"), Slurp(dir / "b.bmp"));
    ASSERT_TRUE(stbi_write_jpg((dir / "logo.jpg").c_str(), pic.w, pic.h, 1, pic.gray.data(), 90));
    ASSERT_EQ(RunTool("logo download --mono " + (dir / "logo.jpg") + " --to " + (dir / "dl.prn")), 0);
    const auto dl = Slurp(dir / "dl.prn");
    ASSERT_GE(dl.size(), 7u);
    EXPECT_EQ(std::vector<uint8_t>(dl.begin(), dl.begin() + 6),
              (std::vector<uint8_t>{0x1B, 0x63, 0x3B, 0x01, 0x1C, 0x71}));
}

}  // namespace
