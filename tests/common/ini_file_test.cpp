#include <gtest/gtest.h>

#include "common/ini_file.h"
#include "common/text.h"
#include "platform/sim/sim_machine.h"

using namespace k20;

TEST(IniFile, FollowsTheProfileLookupRules) {
    IniFile f = IniFile::Parse(
        u"; comment\r\n[Main]\r\nKey =  value with spaces  \r\nkey=second\r\nQuoted=\"  in quotes \"\r\n"
        u"Single='x'\r\nHalf=\"open\r\n[main]\r\nOther=from second section\r\n[Empty]\r\n");
    EXPECT_EQ(f.GetString(u"MAIN", u"KEY", u"d"), u"value with spaces");  // first key wins, case-insensitive
    EXPECT_EQ(f.GetString(u"Main", u"Quoted", u""), u"  in quotes ");     // one pair of quotes removed
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

// 25 MB of "x=1" lines once took 954 MB: three UTF-16 copies per line. The text is kept
// once now, with an index of the sections alone.
TEST(IniFile, MemoryStaysNearTheFilesSize) {
    std::string text = "[s]\n";
    while (text.size() < 1000000) text += "x=1\n";
    std::vector<uint8_t> bytes(text.begin(), text.end());
    IniFile f = IniFile::FromBytes(bytes, 1252);
    EXPECT_LE(f.MemoryBytes(), 2 * bytes.size() + 64);
    EXPECT_EQ(f.GetUtf8("s", "x", ""), "1");
    // A file of "[a]" lines only: the index grows with it, still a small multiple (two
    // bytes a character and twelve a section for four bytes a line).
    std::string sections;
    while (sections.size() < 100000) sections += "[a]\n";
    IniFile g = IniFile::FromBytes(std::vector<uint8_t>(sections.begin(), sections.end()), 1252);
    EXPECT_LE(g.MemoryBytes(), 6 * sections.size());
    EXPECT_TRUE(g.HasSection(u"A"));
}

TEST(IniFile, ConfigurationFilesOverTheLimitAreRefusedBeforeReading) {
    k20::platform::sim::SimMachine m;
    m.files.Put("C:\\pkg\\big.ini", std::vector<uint8_t>(k20::kMaxIniFileBytes + 1, 'x'));
    m.files.Put("C:\\pkg\\ok.ini", std::vector<uint8_t>(k20::kMaxIniFileBytes, 'x'));
    std::vector<uint8_t> out;
    uint64_t size = 0;
    EXPECT_EQ(k20::platform::ReadFileLimited(m.files, "C:\\pkg\\big.ini", k20::kMaxIniFileBytes, out, size),
              k20::platform::kErrFileTooLarge);
    EXPECT_EQ(size, k20::kMaxIniFileBytes + 1);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(m.faults.Calls("ReadFile"), 0);  // refused by its size, never read
    EXPECT_EQ(k20::platform::ReadFileLimited(m.files, "C:\\pkg\\ok.ini", k20::kMaxIniFileBytes, out, size),
              k20::platform::kOk);
    EXPECT_EQ(out.size(), k20::kMaxIniFileBytes);
    EXPECT_EQ(
        k20::IniTooLargeMessage("DRVCONFIG\\setup.ini", 1048577),
        "DRVCONFIG\\setup.ini is 1048577 bytes long; a configuration file may have at most 1048576 bytes, so "
        "it is not read.");
}

TEST(IniFile, EntriesOfTheFirstMatchingSectionInFileOrder) {
    IniFile f = IniFile::Parse(u"[a]\nk=1\n[B]\n x = ' 2 ' \n; note\nK=3\nbare\n[b]\nz=4\n");
    using E = std::pair<std::u16string, std::u16string>;
    EXPECT_EQ(f.Entries(u"b"), (std::vector<E>{{u"x", u" 2 "}, {u"K", u"3"}, {u"bare", u""}}));
    EXPECT_TRUE(f.Entries(u"missing").empty());
    for (auto& [k, v] : f.Entries(u"B")) EXPECT_EQ(v, f.Find(u"B", k).value_or(u"?")) << "the lookup agrees";
}
