#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "tools/k20tool/send_target.h"

// The tool's helpers that send_target.cpp uses; the real ones live in the tool's main.
namespace k20::tool {
int Fail(const std::string&) { return 2; }
void WriteStdoutBinary(const std::vector<uint8_t>&) {}
}  // namespace k20::tool

using namespace k20::tool;

namespace {

std::vector<uint8_t> Slurp(const std::string& path) {
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
    std::vector<uint8_t> Wait() {
        thread.join();
        close(listener);
        return received;
    }
};

int RunTool(const std::string& args, const std::string& stdoutFile = "/dev/null") {
    const std::string cmd = std::string(K20TOOL_EXE) + " " + args + " > " + stdoutFile + " 2>/dev/null";
    return WEXITSTATUS(std::system(cmd.c_str()));
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

TEST(LogoTool, DownloadReachesALoopbackPrinterAsTheGoldenStream) {
    const std::string dir = TempDir();
    std::filesystem::copy_file(std::string(K20_GOLDEN_DIR) + "/colour_logo.bmp", dir + "/colour.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(std::string(K20_GOLDEN_DIR) + "/gray_logo.bmp", dir + "/gray.bmp",
                               std::filesystem::copy_options::overwrite_existing);
    LoopbackPrinter printer;
    EXPECT_EQ(RunTool("logo download --mono " + dir + "/colour.bmp " + dir + "/gray.bmp --to tcp://127.0.0.1:" +
                      std::to_string(printer.port)),
              0);
    EXPECT_EQ(printer.Wait(), Slurp(std::string(K20_GOLDEN_DIR) + "/download_mono.bin"));
    // The working images the tool made are gone again.
    EXPECT_FALSE(std::filesystem::exists(dir + "/colourTemp.bmp"));

    EXPECT_EQ(RunTool("logo download --gray " + dir + "/colour.bmp " + dir + "/gray.bmp", dir + "/gray.job"), 0);
    EXPECT_EQ(Slurp(dir + "/gray.job"), Slurp(std::string(K20_GOLDEN_DIR) + "/download_gray.bin"));

    LoopbackPrinter second;
    EXPECT_EQ(RunTool("send " + dir + "/gray.job --to tcp://127.0.0.1:" + std::to_string(second.port)), 0);
    EXPECT_EQ(second.Wait(), Slurp(dir + "/gray.job"));
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

TEST(FirmwareTool, SendsTheFileUnchangedToAPath) {
    const std::string dir = TempDir();
    std::ofstream(dir + "/empty.jk").close();
    EXPECT_EQ(RunTool("firmware " + dir + "/empty.jk --to " + dir + "/port.out"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "/port.out"), 0u);
    EXPECT_EQ(RunTool("firmware " + std::string(K20_GOLDEN_DIR) + "/colour_logo.bmp --to " + dir + "/port.out"), 0);
    EXPECT_EQ(Slurp(dir + "/port.out"), Slurp(std::string(K20_GOLDEN_DIR) + "/colour_logo.bmp"));
    EXPECT_NE(RunTool("firmware " + dir + "/missing.jk"), 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
