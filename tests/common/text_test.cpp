#include <gtest/gtest.h>

#include "common/text.h"

using namespace k20;

TEST(Text, Utf8Utf16RoundTripIncludingSurrogatesAndBadBytes) {
    std::u16string w = u"A\u00e9\u4e2d\U0001F600";
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(w)), w);
    EXPECT_EQ(Utf8ToUtf16("\xFF"
                          "a"),
              u"\uFFFD"
              u"a");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD");  // cut short
}

// Only well-formed UTF-8 becomes text: code points above U+10FFFF, encoded surrogates and
// overlong forms each give replacement characters, one per broken sequence start and
// one per stray byte, and never swallow the character after them.
TEST(Text, Utf8ToUtf16RefusesWhatUtf8DoesNotAllow) {
    struct Case {
        std::string in;
        std::u16string want;
    } cases[] = {
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},                         // the last code point
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},           // U+110000
        {"\xF7\xBF\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},           // U+1FFFFF
        {"\xED\x9F\xBF", u"\uD7FF"},                                 // last before the surrogates
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},                     // U+D800
        {"\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},                     // U+DFFF
        {"\xED\xA0\xBD\xED\xB8\x80", std::u16string(6, u'\uFFFD')},  // a surrogate pair, encoded
        {"\xEE\x80\x80", u"\uE000"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},  // overlong '/'
        {"\xC1\xBF", u"\uFFFD\uFFFD"},
        {"\xC2\x80", u"\u0080"},
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"\xE0\xA0\x80", u"\u0800"},
        {"\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xF0\x90\x80\x80", u"\U00010000"},
        {"\xE4"
         "a",
         u"\uFFFD"
         u"a"},  // cut short before a letter
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"\x80\xBF", u"\uFFFD\uFFFD"},
    };
    for (const auto& c : cases) {
        std::string hex;
        for (unsigned char b : c.in) hex += std::to_string(b) + " ";
        EXPECT_EQ(Utf8ToUtf16(c.in), c.want) << hex;
    }
}

TEST(Text, CodePagesConvertBothWays) {
    EXPECT_EQ(CodePageToUtf16("\x80", 1252), u"\u20AC");
    EXPECT_EQ(Utf16ToCodePage(u"\u4e2d\u6587", 936), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(CodePageToUtf16("\xA4\xA4\xA4\xE5", 950), u"\u4e2d\u6587");
    EXPECT_TRUE(EqualsNoCase(u"Custom Paper-K20", u"CUSTOM PAPER-k20"));
}
