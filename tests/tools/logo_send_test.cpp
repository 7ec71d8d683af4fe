#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "common/bmp_file.h"
#include "tools/k20tool/file_streams.h"
#include "tools/k20tool/send_target.h"

// The tool's helpers that send_target.cpp uses; the real ones live in the tool's main.
namespace k20::tool {
int Fail(const std::string&) {
    return 2;
}
void WriteStdoutBinary(const std::vector<uint8_t>&) {}
}  // namespace k20::tool

using namespace k20::tool;

namespace {

std::vector<uint8_t> Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A one-shot printer on 127.0.0.1 (or ::1): accepts one connection and keeps what
// arrives. With resetAfter it takes that many bytes and then resets the connection, as a
// printer does that runs out of paper or is switched off.
struct LoopbackPrinter {
    int listener = -1;
    uint16_t port = 0;
    bool listening = false;
    std::vector<uint8_t> received;
    std::thread thread;
    explicit LoopbackPrinter(bool ipv6 = false, size_t resetAfter = SIZE_MAX) {
        listener = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
        sockaddr_storage st{};
        socklen_t n;
        if (ipv6) {
            auto* a = reinterpret_cast<sockaddr_in6*>(&st);
            a->sin6_family = AF_INET6;
            a->sin6_addr = in6addr_loopback;
            n = sizeof *a;
        } else {
            auto* a = reinterpret_cast<sockaddr_in*>(&st);
            a->sin_family = AF_INET;
            a->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            n = sizeof *a;
        }
        listening = listener >= 0 && bind(listener, reinterpret_cast<sockaddr*>(&st), n) == 0 &&
                    listen(listener, 1) == 0;
        if (!listening) return;
        getsockname(listener, reinterpret_cast<sockaddr*>(&st), &n);
        port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6*>(&st)->sin6_port
                          : reinterpret_cast<sockaddr_in*>(&st)->sin_port);
        thread = std::thread([this, resetAfter] {
            const int c = accept(listener, nullptr, nullptr);
            if (c < 0) return;
            uint8_t buf[4096];
            ssize_t k;
            while (received.size() < resetAfter &&
                   (k = recv(c, buf, std::min(sizeof buf, resetAfter - received.size()), 0)) > 0)
                received.insert(received.end(), buf, buf + k);
            if (resetAfter != SIZE_MAX) {
                linger l{1, 0};  // close with a reset instead of an orderly close
                setsockopt(c, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            }
            close(c);
        });
    }
    std::vector<uint8_t> Wait() {
        if (thread.joinable()) thread.join();
        if (listener >= 0) close(listener);
        listener = -1;
        return received;
    }
    ~LoopbackPrinter() { Wait(); }
};

int RunTool(const std::string& args, const std::string& stdoutFile = "/dev/null",
            const std::string& env = "") {
    const std::string cmd = env + std::string(K20TOOL_EXE) + " " + args + " > " + stdoutFile + " 2>/dev/null";
    return WEXITSTATUS(std::system(cmd.c_str()));
}

std::string Golden(const std::string& name) {
    return std::string(K20_GOLDEN_DIR) + "/" + name;
}

std::string TempDir() {
    auto d = std::filesystem::temp_directory_path() / ("k20_logo_tool_" + std::to_string(getpid()));
    std::filesystem::create_directories(d);
    return d.string();
}

TEST(SendTarget, Parsing) {
    SendTarget t;
    std::string err;
    ASSERT_TRUE(ParseSendTarget("tcp://10.0.0.5", t, err));
    EXPECT_EQ(t.kind, SendTarget::Kind::Tcp);
    EXPECT_EQ(t.host, "10.0.0.5");
    EXPECT_EQ(t.port, 9100);
    ASSERT_TRUE(ParseSendTarget("tcp://printer.local:9101", t, err));
    EXPECT_EQ(t.port, 9101);
    ASSERT_TRUE(ParseSendTarget("printer:K-20 Receipt", t, err));
    EXPECT_EQ(t.kind, SendTarget::Kind::Printer);
    EXPECT_EQ(t.name, "K-20 Receipt");
    ASSERT_TRUE(ParseSendTarget("/dev/usb/lp0", t, err));
    EXPECT_EQ(t.kind, SendTarget::Kind::Path);
    for (const char* bad : {"tcp://", "tcp://h:0", "tcp://h:70000", "tcp://h:x", "printer:", ""})
        EXPECT_FALSE(ParseSendTarget(bad, t, err)) << bad;
}

TEST(SendTarget, Ipv6Addresses) {
    SendTarget t;
    std::string err;
    ASSERT_TRUE(ParseSendTarget("tcp://[::1]:9101", t, err)) << err;
    EXPECT_EQ(t.host, "::1");
    EXPECT_EQ(t.port, 9101);
    ASSERT_TRUE(ParseSendTarget("tcp://[fe80::1%eth0]/", t, err)) << err;
    EXPECT_EQ(t.host, "fe80::1%eth0");
    EXPECT_EQ(t.port, 9100);
    ASSERT_TRUE(ParseSendTarget("tcp://::1", t, err)) << err;  // bare: no port can follow
    EXPECT_EQ(t.host, "::1");
    EXPECT_EQ(t.port, 9100);
    for (const char* bad : {"tcp://[::1", "tcp://[::1]x", "tcp://[::1]:", "tcp://[]:9100", "tcp://[::1]:0",
                            "tcp://h:+5", "tcp://h:-5"})
        EXPECT_FALSE(ParseSendTarget(bad, t, err)) << bad;
}

TEST(LogoTool, DownloadReachesALoopbackPrinterAsTheGoldenStream) {
    const std::string dir = TempDir();
    std::filesystem::copy_file(std::string(K20_GOLDEN_DIR) + "/colour_logo.bmp", dir + "/colour.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(std::string(K20_GOLDEN_DIR) + "/gray_logo.bmp", dir + "/gray.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    LoopbackPrinter printer;
    EXPECT_EQ(RunTool("logo download --mono " + dir + "/colour.bmp " + dir +
                      "/gray.bmp --to tcp://127.0.0.1:" + std::to_string(printer.port)),
              0);
    EXPECT_EQ(printer.Wait(), Slurp(std::string(K20_GOLDEN_DIR) + "/download_mono.bin"));
    // The working images the tool made are gone again.
    EXPECT_FALSE(std::filesystem::exists(dir + "/colourTemp.bmp"));

    EXPECT_EQ(RunTool("logo download --gray " + dir + "/colour.bmp " + dir + "/gray.bmp", dir + "/gray.job"),
              0);
    EXPECT_EQ(Slurp(dir + "/gray.job"), Slurp(std::string(K20_GOLDEN_DIR) + "/download_gray.bin"));

    LoopbackPrinter second;
    EXPECT_EQ(RunTool("send " + dir + "/gray.job --to tcp://127.0.0.1:" + std::to_string(second.port)), 0);
    EXPECT_EQ(second.Wait(), Slurp(dir + "/gray.job"));
    std::filesystem::remove_all(dir);
}

// Success means the printer took the whole job: a reset after some bytes is a failure,
// even when every byte fitted into the socket's buffers before it came.
TEST(SendTool, AResetConnectionIsAFailure) {
    const std::string dir = TempDir();
    std::ofstream(dir + "/job.bin", std::ios::binary) << std::string(1000, 'x');
    LoopbackPrinter printer(false, 10);
    EXPECT_EQ(RunTool("send " + dir + "/job.bin --to tcp://127.0.0.1:" + std::to_string(printer.port)), 2);
    EXPECT_EQ(printer.Wait().size(), 10u);
    LoopbackPrinter whole;
    EXPECT_EQ(RunTool("send " + dir + "/job.bin --to tcp://127.0.0.1:" + std::to_string(whole.port)), 0);
    EXPECT_EQ(whole.Wait().size(), 1000u);
    std::filesystem::remove_all(dir);
}

TEST(SendTool, ReachesAnIpv6Loopback) {
    LoopbackPrinter printer(true);
    if (!printer.listening) GTEST_SKIP() << "this machine has no ::1 to listen on";
    const std::string dir = TempDir();
    std::ofstream(dir + "/job.bin", std::ios::binary) << "K-20 over IPv6";
    EXPECT_EQ(RunTool("send " + dir + "/job.bin --to tcp://[::1]:" + std::to_string(printer.port)), 0);
    EXPECT_EQ(printer.Wait(), Slurp(dir + "/job.bin"));
    std::filesystem::remove_all(dir);
}

TEST(LogoTool, RefusalsWriteNoJob) {
    const std::string dir = TempDir();
    std::ofstream(dir + "/short.bmp") << "BM too short";
    EXPECT_NE(RunTool("logo download --mono " + dir + "/short.bmp", dir + "/out.job"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/out.job"), 0u);
    std::string ten;
    std::filesystem::copy_file(std::string(K20_GOLDEN_DIR) + "/gray_logo.bmp", dir + "/g.bmp");
    for (int i = 0; i < 10; ++i) ten += " " + dir + "/g.bmp";
    EXPECT_NE(RunTool("logo download --gray" + ten, dir + "/out.job"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/out.job"), 0u);
    EXPECT_NE(RunTool("logo convert " + dir + "/g.bmp --mono --brightness -101"), 0);
    EXPECT_NE(RunTool("logo convert " + dir + "/short.bmp --gray"), 0);
    EXPECT_EQ(RunTool("logo convert " + dir + "/g.bmp --gray -o " + dir + "/out.bmp"), 0);
    EXPECT_EQ(Slurp(dir + "/out.bmp").size(), 2518u);
    std::filesystem::remove_all(dir);
}

// The tool maps its source and writes the working image as it is made: the bytes must be
// the library's own, for every method, from both depths.
TEST(LogoTool, ConvertWritesTheGoldenWorkingImages) {
    const std::string dir = TempDir();
    for (const char* pic : {"colour", "gray"}) {
        for (const char* m : {"none", "m3", "m4", "diffuse"}) {
            const std::string out = dir + "/" + pic + "_" + m + ".bmp";
            EXPECT_EQ(RunTool("logo convert " + Golden(std::string(pic) + "_logo.bmp") + " --mono --method " +
                              m + " --contrast 20 --brightness -10 -o " + out),
                      0);
            EXPECT_EQ(Slurp(out), Slurp(Golden(std::string(pic) + "_mono_" + m + ".bmp"))) << pic << " " << m;
        }
        const std::string out = dir + "/" + pic + "_gray.bmp";
        EXPECT_EQ(RunTool("logo convert " + Golden(std::string(pic) + "_logo.bmp") +
                          " --gray --contrast 20 --brightness -10 -o " + out),
                  0);
        EXPECT_EQ(Slurp(out), Slurp(Golden(std::string(pic) + "_gray.bmp"))) << pic;
    }
    std::filesystem::remove_all(dir);
}

// Writing over the source while it is still being read would convert a half-written
// file; the tool must notice the same file under another name too. The pictures are
// large enough that the output starts before the conversion ends.
TEST(LogoTool, ConvertOverItsOwnSource) {
    const std::string dir = TempDir();
    for (int bits : {24, 8}) {
        k20::BmpImage img;
        img.width = 900;
        img.height = 700;
        img.bitCount = bits;
        img.stride = size_t(k20::BmpStride(img.width, bits));
        img.pixels.resize(img.stride * size_t(img.height));
        for (size_t i = 0; i < img.pixels.size(); ++i) img.pixels[i] = uint8_t(i * 7 / 5 + i / 4099);
        const std::vector<uint8_t> file = k20::EncodeBmp(img);
        std::ofstream(dir + "/src.bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        for (const char* how : {"--mono --method none", "--mono --method diffuse", "--gray"}) {
            ASSERT_EQ(RunTool("logo convert " + dir + "/src.bmp " + how + " -o " + dir + "/want.bmp"), 0);
            std::filesystem::copy_file(dir + "/src.bmp", dir + "/self.bmp",
                                       std::filesystem::copy_options::overwrite_existing);
            EXPECT_EQ(RunTool("logo convert " + dir + "/self.bmp " + how + " -o " + dir + "/self.bmp"), 0);
            EXPECT_EQ(Slurp(dir + "/self.bmp"), Slurp(dir + "/want.bmp")) << bits << " " << how;
            std::filesystem::remove(dir + "/alias.bmp");
            std::filesystem::copy_file(dir + "/src.bmp", dir + "/self.bmp",
                                       std::filesystem::copy_options::overwrite_existing);
            std::filesystem::create_hard_link(dir + "/self.bmp", dir + "/alias.bmp");
            EXPECT_EQ(RunTool("logo convert " + dir + "/self.bmp " + how + " -o " + dir + "/alias.bmp"), 0);
            EXPECT_EQ(Slurp(dir + "/self.bmp"), Slurp(dir + "/want.bmp")) << bits << " " << how << " (link)";
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(LogoTool, ARefusedConversionLeavesTheOutputAlone) {
    const std::string dir = TempDir();
    std::ofstream(dir + "/short.bmp") << "BM too short";
    std::ofstream(dir + "/empty.bmp").close();
    std::ofstream(dir + "/keep.bmp") << "keep";
    EXPECT_NE(RunTool("logo convert " + dir + "/short.bmp --mono -o " + dir + "/keep.bmp"), 0);
    EXPECT_NE(RunTool("logo convert " + dir + "/empty.bmp --gray -o " + dir + "/keep.bmp"), 0);
    EXPECT_EQ(Slurp(dir + "/keep.bmp"), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
    // Nothing to write into: an error, not a crash, and no file anywhere.
    EXPECT_EQ(
        RunTool("logo convert " + Golden("colour_logo.bmp") + " --mono -o " + dir + "/no/such/dir/out.bmp"),
        2);
    EXPECT_FALSE(std::filesystem::exists(dir + "/no"));
    std::filesystem::remove_all(dir);
}

// A user's file that looks like a working image is a logo like any other: it is sent as
// itself and left as it was, and the tool's own working images go with the tool.
TEST(LogoTool, DownloadNeverTouchesTheUsersFiles) {
    const std::string dir = TempDir();
    std::filesystem::copy_file(Golden("colour_logo.bmp"), dir + "/colour.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(Golden("gray_logo.bmp"), dir + "/colourTemp.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::create_directories(dir + "/tmp");
    const std::string env = "TMPDIR=" + dir + "/tmp ";
    for (const char* type : {"mono", "gray"}) {
        const std::string job = dir + "/" + type + ".job";
        EXPECT_EQ(RunTool("logo download --" + std::string(type) + " " + dir + "/colour.bmp " + dir +
                              "/colourTemp.bmp",
                          job, env),
                  0);
        EXPECT_EQ(Slurp(job), Slurp(Golden("download_" + std::string(type) + ".bin"))) << type;
        EXPECT_EQ(Slurp(dir + "/colourTemp.bmp"), Slurp(Golden("gray_logo.bmp"))) << type;
        EXPECT_EQ(Slurp(dir + "/colour.bmp"), Slurp(Golden("colour_logo.bmp"))) << type;
        EXPECT_TRUE(std::filesystem::is_empty(dir + "/tmp")) << type;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/colourTempTemp.bmp"));
    std::filesystem::remove_all(dir);
}

TEST(LogoTool, ConvertsDefaultOutputKeepsItsFolderAndNeverOverwrites) {
    const std::string dir = TempDir();
    std::filesystem::create_directories(dir + "/dl/sub");
    std::filesystem::copy_file(Golden("gray_logo.bmp"), dir + "/dl/sub/ab",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(RunTool("logo convert " + dir + "/dl/sub/ab --gray"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir + "/dl/sub/abTemp.bmp"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/dl/suTemp.bmp"));
    // A second run would replace the first one's output, which may be the user's by now.
    std::ofstream(dir + "/dl/sub/abTemp.bmp") << "mine";
    EXPECT_EQ(RunTool("logo convert " + dir + "/dl/sub/ab --gray"), 2);
    EXPECT_EQ(Slurp(dir + "/dl/sub/abTemp.bmp"), std::vector<uint8_t>({'m', 'i', 'n', 'e'}));
    std::filesystem::remove_all(dir);
}

TEST(LogoTool, ADamagedOneBitBitmapIsRefusedNotUsedUnchanged) {
    const std::string dir = TempDir();
    k20::BmpImage img;
    img.width = 40;
    img.height = 10;
    img.bitCount = 1;
    img.stride = size_t(k20::BmpStride(img.width, 1));
    img.pixels.assign(img.stride * size_t(img.height), 0x5A);
    img.palette = {k20::BmpColor{0, 0, 0, 0}, k20::BmpColor{255, 255, 255, 0}};
    std::vector<uint8_t> file = k20::EncodeBmp(img);
    std::ofstream(dir + "/good.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    file.resize(file.size() - 5);
    std::ofstream(dir + "/cut.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    EXPECT_EQ(RunTool("logo convert " + dir + "/good.bmp --mono -o " + dir + "/o.bmp"), 0);
    EXPECT_EQ(RunTool("logo convert " + dir + "/cut.bmp --mono -o " + dir + "/o.bmp"), 2);
    EXPECT_EQ(RunTool("logo download --mono " + dir + "/cut.bmp", dir + "/cut.job"), 2);
    EXPECT_EQ(std::filesystem::file_size(dir + "/cut.job"), 0u);
    std::filesystem::remove_all(dir);
}

TEST(MappedFile, MapsRegularFilesAndReadsWhatCannotBeMapped) {
    const std::string dir = TempDir();
    MappedFile f;
    EXPECT_EQ(f.Open(dir + "/missing.bmp"), k20::platform::kErrFileNotFound);
    EXPECT_EQ(f.Open(dir), k20::platform::kErrAccessDenied);
    std::ofstream(dir + "/empty.bmp").close();
    ASSERT_EQ(f.Open(dir + "/empty.bmp"), k20::platform::kOk);
    EXPECT_TRUE(f.bytes().empty());
    const std::vector<uint8_t> want = Slurp(Golden("colour_logo.bmp"));
    ASSERT_EQ(f.Open(Golden("colour_logo.bmp")), k20::platform::kOk);
    EXPECT_TRUE(f.mapped());
    EXPECT_TRUE(std::equal(f.bytes().begin(), f.bytes().end(), want.begin(), want.end()));
    ASSERT_EQ(f.Open(Golden("colour_logo.bmp"), true), k20::platform::kOk);
    EXPECT_FALSE(f.mapped());
    EXPECT_TRUE(std::equal(f.bytes().begin(), f.bytes().end(), want.begin(), want.end()));
    std::filesystem::remove_all(dir);
}

TEST(OutputFile, ExistsOnlyOnceWrittenAndGoesAgainWhenDiscarded) {
    const std::string dir = TempDir();
    {
        OutputFile never(dir + "/never.bmp");
        EXPECT_TRUE(never.Close());
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/never.bmp"));
    const uint8_t bytes[] = {1, 2, 3};
    OutputFile half(dir + "/half.bmp");
    EXPECT_TRUE(half.Write(bytes));
    half.Discard();
    EXPECT_FALSE(std::filesystem::exists(dir + "/half.bmp"));
    OutputFile whole(dir + "/whole.bmp");
    EXPECT_TRUE(whole.Write(bytes));
    EXPECT_TRUE(whole.Write(bytes));
    EXPECT_TRUE(whole.Close());
    EXPECT_EQ(Slurp(dir + "/whole.bmp"), std::vector<uint8_t>({1, 2, 3, 1, 2, 3}));
    std::filesystem::remove_all(dir);
}

TEST(FirmwareTool, SendsTheFileUnchangedToAPath) {
    const std::string dir = TempDir();
    std::ofstream(dir + "/empty.jk").close();
    EXPECT_EQ(RunTool("firmware " + dir + "/empty.jk --to " + dir + "/port.out"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/port.out"), 0u);
    EXPECT_EQ(
        RunTool("firmware " + std::string(K20_GOLDEN_DIR) + "/colour_logo.bmp --to " + dir + "/port.out"), 0);
    EXPECT_EQ(Slurp(dir + "/port.out"), Slurp(std::string(K20_GOLDEN_DIR) + "/colour_logo.bmp"));
    EXPECT_NE(RunTool("firmware " + dir + "/missing.jk"), 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
