// Language start-up and text lookup against the simulated machine.
#include <gtest/gtest.h>

#include "common/text.h"
#include "platform/sim/sim_machine.h"
#include "prnui/core/language.h"

namespace k20::prnui {
namespace {

using platform::RegRoot;

const std::string kShipped = "C:\\Windows\\system32\\spool\\drivers\\x64\\3";
const std::string kUserDir = "C:\\Users\\user\\AppData\\Roaming\\Pellamor";

std::vector<uint8_t> Utf16File(const std::u16string& text) {
    return EncodeUtf16LeWithBom(text);
}

std::vector<uint8_t> TextFile(const std::u16string& layoutTitle, int version = -1) {
    std::u16string t;
    if (version >= 0) t += u"[FILEVER]\r\nINIVERSION=" + Utf8ToUtf16(std::to_string(version)) + u"\r\n";
    t += u"[LAYOUT]\r\nRC_LAYOUTFORM=" + layoutTitle + u"\r\n";
    return Utf16File(t);
}

class LanguageTest : public ::testing::Test {
  protected:
    platform::sim::SimMachine m;
    Language lang{m.registry, m.files, m.system};

    std::string Stored(const char* name) {
        std::string v;
        m.registry.GetString(RegRoot::CurrentUser, kLanguageKey, name, v);
        return v;
    }
    void Store(const char* name, const std::string& v) {
        m.registry.CreateKey(RegRoot::CurrentUser, kLanguageKey);
        m.registry.SetString(RegRoot::CurrentUser, kLanguageKey, name, v);
    }
    void Ship(const std::string& file, const std::vector<uint8_t>& bytes) {
        m.files.Put(kShipped + "\\" + file, bytes);
    }
    void UserCopy(const std::string& file, const std::vector<uint8_t>& bytes) {
        m.files.Put(kUserDir + "\\" + file, bytes);
    }
    std::u16string UserTitle(const std::string& file) {
        std::vector<uint8_t> b;
        if (m.files.ReadFile(kUserDir + "\\" + file, b)) return u"<missing>";
        return Texts::FromFileBytes(b, 1252).Get(sec::Layout, "RC_LAYOUTFORM");
    }
};

TEST_F(LanguageTest, FirstStartOnEnglishSystemWithNothingPresent) {
    lang.StartUp();
    EXPECT_TRUE(m.files.IsDirectory(kUserDir));
    EXPECT_EQ(Stored(kLanguageValue), "ENG_K20.res");
    EXPECT_EQ(Stored(kFirstRunValue), "TRUE");
    EXPECT_EQ(lang.SystemLanguageText(), u"System Language");
    EXPECT_EQ(lang.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"Main");
    EXPECT_EQ(lang.Current().Get(sec::Gpd, "RC_DENSITY"), u"Print Density");
}

TEST_F(LanguageTest, FirstRunFollowsSimplifiedChineseSystem) {
    m.system.language = 0x0804;
    Store(kLanguageValue, "ENG_K20.res");
    Store(kFirstRunValue, "TRUE");
    Ship("CHN_K20.res", TextFile(u"常规", 1));
    lang.StartUp();
    EXPECT_EQ(Stored(kLanguageValue), "CHN_K20.res");
    EXPECT_EQ(lang.SystemLanguageText(), u"系统语言(System)");
    EXPECT_EQ(lang.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"常规");
}

TEST_F(LanguageTest, ExplicitChoiceIgnoresSystemLanguage) {
    m.system.language = 0x0804;
    Store(kLanguageValue, "CHF_K20.res");
    Store(kFirstRunValue, "FALSE");
    lang.StartUp();
    EXPECT_EQ(Stored(kLanguageValue), "CHF_K20.res");
    EXPECT_EQ(Stored(kFirstRunValue), "FALSE");
}

TEST_F(LanguageTest, SystemLanguageTable) {
    struct Row {
        uint16_t id;
        const char* file;
    } rows[] = {{0x0404, "CHF_K20.res"}, {0x0C04, "CHF_K20.res"}, {0x1004, "CHF_K20.res"},
                {0x0804, "CHN_K20.res"}, {0x0409, "ENG_K20.res"}, {0x0411, "ENG_K20.res"}};
    for (const Row& r : rows) EXPECT_STREQ(SystemLanguageFor(r.id).file, r.file) << std::hex << r.id;
    EXPECT_EQ(SystemLanguageFor(0x1004).entryText, u"系統語言(System)");
}

TEST_F(LanguageTest, MissingFirstRunValueIsCreatedAsTrue) {
    m.system.language = 0x0404;
    Store(kLanguageValue, "ENG_K20.res");
    lang.StartUp();
    EXPECT_EQ(Stored(kFirstRunValue), "TRUE");
    EXPECT_EQ(Stored(kLanguageValue), "CHF_K20.res");
}

TEST_F(LanguageTest, RegistryKeyThatCannotBeCreatedFallsBackToEnglish) {
    m.system.language = 0x0804;
    m.faults.FailAlways("RegCreateKey", platform::kErrAccessDenied);
    Ship("ENG_K20.res", TextFile(u"Main", 1));
    lang.StartUp();
    EXPECT_EQ(lang.CurrentFileName(), "ENG_K20.res");
    EXPECT_EQ(UserTitle("ENG_K20.res"), u"Main");  // the copy is still made
}

// The INIVERSION rule: shipped >= user replaces; a missing version counts as 99999
// for the shipped copy and 0 for the user's.
TEST_F(LanguageTest, RefreshByVersion) {
    struct Row {
        int shipped, user;  // -1: no INIVERSION
        bool replaced;
    } rows[] = {{3, 3, true}, {2, 3, false}, {4, 3, true}, {-1, 50000, true}, {1, -1, true}, {0, -1, true}};
    for (const Row& r : rows) {
        platform::sim::SimMachine mm;
        Language l(mm.registry, mm.files, mm.system);
        mm.files.Put(kShipped + "\\ENG_K20.res", TextFile(u"shipped", r.shipped));
        mm.files.Put(kUserDir + "\\ENG_K20.res", TextFile(u"user", r.user));
        l.StartUp();
        EXPECT_EQ(l.Current().Get(sec::Layout, "RC_LAYOUTFORM"), r.replaced ? u"shipped" : u"user")
            << "shipped " << r.shipped << " user " << r.user;
    }
}

TEST_F(LanguageTest, MissingUserCopyIsCopiedAndListFileOnlyWhenMissing) {
    Ship("ENG_K20.res", TextFile(u"Main", 7));
    Ship(kLanguageListName, Utf16File(u"[LANGUAGE]\r\nCOUNT=1\r\n"));
    UserCopy(kLanguageListName, Utf16File(u"[LANGUAGE]\r\nCOUNT=3\r\n"));
    lang.StartUp();
    EXPECT_EQ(UserTitle("ENG_K20.res"), u"Main");
    EXPECT_EQ(lang.ReadList().entries.size(), 3u);
}

TEST_F(LanguageTest, ShippedFolderFollowsProcessorArchitecture) {
    m.system.version.processorArchitecture = 0;
    EXPECT_EQ(lang.ShippedFolder(), "C:\\Windows\\system32\\spool\\drivers\\w32x86\\3");
    m.system.version.processorArchitecture = 6;
    EXPECT_EQ(lang.ShippedFolder(), kShipped);
}

TEST_F(LanguageTest, MissingKeyShowsBuiltInEnglishAndLongTextsAreCut) {
    Store(kFirstRunValue, "FALSE");
    Store(kLanguageValue, "CHN_K20.res");
    UserCopy("CHN_K20.res",
             Utf16File(u"[LAYOUT]\r\nRC_LAYOUTFORM=一二三四五六七八九十一二三四五六七八九十一二\r\n"));
    const Texts& t = lang.Current();
    EXPECT_EQ(t.Get(sec::Layout, "RC_LAYOUTFORM"), u"一二三四五六七八九十一二三四五六七八九");  // 19 of 22
    EXPECT_EQ(t.Get(sec::Layout, "RC_DOCSETTING"), u"Document Setting");
    EXPECT_EQ(t.Get(sec::Watermark, "RC_WATERMARKFORM"), u"Water Mark");
}

TEST_F(LanguageTest, LookupFollowsTheRegistryAtEveryCall) {
    UserCopy("CHN_K20.res", TextFile(u"常规"));
    UserCopy("CHF_K20.res", TextFile(u"一般"));
    Store(kLanguageValue, "CHN_K20.res");
    EXPECT_EQ(lang.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"常规");
    Store(kLanguageValue, "CHF_K20.res");
    EXPECT_EQ(lang.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"一般");
    UserCopy("CHF_K20.res", TextFile(u"一般2"));
    EXPECT_EQ(lang.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"一般2");
}

TEST_F(LanguageTest, ARepaintReadsTheFileOnceAndAChangeReadsItAgain) {
    UserCopy("CHN_K20.res", TextFile(u"常规"));
    UserCopy("CHF_K20.res", TextFile(u"一般"));
    Store(kLanguageValue, "CHN_K20.res");
    m.faults.Reset();
    auto repaint = [&] {
        for (const BuiltInText& t : BuiltInTexts().first(30)) (void)lang.Current().Get(t.section, t.key);
        return lang.Current().Get(sec::Layout, "RC_LAYOUTFORM");
    };
    EXPECT_EQ(repaint(), u"常规");
    EXPECT_EQ(m.faults.Calls("ReadFile"), 1);
    EXPECT_EQ(repaint(), u"常规");
    EXPECT_EQ(m.faults.Calls("ReadFile"), 1) << "nothing changed: the file is not read again";

    Store(kLanguageValue, "CHF_K20.res");
    EXPECT_EQ(repaint(), u"一般");
    EXPECT_EQ(m.faults.Calls("ReadFile"), 2);
    // The same size written again: the file's time tells.
    UserCopy("CHF_K20.res", TextFile(u"二般"));
    EXPECT_EQ(repaint(), u"二般");
    EXPECT_EQ(m.faults.Calls("ReadFile"), 3);
    m.files.DeleteFile(kUserDir + "\\CHF_K20.res");
    EXPECT_EQ(repaint(), u"Main");
    EXPECT_EQ(m.faults.Calls("ReadFile"), 3) << "a missing file is not opened";
}

TEST_F(LanguageTest, WithoutTheApplicationDataFolderEnglishIsBuiltInAndNothingIsWritten) {
    for (const char* appData : {"", "Roaming", "C:"}) {
        platform::sim::SimMachine mm;
        mm.system.appDataDir = appData;
        mm.files.Put(kShipped + "\\ENG_K20.res", TextFile(u"Shipped"));
        mm.files.Put(kShipped + "\\" + kLanguageListName, Utf16File(u"[LANGUAGE]\r\nCOUNT=1\r\n"));
        mm.files.Put(std::string("Pellamor\\ENG_K20.res"), TextFile(u"Relative"));
        const auto paths = mm.files.AllPaths();
        const auto keys = mm.registry.AllKeys();
        Language l(mm.registry, mm.files, mm.system);
        l.StartUp();
        EXPECT_EQ(l.LanguageFolder(), "") << appData;
        EXPECT_EQ(l.Current().Get(sec::Layout, "RC_LAYOUTFORM"), u"Main") << appData;
        l.EnsureListFile();
        l.RefreshTextFile("ENG_K20.res");
        EXPECT_NE(l.Choose("ENG_K20.res", false), platform::kOk) << appData;
        EXPECT_EQ(mm.files.AllPaths(), paths) << appData;
        EXPECT_EQ(mm.registry.AllKeys(), keys) << appData;
        std::string v;
        EXPECT_NE(mm.registry.GetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, v),
                  platform::kOk);
    }
}

TEST_F(LanguageTest, StoredNameThatLeavesTheFolderIsNotFollowed) {
    for (const char* bad : {"..\\..\\secret.ini", "C:\\x.res", "a/b.res", "", "*.res", "CH?_K20.res"}) {
        Store(kLanguageValue, bad);
        EXPECT_EQ(lang.CurrentFileName(), "ENG_K20.res") << bad;
    }
}

TEST_F(LanguageTest, ChoiceAndPortAreStored) {
    ASSERT_EQ(lang.Choose("CHF_K20.res", false), platform::kOk);
    EXPECT_EQ(Stored(kLanguageValue), "CHF_K20.res");
    EXPECT_EQ(Stored(kFirstRunValue), "FALSE");
    ASSERT_EQ(lang.Choose("CHN_K20.res", true), platform::kOk);
    EXPECT_EQ(Stored(kFirstRunValue), "TRUE");
    ASSERT_EQ(lang.RememberPort("USB001"), platform::kOk);
    EXPECT_EQ(Stored("USB001"), "LANGUAGE_K20");
}

TEST(LanguageList, DefaultsAndBounds) {
    LanguageList empty = ParseLanguageList(Texts());
    ASSERT_EQ(empty.entries.size(), 2u);
    EXPECT_EQ(empty.entries[1].name, u"English");
    EXPECT_EQ(empty.entries[1].file, "ENG_K20.res");
    EXPECT_EQ(empty.entries[1].systemText, u"System Language");
    EXPECT_EQ(empty.curIni, "ENG_K20.res");

    auto parse = [](const std::u16string& t) { return ParseLanguageList(Texts(IniFile::Parse(t))); };
    EXPECT_TRUE(parse(u"[LANGUAGE]\r\nCOUNT=-5\r\n").entries.empty());
    EXPECT_EQ(parse(u"[LANGUAGE]\r\nCOUNT=999999\r\n").entries.size(), 64u);
    LanguageList l = parse(u"[LANGUAGE]\r\nCOUNT=1\r\nINI0=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n");
    EXPECT_EQ(l.entries[0].file, "ABCDEFGHIJKLMNOPQRS");  // at most 19 characters
}

}  // namespace
}  // namespace k20::prnui
