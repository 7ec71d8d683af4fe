// Every command and subcommand of k20tool, given no arguments, only options, an option
// without its value or an unknown option, prints its usage and exits 2; none may crash.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "tests/tools/tool_child.h"

using namespace k20::tool::test;

namespace {

using Argv = std::vector<std::string>;

std::string Joined(const Argv& a) {
    std::string s = "k20tool";
    for (const auto& x : a) s += " '" + x + "'";
    return s;
}

// The first word of each argument list names the command it walks.
const std::vector<Argv> kWrongCommandLines = {
    {"logo"},
    {"logo", "--to", "x"},
    {"logo", "--to"},
    {"logo", "--mono"},
    {"logo", "--bogus"},
    {"logo", "convert"},
    {"logo", "convert", "--mono"},
    {"logo", "convert", "a.bmp", "--method"},
    {"logo", "convert", "a.bmp", "--mono", "--bogus"},
    {"logo", "convert", "a.bmp", "--mono", "-o"},
    {"logo", "download"},
    {"logo", "download", "--mono"},
    {"logo", "download", "--gray", "--contrast"},
    {"logo", "download", "--mono", "a.bmp", "--to"},
    {"logo", "clear", "x"},
    {"logo", "clear", "--bogus"},
    {"control-font"},
    {"control-font", "--file", "f"},
    {"control-font", "--file"},
    {"control-font", "--bogus"},
    {"control-font", "show", "--bogus", "--file", "f"},
    {"control-font", "set", "--file", "f"},
    {"control-font", "set", "41", "--file", "f"},
    {"control-font", "delete", "--file", "f"},
    {"control-font", "delete", "41", "--file"},
    {"control-font", "bogus", "--file", "f"},
    {"settings"},
    {"settings", "--system-dir", "x"},
    {"settings", "--system-dir"},
    {"settings", "--bogus"},
    {"settings", "default", "x"},
    {"settings", "show"},
    {"settings", "show", "--bogus"},
    {"settings", "convert", "in"},
    {"settings", "merge", "--system-dir", "x"},
    {"settings", "bogus"},
    {"barcode"},
    {"barcode", "--bogus"},
    {"barcode", "types", "x"},
    {"barcode", "validate"},
    {"barcode", "validate", "--type"},
    {"barcode", "validate", "--type", "QR Code"},
    {"barcode", "validate", "--type", "QR Code", "--bogus", "x"},
    {"barcode", "sample"},
    {"barcode", "sample", "--to"},
    {"barcode", "sample", "--type", "QR Code", "--font-settings"},
    {"barcode", "sample", "--hex", "--to", "x"},
    {"firmware"},
    {"firmware", "--to", "x"},
    {"firmware", "--to"},
    {"firmware", "--bogus"},
    {"firmware", "a", "b"},
    {"send"},
    {"send", "--to", "x"},
    {"send", "--to"},
    {"send", "job"},
    {"send", "job", "--bogus", "--to", "x"},
    {"hex"},
    {"hex", "parse"},
    {"hex", "--bogus"},
    {"hex", "bogus", "x"},
    {"hex", "format", "a", "b"},
    {"log"},
    {"log", "--bogus"},
    {"log", "decode"},
    {"log", "decode", "-o"},
    {"log", "decode", "j", "--dots"},
    {"log", "decode", "j", "--bogus"},
    {"log", "decode", "--width-bytes", "x", "j"},
    {"log", "list"},
    {"log", "list", "--bogus"},
    {"log", "print"},
    {"log", "print", "--to"},
    {"log", "print", "j"},
    {"log", "print", "j", "--to", "p", "--capture"},
    {"remove"},
    {"remove", "--bogus"},
    {"remove", "check"},
    {"remove", "check", "--code", "3"},
    {"remove", "check", "f", "--code"},
    {"remove", "check", "f", "--bogus", "x"},
    {"print"},
    {"print", "--to", "x"},
    {"print", "--to"},
    {"print", "--bogus"},
    {"print", "a.png", "--cut"},
    {"print", "a.png", "--cut", "half"},
    {"print", "a.png", "--density", "7"},
    {"print", "a.png", "b.png"},
    {"print", "--settings", "r.bin"},
    {"selftest", "--out"},
    {"selftest", "--to"},
    {"selftest", "--bogus"},
    {"selftest", "x"},
    {"selftest", "--out", "a", "--to", "b"},
};

class ToolArgs : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ =
            (std::filesystem::temp_directory_path() / ("k20_tool_args_" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    ChildResult Run(const Argv& a) { return RunChild(K20TOOL_EXE, a, dir_); }
    std::string dir_;
};

TEST_F(ToolArgs, EveryWrongCommandLinePrintsTheUsageAndExits2) {
    for (const auto& a : kWrongCommandLines) {
        const ChildResult r = Run(a);
        ASSERT_FALSE(r.signalled) << Joined(a) << " ended with signal " << r.signal;
        EXPECT_EQ(r.exitCode, 2) << Joined(a);
        EXPECT_NE(r.err.find("usage"), std::string::npos) << Joined(a) << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << Joined(a) << ": " << r.out;
    }
    // Nothing was written where the tool ran (the child's own captures aside).
    for (auto& e : std::filesystem::directory_iterator(dir_)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "child.out" || name == "child.err") << name;
    }
}

TEST_F(ToolArgs, TheTableWalksEveryCommand) {
    const ChildResult help = Run({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    std::set<std::string> listed, walked;
    std::istringstream lines(help.out);
    bool inList = false;
    for (std::string line; std::getline(lines, line);) {
        if (line == "commands:")
            inList = true;
        else if (line.empty())
            inList = false;
        else if (inList)
            listed.insert(line.substr(2, line.find(' ', 2) - 2));
    }
    for (const auto& a : kWrongCommandLines) walked.insert(a[0]);
    EXPECT_FALSE(listed.empty());
    for (const auto& c : listed) EXPECT_TRUE(walked.count(c)) << c << " is not walked";
}

TEST_F(ToolArgs, UnknownCommandsAndNoCommandAreRefused) {
    for (const Argv& a : {Argv{}, Argv{"--bogus"}, Argv{"bogus"}}) {
        const ChildResult r = Run(a);
        ASSERT_FALSE(r.signalled) << Joined(a);
        EXPECT_EQ(r.exitCode, 2) << Joined(a);
        EXPECT_NE(r.err.find("usage"), std::string::npos) << Joined(a);
    }
}

TEST_F(ToolArgs, BarcodeDataThatWouldEndTheCommandIsRefused) {
    for (const char* type : {"QR Code", "PDF417", "Maxi Code"}) {
        for (const char* sub : {"validate", "sample"}) {
            const ChildResult r = Run({"barcode", sub, "--type", type, "--hex", "31 32 00 1B 40 1D 56 01"});
            ASSERT_FALSE(r.signalled);
            EXPECT_EQ(r.exitCode, 1) << type << " " << sub;
            EXPECT_NE(r.err.find("BarCode data error!"), std::string::npos) << r.err;
            EXPECT_TRUE(r.out.empty()) << type << " " << sub;
        }
    }
    EXPECT_EQ(Run({"barcode", "validate", "--type", "QR Code", "--hex", "31 32 1B 40"}).exitCode, 0);
}

TEST_F(ToolArgs, ControlFontChangesReplaceTheTableAndLeaveNoScratchFile) {
    const std::string table = dir_ + "/K20CONTROL.dat";
    ASSERT_EQ(Run({"control-font", "set", "41", "1B", "40", "--file", table}).exitCode, 0);
    ASSERT_EQ(Run({"control-font", "set", "0x42", "1D 56 01", "--file", table}).exitCode, 0);
    ChildResult shown = Run({"control-font", "show", "--file", table});
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, "41\tA\t1B 40\n42\tB\t1D 56 01\n");
    ASSERT_EQ(Run({"control-font", "delete", "41", "--file", table}).exitCode, 0);
    shown = Run({"control-font", "show", "--file", table});
    EXPECT_EQ(shown.out, "42\tB\t1D 56 01\n");
    for (auto& e : std::filesystem::directory_iterator(dir_)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name == "K20CONTROL.dat" || name == "child.out" || name == "child.err") << name;
    }
}

TEST_F(ToolArgs, HelpStillSucceeds) {
    for (const char* c : {"logo", "control-font", "settings", "barcode", "firmware", "send", "hex", "log",
                          "remove", "selftest"}) {
        const ChildResult r = Run({c, "--help"});
        EXPECT_EQ(r.exitCode, 0) << c;
        EXPECT_NE(r.out.find("usage"), std::string::npos) << c;
    }
}

}  // namespace
