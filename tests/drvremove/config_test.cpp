#include <gtest/gtest.h>

#include "common/text.h"
#include "drvremove/main_model.h"
#include "drvremove/uninstall_config.h"
#include "platform/sim/sim_machine.h"
#include "tests/drvremove/remove_fixture.h"

using namespace k20;
using namespace k20::drvremove;
using platform::OsVersion;

namespace {

UninstallConfig FromText(const std::string& text, unsigned cp = 1252) {
    return UninstallConfig(IniFile::Parse(Utf8ToUtf16(text)), cp);
}

TEST(VersionCode, EveryRowOfTheTable) {
    struct Row {
        OsVersion v;
        int code;
        const char* suffix;
    } rows[] = {
        {{4, 10, 0, 1, 0, 1}, 0, ".98"},    {{4, 0, 0, 1, 0, 2}, 1, ".NT"},
        {{5, 0, 0, 1, 0, 2}, 2, ".2K"},     {{5, 1, 0, 1, 0, 2}, 3, ".2K"},
        {{5, 2, 0, 1, 9, 2}, 3, ".2K"},     {{5, 2, 0, 1, 0, 2}, 4, ".2003"},
        {{5, 2, 0, 3, 9, 2}, 4, ".2003"},   {{6, 0, 0, 1, 0, 2}, 5, ".Vista"},
        {{6, 0, 0, 3, 0, 2}, 6, ".2008"},   {{6, 1, 0, 2, 9, 2}, 6, ".2008"},
        {{6, 1, 0, 1, 9, 2}, 7, ".Win7"},   {{6, 2, 0, 3, 9, 2}, 8, ".Win7"},
        {{6, 3, 0, 3, 9, 2}, 8, ".Win7"},   {{6, 2, 0, 1, 9, 2}, 9, ".Win7"},
        {{6, 3, 0, 1, 0, 2}, 9, ".Win7"},   {{10, 0, 0, 3, 9, 2}, 10, ".Win7"},
        {{10, 0, 0, 1, 9, 2}, 11, ".Win7"}, {{3, 51, 0, 1, 0, 2}, 0, ".98"},
        {{5, 3, 0, 1, 0, 2}, 0, ".98"},     {{10, 1, 0, 1, 9, 2}, 0, ".98"},
        {{6, 0, 0, 1, 0, 3}, 3, ".2K"},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.v.major) + "." + std::to_string(r.v.minor) + " type " +
                     std::to_string(r.v.productType) + " platform " + std::to_string(r.v.platformId));
        EXPECT_EQ(WindowsVersionCode(r.v), r.code);
        EXPECT_STREQ(SystemSuffix(r.code), r.suffix);
    }
}

TEST(VersionCode, ChineseLanguagesAndTheirFile) {
    for (uint16_t id : {1028, 2052, 3076, 4100}) {
        EXPECT_TRUE(IsChineseLanguage(id));
        EXPECT_EQ(UninstallTexts::FileFor("C:\\pkg", id), "C:\\pkg\\language\\uninstall_CN.ini");
    }
    for (uint16_t id : {1033, 1041, 0x0404 + 1})
        EXPECT_EQ(UninstallTexts::FileFor("C:\\pkg", id), "C:\\pkg\\language\\uninstall_EN.ini");
}

TEST(UninstallIni, AbsentCountsListNothingAndPatternZeroIsLiteral) {
    auto none = FromText("[QXPRINTER]\nPRINTERNUM=1\nPRINTERNAME1=ZRP\n");
    EXPECT_TRUE(none.MonitorPatterns().empty());
    EXPECT_TRUE(FromText("[QXMONITOR]\nMonitorNUM=0\nMONITORNAME1=QX\n").MonitorPatterns().empty());
    // A count without its key reads the pattern "0", which matches only names with a zero.
    auto zero = FromText("[QXMONITOR]\nMonitorNUM=1\n");
    ASSERT_EQ(zero.MonitorPatterns(), std::vector<std::string>{"0"});
    EXPECT_FALSE(MatchesAny("QX USB Monitor", zero.MonitorPatterns()));
    EXPECT_TRUE(MatchesAny("Port 0 Monitor", zero.MonitorPatterns()));
}

TEST(UninstallIni, KeysAfterTheNinthContinueWithColonAndOn) {
    std::string text = "[QXPROC]\nPROCNUM=12\n";
    const char* keys = "123456789:;<";
    for (int i = 0; i < 12; ++i) text += std::string("PROCNAME") + keys[i] + "=P" + std::to_string(i) + "\n";
    text += "PROCNAME10=never read\n";
    auto c = FromText(text);
    ASSERT_EQ(c.ProcessorPatterns().size(), 12u);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(c.ProcessorPatterns()[size_t(i)], "P" + std::to_string(i));
}

// Key names compare without case, so the 17th and the 49th pattern ("A" and "a") are the
// same key; of two equal names the first counts, and every value is cut like any other.
TEST(UninstallIni, NumberedKeysFollowTheLookupRules) {
    auto c = FromText(
        "[QXPRINTER]\nPRINTERNUM=49\nprintername1=first\nPRINTERNAME1=second\nPRINTERNAMEa=letter\n"
        "PRINTERNAMEA=upper\nPRINTERNAME2=" +
        std::string(40, 'z') + "\n[QXPRINTER]\nPRINTERNAME3=other section\n");
    const auto& p = c.PrinterPatterns();
    ASSERT_EQ(p.size(), 49u);
    EXPECT_EQ(p[0], "first");
    EXPECT_EQ(p[1], std::string(29, 'z'));
    EXPECT_EQ(p[2], "0");
    EXPECT_EQ(p[16], "letter");
    EXPECT_EQ(p[48], "letter");
    for (size_t i = 0; i < p.size(); ++i)
        EXPECT_EQ(p[i], c.Value("QXPRINTER", std::string("PRINTERNAME") + char('1' + i))) << i;
}

TEST(UninstallIni, HugeOrNegativeCountsStayBounded) {
    EXPECT_EQ(FromText("[QXPROC]\nPROCNUM=2147483647\n").ProcessorPatterns().size(),
              size_t(UninstallConfig::kMaxPatterns));
    EXPECT_TRUE(FromText("[QXPROC]\nPROCNUM=-3\n").ProcessorPatterns().empty());
    EXPECT_TRUE(FromText("[QXPROC]\nPROCNUM=abc\n").ProcessorPatterns().empty());
}

TEST(UninstallIni, ValuesKeepTwentyNineBytesWithoutSplittingACharacter) {
    auto c = FromText("[S]\nA=" + std::string(40, 'x') + "\nB=" + std::string(29, 'y') + "\nE=\n");
    EXPECT_EQ(c.Value("S", "A"), std::string(29, 'x'));
    EXPECT_EQ(c.Value("S", "B"), std::string(29, 'y'));
    EXPECT_EQ(c.Value("S", "E"), "");
    EXPECT_EQ(c.Value("S", "Missing"), "0");
    // 15 Chinese characters are 30 bytes in GBK: only 14 fit.
    std::string cn;
    for (int i = 0; i < 15; ++i) cn += "打";
    auto g = FromText("[S]\nC=" + cn + "\n", 936);
    EXPECT_EQ(Utf16ToCodePage(Utf8ToUtf16(g.Value("S", "C")), 936).size(), 28u);
}

TEST(UninstallIni, ManufacturerAndItsDefaults) {
    EXPECT_EQ(FromText("[QXPRINTER]\n").Manufacturers(), (std::vector<std::string>{"KESTRAN", "VORN"}));
    EXPECT_EQ(FromText("[QXPRINTER]\nMANUFACTURER=0\n").Manufacturers(),
              (std::vector<std::string>{"KESTRAN", "VORN"}));
    EXPECT_EQ(FromText("[QXPRINTER]\nMANUFACTURER=Acme\n").Manufacturers(), std::vector<std::string>{"Acme"});
}

TEST(UninstallIni, SectionNamesAndEmptyPatterns) {
    EXPECT_EQ(UninstallConfig::MonitorSection("QX USB Monitor", 11), "QXUSBMonitor.Win7");
    EXPECT_EQ(UninstallConfig::MonitorSection("QXCOM Monitor", 4), "QXCOMMonitor.2003");
    EXPECT_EQ(UninstallConfig::ProcessorSection("ZRP Proc", 3), "ZRP Proc.2K");
    // A key left blank must not make every printer of the machine part of the package.
    EXPECT_FALSE(MatchesAny("Office Laser", {""}));
    EXPECT_TRUE(MatchesAny("ZRP-A10 USB", {"", "A10"}));
    EXPECT_FALSE(MatchesAny("zrp-a10", {"ZRP"}));  // matched as strstr does
}

TEST(Texts, FirstBackslashNBecomesALineBreakAndFormatTakesOneName) {
    platform::sim::SimMachine m;
    m.files.Put("C:\\pkg\\language\\uninstall_EN.ini",
                "[Message]\nA=one\\ntwo\\nthree\nB=%s and %s %d\nLong=" + std::string(1100, 'z') + "\n");
    UninstallTexts t;
    t.Load(m.files, "C:\\pkg", 1033, 1252);
    EXPECT_EQ(t.Message("A"), "one\r\ntwo\\nthree");
    EXPECT_EQ(t.Message("Missing"), "");
    EXPECT_EQ(t.Message("Long").size(), 1023u);
    EXPECT_EQ(FormatWithName(t.Message("B"), "P%s"), "P%s and %s %d");
}

TEST(Texts, ShippedFilesHaveEveryKeyInBothLanguages) {
    platform::sim::SimMachine m;
    drvremove::testing::PutShippedData(m);
    const char* messages[] = {
        "IDS_SELECTPRN1",     "IDS_DELETING1",    "IDS_DELETING2",     "IDS_DELETING3",
        "IDS_SUCCESS",        "IDS_USING",        "IDS_ERR_UNINSTALL", "IDS_ERR_OPENPRN",
        "IDS_ERR_GETPRNINFO", "IDS_ERR_ALLOC",    "IDS_ERR_HAVEJOB1",  "IDS_ERR_HAVEJOB2",
        "IDS_ERR_DELPRINTER", "IDS_DRVDELETING",  "IDS_DRV_SUCCESS",   "IDS_ERR_DRVUSING",
        "IDS_ERR_DRVDEL",     "IDS_DRV_SUCCESS1", "IDS_ERR_GETSYSDIR", "IDS_ERR_INVALID",
        "IDS_ERR_NOINI",      "IDS_ABOUTBOX"};
    const char* withName[] = {"IDS_DELETING1",    "IDS_DELETING2",     "IDS_SUCCESS",
                              "IDS_USING",        "IDS_ERR_UNINSTALL", "IDS_ERR_OPENPRN",
                              "IDS_ERR_HAVEJOB1", "IDS_ERR_HAVEJOB2",  "IDS_DRVDELETING"};
    for (auto [lang, cp] : {std::pair<uint16_t, unsigned>{1033, 1252}, {2052, 936}}) {
        UninstallTexts t;
        t.Load(m.files, drvremove::testing::kDir, lang, cp);
        for (auto k : messages) EXPECT_FALSE(t.Message(k).empty()) << k << " " << lang;
        for (auto k : withName) EXPECT_NE(t.Message(k).find("%s"), std::string::npos) << k;
        for (auto k :
             {"Title", "Note", "Uninstall", "Select", "Exit", "USBuninstall", "CaptionName", "Close"})
            EXPECT_FALSE(t.Get("Uninstall", k).empty()) << k;
        for (auto k : {"Title", "Note1", "Note2", "Note3", "Yes", "No"})
            EXPECT_FALSE(t.Get("Reboot", k).empty());
        for (auto k : {"Title", "Version", "Copyright", "OK"}) EXPECT_FALSE(t.Get("About", k).empty());
    }
    UninstallTexts cn;
    cn.Load(m.files, drvremove::testing::kDir, 2052, 936);
    EXPECT_EQ(cn.Get("Uninstall", "Title"), "打印机卸载程序");
}

TEST(FindIni, ProgramFolderThenDrvconfigResettingOnlyUninstallIni) {
    platform::sim::SimMachine m;
    std::string path;
    EXPECT_EQ(FindUninstallIni(m.files, "", path), FindIniResult::NoCurrentDir);
    m.files.Put("C:\\pkg\\setup.exe", "x");
    m.files.SetAttributes("C:\\pkg\\setup.exe", platform::kAttrReadOnly | platform::kAttrArchive);
    EXPECT_EQ(FindUninstallIni(m.files, "C:\\pkg", path), FindIniResult::NotFound);
    uint32_t attrs = 0;
    // The folder may be the system folder: no other file's attributes are touched.
    m.files.GetAttributes("C:\\pkg\\setup.exe", attrs);
    EXPECT_EQ(attrs, platform::kAttrReadOnly | platform::kAttrArchive);

    m.files.Put("C:\\pkg\\DRVCONFIG\\Uninstall.ini", "[QXPROC]\n");
    m.files.SetAttributes("C:\\pkg\\DRVCONFIG\\Uninstall.ini", platform::kAttrReadOnly);
    ASSERT_EQ(FindUninstallIni(m.files, "C:\\pkg", path), FindIniResult::Found);
    EXPECT_EQ(path, "C:\\pkg\\DRVCONFIG\\Uninstall.ini");
    m.files.GetAttributes(path, attrs);
    EXPECT_EQ(attrs, platform::kAttrArchive);

    m.files.Put("C:\\pkg\\Uninstall.ini", "[QXPROC]\n");
    ASSERT_EQ(FindUninstallIni(m.files, "C:\\pkg", path), FindIniResult::Found);
    EXPECT_EQ(path, "C:\\pkg\\Uninstall.ini");

    m.faults.Reset();
    m.faults.FailOn("FindFiles", 1, platform::kErrAccessDenied);
    EXPECT_EQ(FindUninstallIni(m.files, "C:\\pkg", path), FindIniResult::CannotList);
}

TEST(InfMatch, ManufacturerSectionsAndQuotedKeys) {
    std::string inf =
        "[Version]\nSignature=\"$Windows NT$\"\n[Manufacturer]\nKESTRAN=KESTRAN,NTamd64\n"
        "[KESTRAN.NTamd64]\n\"ZRP-A10(U) 1\" = Install, USBPRINT\\ZRP-A10\n[VORN]\n\"ZRP-C30(U) 2\"=X\n"
        "[Other]\n\"Office Laser\"=Y\n";
    std::vector<uint8_t> b(inf.begin(), inf.end());
    std::vector<std::string> defaults{"KESTRAN", "VORN"};
    EXPECT_TRUE(InfNamesPrinter(b, 1252, defaults, "ZRP-A10(U) 1"));
    EXPECT_TRUE(InfNamesPrinter(b, 1252, defaults, "ZRP-C30(U) 2"));
    EXPECT_FALSE(InfNamesPrinter(b, 1252, defaults, "Office Laser"));
    EXPECT_FALSE(InfNamesPrinter(b, 1252, {"Acme"}, "ZRP-A10(U) 1"));
    EXPECT_FALSE(InfNamesPrinter(b, 1252, defaults, "ZRP-A10(U)"));
}

TEST(CommandLine, QuietSwitchesAndTheirErrors) {
    QuietOptions o;
    std::string err;
    ASSERT_TRUE(ParseCommandLine({}, o, err));
    EXPECT_FALSE(o.quiet);
    ASSERT_TRUE(ParseCommandLine(
        {"/quiet", "-ITEM", "ZRP-A10(P)", "/item", "QX USB Monitor", "/usb", "/log", "out.log", "/Restart"},
        o, err));
    EXPECT_TRUE(o.quiet && o.usb && o.restart && !o.all);
    EXPECT_EQ(o.items, (std::vector<std::string>{"ZRP-A10(P)", "QX USB Monitor"}));
    EXPECT_EQ(o.logFile, "out.log");
    ASSERT_TRUE(ParseCommandLine({"/help"}, o, err));
    EXPECT_TRUE(o.help);

    struct Bad {
        std::vector<std::string> args;
        const char* error;
    } bad[] = {
        {{"/quiet", "/item"}, "/item needs a value"},
        {{"/quiet", "/all", "/log"}, "/log needs a value"},
        {{"/all"}, "the switches need /quiet"},
        {{"/quiet"}, "nothing to remove: give /all, /item NAME or /usb"},
        {{"/quiet", "/all", "/item", "x"}, "/all and /item exclude each other"},
        {{"/quiet", "/all", "extra"}, "unknown argument: extra"},
    };
    for (auto& b : bad) {
        err.clear();
        EXPECT_FALSE(ParseCommandLine(b.args, o, err));
        EXPECT_EQ(err, b.error);
    }
}

}  // namespace
