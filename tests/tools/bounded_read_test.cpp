// Every file the tool and the page models read is a regular file of a size that fits its
// kind: a device or a pipe is refused before a byte is read, a file over the limit with
// a message that names the limit.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "logviewer/log_folder.h"
#include "platform/bounded_read.h"
#include "platform/sim/sim_machine.h"
#include "prnui/imaging/logo_stream.h"
#include "prnui/pages/control_font_table.h"
#include "prnui/pages/download_page_model.h"
#include "tests/tools/tool_child.h"
#include "tools/k20tool/local_files.h"

using namespace k20;
using namespace k20::platform;
using namespace k20::tool::test;

namespace {

class BoundedRead : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            (std::filesystem::temp_directory_path() / ("k20_bounded_" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(dir_);
        fifo_ = dir_ + "/pipe";
        ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    // A sparse file: its size costs no disk and no time.
    std::string Sized(const std::string& name, uint64_t size) {
        const std::string p = dir_ + "/" + name;
        std::ofstream(p).close();
        std::filesystem::resize_file(p, size);
        return p;
    }
    ChildResult Tool(const std::vector<std::string>& args) { return RunChild(K20TOOL_EXE, args, dir_, 20); }
    std::string dir_, fifo_;
};

TEST_F(BoundedRead, LocalFilesTakeRegularFilesUpToTheLimit) {
    tool::LocalFileSystem fs;
    std::vector<uint8_t> out{1};
    EXPECT_EQ(fs.ReadFileLimited(fifo_, 100, out), kErrBadFileType);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(fs.ReadFileLimited("/dev/zero", 100, out), kErrBadFileType);
    EXPECT_EQ(fs.ReadFileLimited("/dev/null", 100, out), kErrBadFileType);
    EXPECT_EQ(fs.ReadFileLimited(dir_, 100, out), kErrAccessDenied);
    EXPECT_EQ(fs.ReadFileLimited(dir_ + "/missing", 100, out), kErrFileNotFound);
    EXPECT_EQ(fs.ReadFile(fifo_, out), kErrBadFileType);
    const std::string file = Sized("hundred", 100);
    EXPECT_EQ(fs.ReadFileLimited(file, 100, out), kOk);
    EXPECT_EQ(out.size(), 100u);
    EXPECT_EQ(fs.ReadFileLimited(file, 99, out), kErrFileTooLarge);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(fs.ReadFileLimited(Sized("empty", 0), 0, out), kOk);
}

TEST_F(BoundedRead, EveryKindHasItsLimitAndAMessage) {
    for (FileKind k : {FileKind::SettingsRecord, FileKind::ControlFontTable, FileKind::UninstallIni,
                       FileKind::Logo, FileKind::LogJob, FileKind::Firmware, FileKind::PrinterJob}) {
        EXPECT_GT(FileLimit(k), 0u);
        const std::string m = DescribeReadError("x.bin", k, kErrFileTooLarge);
        EXPECT_NE(m.find(std::to_string(FileLimit(k))), std::string::npos) << m;
        EXPECT_NE(m.find(FileKindName(k)), std::string::npos) << m;
    }
    EXPECT_EQ(DescribeReadError("x.bin", FileKind::Logo, kErrBadFileType).find("x.bin: not a regular file"),
              0u);
}

// The limit of each kind, at the limit and one byte over, as the tool reads it.
struct KindCase {
    std::vector<std::string> args;  // "@" stands for the file
    uint64_t limit;
};

std::vector<std::string> With(std::vector<std::string> args, const std::string& file) {
    for (auto& a : args)
        if (a == "@") a = file;
    return args;
}

const KindCase kKinds[] = {
    {{"settings", "show", "@"}, kSettingsRecordFileLimit},
    {{"settings", "convert", "@", "out.bin"}, kSettingsRecordFileLimit},
    {{"control-font", "show", "--file", "@"}, kControlFontTableFileLimit},
    {{"remove", "check", "@"}, kUninstallIniFileLimit},
    {{"logo", "convert", "@", "--mono", "-o", "out.bmp"}, kLogoFileLimit},
    {{"logo", "download", "--mono", "@"}, kLogoFileLimit},
    {{"log", "decode", "@", "-o", "out.bmp"}, kLogJobFileLimit},
    {{"firmware", "@", "--to", "/dev/null"}, kFirmwareFileLimit},
    {{"send", "@", "--to", "/dev/null"}, kPrinterJobFileLimit},
};

TEST_F(BoundedRead, TheToolRefusesDevicesAndPipesWithoutWaiting) {
    for (const auto& k : kKinds) {
        for (const std::string& f : {fifo_, std::string("/dev/zero")}) {
            const ChildResult r = Tool(With(k.args, f));
            ASSERT_FALSE(r.signalled) << k.args[0] << " " << f << " ended by signal " << r.signal;
            EXPECT_EQ(r.exitCode, 2) << k.args[0] << " " << f;
            EXPECT_NE(r.err.find("not a regular file"), std::string::npos)
                << k.args[0] << " " << f << ": " << r.err;
        }
    }
}

TEST_F(BoundedRead, TheToolRefusesFilesOverTheLimitOfTheirKind) {
    for (const auto& k : kKinds) {
        const std::string over = Sized("over", k.limit + 1);
        const ChildResult r = Tool(With(k.args, over));
        ASSERT_FALSE(r.signalled) << k.args[0];
        EXPECT_EQ(r.exitCode, 2) << k.args[0] << " " << k.args[1];
        EXPECT_NE(r.err.find(std::to_string(k.limit)), std::string::npos) << k.args[0] << ": " << r.err;
        // At the limit the file is read: whatever the tool says then, it is not the limit.
        const std::string at = Sized("at", k.limit);
        const ChildResult r2 = Tool(With(k.args, at));
        ASSERT_FALSE(r2.signalled) << k.args[0];
        EXPECT_EQ(r2.err.find(std::to_string(k.limit)), std::string::npos) << k.args[0] << ": " << r2.err;
        std::filesystem::remove(over);
        std::filesystem::remove(at);
    }
}

// The page models read through the same function on the platform's file system.
TEST(BoundedPageReads, LogoFirmwareControlFontAndLogJob) {
    sim::SimMachine m;
    m.files.Put("C:\\big.bmp", std::vector<uint8_t>(kLogoFileLimit + 1, 'B'));
    BmpHeader header;
    auto msg = prnui::CheckLogoFile(m.files, "C:\\big.bmp", header);
    ASSERT_TRUE(msg.has_value());
    EXPECT_EQ(msg->key, std::string("MB_DOWNLOAD_ERROR3"));

    m.files.Put("C:\\fw.jk", std::vector<uint8_t>(kFirmwareFileLimit + 1));
    std::vector<uint8_t> data;
    EXPECT_EQ(prnui::ReadFirmwareFile(m.files, "C:\\fw.jk", data), prnui::FirmwareResult::TooLarge);
    EXPECT_STREQ(prnui::FirmwareMessageKey(prnui::FirmwareResult::TooLarge), "MB_DOWNLOAD_ERROR9");
    m.files.Put("C:\\fw.jk", std::vector<uint8_t>());

    m.files.Put("C:\\ctl.dat", std::vector<uint8_t>(kControlFontTableFileLimit + 1, ' '));
    prnui::ControlFontTable table;
    EXPECT_EQ(prnui::LoadControlFontTable(m.files, "C:\\ctl.dat", 1252, table), kErrFileTooLarge);

    m.files.Put("C:\\log\\day\\job.prn", std::vector<uint8_t>(kLogJobFileLimit + 1));
    const auto r = logviewer::DecodeJobFile(m.files, "C:\\log\\day\\job.prn", "C:\\log\\day\\job.bmp",
                                            logviewer::RenderParams{});
    EXPECT_EQ(r.readError, kErrFileTooLarge);
    EXPECT_FALSE(m.files.Exists("C:\\log\\day\\job.bmp"));
}

}  // namespace
