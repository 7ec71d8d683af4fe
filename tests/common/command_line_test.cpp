// Arguments quoted so that the Windows start-up rules give them back: 2n backslashes and a
// quote are n backslashes and the end of the quoted part; 2n+1 backslashes and a quote are
// n backslashes and a literal quote; backslashes elsewhere are themselves.
#include "common/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace k20 {
namespace {

// The argument rules of CommandLineToArgvW for what follows the program name.
std::vector<std::string> Split(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i == line.size()) return args;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            size_t n = 0;
            while (i < line.size() && line[i] == '\\') ++n, ++i;
            if (i < line.size() && line[i] == '"') {
                arg.append(n / 2, '\\');
                if (n % 2) {
                    arg += '"';
                } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                    arg += '"';
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(n, '\\');
                if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) arg += line[i++];
            }
        }
        args.push_back(arg);
    }
}

TEST(QuoteCommandLineArgument, BackslashesAreDoubledOnlyBeforeAQuote) {
    struct Row {
        const char* in;
        const char* out;
    } rows[] = {
        {"K-20", "\"K-20\""},
        {"", "\"\""},
        {"D:\\", "\"D:\\\\\""},
        {"C:\\Pellamor Driverlog\\K-20", "\"C:\\Pellamor Driverlog\\K-20\""},
        {"\\\\server\\share\\", "\"\\\\server\\share\\\\\""},
        {"a\"b", "\"a\\\"b\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"ends with two\\\\", "\"ends with two\\\\\\\\\""},
    };
    for (const Row& r : rows) EXPECT_EQ(QuoteCommandLineArgument(std::string_view(r.in)), r.out) << r.in;
    EXPECT_EQ(QuoteCommandLineArgument(std::u16string_view(u"D:\\日志\\")), u"\"D:\\日志\\\\\"");
}

TEST(QuoteCommandLineArgument, EveryArgumentComesBackWhole) {
    const std::string args[] = {"D:\\",
                                "C:\\",
                                "\\\\server\\share\\",
                                "",
                                " ",
                                "a b\tc",
                                "\"",
                                "\\\"\\",
                                "x\\\\\\",
                                "\\\\?\\UNC\\server\\share\\log folder\\"};
    std::string line;
    std::vector<std::string> want;
    for (const std::string& a : args) {
        line += QuoteCommandLineArgument(a) + " ";
        want.push_back(a);
        EXPECT_EQ(Split(QuoteCommandLineArgument(a)), std::vector<std::string>{a}) << a;
    }
    EXPECT_EQ(Split(line), want);
}

}  // namespace
}  // namespace k20

// Each row: the argument, then what the command line carries. The second column read back
// by the Windows rules (CommandLineToArgvW) gives the first.
TEST(QuoteCommandLineArgumentIfNeeded, BareWhenItCanBeQuotedOtherwise) {
    const char* rows[][2] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"tab\there", "\"tab\there\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir\\", "C:\\dir\\"},              // no blank: backslashes stay as they are
        {"C:\\my dir\\", "\"C:\\my dir\\\\\""},  // before the closing quote they are doubled
        {"a\\\"b", "\"a\\\\\\\"b\""},            // before an escaped quote: doubled plus one
        {"USBPRINT\\K-20 \"A\"", "\"USBPRINT\\K-20 \\\"A\\\"\""},
        {"K-20(U)3", "K-20(U)3"},
    };
    for (auto& r : rows) EXPECT_EQ(k20::QuoteCommandLineArgumentIfNeeded(r[0]), r[1]) << r[0];
}
