#include <gtest/gtest.h>

#include "common/text.h"

using namespace k20;

TEST(Text, Utf8Utf16RoundTripIncludingSurrogatesAndBadBytes) {
    std::u16string w = u"A\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(w)), w);
    EXPECT_EQ(Utf8ToUtf16("\xFF" "a"), u"\uFFFD" u"a");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");  // cut short
}

TEST(Text, CodePagesConvertBothWays) {
    EXPECT_EQ(CodePageToUtf16("\x80", 1252), u"\u20AC");
    EXPECT_EQ(Utf16ToCodePage(u"\u4e2d\u6587", 936), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(CodePageToUtf16("\xA4\xA4\xA4\xE5", 950), u"\u4e2d\u6587");
    EXPECT_TRUE(EqualsNoCase(u"Custom Paper-K20", u"CUSTOM PAPER-k20"));
}

// Each row: the argument, then what the command line carries. The second column read back
// by the Windows rules (CommandLineToArgvW) gives the first.
TEST(QuoteWindowsArgument, RulesOfTheWindowsCommandLine) {
    const char* rows[][2] = {
        {"plain", "plain"},
        {"", "\"\""},
        {"two words", "\"two words\""},
        {"tab\there", "\"tab\there\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir\\", "C:\\dir\\"},                    // no blank: backslashes stay as they are
        {"C:\\my dir\\", "\"C:\\my dir\\\\\""},        // before the closing quote they are doubled
        {"a\\\"b", "\"a\\\\\\\"b\""},                  // before an escaped quote: doubled plus one
        {"USBPRINT\\K-20 \"A\"", "\"USBPRINT\\K-20 \\\"A\\\"\""},
        {"K-20(U)3", "K-20(U)3"},
    };
    for (auto& r : rows) EXPECT_EQ(k20::QuoteWindowsArgument(r[0]), r[1]) << r[0];
}
