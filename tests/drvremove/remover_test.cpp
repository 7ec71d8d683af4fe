#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "common/text.h"
#include "drvremove/main_model.h"
#include "drvremove/remover.h"
#include "tests/drvremove/remove_fixture.h"

using namespace k20;
using namespace k20::drvremove;
using namespace k20::drvremove::testing;
using platform::Error;
using platform::RegRoot;
using platform::RegView;

namespace {

bool HasPrinter(Rig& g, const std::string& name) {
    return std::any_of(g.m.spooler.printers.begin(), g.m.spooler.printers.end(),
                       [&](auto& p) { return p.printerName == name; });
}
bool HasMonitor(Rig& g, const std::string& name) {
    return std::any_of(g.m.printAdmin.monitors.begin(), g.m.printAdmin.monitors.end(),
                       [&](auto& x) { return x.name == name; });
}
bool HasDriver(Rig& g, const std::string& name) {
    return std::any_of(g.m.printAdmin.drivers.begin(), g.m.printAdmin.drivers.end(),
                       [&](auto& x) { return x.name == name; });
}
bool HasPort(Rig& g, const std::string& name) {
    return std::any_of(g.m.printAdmin.ports.begin(), g.m.printAdmin.ports.end(),
                       [&](auto& x) { return x.name == name; });
}
TEST(Start, ItemListInOrderPrintersMonitorsProcessors) {
    Rig g;
    InstallPackageObjects(g.m);
    AddMonitor(g.m, "QX USBL Monitor", "QXUSBL.DLL");
    AddMonitor(g.m, "Standard Monitor", "STD.DLL");
    AddDriver(g.m, "ZRP-C30 USB");
    AddPrinter(g.m, "ZRP-C30(U) 1", "ZRP-C30 USB", "LPT3:");
    g.m.faults.Reset();
    Remover r(g.admin, g.desktop, g.facts);
    MainModel model(r);
    ASSERT_TRUE(model.Init());
    std::vector<std::string> names;
    for (auto& i : model.items) names.push_back(i.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ZRP-A10(P)", "ZRP-C30(U) 1", "QX USB Monitor",
                                               "QXCOM Monitor", "QX USBL Monitor", "ZRPProc"}));
    EXPECT_EQ(model.log, std::vector<std::string>{g.T("IDS_SELECTPRN1")});
    EXPECT_TRUE(model.selectEnabled);
    EXPECT_FALSE(model.usbEnabled);
    EXPECT_EQ(model.texts.title, "Printer Driver Uninstall");
    EXPECT_TRUE(g.m.processes.safeDllSearch);
}

TEST(Start, Windows98ListsNoProcessorsAndAnEmptyListDisablesSelect) {
    Rig g(false);
    g.m.system.version = {4, 10, 2222, 1, 0, 1};
    AddProcessor(g.m, "ZRPProc", "ZRPPROC.DLL");
    g.m.faults.Reset();
    Remover r(g.admin, g.desktop, g.facts);
    MainModel model(r);
    ASSERT_TRUE(model.Init());
    EXPECT_EQ(r.VersionCode(), 0);
    EXPECT_TRUE(model.items.empty());
    EXPECT_FALSE(model.selectEnabled);
}

TEST(Start, FailuresShowTheirBoxAndCloseTheWindow) {
    struct Case {
        std::function<void(Rig&)> arm;
        const char* box;
        bool windowStays;
    } cases[] = {
        {[](Rig& g) { g.facts.programDir.clear(); }, "IDS_ERR_GETSYSDIR", false},
        {[](Rig& g) { g.m.files.DeleteFile("C:\\pkg\\Uninstall.ini"); }, "IDS_ERR_NOINI", false},
        {[](Rig& g) { g.m.faults.FailAlways("FindFiles", platform::kErrAccessDenied); }, "IDS_ERR_INVALID",
         false},
        {[](Rig& g) { g.facts.winspoolLoaded = false; }, nullptr, true},
    };
    for (auto& c : cases) {
        Rig g;
        std::string expected = c.box ? g.T(c.box) : "no Winspool lib  ";
        c.arm(g);
        Remover r(g.admin, g.desktop, g.facts);
        MainModel model(r);
        EXPECT_EQ(model.Init(), c.windowStays);
        EXPECT_EQ(g.desktop.boxes, std::vector<std::string>{expected});
        EXPECT_FALSE(model.usbEnabled);
    }
}

TEST(Start, UsbCheckBoxByDriverFileAndProbe) {
    struct Case {
        const char* name;
        bool driverFile, library;
        std::string missingFunction;
        int devices;
        bool readable;
        bool enabled;
        std::vector<std::string> boxes;
    } cases[] = {
        {"no driver", false, true, "", 1, true, false, {}},
        {"no library", true, false, "", 1, true, false, {"Can not load QxUsbInt.dll"}},
        {"missing function", true, true, "GetDescriptor", 1, true, false, {"open function error"}},
        {"no device", true, true, "", 0, true, false, {}},
        {"one device", true, true, "", 1, true, true, {}},
        {"two devices", true, true, "", 2, true, true, {}},
        {"descriptor unreadable", true, true, "", 1, false, false, {"Get Device ID error"}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig g;
        if (c.driverFile) g.m.files.Put("C:\\Windows\\System32\\drivers\\BULKUSB.sys", "sys");
        if (c.library) g.m.files.Put("C:\\pkg\\QxUsbInt.dll", "dll");
        if (!c.missingFunction.empty()) g.m.usb.missingFunctions.insert(c.missingFunction);
        for (int i = 0; i < c.devices; ++i) {
            platform::sim::SimUsbDevice d;
            d.bcdDevice = uint16_t(i);
            d.descriptorReadable = c.readable;
            g.m.usb.devices.push_back(d);
        }
        Remover r(g.admin, g.desktop, g.facts);
        MainModel model(r);
        ASSERT_TRUE(model.Init());
        EXPECT_EQ(model.usbEnabled, c.enabled);
        EXPECT_EQ(g.desktop.boxes, c.boxes);
        EXPECT_EQ(g.m.usb.openHandles, 0);
        EXPECT_EQ(g.m.wow64.depth, 0);
        if (c.driverFile && c.library) {
            EXPECT_EQ(g.m.usb.loaded, std::vector<std::string>{"C:\\pkg\\QxUsbInt.dll"});
        }
    }
}

TEST(PreCheck, EveryPrinterOfTheMachineIsLookedAt) {
    struct Case {
        const char* op;
        Error err;
        const char* key;
        bool withName;
    } cases[] = {
        {nullptr, 0, "IDS_ERR_HAVEJOB2", true},
        {"OpenPrinter", platform::kErrAccessDenied, "IDS_ERR_OPENPRN", true},
        {"GetPrinter", platform::kErrAccessDenied, "IDS_ERR_GETPRNINFO", false},
        {"GetPrinter", platform::kErrNotEnoughMemory, "IDS_ERR_ALLOC", false},
        {"EnumPrinters", platform::kErrAccessDenied, "IDS_ERR_GETPRNINFO", false},
    };
    for (auto& c : cases) {
        Rig g;
        InstallPackageObjects(g.m);
        for (auto& p : g.m.spooler.printers)
            if (p.printerName == "Office Laser" && !c.op) p.jobs = 2;
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {"ZRP-A10(P)"});
        g.m.faults.Reset();
        if (c.op) g.m.faults.FailOn(c.op, 1, c.err);
        EXPECT_FALSE(r.PreCheck(sink));
        std::string expected = c.withName ? FormatWithName(g.T(c.key), "Office Laser") : g.T(c.key);
        EXPECT_EQ(sink.log, std::vector<std::string>{expected});
        EXPECT_TRUE(HasPrinter(g, "ZRP-A10(P)"));
        EXPECT_EQ(g.m.spooler.OpenHandles(), 0);
    }
    Rig g;
    InstallPackageObjects(g.m);
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    EXPECT_TRUE(r.PreCheck(sink));
    EXPECT_TRUE(sink.log.empty());
}

TEST(Remove, PrinterWithItsDriverLogsEachStepAndAsksForRestart) {
    Rig g;
    InstallPackageObjects(g.m);
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"ZRP-A10(P)"});
    g.desktop.answerYes = true;
    RunResult res = r.Remove(sink, false, true);
    EXPECT_EQ(sink.log, (std::vector<std::string>{FormatWithName(g.T("IDS_DELETING2"), "ZRP-A10(P)"),
                                                  FormatWithName(g.T("IDS_SUCCESS"), "ZRP-A10(P)"),
                                                  FormatWithName(g.T("IDS_DRVDELETING"), "ZRP-A10(P)"),
                                                  g.T("IDS_DRV_SUCCESS"), g.T("IDS_SELECTPRN1")}));
    EXPECT_FALSE(HasPrinter(g, "ZRP-A10(P)"));
    EXPECT_FALSE(HasDriver(g, "ZRP-A10 Parallel"));
    EXPECT_TRUE(HasPrinter(g, "Office Laser"));
    EXPECT_TRUE(HasDriver(g, "Other Laser"));
    EXPECT_TRUE(res.loopCompleted && res.removedSomething && !res.incomplete);
    EXPECT_EQ(g.desktop.questions, 1);
    EXPECT_EQ(g.desktop.restarts, std::vector<bool>{true});  // the privilege first on NT
    EXPECT_EQ(sink.items.size(), 3u);
    EXPECT_EQ(g.m.spooler.OpenHandles(), 0);
    EXPECT_TRUE(g.m.services.Running("Spooler"));
}

TEST(Remove, PendingJobStopsTheRunAndKeepsTheItemsBelow) {
    Rig g;
    InstallPackageObjects(g.m);
    AddPrinter(g.m, "ZRP-A10(P) (1)", "ZRP-A10 Parallel", "LPT1:", "winprint", 1);
    g.m.faults.Reset();
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"ZRP-A10(P)", "ZRP-A10(P) (1)", "QX USB Monitor", "ZRPProc"});
    g.m.files.Put("C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe", "exe");
    RunResult res = r.Remove(sink, true, true);
    EXPECT_EQ(sink.log[sink.log.size() - 2], FormatWithName(g.T("IDS_ERR_HAVEJOB1"), "ZRP-A10(P) (1)"));
    EXPECT_FALSE(res.loopCompleted);
    EXPECT_TRUE(res.incomplete);
    std::vector<std::string> left;
    for (auto& i : sink.items) left.push_back(i.name);
    EXPECT_EQ(left,
              (std::vector<std::string>{"ZRP-A10(P) (1)", "QX USB Monitor", "QXCOM Monitor", "ZRPProc"}));
    EXPECT_TRUE(HasMonitor(g, "QX USB Monitor"));
    EXPECT_TRUE(g.m.processes.started.empty());  // no USB step
    EXPECT_EQ(g.desktop.questions, 0);           // and no restart question
}

TEST(Remove, SharedNetworkPortGoesWithTheSecondPrinterOnly) {
    Rig g;
    InstallPackageObjects(g.m);
    g.m.printAdmin.ports.push_back({"QXIP_10.0.0.5", "Standard TCP/IP Port"});
    g.m.printAdmin.ports.push_back({"IP_10.0.0.6", "Standard TCP/IP Port"});
    AddDriver(g.m, "ZRP-A10 Network");
    AddPrinter(g.m, "ZRP-A10(E)", "ZRP-A10 Network", "QXIP_10.0.0.5");
    AddPrinter(g.m, "ZRP-A10(E)(1)", "ZRP-A10 Network", "QXIP_10.0.0.5");
    AddPrinter(g.m, "ZRP-A10(E)(2)", "ZRP-A10 Network", "IP_10.0.0.6");
    g.m.faults.Reset();
    {
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {"ZRP-A10(E)"});
        r.Remove(sink, false, false);
        EXPECT_FALSE(HasPrinter(g, "ZRP-A10(E)"));
        EXPECT_TRUE(HasPort(g, "QXIP_10.0.0.5"));
        EXPECT_TRUE(Contains(sink.log, g.T("IDS_ERR_DRVUSING")));
    }
    {
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {"ZRP-A10(E)(1)", "ZRP-A10(E)(2)"});
        r.Remove(sink, false, false);
        EXPECT_FALSE(HasPort(g, "QXIP_10.0.0.5"));
        EXPECT_TRUE(HasPort(g, "IP_10.0.0.6"));  // not the package's port kind
        EXPECT_FALSE(HasDriver(g, "ZRP-A10 Network"));
    }
}

TEST(Remove, UsbUninstallerFolderByVersionCodeAndArchitecture) {
    struct Case {
        platform::OsVersion v;
        bool w64;
        const char* path;
    } cases[] = {
        {{10, 0, 0, 1, 9, 2}, true, "C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe"},
        {{10, 0, 0, 3, 9, 2}, true, "C:\\pkg\\USBDrv\\USBDriver_x64\\Win10\\Install.exe"},
        {{6, 2, 0, 3, 9, 2}, true, "C:\\pkg\\USBDrv\\USBDriver_x64\\Win8\\Install.exe"},
        {{6, 2, 0, 1, 9, 2}, true, "C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe"},
        {{10, 0, 0, 3, 0, 2}, false, "C:\\pkg\\USBDrv\\USBDriver_x86\\Win10\\Install.exe"},
        {{6, 1, 0, 1, 0, 2}, false, "C:\\pkg\\USBDrv\\USBDriver_x86\\Win7\\Install.exe"},
    };
    for (auto& c : cases) {
        Rig g(c.w64);
        g.m.system.version = c.v;
        g.m.files.Put(c.path, "exe");
        g.desktop.windowPolls = 3;
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {});
        uint64_t before = g.m.clock.nowMs;
        RunResult res = r.Remove(sink, true, true);
        ASSERT_EQ(g.m.processes.started.size(), 1u) << c.path;
        EXPECT_EQ(g.m.processes.started[0].exe, c.path);
        EXPECT_EQ(g.m.processes.started[0].parameters, "22");
        EXPECT_EQ(g.m.clock.nowMs - before, 500u + 3 * 1000 + 1500);
        EXPECT_EQ(g.desktop.queried.size(), 4u);
        EXPECT_EQ(g.desktop.queried[0], "USB Printer Driver Setup");
        EXPECT_EQ(sink.log, (std::vector<std::string>{g.T("IDS_DELETING3"), g.T("IDS_DRV_SUCCESS1")}));
        EXPECT_TRUE(res.usbRan);
        EXPECT_EQ(g.desktop.questions, 0);  // nothing removed
    }
    Rig g;
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {});
    RunResult res = r.Remove(sink, true, false);  // Install.exe missing
    EXPECT_FALSE(res.usbRan);
    EXPECT_TRUE(res.incomplete);
    EXPECT_EQ(sink.log[1], FormatWithName(g.T("IDS_ERR_UNINSTALL"), r.UsbUninstallerPath()));
}

TEST(Remove, UsbMonitorTakesTheKestranKeysAndLeavesPrinterPort) {
    for (bool usb : {true, false}) {
        Rig g;
        InstallPackageObjects(g.m);
        for (const char* k : {kInstallPrinterKey, kPortNameKey, "SOFTWARE\\KESTRAN\\PRINTERPORT"})
            g.m.registry.CreateKey(RegRoot::LocalMachine, k, RegView::View64);
        g.m.faults.Reset();
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        std::string monitor = usb ? "QX USB Monitor" : "QXCOM Monitor";
        StartInto(r, sink, {monitor});
        r.Remove(sink, false, false);
        EXPECT_FALSE(HasMonitor(g, monitor));
        EXPECT_EQ(g.m.registry.KeyExists(RegRoot::LocalMachine, kInstallPrinterKey, RegView::View64), !usb);
        EXPECT_EQ(g.m.registry.KeyExists(RegRoot::LocalMachine, kPortNameKey, RegView::View64), !usb);
        EXPECT_TRUE(
            g.m.registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\KESTRAN\\PRINTERPORT", RegView::View64));
        EXPECT_FALSE(g.m.registry.KeyExists(
            RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + monitor));
        std::string dll = usb ? "QXUSBMON.DLL" : "QXCOMMON.DLL", ui = usb ? "QXUSBUI.DLL" : "QXCOMUI.DLL";
        EXPECT_FALSE(g.m.files.Exists("C:\\Windows\\system32\\" + dll));
        EXPECT_FALSE(g.m.files.Exists("C:\\Windows\\system32\\" + ui));
        EXPECT_EQ(g.m.wow64.depth, 0);
        EXPECT_EQ(sink.log, (std::vector<std::string>{FormatWithName(g.T("IDS_DELETING1"), monitor),
                                                      FormatWithName(g.T("IDS_SUCCESS"), monitor),
                                                      g.T("IDS_SELECTPRN1")}));
    }
}

TEST(Remove, ProcessorWithItsKeyAndFile) {
    Rig g;
    AddProcessor(g.m, "ZRPProc", "ZRPPROC.DLL");
    g.m.faults.Reset();
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"ZRPProc"});
    r.Remove(sink, false, false);
    EXPECT_TRUE(g.m.printAdmin.processors.empty());
    EXPECT_FALSE(g.m.registry.KeyExists(
        RegRoot::LocalMachine,
        "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Print Processors\\ZRPProc"));
    EXPECT_FALSE(g.m.files.Exists("C:\\Windows\\system32\\spool\\prtprocs\\x64\\ZRPPROC.DLL"));
    EXPECT_EQ(sink.log[1], FormatWithName(g.T("IDS_SUCCESS"), "ZRPProc"));
}

TEST(Remove, InUseAndFailureTextsOfMonitorsProcessorsAndDrivers) {
    struct Case {
        const char* item;
        const char* op;
        std::vector<int> calls;
        Error err;
        std::string expected;  // key, logged with the item's name unless it starts with '='
        bool removed;
    } cases[] = {
        {"QX USB Monitor", "DeleteMonitor", {1, 2}, platform::kErrMonitorInUse, "IDS_USING", false},
        {"QX USB Monitor", "DeleteMonitor", {1, 2}, platform::kErrAccessDenied, "IDS_ERR_UNINSTALL", false},
        {"QX USB Monitor",
         "DeleteMonitor",
         {1},
         platform::kErrAccessDenied,
         "IDS_SUCCESS",
         true},  // the retry after the restart
        {"ZRPProc", "DeletePrintProcessor", {1}, platform::kErrCanNotComplete, "IDS_USING", false},
        {"ZRPProc", "DeletePrintProcessor", {1}, platform::kErrAccessDenied, "IDS_ERR_UNINSTALL", false},
        {"ZRP-A10(P)", "DeletePrinter", {1}, platform::kErrAccessDenied, "=IDS_ERR_DELPRINTER", false},
        {"ZRP-A10(P)",
         "DeletePrinterDriver",
         {1},
         platform::kErrPrinterDriverInUse,
         "=IDS_ERR_DRVUSING",
         true},
        {"ZRP-A10(P)", "DeletePrinterDriver", {1}, platform::kErrAccessDenied, "=IDS_ERR_DRVDEL", true},
        {"ZRPProc",
         "GetPrintProcessorDirectory",
         {1},
         platform::kErrAccessDenied,
         "=Get system Directory error.",
         true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + std::to_string(c.err));
        Rig g;
        InstallPackageObjects(g.m);
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {c.item});
        g.m.faults.Reset();
        for (int n : c.calls) g.m.faults.FailOn(c.op, n, c.err);
        r.Remove(sink, false, false);
        std::string text;
        if (c.expected == "=IDS_ERR_DRVDEL")
            text = g.T("IDS_ERR_DRVDEL") + "    er=5";
        else if (c.expected[0] == '=' && c.expected.rfind("=IDS", 0) == 0)
            text = g.T(c.expected.c_str() + 1);
        else if (c.expected[0] == '=')
            text = c.expected.substr(1);
        else
            text = FormatWithName(g.T(c.expected.c_str()), c.item);
        EXPECT_TRUE(Contains(sink.log, text)) << text;
        EXPECT_EQ(Contains(sink.log, FormatWithName(g.T("IDS_SUCCESS"), c.item)), c.removed);
        EXPECT_TRUE(HasPrinter(g, "Office Laser"));
        EXPECT_TRUE(HasMonitor(g, "QXCOM Monitor"));
        EXPECT_TRUE(g.m.services.Running("Spooler"));
    }
}

TEST(Remove, WithoutDeleteDriverExTheDriverFilesStay) {
    Rig g;
    g.facts.deleteDriverExFound = false;
    InstallPackageObjects(g.m);
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"ZRP-A10(P)"});
    r.Remove(sink, false, false);
    EXPECT_FALSE(HasDriver(g, "ZRP-A10 Parallel"));
    EXPECT_TRUE(g.m.files.Exists("C:\\Windows\\system32\\spool\\drivers\\x64\\ZRPA10.GPD"));
}

TEST(Security, FileNamesFromUninstallIniMustBeBare) {
    const char* hostile[] = {"..\\..\\boot.ini", "C:\\Windows\\win.ini", "sub\\QXUSBMON.DLL", "..", "a/b.dll",
                             "D:evil.dll"};
    for (const char* name : hostile) {
        SCOPED_TRACE(name);
        Rig g;
        InstallPackageObjects(g.m);
        g.m.files.Put("C:\\boot.ini", "keep");
        g.m.files.Put("C:\\Windows\\win.ini", "keep");
        g.m.files.Put("C:\\Windows\\system32\\sub\\QXUSBMON.DLL", "keep");
        std::string ini =
            "[QXMONITOR]\nMonitorNUM=1\nMONITORNAME1=QX USB\n[QXUSBMonitor.Win7]\nMonitorPDLLName=" +
            std::string(name) + "\nUSBMONitorName=QX\\..\\Local Port\n";
        g.m.files.Put("C:\\pkg\\Uninstall.ini", ini);
        size_t before = g.m.files.AllPaths().size();
        g.m.registry.CreateKey(RegRoot::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port");
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        StartInto(r, sink, {"QX USB Monitor"});
        RunResult res = r.Remove(sink, false, false);
        EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_UNINSTALL"), name)));
        EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_UNINSTALL"), "QX\\..\\Local Port")));
        EXPECT_TRUE(res.incomplete);
        EXPECT_EQ(g.m.files.AllPaths().size(), before);
        EXPECT_TRUE(g.m.registry.KeyExists(
            RegRoot::LocalMachine, "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Local Port"));
    }
}

TEST(Remove, Windows98RefusesTheMonitorWhileAPrinterUsesQxcom) {
    Rig g(false);
    g.m.system.version = {4, 10, 2222, 1, 0, 1};
    InstallPackageObjects(g.m);
    AddPrinter(g.m, "ZRP-A10(S)", "ZRP-A10 Parallel", "QXCOM1:");
    g.m.faults.Reset();
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"QXCOM Monitor", "ZRP-A10(P)"});
    r.Remove(sink, false, false);
    EXPECT_TRUE(HasMonitor(g, "QXCOM Monitor"));
    EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_ERR_HAVEJOB1"), "ZRP-A10(S)")));
    EXPECT_TRUE(Contains(sink.log, FormatWithName(g.T("IDS_USING"), "QXCOM Monitor")));
    // Printers go on code 0, their drivers stay.
    EXPECT_FALSE(HasPrinter(g, "ZRP-A10(P)"));
    EXPECT_FALSE(Contains(sink.log, FormatWithName(g.T("IDS_DRVDELETING"), "ZRP-A10(P)")));
}

TEST(Remove, UsbPrinterTakesItsInfAndPnfFiles) {
    Rig g;
    InstallPackageObjects(g.m);
    g.m.printAdmin.ports.push_back({"USB001", "USB Monitor"});
    AddDriver(g.m, "ZRP-C30 Class");
    AddPrinter(g.m, "ZRP-C30(U)3", "ZRP-C30 Class", "USB001");
    g.m.files.Put("C:\\Windows\\inf\\oem7.inf", "[KESTRAN.NTamd64]\n\"ZRP-C30(U)3\"=Inst,USBPRINT\\X\n");
    g.m.files.Put("C:\\Windows\\inf\\oem7.PNF", "compiled");
    g.m.files.SetAttributes("C:\\Windows\\inf\\oem7.PNF", platform::kAttrReadOnly);
    g.m.files.Put("C:\\Windows\\inf\\oem8.inf", "[KESTRAN]\n\"ZRP-A10(U) 1\"=Inst\n");
    g.m.files.Put("C:\\Windows\\inf\\oem8.PNF", "compiled");
    g.m.faults.Reset();
    Remover r(g.admin, g.desktop, g.facts);
    ListSink sink;
    StartInto(r, sink, {"ZRP-C30(U)3"});
    r.Remove(sink, false, false);
    EXPECT_FALSE(g.m.files.Exists("C:\\Windows\\inf\\oem7.inf"));
    EXPECT_FALSE(g.m.files.Exists("C:\\Windows\\inf\\oem7.PNF"));
    EXPECT_TRUE(g.m.files.Exists("C:\\Windows\\inf\\oem8.inf"));
    EXPECT_TRUE(g.m.files.Exists("C:\\Windows\\inf\\oem8.PNF"));
}

// Every platform operation of a full removal fails in turn: the specified text is
// logged where there is one, nothing unchecked is touched, an item is reported removed
// only when it is gone, and the spooler is left running.
TEST(FaultInjection, EachOperationOfARemovalFailingInTurn) {
    auto setup = [](Rig& g, Remover& r, ListSink& sink) {
        InstallPackageObjects(g.m);
        g.m.printAdmin.ports.push_back({"QXIP_10.0.0.5", "Standard TCP/IP Port"});
        AddDriver(g.m, "ZRP-A10 Network");
        AddPrinter(g.m, "ZRP-A10(E)", "ZRP-A10 Network", "QXIP_10.0.0.5");
        StartInto(r, sink, {"ZRP-A10(P)", "ZRP-A10(E)", "QX USB Monitor", "ZRPProc"});
        g.m.faults.Reset();
    };
    std::vector<std::string> trace;
    {
        Rig g;
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        setup(g, r, sink);
        r.Remove(sink, false, false);
        trace = g.m.faults.Trace();
        ASSERT_EQ(sink.items.size(), 1u);  // the unchecked QXCOM Monitor
        ASSERT_EQ(sink.items[0].name, "QXCOM Monitor");
    }
    const std::map<std::string, std::string> texts = {
        {"OpenPrinter", "IDS_ERR_OPENPRN"},
        {"GetPrinter", "IDS_ERR_GETPRNINFO"},
        {"DeletePrinter", "IDS_ERR_DELPRINTER"},
        {"DeletePrinterDriver", "IDS_ERR_DRVDEL"},
        {"DeletePrintProcessor", "IDS_ERR_UNINSTALL"},
    };
    std::map<std::string, int> seen;
    int points = 0;
    for (auto& op : trace) {
        int nth = ++seen[op];
        SCOPED_TRACE(op + " #" + std::to_string(nth));
        Rig g;
        Remover r(g.admin, g.desktop, g.facts);
        ListSink sink;
        setup(g, r, sink);
        g.m.faults.FailOn(op, nth, platform::kErrAccessDenied);
        r.Remove(sink, false, false);
        ++points;
        auto it = texts.find(op);
        if (it != texts.end()) {
            std::string t = g.T(it->second.c_str());
            std::vector<std::string> accepted{t, t + "    er=5"};
            for (const char* item : {"ZRP-A10(P)", "ZRP-A10(E)", "ZRPProc"})
                accepted.push_back(FormatWithName(t, item));
            bool found =
                std::any_of(sink.log.begin(), sink.log.end(), [&](auto& l) { return Contains(accepted, l); });
            EXPECT_TRUE(found) << it->second;
        }
        EXPECT_TRUE(HasPrinter(g, "Office Laser"));
        EXPECT_TRUE(HasDriver(g, "Other Laser"));
        EXPECT_TRUE(HasMonitor(g, "QXCOM Monitor"));
        EXPECT_TRUE(g.m.files.Exists("C:\\Windows\\system32\\QXCOMMON.DLL"));
        EXPECT_TRUE(HasPort(g, "LPT2:"));
        for (auto& line : sink.log)
            for (const char* item : {"ZRP-A10(P)", "ZRP-A10(E)", "QX USB Monitor", "ZRPProc"})
                if (line == FormatWithName(g.T("IDS_SUCCESS"), item)) {
                    EXPECT_FALSE(HasPrinter(g, item) || HasMonitor(g, item));
                    EXPECT_FALSE(std::any_of(sink.items.begin(), sink.items.end(),
                                             [&](auto& i) { return i.name == item; }));
                }
        // A close or a revert that fails is the system's, not something left open by us.
        if (op != "ClosePrinter") {
            EXPECT_EQ(g.m.spooler.OpenHandles(), 0);
        }
        if (op != "Wow64Revert") {
            EXPECT_EQ(g.m.wow64.depth, 0);
        }
    }
    EXPECT_GT(points, 20);
}

TEST(Model, EnableRulesThroughARun) {
    Rig g;
    InstallPackageObjects(g.m);
    g.m.files.Put("C:\\Windows\\System32\\drivers\\QXPUSB.sys", "sys");
    g.m.files.Put("C:\\pkg\\QxUsbInt.dll", "dll");
    g.m.usb.devices.push_back({});
    Remover r(g.admin, g.desktop, g.facts);
    MainModel model(r);
    ASSERT_TRUE(model.Init());
    ASSERT_TRUE(model.usbEnabled);
    model.SetChecked(0, true);
    ASSERT_TRUE(model.Uninstall());
    EXPECT_FALSE(model.uninstallEnabled || model.listEnabled || model.selectEnabled || model.exitEnabled ||
                 model.usbEnabled);
    model.RunWorker(model);
    model.EndRun();
    EXPECT_TRUE(model.uninstallEnabled && model.listEnabled && model.selectEnabled && model.exitEnabled &&
                model.usbEnabled);
    EXPECT_EQ(model.log.back(), g.T("IDS_SELECTPRN1"));
    model.Select();
    model.SetUsbChecked(true);
    g.m.files.Put("C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe", "exe");
    ASSERT_TRUE(model.Uninstall());
    model.RunWorker(model);
    model.EndRun();
    EXPECT_TRUE(model.items.empty());
    EXPECT_TRUE(model.Finished());
    EXPECT_TRUE(model.exitEnabled);
    EXPECT_FALSE(model.uninstallEnabled || model.listEnabled || model.selectEnabled || model.usbEnabled);
    EXPECT_EQ(model.log.back(), g.T("IDS_DRV_SUCCESS1"));
}

// One run of the uninstaller's command line on the rig's machine; lines receives its output.
int RunCommandLine(Rig& g, const std::vector<std::string>& args, bool restart,
                   std::vector<std::string>& lines) {
    QuietDesktop qd(g.desktop, lines, restart);
    Remover r(g.admin, qd, g.facts);
    QuietOptions o;
    std::string err;
    EXPECT_TRUE(ParseCommandLine(args, o, err)) << err;
    return RunQuiet(r, g.m.files, kDir, o, lines);
}

TEST(Quiet, RemovesWhatWasAskedWritesTheLogAndSaysSoInItsExitCode) {
    Rig g;
    InstallPackageObjects(g.m);
    std::vector<std::string> lines;
    EXPECT_EQ(RunCommandLine(g, {"/quiet", "/item", "zrp-a10(p)", "/log", "remove.log"}, false, lines),
              kQuietAllRemoved);
    EXPECT_FALSE(HasPrinter(g, "ZRP-A10(P)"));
    EXPECT_TRUE(HasMonitor(g, "QX USB Monitor"));
    std::vector<uint8_t> file;
    ASSERT_EQ(g.m.files.ReadFile("C:\\pkg\\remove.log", file), platform::kOk);
    std::string text(file.begin(), file.end());
    EXPECT_NE(text.find(FormatWithName(g.T("IDS_SUCCESS"), "ZRP-A10(P)") + "\r\n"), std::string::npos);
    EXPECT_EQ(g.desktop.questions, 0);

    lines.clear();
    EXPECT_EQ(RunCommandLine(g, {"/quiet", "/item", "Nothing Like It", "/usb"}, false, lines),
              kQuietIncomplete);
}

TEST(Quiet, AllWithRestartAndAPendingJob) {
    {
        Rig g;
        InstallPackageObjects(g.m);
        std::vector<std::string> lines;
        EXPECT_EQ(RunCommandLine(g, {"/quiet", "/all", "/restart"}, true, lines), kQuietAllRemoved);
        EXPECT_EQ(g.desktop.restarts, std::vector<bool>{true});
        EXPECT_FALSE(HasMonitor(g, "QXCOM Monitor"));
        EXPECT_TRUE(HasPrinter(g, "Office Laser"));
    }
    {
        Rig g;
        InstallPackageObjects(g.m);
        g.m.spooler.printers[0].jobs = 1;
        std::vector<std::string> lines;
        EXPECT_EQ(RunCommandLine(g, {"/quiet", "/all"}, false, lines), kQuietIncomplete);
        EXPECT_EQ(lines.back(), FormatWithName(g.T("IDS_ERR_HAVEJOB2"), "Office Laser"));
    }
    {
        Rig g;
        g.m.files.DeleteFile("C:\\pkg\\Uninstall.ini");
        std::vector<std::string> lines;
        EXPECT_EQ(RunCommandLine(g, {"/quiet", "/all"}, false, lines), kQuietCannotStart);
        EXPECT_EQ(lines, std::vector<std::string>{g.T("IDS_ERR_NOINI")});
        EXPECT_TRUE(g.desktop.boxes.empty());
    }
}

}  // namespace
