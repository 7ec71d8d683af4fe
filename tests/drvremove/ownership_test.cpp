// The uninstaller runs as administrator, often from the system folder: it deletes only what
// the package owns, and lists what a failed installation left behind so that it can go too.
#include <gtest/gtest.h>

#include <algorithm>
#include <new>

#include "common/text.h"
#include "tests/drvremove/remove_fixture.h"

using namespace k20;
using namespace k20::drvremove;
using namespace k20::drvremove::testing;
using namespace k20::platform;

namespace {

TEST(FileNames, RefusedKindsOfNames) {
    struct Row {
        const char* name;
        FileNameRefusal why;
    } rows[] = {
        {"QXUSBMON.DLL", FileNameRefusal::None},       {"COM10.DLL", FileNameRefusal::None},
        {"*.dll", FileNameRefusal::Wildcard},          {"QX?MON.DLL", FileNameRefusal::Wildcard},
        {"CON", FileNameRefusal::DeviceName},          {"nul.dll", FileNameRefusal::DeviceName},
        {"Aux", FileNameRefusal::DeviceName},          {"PRN.txt", FileNameRefusal::DeviceName},
        {"COM1", FileNameRefusal::DeviceName},         {"lpt9.dll", FileNameRefusal::DeviceName},
        {"CON .dll", FileNameRefusal::DeviceName},     {"KERNEL~1.DLL", FileNameRefusal::ShortNameAlias},
        {"PROGRA~2", FileNameRefusal::ShortNameAlias}, {"A~B.DLL", FileNameRefusal::None},
        {"..\\boot.ini", FileNameRefusal::NotBare},    {"QXUSBMON.DLL.", FileNameRefusal::NotBare},
    };
    for (auto& r : rows) EXPECT_EQ(CheckFileName(r.name), r.why) << r.name;
    const std::set<std::string> installed = {"QXUSBMON.DLL", "NQXUSBMON.DLL"};
    EXPECT_EQ(CheckFileName("qxusbmon.dll", installed), FileNameRefusal::None);
    EXPECT_EQ(CheckFileName("spoolsv.exe", installed), FileNameRefusal::NotInstalledByPackage);
}

TEST(FileNames, ThePackagesOwnFilesComeFromTheInstallerConfiguration) {
    Rig g;
    std::set<std::string> files = PackageInstalledFiles(g.m.files, kDir, true, 1252);
    for (const char* f : {"QXUSBMON.DLL", "NQXUSBMON.DLL", "QXUSBUI.DLL", "QXCOMMON.DLL", "QXCOMUI.DLL",
                          "QXUSBL.DLL", "ZRPPROC.DLL"})
        EXPECT_TRUE(files.count(f)) << f;
    EXPECT_FALSE(files.count("SPOOLSV.EXE"));
    EXPECT_TRUE(PackageInstalledFiles(g.m.files, "C:\\elsewhere", true, 1252).empty());
}

TEST(Remove, NamesThePackageDoesNotInstallAreLoggedAndLeft) {
    for (const char* name : {"spoolsv.exe", "KERNEL~1.DLL", "CON", "*.dll", "localspl.dll"}) {
        SCOPED_TRACE(name);
        Rig g;
        InstallPackageObjects(g.m);
        for (const char* f : {"spoolsv.exe", "KERNEL32.DLL", "localspl.dll"})
            g.m.files.Put(g.m.system.systemDir + "\\" + f, "system");
        g.m.files.Put(
            "C:\\pkg\\Uninstall.ini",
            "[QXMONITOR]\nMonitorNUM=1\nMONITORNAME1=QX USB\n[QXUSBMonitor.Win7]\nMonitorPDLLName=" +
                std::string(name) + "\nMONitorPUIDLLName=QXUSBUI.DLL\nUSBMONitorName=QX USB Monitor\n");
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {"QX USB Monitor"});
        RunResult res = r.Remove(sink, false, false);
        EXPECT_TRUE(res.incomplete);
        EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_UNINSTALL"), name)));
        for (const char* f : {"spoolsv.exe", "KERNEL32.DLL", "localspl.dll"})
            EXPECT_TRUE(g.m.files.Exists(g.m.system.systemDir + "\\" + f)) << f;
        EXPECT_FALSE(g.m.files.Exists(g.m.system.systemDir + "\\QXUSBUI.DLL"));  // the package's own goes
    }
}

TEST(Remove, AMonitorKeyOfAnotherMonitorStays) {
    Rig g;
    InstallPackageObjects(g.m);
    const std::string monitors = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
    auto view = RegView::View64;
    g.m.registry.CreateKey(RegRoot::LocalMachine, monitors + "Standard TCP/IP Port\\Ports\\IP_10.0.0.9",
                           view);
    g.m.files.Put(
        "C:\\pkg\\Uninstall.ini",
        "[QXMONITOR]\nMonitorNUM=1\nMONITORNAME1=QX USB\n[QXUSBMonitor.Win7]\nMonitorPDLLName=QXUSBMON.DLL\n"
        "USBMONitorName=Standard TCP/IP Port\n");
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"QX USB Monitor"});
    r.Remove(sink, false, false);
    EXPECT_TRUE(g.m.registry.KeyExists(RegRoot::LocalMachine,
                                       monitors + "Standard TCP/IP Port\\Ports\\IP_10.0.0.9", view));
    EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_UNINSTALL"), "Standard TCP/IP Port")));

    // The package's own key of the monitor just removed goes.
    Rig h;
    InstallPackageObjects(h.m);
    h.m.registry.CreateKey(RegRoot::LocalMachine, monitors + "QX USB Monitor\\Ports", view);
    Remover r2(h.admin, h.desktop, h.facts);
    ListSink sink2;
    StartInto(r2, sink2, {"QX USB Monitor"});
    r2.Remove(sink2, false, false);
    EXPECT_FALSE(h.m.registry.KeyExists(RegRoot::LocalMachine, monitors + "QX USB Monitor", view));
}

TEST(Remove, AMonitorLibraryThatStaysIsAFailureNotASuccess) {
    Rig g;
    InstallPackageObjects(g.m);
    g.m.files.HoldOpen(g.m.system.systemDir + "\\QXUSBMON.DLL");
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"QX USB Monitor"});
    RunResult res = r.Remove(sink, false, false);
    EXPECT_TRUE(res.incomplete);
    EXPECT_FALSE(Contains(sink.log, FormatWithName(g.T("IDS_SUCCESS"), "QX USB Monitor")));
    EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_UNINSTALL"), "QXUSBMON.DLL")));
    EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_UNINSTALL"), "QX USB Monitor")));
    EXPECT_TRUE(g.m.files.Exists(g.m.system.systemDir + "\\QXUSBMON.DLL"));
}

TEST(Orphans, UnusedDriversAndNetworkPortsOfThePackageAreListedAndRemoved) {
    Rig g;
    InstallPackageObjects(g.m);
    AddDriver(g.m, "K-20 Receipt");  // left by a failed installation
    AddDriver(g.m, "Other Unused");  // not the package's: never listed
    for (const char* port : {"QXIP_10.0.0.5", "QXIP_10.0.0.6"})
        g.m.printAdmin.ports.push_back({port, "Standard TCP/IP Port"});
    AddPrinter(g.m, "K-20(E)", "ZRP-A10 Parallel", "QXIP_10.0.0.6");  // this port is in use
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    std::vector<std::string> names = StartInto(r, sink, {"K-20 Receipt", "QXIP_10.0.0.5"});
    EXPECT_TRUE(Contains(names, "K-20 Receipt"));
    EXPECT_TRUE(Contains(names, "QXIP_10.0.0.5"));
    EXPECT_FALSE(Contains(names, "QXIP_10.0.0.6"));
    EXPECT_FALSE(Contains(names, "Other Unused"));
    EXPECT_FALSE(Contains(names, "ZRP-A10 Parallel"));  // used by printers
    EXPECT_EQ(r.KindOf("K-20 Receipt"), ItemKind::Driver);
    EXPECT_EQ(r.KindOf("QXIP_10.0.0.5"), ItemKind::Port);
    RunResult res = r.Remove(sink, false, false);
    EXPECT_FALSE(res.incomplete);
    EXPECT_TRUE(res.removedSomething);
    for (auto& d : g.m.printAdmin.drivers) EXPECT_NE(d.name, "K-20 Receipt");
    bool kept6 = false;
    for (auto& p : g.m.printAdmin.ports) {
        EXPECT_NE(p.name, "QXIP_10.0.0.5");
        kept6 |= p.name == "QXIP_10.0.0.6";
    }
    EXPECT_TRUE(kept6);
    EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_SUCCESS"), "K-20 Receipt")));
}

// The spooler's administration throwing, as an allocation failure inside a real call would.
class ThrowingAdmin : public sim::SimPrintAdmin {
  public:
    using SimPrintAdmin::SimPrintAdmin;
    Error DeleteMonitor(const std::string&, const std::string&) override { throw std::bad_alloc(); }
};

TEST(Worker, AnExceptionEndsTheRunWithAReportAndTheLogKept) {
    Rig g;
    InstallPackageObjects(g.m);
    ThrowingAdmin admin(g.m.faults, g.m.system, g.m.registry, g.m.files, g.m.spooler, g.m.services);
    for (auto& mon : g.m.printAdmin.monitors) admin.monitors.push_back(mon);
    AdminPlatform throwing{g.m.platform(), admin,         g.m.services, g.m.devices,
                           g.m.usb,        g.m.processes, g.m.wow64};
    Remover r(throwing, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"QX USB Monitor"});
    RunResult res = r.Remove(sink, false, false);
    EXPECT_TRUE(res.incomplete);
    EXPECT_FALSE(res.loopCompleted);
    ASSERT_GE(sink.log.size(), 2u);
    EXPECT_EQ(sink.log[0], FormatWithName(g.T("IDS_DELETING1"), "QX USB Monitor"));
    EXPECT_NE(sink.log[1].find("QX USB Monitor"), std::string::npos) << sink.log[1];
    EXPECT_NE(sink.log[1].find(g.T("IDS_ERR_ALLOC")), std::string::npos) << sink.log[1];
}

TEST(Language, TheUninstallerFollowsTheSystemDefaultLanguage) {
    Rig g;
    g.m.system.language = 0x0409;
    g.m.system.systemLanguage = 0x0804;
    g.m.system.codePage = 936;
    Remover r(g.admin, g.desktop, g.facts);
    std::vector<std::string> names, log;
    ASSERT_EQ(r.Start(names, log), StartResult::Ok);
    UninstallTexts cn;
    cn.Load(g.m.files, kDir, 0x0804, 936);
    EXPECT_EQ(r.Texts().Get("Uninstall", "Title"), cn.Get("Uninstall", "Title"));
}

}  // namespace
