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
