#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "drvsetup/installer.h"
#include "tests/drvsetup/wizard_fixture.h"

using namespace k20::drvsetup;
using namespace k20::drvsetup::testing;
using namespace k20::platform;
using k20::IniFile;
using sim::SimMachine;
namespace fs = std::filesystem;

namespace {

std::string Upper(std::string s) {
    return k20::ToUpper(s);
}

// Upper-case names of the files in a package folder.
std::set<std::string> FilesIn(const fs::path& dir) {
    std::set<std::string> out;
    if (!fs::exists(dir)) return out;
    for (auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file()) out.insert(Upper(e.path().filename().string()));
    return out;
}

bool IsSystemFile(const std::string& upper) {
    for (const char* s : {"UNIDRV", "STDNAMES", "TTFSUB", "UNIRES"})
        if (upper.find(s) != std::string::npos) return true;
    return false;
}

TEST(ShippedPackage, EveryConfiguredFileExistsOrIsASystemFileOrAnOutsideComponent) {
    const std::set<std::string> root = FilesIn(kPackageSource);
    // Build products that assemble_package.sh puts beside the data.
    const std::set<std::string> built = {"PRNUI.DLL", "PRNRENDER.DLL", "K20RES.DLL", "LOGVIEWER.EXE"};
    for (bool w64 : {false, true}) {
        const std::string arch = w64 ? "W64" : "W32";
        const std::set<std::string> here = FilesIn(fs::path(kPackageSource) / arch);
        std::ifstream outsideText(fs::path(kPackageSource) / arch / "OUTSIDE_COMPONENTS.txt");
        std::stringstream ss;
        ss << outsideText.rdbuf();
        const std::string outside = Upper(ss.str());
        auto check = [&](const std::string& name, const std::string& what) {
            if (!Named(name)) return;
            std::string u = Upper(name);
            bool ok = here.count(u) || built.count(u) || root.count(u) || IsSystemFile(u) ||
                      outside.find(" " + u) != std::string::npos;
            EXPECT_TRUE(ok) << arch << " " << what << ": " << name;
        };
        SimMachine m;
        PrepareMachine(m, WinVersion::Win7, w64);
        SetupConfig cfg(m.files, kPkg, w64, 1252);
        auto models = cfg.Models();
        ASSERT_EQ(models.size(), 1u);
        EXPECT_EQ(models[0].name, "K-20");
        EXPECT_EQ(models[0].type, 0);
        for (int code = 2; code <= 7; ++code) {
            const WinVersion os = WinVersion(code);
            for (PortKind kind : {PortKind::Serial, PortKind::Parallel, PortKind::Usb, PortKind::Network}) {
                for (Flavour fl : {Flavour::Std, Flavour::Gdi}) {
                    std::string what = "os " + std::to_string(code) + " kind " + std::to_string(int(kind));
                    FileSet f = cfg.Files("K-20", 0, os, kind, fl);
                    for (const auto& n :
                         {f.configFile, f.dataFile, f.driverPath, f.helpFile, f.dataFileDll, f.oemuiDll,
                          f.oemuniDll, f.oemuniIni, f.processorDll, f.controlFontFile, f.usbInternalId,
                          f.driverLogViewer, f.driverLogIni})
                        check(n, what);
                    for (const auto& n : f.languageResources) check(n, what);
                    DriverRecord d = cfg.Driver("K-20", 0, os, kind, fl);
                    EXPECT_EQ(d.name, "K-20 Receipt") << what;
                    EXPECT_FALSE(d.dependentFilesTooLong) << what;
                    for (const auto& n : d.dependentFiles) check(n, what);
                    // Both plug-ins and the description's resource DLL are ours, and they are
                    // dependent files of the driver, so they are copied with it and removed with it.
                    EXPECT_EQ(Upper(f.oemuiDll), "PRNUI.DLL") << what;
                    EXPECT_EQ(Upper(f.oemuniDll), "PRNRENDER.DLL") << what;
                    EXPECT_EQ(Upper(f.oemuniIni), "K20UI.INI") << what;
                    EXPECT_EQ(Upper(f.dataFileDll), "K20RES.DLL") << what;
                    std::set<std::string> deps;
                    for (auto& n : d.dependentFiles) deps.insert(Upper(n));
                    for (const char* n : {"PRNUI.DLL", "PRNRENDER.DLL", "K20UI.INI", "K20RES.DLL", "K20.GPD"})
                        EXPECT_TRUE(deps.count(n)) << what << ": " << n;
                    EXPECT_EQ(cfg.Printer("K-20", 0, os, kind, fl).printProcessor, "WinPrint") << what;
                    MonitorSet ms = cfg.Monitors(os);
                    if (kind == PortKind::Serial) check(ms.serial.dll, what), check(ms.serial.uiDll, what);
                    if (kind == PortKind::Usb) check(ms.usb.dll, what), check(ms.usb.uiDll, what);
                }
            }
        }
    }
}

TEST(ShippedPackage, PluginIniNamesBothPlugInsAndTheDescriptionIsForEightyMillimetres) {
    for (const char* arch : {"W32", "W64"}) {
        IniFile ini = IniFile::FromBytes(ReadHostFile(fs::path(kPackageSource) / arch / "K20UI.INI"), 1252);
        EXPECT_EQ(ini.GetUtf8("OEMFiles", "OEMConfigFile1", ""), "prnui.dll");
        // The same number pairs the two: Unidrv gives them one private part of the DEVMODE.
        EXPECT_EQ(ini.GetUtf8("OEMFiles", "OEMDriverFile1", ""), "prnrender.dll");
        auto gpd = ReadHostFile(fs::path(kPackageSource) / arch / "K20.GPD");
        std::string text(gpd.begin(), gpd.end());
        EXPECT_NE(text.find("*DPI: PAIR(203, 203)"), std::string::npos);
        EXPECT_NE(text.find("*PrintableArea: PAIR(576,"), std::string::npos);
        EXPECT_NE(text.find("*ResourceDLL: \"K20RES.DLL\""), std::string::npos);
        // The plug-in writes the printer's bytes; the description sends no raster of its own.
        EXPECT_EQ(text.find("<1D763000>"), std::string::npos);
    }
}

// What the uninstaller relies on: the driver names the plug-ins among its files, so the
// system's driver removal with unused files (as drvremove asks for it) takes them away.
TEST(ShippedPackage, InstalledPlugInsLeaveWithTheDriver) {
    for (bool w64 : {false, true}) {
        SimMachine m;
        PrepareMachine(m, WinVersion::Win7, w64);
        AdminPlatform p = m.admin();
        SetupConfig cfg(m.files, kPkg, w64, 1252);
        SetupTexts texts(m.files, kPkg, 0x0409, 1252);
        auto req = MakeInstallRequest(cfg, WinVersion::Win7, 0, "K-20", PortKind::Parallel,
                                      "LPT1:", Flavour::Std, true);
        Installer inst(p, texts, kPkg, req);
        ASSERT_EQ(inst.Run(), kWorkerSuccess) << inst.Message();
        const std::string dir = m.printAdmin.DriverDirectory("");
        for (const char* f : {"PRNRENDER.DLL", "K20RES.DLL", "K20UI.INI", "PRNUI.DLL", "K20.GPD"})
            EXPECT_TRUE(m.files.Exists(k20::platform::JoinPath(dir, f))) << w64 << " " << f;
        ASSERT_EQ(m.printAdmin.DeletePrinter(m.spooler.printers.at(0).printerName), kOk);
        ASSERT_EQ(m.printAdmin.DeletePrinterDriver("", "K-20 Receipt", true), kOk);
        for (const char* f : {"PRNRENDER.DLL", "K20RES.DLL", "K20UI.INI"})
            EXPECT_FALSE(m.files.Exists(k20::platform::JoinPath(dir, f))) << w64 << " " << f;
    }
}

TEST(ShippedPackage, EveryTextKeyTheInstallerUsesExistsInBothLanguages) {
    std::set<std::pair<std::string, std::string>> keys;
    const char* table[][2] = {
        {"Setup", "Caption"},  {"Setup", "Help"},      {"Setup", "Back"},     {"Setup", "Next"},
        {"Setup", "Install"},  {"Setup", "Cancel"},    {"Setup", "Close"},    {"Setup", "Nonsupport"},
        {"Setup", "PortNull"}, {"Legal", "Agreement"}, {"Legal", "Accept"},   {"Legal", "Reject"},
        {"System", "Select"},  {"Series", "Select"},   {"Series", "Receipt"}, {"Series", "Ticket"},
        {"Series", "Label"},   {"Series", "Embedded"}, {"Series", "Default"}, {"Mode", "Type"},
        {"Mode", "Typical"},   {"Mode", "Advanced"},   {"Mode", "Remarks"},   {"Mode", "Note1"},
        {"Mode", "Note2"},     {"Mode", "Note3"},      {"Progress", "Wait"},  {"About", "Caption"},
        {"About", "Version"},  {"About", "Copyright"}, {"About", "OK"},       {"Help Guide", "Caption"}};
    for (auto& k : table) keys.insert({k[0], k[1]});
    for (const char* k : {"Set", "Ports", "Com", "BaudRate", "Parity", "ByteSize", "StopBits", "Protocol",
                          "Raster", "Parity.Even", "Parity.Mark", "Parity.None", "Parity.Odd", "Parity.Space",
                          "Protocol.Hardware", "Protocol.Xonoff", "Protocol.None"})
        keys.insert({"Confirm", k});
    // And whatever the installer's sources look up.
    const std::regex ids("\"(IDS_[A-Za-z0-9_]+)\""),
        text("(?:Text|Get)\\(\"([A-Za-z ]+)\", \"([A-Za-z0-9.]+)\"\\)");
    int sources = 0;
    for (auto& e : fs::directory_iterator("../../drvsetup")) {
        auto ext = e.path().extension();
        if (ext != ".cpp" && ext != ".h") continue;
        ++sources;
        auto bytes = ReadHostFile(e.path());
        std::string src(bytes.begin(), bytes.end());
        for (std::sregex_iterator it(src.begin(), src.end(), ids), end; it != end; ++it)
            keys.insert({"Message", (*it)[1]});
        for (std::sregex_iterator it(src.begin(), src.end(), text), end; it != end; ++it)
            keys.insert({(*it)[1], (*it)[2]});
    }
    ASSERT_GT(sources, 5);
    EXPECT_GT(keys.size(), 90u);
    IniFile en = IniFile::FromBytes(ReadHostFile(fs::path(kPackageSource) / "language/setup_EN.ini"), 1252);
    IniFile cn = IniFile::FromBytes(ReadHostFile(fs::path(kPackageSource) / "language/setup_CN.ini"), 936);
    for (const auto& [section, key] : keys) {
        EXPECT_FALSE(en.GetUtf8(section, key, "").empty()) << "EN [" << section << "] " << key;
        EXPECT_FALSE(cn.GetUtf8(section, key, "").empty()) << "CN [" << section << "] " << key;
    }
    // The Chinese file is GBK, not UTF-8: a Chinese text decodes from code page 936.
    EXPECT_EQ(cn.GetUtf8("Setup", "Cancel", ""), "取消");
}

}  // namespace
