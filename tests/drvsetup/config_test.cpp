#include <gtest/gtest.h>

#include "common/text.h"
#include "drvsetup/setup_config.h"
#include "platform/sim/sim_machine.h"
#include "tests/drvsetup/setup_fixture.h"

using namespace k20::drvsetup;
using namespace k20::platform;
using sim::SimMachine;

namespace {

SetupConfig WithSetupIni(SimMachine& m, const std::string& text, bool w64 = false, unsigned cp = 1252) {
    m.files.Put("C:\\pkg\\DRVCONFIG\\setup.ini", text);
    return SetupConfig(m.files, "C:\\pkg", w64, cp);
}

TEST(ModelEntries, SuffixDecidesTheTypeAndEntriesWithoutOneAreSkipped) {
    struct Row {
        const char* value;
        const char* name;
        int type;
    } rows[] = {{"ZRP-A10-ReceiptPrinter", "ZRP-A10", 0},
                {"ZRP-A10-TicketPrinter", "ZRP-A10", 1},
                {"X-LabelPrinter", "X", 2},
                {"X-EmbeddedPrinter", "X", 3},
                {"ZRP-A10", "ZRP-A10", -1},
                {"A-TicketPrinter-ReceiptPrinter", "A-TicketPrinter", 0}};
    for (auto& r : rows) {
        ModelEntry e = ParseModelEntry(r.value);
        EXPECT_EQ(e.name, r.name) << r.value;
        EXPECT_EQ(e.type, r.type) << r.value;
    }
    SimMachine m;
    SetupConfig c =
        WithSetupIni(m,
                     "[DEVICENAME]\nDEVICENUMBER=3\nDEVICENAME1=A-ReceiptPrinter\nDEVICENAME2=ZRP-A10\n"
                     "DEVICENAME3=ZRP-A10-TicketPrinter\nDEFAULTNAME=3\n");
    auto models = c.Models();
    ASSERT_EQ(models.size(), 2u);
    EXPECT_EQ(models[1].name, "ZRP-A10");
    EXPECT_EQ(models[1].type, 1);
    ASSERT_TRUE(c.DefaultModel());
    EXPECT_EQ(c.DefaultModel()->name, "ZRP-A10");
}

TEST(ModelEntries, MissingZeroNonNumericAndOversizedCounts) {
    for (const char* count : {"", "DEVICENUMBER=0\n", "DEVICENUMBER=abc\n", "DEVICENUMBER=-4\n"}) {
        SimMachine m;
        SetupConfig c =
            WithSetupIni(m, std::string("[DEVICENAME]\n") + count + "DEVICENAME1=A-ReceiptPrinter\n");
        EXPECT_TRUE(c.Models().empty()) << count;
    }
    SimMachine m;
    SetupConfig c = WithSetupIni(
        m, "[DEVICENAME]\nDEVICENUMBER=99999999999\nDEVICENAME1=A-ReceiptPrinter\nDEFAULTNAME=7\n");
    EXPECT_EQ(c.DeviceNumber(), 2147483647);
    EXPECT_EQ(c.Models().size(), 1u);
    EXPECT_FALSE(c.DefaultModel());  // names an entry that is not there
}

// Only the indexes the section names are read, yet the list is the one a lookup of every
// index from 1 to the count gives: gaps, any case, the first of two equal keys, no
// leading zeros (the lookup asks for "DEVICENAME2", never "DEVICENAME02").
TEST(ModelEntries, OnlyNamedIndexesWithinTheCountInTheirOrder) {
    SimMachine m;
    SetupConfig c = WithSetupIni(m,
                                 "[DEVICENAME]\nDEVICENUMBER=12\n"
                                 "devicename9=Nine-ReceiptPrinter\n"
                                 "DEVICENAME2=Two-TicketPrinter\n"
                                 "DEVICENAME02=Zero-ReceiptPrinter\n"
                                 "DeviceName2=Second-ReceiptPrinter\n"
                                 "DEVICENAME13=Beyond-ReceiptPrinter\n"
                                 "DEVICENAME12 = Twelve-LabelPrinter\n"
                                 "DEVICENAME+4=Sign-ReceiptPrinter\n"
                                 "DEVICENAMEX=X-ReceiptPrinter\n");
    std::vector<std::string> names;
    for (const ModelEntry& e : c.Models()) names.push_back(e.name + "/" + std::to_string(e.type));
    EXPECT_EQ(names, (std::vector<std::string>{"Two/1", "Nine/0", "Twelve/2"}));
    for (int i = 1; i <= 12; ++i) {
        ModelEntry e = c.Model(i);
        bool listed = i == 2 || i == 9 || i == 12;
        EXPECT_EQ(e.type >= 0, listed) << i;
    }
}

TEST(ConfigValues, DefaultsLimitsAndDecimalConversion) {
    EXPECT_EQ(ParseDecimal("  42abc"), 42);
    EXPECT_EQ(ParseDecimal("-7"), -7);
    EXPECT_EQ(ParseDecimal("x1"), 0);
    EXPECT_EQ(ParseDecimal(""), 0);
    SimMachine m;
    std::string longName(300, 'M');
    SetupConfig c = WithSetupIni(m, "[DEVICENAME]\nDEVICENUMBER=1\nDEVICENAME1=" + longName +
                                        "-ReceiptPrinter\n"
                                        "[COMMON-MONITOR.Win7]\nCOMMONitorPName=" +
                                        std::string(80, 'N') + "\n");
    EXPECT_EQ(c.InfFileName(), "err");
    EXPECT_EQ(c.UsbClassPrinter("ZRP-A10(U)1"), "ERR");
    EXPECT_EQ(c.SupportedUsbDevice("USB_X_1"), 0);
    // The entry is cut to 199 characters before the suffix is looked for.
    EXPECT_TRUE(c.Models().empty());
    EXPECT_EQ(c.Monitors(WinVersion::Win7).serial.name, std::string(49, 'N'));
    EXPECT_EQ(c.Monitors(WinVersion::Win7).usb.dll, "0");
    EXPECT_EQ(c.Monitors(WinVersion::Win98).serial.environment, "Windows 4.0");
    EXPECT_EQ(c.Monitors(WinVersion::XP).serial.environment, "");
    EXPECT_EQ(c.SetNumberPrefix(), (std::array<uint8_t, 6>{}));
}

TEST(ConfigValues, SetNumberPrefixIsReadAsHexBytes) {
    SimMachine m;
    EXPECT_EQ(WithSetupIni(m, "[DEVICENAME]\nUSBSETIDPREFIX=1b 1C,20 7f 00 FF\n").SetNumberPrefix(),
              (std::array<uint8_t, 6>{0x1B, 0x1C, 0x20, 0x7F, 0x00, 0xFF}));
    for (const char* bad : {"1B 1C", "zz 00 00 00 00 00", "1B 1C 20 7F 00 FF 01"})
        EXPECT_EQ(
            WithSetupIni(m, std::string("[DEVICENAME]\nUSBSETIDPREFIX=") + bad + "\n").SetNumberPrefix(),
            (std::array<uint8_t, 6>{}))
            << bad;
}

TEST(ConfigValues, LimitsCountCodePageBytesWithoutSplittingCharacters) {
    EXPECT_EQ(LimitBytes("abcdef", 4, 1252), "abcd");
    // Three GBK characters of two bytes each: five bytes hold two of them.
    EXPECT_EQ(LimitBytes("\xE4\xB8\xAD\xE6\x96\x87\xE5\xAD\x97", 5, 936), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(TypeFiles, SectionsFlavourAndDriverNames) {
    SimMachine m;
    k20::drvsetup::testing::LoadFixturePackage(m);
    SetupConfig c(m.files, "C:\\pkg", true, 1252);
    // Windows 10 is OS code 7: the .Win7 section.
    EXPECT_STREQ(OsSuffix(ClampOsCode(11)), ".Win7");
    EXPECT_EQ(ClampOsCode(-1), WinVersion::Win98);
    EXPECT_EQ(c.DriverName("ZRP-A10", 0, WinVersion::Win7, PortKind::Usb), "ZRP-A10 USB");
    EXPECT_EQ(c.DriverName("ZRP-A10", 0, WinVersion::NT4, PortKind::Usb), "ZRP-A10 GDI");
    EXPECT_EQ(c.DriverName("ZRP-A10", 0, WinVersion::Win98, PortKind::Network), "ZRP-A10 GDI");
    EXPECT_EQ(c.Driver("ZRP-A10", 0, WinVersion::Win7, PortKind::Serial, Flavour::Std).dataFile,
              "ZRPA10.GPD");
    EXPECT_EQ(c.Driver("ZRP-A10", 0, WinVersion::Win7, PortKind::Serial, Flavour::Gdi).dataFile,
              "ZRPA10G.GPD");
    // GDI flavour leaves out the "0" plug-in INI from the dependent files.
    auto deps = c.Driver("ZRP-A10", 0, WinVersion::Win7, PortKind::Serial, Flavour::Gdi).dependentFiles;
    EXPECT_EQ(deps, (std::vector<std::string>{"ZRPA10G.GPD", "TTFSUB.GPD", "UNIRES.DLL", "STDNAMES.GPD",
                                              "ZRPRES.DLL", "prnui.dll", "ZRPRENDG.DLL"}));
    EXPECT_TRUE(
        c.Driver("ZRP-A10", 0, WinVersion::NT4, PortKind::Serial, Flavour::Std).dependentFiles.empty());
    EXPECT_EQ(c.Driver("ZRP-A10", 0, WinVersion::Win98, PortKind::Serial, Flavour::Std).environment,
              "Windows 4.0");
    EXPECT_EQ(c.Driver("ZRP-A10", 0, WinVersion::NT4, PortKind::Serial, Flavour::Std).version, 2u);
    EXPECT_EQ(c.Printer("ZRP-A10", 0, WinVersion::Win7, PortKind::Serial, Flavour::Std).attributes, 576u);
    EXPECT_TRUE(c.UnidrvCore("ZRP-A10", 0, WinVersion::Win7, Flavour::Std));
    EXPECT_EQ(c.Port("ZRP-A10", 0).commonName, "QXCOM");
    EXPECT_EQ(c.Port("NOPE", 0).commonName, "QXCOM");  // COMMONNAME absent
    EXPECT_EQ(c.Port("ZRP-A10", 0).baudRate, 9600);
    EXPECT_EQ(c.ProcessorVersion(), 3);
    EXPECT_EQ(c.ComMonitorVisible(11), 1);
}

TEST(TypeFiles, GdiStdSignForcesTheFlavourByPortKind) {
    SimMachine m;
    k20::drvsetup::testing::LoadFixturePackage(m);
    m.files.Put("C:\\pkg\\DRVCONFIG\\setup.ini", std::string("[DEVICENAME]\nGDISTDSign=1\n"));
    SetupConfig c(m.files, "C:\\pkg", false, 1252);
    EXPECT_EQ(c.EffectiveFlavour(Flavour::Std, PortKind::Serial), Flavour::Gdi);
    EXPECT_EQ(c.EffectiveFlavour(Flavour::Gdi, PortKind::Usb), Flavour::Std);
    EXPECT_EQ(c.EffectiveFlavour(Flavour::Gdi, PortKind::Parallel), Flavour::Gdi);
    EXPECT_EQ(c.EffectiveFlavour(Flavour::Std, PortKind::Network), Flavour::Std);
    EXPECT_EQ(c.Files("ZRP-A10", 0, WinVersion::Win7, PortKind::Serial, Flavour::Std).oemuniDll,
              "ZRPRENDG.DLL");
}

TEST(TypeFiles, DependentListOverTwoHundredBytesIsFlagged) {
    SimMachine m;
    std::string sect = "[M.Win7]\nGDI2KDDKDEV=1\nSTDDataFile=" + std::string(120, 'D') +
                       "\nSTDDataOemuiDLL=" + std::string(40, 'U') + "\n";
    m.files.Put("C:\\pkg\\DRVCONFIG\\setup_receipt.ini", sect);
    SetupConfig c(m.files, "C:\\pkg", false, 1252);
    // 121 + 11 + 11 + 13 + 41 + 1 = 198: fits.
    EXPECT_FALSE(c.Driver("M", 0, WinVersion::Win7, PortKind::Parallel, Flavour::Std).dependentFilesTooLong);
    m.files.Put("C:\\pkg\\DRVCONFIG\\setup_receipt.ini", sect + "STDDataOemuniini=AB\n");
    SetupConfig c2(m.files, "C:\\pkg", false, 1252);
    EXPECT_TRUE(c2.Driver("M", 0, WinVersion::Win7, PortKind::Parallel, Flavour::Std).dependentFilesTooLong);
}

TEST(Texts, OnlyTheFirstOfEachMarkerBecomesALineBreak) {
    EXPECT_EQ(ExpandLineBreaks("a\\1b\\1c"), "a\r\nb\\1c");
    EXPECT_EQ(ExpandLineBreaks("x\\3y\\2z\\1"), "x\r\ny\r\nz\r\n");
    SimMachine m;
    m.files.Put("C:\\pkg\\language\\setup_EN.ini", std::string("[Message]\nIDS_ADMIN=Be\\1admin\n"));
    // "中文" in GBK.
    m.files.Put("C:\\pkg\\language\\setup_CN.ini",
                std::vector<uint8_t>{'[', 'M', 'e', 's', 's', 'a', 'g', 'e',  ']',  '\n', 'I',  'D', 'S',
                                     '_', 'A', 'D', 'M', 'I', 'N', '=', 0xD6, 0xD0, 0xCE, 0xC4, '\n'});
    EXPECT_EQ(SetupTexts(m.files, "C:\\pkg", 0x0409, 1252).Message("IDS_ADMIN"), "Be\r\nadmin");
    EXPECT_EQ(SetupTexts(m.files, "C:\\pkg", 2052, 1252).Message("IDS_ADMIN"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(SetupTexts(m.files, "C:\\pkg", 1028, 950).Message("IDS_ADMIN"), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(SetupTexts(m.files, "C:\\pkg", 0x0409, 1252).Message("IDS_MISSING"), "");
}

TEST(FileNames, OnlyBareNamesPass) {
    for (const char* ok : {"A.DLL", "prnui.dll", "x"}) EXPECT_TRUE(IsBareFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "C:x", "..x", "a..b", "\x01"})
        EXPECT_FALSE(IsBareFileName(bad)) << bad;
}

}  // namespace
