#include <gtest/gtest.h>

#include "common/ini_file.h"
#include "common/text.h"

using namespace k20;

TEST(IniFile, FollowsTheProfileLookupRules) {
    IniFile f = IniFile::Parse(
        u"; comment\r\n[Main]\r\nKey =  value with spaces  \r\nkey=second\r\nQuoted=\"  in quotes \"\r\n"
        u"Single='x'\r\nHalf=\"open\r\n[main]\r\nOther=from second section\r\n[Empty]\r\n");
    EXPECT_EQ(f.GetString(u"MAIN", u"KEY", u"d"), u"value with spaces");  // first key wins, case-insensitive
    EXPECT_EQ(f.GetString(u"Main", u"Quoted", u""), u"  in quotes ");    // one pair of quotes removed
    EXPECT_EQ(f.GetString(u"Main", u"Single", u""), u"x");
    EXPECT_EQ(f.GetString(u"Main", u"Half", u""), u"\"open");
    // Only the first matching section is searched.
    EXPECT_EQ(f.GetString(u"main", u"Other", u"none"), u"none");
    EXPECT_EQ(f.GetString(u"Missing", u"Key", u"def  "), u"def");
    EXPECT_EQ(f.GetString(u"Empty", u"Key", u""), u"");
}

TEST(IniFile, BufferSizeCutsAndIntegersParseLikeGetPrivateProfileInt) {
    IniFile f = IniFile::Parse(u"[S]\nA=abcdef\nN=42xyz\nNeg=-7\nBad=abc\n");
    EXPECT_EQ(f.GetString(u"S", u"A", u"", 4), u"abc");
    EXPECT_EQ(f.GetString(u"S", u"A", u"", 1), u"");
    EXPECT_EQ(f.GetString(u"S", u"A", u"", 0), u"");
    EXPECT_EQ(f.GetInt(u"S", u"N", 5), 42);
    EXPECT_EQ(f.GetInt(u"S", u"Neg", 5), -7);
    EXPECT_EQ(f.GetInt(u"S", u"Bad", 5), 0);
    EXPECT_EQ(f.GetInt(u"S", u"Missing", 5), 5);
}

TEST(IniFile, ReadsEveryEncodingWeShip) {
    std::u16string text = u"[LAYOUT]\r\nRC_TITLE=\u5e03\u5c40\r\n";
    IniFile a = IniFile::FromBytes(EncodeUtf16LeWithBom(text), 1252);
    EXPECT_EQ(a.GetString(u"layout", u"RC_TITLE", u""), u"\u5e03\u5c40");
    std::string utf8 = "\xEF\xBB\xBF[LAYOUT]\r\nRC_TITLE=" + Utf16ToUtf8(u"\u5e03\u5c40") + "\r\n";
    IniFile b = IniFile::FromBytes(std::vector<uint8_t>(utf8.begin(), utf8.end()), 1252);
    EXPECT_EQ(b.GetString(u"LAYOUT", u"RC_TITLE", u""), u"\u5e03\u5c40");
    std::string gbk = "[LAYOUT]\r\nRC_TITLE=\xB2\xBC\xBE\xD6\r\n";  // the same two characters in GBK
    IniFile c = IniFile::FromBytes(std::vector<uint8_t>(gbk.begin(), gbk.end()), 936);
    EXPECT_EQ(c.GetString(u"LAYOUT", u"RC_TITLE", u""), u"\u5e03\u5c40");
}

TEST(IniFile, WritesLikeWritePrivateProfileString) {
    IniFile f = IniFile::Parse(u"[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    f.Set(u"a", u"X", u"10");
    f.Set(u"A", u"z", u"3");
    f.Set(u"C", u"w", u"4");
    EXPECT_EQ(f.Serialize(), u"[A]\r\nX=10\r\nz=3\r\n\r\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
    f.RemoveKey(u"B", u"Y");
    f.RemoveSection(u"a");
    EXPECT_EQ(f.Serialize(), u"[B]\r\n[C]\r\nw=4\r\n");
}
