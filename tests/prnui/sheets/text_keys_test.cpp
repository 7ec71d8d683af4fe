// The keys named by the code, the built-in table and the three shipped language files
// must be the same sets, and the English file must say what the built-in table says.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

#include "common/text.h"
#include "prnui/core/language.h"

namespace k20::prnui {
namespace {

namespace fs = std::filesystem;
const fs::path kRoot = K20_SOURCE_DIR;

std::vector<uint8_t> ReadAll(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

using KeySet = std::set<std::pair<std::string, std::string>>;  // (SECTION, KEY) in upper case

KeySet TableKeys() {
    KeySet s;
    for (const BuiltInText& t : BuiltInTexts()) s.insert({ToUpper(t.section), ToUpper(t.key)});
    return s;
}

KeySet FileKeys(const IniFile& f) {
    KeySet s;
    for (const auto& sec : f.Sections()) {
        if (EqualsNoCase(sec, u"FILEVER")) continue;
        for (const auto& k : f.Keys(sec)) s.insert({ToUpper(Utf16ToUtf8(sec)), ToUpper(Utf16ToUtf8(k))});
    }
    return s;
}

std::string Describe(const KeySet& a, const KeySet& b) {
    std::string r;
    for (const auto& k : a)
        if (!b.count(k)) r += " +" + k.first + "/" + k.second;
    for (const auto& k : b)
        if (!a.count(k)) r += " -" + k.first + "/" + k.second;
    return r;
}

TEST(TextKeys, CodeNamesExactlyTheTableKeys) {
    std::set<std::string> inCode, inTable;
    for (const BuiltInText& t : BuiltInTexts()) inTable.insert(std::string(t.key));
    const std::regex literal("\"((?:RC|CTEXT|MB)_[A-Za-z0-9_]+)\"");
    for (const auto& e : fs::recursive_directory_iterator(kRoot / "prnui")) {
        auto ext = e.path().extension();
        if (!e.is_regular_file() || (ext != ".cpp" && ext != ".h") || e.path().filename() == "text_table.cpp")
            continue;
        std::vector<uint8_t> bytes = ReadAll(e.path());
        std::string text(bytes.begin(), bytes.end());
        for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it)
            inCode.insert((*it)[1].str());
    }
    std::string missing, unused;
    for (const auto& k : inCode)
        if (!inTable.count(k)) missing += " " + k;
    for (const auto& k : inTable)
        if (!inCode.count(k)) unused += " " + k;
    EXPECT_EQ(missing, "") << "keys used by the code but not in text_table.cpp";
    EXPECT_EQ(unused, "") << "keys in text_table.cpp that no code uses";
}

TEST(TextKeys, TableHasNoDuplicatesAndEveryDefaultFitsItsBuffer) {
    EXPECT_EQ(TableKeys().size(), BuiltInTexts().size());
    for (const BuiltInText& t : BuiltInTexts())
        EXPECT_LT(TrimBlanks(t.english).size(), t.size) << t.section << "/" << t.key;
}

class LanguageFile : public ::testing::TestWithParam<const char*> {};

TEST_P(LanguageFile, IsUtf16WithBomAndHasEveryKey) {
    std::vector<uint8_t> bytes = ReadAll(kRoot / "package" / GetParam());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    IniFile f = IniFile::FromBytes(bytes, 1252);
    EXPECT_EQ(Describe(FileKeys(f), TableKeys()), "");
    EXPECT_GE(f.GetInt(u"FILEVER", u"INIVERSION", 0), 1);
    Texts texts(f);
    for (const BuiltInText& t : BuiltInTexts()) {
        std::u16string v = texts.Get(t.section, t.key);
        EXPECT_FALSE(v.empty()) << t.key;
        EXPECT_EQ(v, texts.Get(t.section, t.key, u"", 0x7FFF)) << t.key << " is cut by its buffer";
    }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFile,
                         ::testing::Values("ENG_K20.res", "CHN_K20.res", "CHF_K20.res"));

TEST(TextKeys, EnglishFileSaysWhatTheBuiltInTableSays) {
    Texts eng = Texts::FromFileBytes(ReadAll(kRoot / "package" / "ENG_K20.res"), 1252);
    Texts builtIn;
    for (const BuiltInText& t : BuiltInTexts())
        EXPECT_EQ(Utf16ToUtf8(eng.Get(t.section, t.key)), Utf16ToUtf8(builtIn.Get(t.section, t.key)))
            << t.key;
}

TEST(TextKeys, ChineseFilesAreTranslated) {
    Texts chn = Texts::FromFileBytes(ReadAll(kRoot / "package" / "CHN_K20.res"), 1252);
    Texts chf = Texts::FromFileBytes(ReadAll(kRoot / "package" / "CHF_K20.res"), 1252);
    EXPECT_EQ(chn.Get(sec::Layout, "RC_LAYOUTFORM"), u"常规");
    EXPECT_EQ(chf.Get(sec::Watermark, "RC_WATERMARKFORM"), u"浮水印");
    EXPECT_EQ(chn.Get(sec::Gpd, "RC_DENSITY_INDEX"), u"浓度");
    size_t sameAsEnglish = 0;
    Texts builtIn;
    for (const BuiltInText& t : BuiltInTexts())
        if (chn.Get(t.section, t.key) == builtIn.Get(t.section, t.key)) ++sameAsEnglish;
    EXPECT_LT(sameAsEnglish, 20u);  // codes such as "PDF417" and the web address stay as they are
}

TEST(TextKeys, ShippedLanguageListNamesTheThreeFiles) {
    LanguageList l =
        ParseLanguageList(Texts::FromFileBytes(ReadAll(kRoot / "package" / "LANGUAGE_K20.dat"), 1252));
    ASSERT_EQ(l.entries.size(), 3u);
    EXPECT_EQ(l.entries[0].file, "ENG_K20.res");
    EXPECT_EQ(l.entries[1].file, "CHN_K20.res");
    EXPECT_EQ(l.entries[2].file, "CHF_K20.res");
    EXPECT_EQ(l.entries[1].systemText, SystemLanguageFor(0x0804).entryText);
    EXPECT_EQ(l.entries[2].systemText, SystemLanguageFor(0x0404).entryText);
    EXPECT_EQ(l.curIni, "ENG_K20.res");
}

}  // namespace
}  // namespace k20::prnui
