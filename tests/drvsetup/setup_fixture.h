#pragma once
// A simulated machine with the fixture package in C:\pkg and the system files that an
// installation of each OS code takes from Windows itself.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "drvsetup/installer.h"
#include "platform/sim/sim_machine.h"

namespace k20::drvsetup::testing {

inline constexpr const char* kPkg = "C:\\pkg";

inline void LoadFixturePackage(platform::sim::SimMachine& m, const std::string& pkgDir = kPkg) {
    namespace fs = std::filesystem;
    for (auto& e : fs::recursive_directory_iterator("fixtures/pkg")) {
        if (!e.is_regular_file()) continue;
        std::ifstream in(e.path(), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        std::string rel = fs::relative(e.path(), "fixtures/pkg").string();
        for (auto& c : rel)
            if (c == '/') c = '\\';
        m.files.Put(platform::JoinPath(pkgDir, rel), bytes);
    }
    // Package binaries: their content is their name, so a copy can be traced to its source.
    for (const char* arch : {"W32", "W64"}) {
        for (const char* f :
             {"QXUSBMON.DLL",  "QXUSBUI.DLL",  "QXCOMMON.DLL", "QXCOMUI.DLL",  "QXUSBL.DLL",  "ZRPA10.GPD",
              "ZRPA10G.GPD",   "ZRPC30.GPD",   "ZRPC30G.GPD",  "ZRPRES.DLL",   "PRNUI.DLL",   "ZRPREND.DLL",
              "ZRPRENDG.DLL",  "ZRPREND.INI",  "ZRPPROC.DLL",  "CTLFONT.DAT",  "ENG_K20.RES", "CHS_K20.RES",
              "LOGVIEWER.EXE", "DRVLOG.INI",   "SRCLIENT.DLL", "FRAMEDYN.DLL", "NEWDEV.DLL",  "ICONLIB.DLL",
              "UNIDRV.DLL",    "UNIDRVUI.DLL", "UNIDRV.HLP",   "DMCOLOR.DLL"}) {
            std::string content = std::string(arch) + ":" + f;
            m.files.Put(platform::JoinPath(pkgDir, std::string(arch) + "\\" + f), content);
        }
    }
}

// The machine's facts for a Windows version: version, 64-bit flag, what Windows brings along.
inline void DressMachine(platform::sim::SimMachine& m, WinVersion os, bool windows64) {
    static const platform::OsVersion kVersions[8] = {
        {4, 10, 2222, 1, 0, 1}, {4, 0, 1381, 1, 0, 2}, {5, 0, 2195, 1, 0, 2}, {5, 1, 2600, 1, 0, 2},
        {5, 2, 3790, 3, 0, 2},  {6, 0, 6002, 1, 0, 2}, {6, 0, 6002, 3, 0, 2}, {10, 0, 19045, 1, 9, 2}};
    m.system.version = kVersions[int(os)];
    m.system.windows64 = windows64;
    m.system.wow64 = windows64;
    m.registry.process32 = windows64;  // the installer is a 32-bit program
    m.system.version.processorArchitecture = windows64 ? 9 : 0;
    m.printAdmin.portsOfMonitor["QXCOM Monitor"] = {
        "QXCOM1:", "QXCOM2:", "QXCOM3:", "QXCOM4:", "QXCOM5:", "QXCOM6:", "QXCOM7:", "QXCOM8:"};
    m.printAdmin.portsOfMonitor["QX USB Monitor"] = {"USB_ZRP-A10_1", "USB_ZRP-A10_2", "USB_ZRP-A10_3",
                                                     "USB_ZRP-A10_4", "USB_ZRP-C30_1", "USB_ZRP-C30_2"};
    if (os >= WinVersion::Win2000 && os <= WinVersion::Server2003) {
        std::map<std::string, std::vector<uint8_t>> cab;
        for (const char* f : {"unidrv.dll", "unidrvui.dll", "unires.dll", "unidrv.hlp", "stdnames.gpd",
                              "ttfsub.gpd", "other.dll"})
            cab[f] = std::vector<uint8_t>{'s', 'y', 's'};
        m.devices.PutCabinet(
            std::string("C:\\Windows\\Driver Cache\\") + (windows64 ? "AMD64" : "i386") + "\\sp2.cab", cab);
    }
    if (os >= WinVersion::Vista) {
        std::string store = "C:\\Windows\\System32\\DriverStore\\FileRepository\\ntprint.inf_x_1234\\";
        store += windows64 ? "AMD64\\" : "I386\\";
        for (const char* f :
             {"UNIDRV.DLL", "UNIDRVUI.DLL", "UNIRES.DLL", "UNIDRV.HLP", "STDNAMES.GPD", "TTFSUB.GPD"})
            m.files.Put(store + f, std::string("store"));
    }
    m.registry.CreateKey(platform::RegRoot::LocalMachine,
                         "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
                         windows64 ? platform::RegView::View64 : platform::RegView::Default);
    m.faults.Reset();
}

}  // namespace k20::drvsetup::testing
