#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "common/text.h"
#include "drvsetup/install_records.h"
#include "drvsetup/installer.h"
#include "tests/drvsetup/setup_fixture.h"

using namespace k20::drvsetup;
using namespace k20::drvsetup::testing;
using namespace k20::platform;
using k20::ToUpper;
using sim::SimMachine;

namespace {

struct Outcome {
    int result = 0;
    std::string message, printerName;
};

std::string PortFor(PortKind kind, WinVersion os) {
    switch (kind) {
        case PortKind::Serial:
            return os == WinVersion::Win98 ? "COM1:" : "QXCOM1:";
        case PortKind::Parallel:
            return "LPT1:";
        case PortKind::Usb:
            return "USB_ZRP-A10_1";
        case PortKind::Network:
            return "QXIP_192.168.1.100";
    }
    return {};
}

Outcome Install(SimMachine& m, WinVersion os, PortKind kind, bool w64, const std::string& model = "ZRP-A10",
                bool setDefault = true, const std::function<void(InstallRequest&)>& tweak = {},
                const std::function<void()>& arm = {}) {
    AdminPlatform p = m.admin();
    SetupConfig cfg(m.files, kPkg, w64, 1252);
    SetupTexts texts(m.files, kPkg, 0x0409, 1252);
    InstallRequest req =
        MakeInstallRequest(cfg, os, 0, model, kind, PortFor(kind, os), Flavour::Std, setDefault);
    if (tweak) tweak(req);
    if (arm) arm();
    Installer inst(p, texts, kPkg, req);
    Outcome r;
    r.result = inst.Run();
    r.message = inst.Message();
    r.printerName = inst.PrinterName();
    return r;
}

void Prepare(SimMachine& m, WinVersion os, bool w64, PortKind kind) {
    LoadFixturePackage(m);
    DressMachine(m, os, w64);
    if (os == WinVersion::Win98) {
        // Windows 98/Me keeps its serial ports' control blocks in the class key.
        for (int i = 0; i < 4; ++i) {
            std::string key = "System\\CurrentControlSet\\Services\\Class\\Ports\\000" + std::to_string(i);
            m.registry.CreateKey(RegRoot::LocalMachine, key);
            RegValue v;
            v.type = kRegBinary;
            v.data = {uint8_t(i == 0 ? 0 : 1)};  // entry 0 is a parallel port
            m.registry.SetValue(RegRoot::LocalMachine, key, "PortSubClass", v);
        }
    }
    if (kind == PortKind::Network) {
        Error e;
        ASSERT_TRUE(CreateNetworkPort(m.printAdmin, "QXIP_192.168.1.100", "192.168.1.100", e));
    }
    m.faults.Reset();
}

struct Case {
    WinVersion os;
    PortKind kind;
    bool w64;
};

std::string Name(const ::testing::TestParamInfo<Case>& i) {
    static const char* kinds[] = {"Serial", "Parallel", "Usb", "Network"};
    return "Os" + std::to_string(int(i.param.os)) + kinds[int(i.param.kind)] + (i.param.w64 ? "W64" : "W32");
}

std::vector<Case> AllCases() {
    std::vector<Case> v;
    for (int code = 0; code < kOsCount; ++code)
        for (PortKind k : {PortKind::Serial, PortKind::Parallel, PortKind::Usb, PortKind::Network}) {
            const WinVersion os = WinVersion(code);
            if (os == WinVersion::NT4 && k == PortKind::Usb) continue;  // refused before the worker runs
            bool w64 = os >= WinVersion::XP;
            v.push_back({os, k, w64});
            if (os == WinVersion::XP || os == WinVersion::Win7) v.push_back({os, k, !w64});
        }
    return v;
}

class FullInstall : public ::testing::TestWithParam<Case> {};

TEST_P(FullInstall, LeavesTheExactSpoolerRegistryAndFileState) {
    const Case c = GetParam();
    SimMachine m;
    Prepare(m, c.os, c.w64, c.kind);
    Outcome r = Install(m, c.os, c.kind, c.w64);
    ASSERT_EQ(r.result, kWorkerSuccess) << r.message;

    const std::string env = c.os == WinVersion::Win98 ? "Windows 4.0"
                            : c.w64                   ? "Windows x64"
                                                      : "Windows NT x86";
    const std::string driverDir = m.printAdmin.DriverDirectory(env);
    const RegView view = c.w64 ? RegView::View64 : RegView::Default;
    static const char* suffix[] = {"(S)", "(P)", "(U) 1", "(E)"};
    static const char* driverName[] = {"ZRP-A10 Serial", "ZRP-A10 Parallel", "ZRP-A10 USB",
                                       "ZRP-A10 Network"};

    // Driver with its level-3 fields.
    ASSERT_EQ(m.printAdmin.drivers.size(), 1u);
    const DriverInfo3& d = m.printAdmin.drivers[0];
    EXPECT_EQ(d.name, c.os <= WinVersion::NT4 ? "ZRP-A10 GDI" : driverName[int(c.kind)]);
    EXPECT_EQ(d.version, c.os == WinVersion::Win98 ? 0u : c.os == WinVersion::NT4 ? 2u : 3u);
    EXPECT_EQ(d.environment, env);
    EXPECT_EQ(d.driverPath, driverDir + "\\UNIDRV.DLL");
    EXPECT_EQ(d.dataFile, driverDir + "\\ZRPA10.GPD");
    EXPECT_EQ(d.configFile, driverDir + "\\UNIDRVUI.DLL");
    EXPECT_EQ(d.helpFile, driverDir + "\\UNIDRV.HLP");
    std::vector<std::string> deps;
    if (c.os >= WinVersion::Win2000)
        deps = {"ZRPA10.GPD", "TTFSUB.GPD", "UNIRES.DLL",  "STDNAMES.GPD",
                "ZRPRES.DLL", "PRNUI.DLL",  "ZRPREND.DLL", "ZRPREND.INI"};
    EXPECT_EQ(d.dependentFiles, deps);
    EXPECT_EQ(d.monitorName, c.kind == PortKind::Usb ? "QX USBL Monitor" : "");

    // Monitors and processor.
    std::set<std::string> monitors;
    for (auto& mon : m.printAdmin.monitors) monitors.insert(mon.name);
    std::set<std::string> wantMonitors;
    if (c.kind == PortKind::Serial && c.os != WinVersion::Win98) wantMonitors = {"QXCOM Monitor"};
    if (c.kind == PortKind::Usb) wantMonitors = {"QX USB Monitor", "QX USBL Monitor"};
    EXPECT_EQ(monitors, wantMonitors);
    ASSERT_EQ(m.printAdmin.processors.size(), 1u);
    EXPECT_EQ(m.printAdmin.processors[0].name, "ZRPProc");
    EXPECT_EQ(m.printAdmin.processors[0].environment, env);
    uint32_t v = 0;
    EXPECT_EQ(m.registry.GetDword(RegRoot::LocalMachine, ProcessorKey(c.os, c.w64, "ZRPProc"),
                                  "DriverVersion", v, view),
              kOk);
    EXPECT_EQ(v, 3u);
    for (auto& name : wantMonitors) {
        EXPECT_EQ(m.registry.GetDword(RegRoot::LocalMachine, MonitorKey(name), "DriverVersion", v, view), kOk)
            << name;
        EXPECT_EQ(v, name == "QX USBL Monitor" ? 1u : 2u);
    }

    // Printer and default printer.
    ASSERT_EQ(m.spooler.printers.size(), 1u);
    const PrinterInfo2& pr = m.spooler.printers[0];
    EXPECT_EQ(pr.printerName, std::string("ZRP-A10") + suffix[int(c.kind)]);
    EXPECT_EQ(r.printerName, pr.printerName);
    EXPECT_EQ(pr.portName, PortFor(c.kind, c.os));
    EXPECT_EQ(pr.driverName, d.name);
    EXPECT_EQ(pr.printProcessor, "ZRPProc");
    if (c.os == WinVersion::Win98) {
        EXPECT_EQ(pr.attributes, 576u | 4u);
        EXPECT_EQ(m.processes.broadcasts.front(), "windows");
    } else if (c.os == WinVersion::NT4) {
        EXPECT_EQ(m.processes.profile["WINDOWS"]["DEVICE"],
                  pr.printerName + "," + d.name + "," + pr.portName);
    } else {
        EXPECT_EQ(pr.attributes, 576u);
        EXPECT_EQ(m.printAdmin.defaultPrinter, pr.printerName);
    }

    // Records.
    bool marked =
        m.registry.GetDword(RegRoot::LocalMachine, kPrinterPortKey, "USB_ZRP-A10_1", v, view) == kOk;
    EXPECT_EQ(marked, c.kind == PortKind::Usb);
    if (c.w64 && c.kind == PortKind::Usb) {
        EXPECT_FALSE(m.registry.KeyExists(RegRoot::LocalMachine,
                                          "SOFTWARE\\WOW6432Node\\KESTRAN\\PRINTERPORT", RegView::View64));
    }
    std::string s;
    bool spool = m.registry.GetString(RegRoot::LocalMachine, PrinterKey(pr.printerName), "SpoolDirectory", s,
                                      RegView::View64) == kOk;
    EXPECT_EQ(spool, c.os == WinVersion::XP || c.os == WinVersion::Server2003);
    if (spool) {
        EXPECT_EQ(s, "C:\\windows\\system32\\spool\\printers");
    }
    if (c.kind == PortKind::Serial && c.os != WinVersion::Win98) {
        EXPECT_EQ(m.registry.GetString(RegRoot::LocalMachine, kSerialPortsKey, "COM1:", s, view), kOk);
        EXPECT_EQ(s, "9600,n,8,1,p");
    }
    if (c.kind == PortKind::Serial && c.os == WinVersion::Win98) {
        RegValue dcb;
        EXPECT_EQ(m.registry.GetValue(RegRoot::LocalMachine,
                                      "System\\CurrentControlSet\\Services\\Class\\Ports\\0001", "DCB", dcb),
                  kOk);
        EXPECT_EQ(dcb.data.size(), 28u);
        EXPECT_EQ(m.processes.profile["PORTS"]["COM1:"], "9600,n,8,1,p");
    }

    // Copied files carry upper-case names; Unidrv files come from Windows for codes 2..7.
    auto content = [&](const std::string& path) {
        std::vector<uint8_t> b;
        EXPECT_EQ(m.files.ReadFile(path, b), kOk) << path;
        return std::string(b.begin(), b.end());
    };
    std::string arch = c.w64 ? "W64:" : "W32:";
    for (const char* f : {"UNIDRVUI.DLL", "ZRPA10.GPD", "UNIDRV.DLL", "UNIDRV.HLP", "ZRPRES.DLL", "PRNUI.DLL",
                          "ZRPREND.DLL", "ZRPREND.INI"}) {
        std::string got = content(driverDir + "\\" + f);
        bool fromSystem = c.os >= WinVersion::Win2000 && std::string(f).find("UNIDRV") != std::string::npos;
        if (!fromSystem) {
            EXPECT_EQ(got, arch + f) << f;
        } else {
            EXPECT_TRUE(got == "sys" || got == "store") << f;
        }
    }
    for (const char* f : {"CTLFONT.DAT", "ENG_K20.RES", "CHS_K20.RES"})
        EXPECT_EQ(content(driverDir + "\\3\\" + f), arch + f);
    EXPECT_EQ(content("C:\\PellamorDriverlog\\DRVLOG.INI"), arch + "DRVLOG.INI");
    EXPECT_EQ(content("C:\\PellamorDriverlog\\LOGVIEWER.EXE"), arch + "LOGVIEWER.EXE");
    for (auto& path : m.files.AllPaths()) {
        std::string name = FileNameOf(path);
        if (path.rfind(driverDir + "\\", 0) == 0) {
            EXPECT_EQ(name, ToUpper(name)) << path;
        }
    }
    if (c.os >= WinVersion::Win2000) {
        EXPECT_EQ(content(driverDir + "\\TTFSUB.GPD"), c.os <= WinVersion::Server2003 ? "sys" : "store");
        EXPECT_EQ(content(driverDir + "\\STDNAMES.GPD"), c.os <= WinVersion::Server2003 ? "sys" : "store");
    }
    EXPECT_EQ(m.files.Exists("C:\\Windows\\system32\\wbem\\FRAMEDYN.DLL"), c.os == WinVersion::XP && !c.w64);
    EXPECT_EQ(m.files.Exists(driverDir + "\\ICONLIB.DLL"), c.os == WinVersion::Win98);
    // The cabinet folder of our own is gone again.
    for (auto& path : m.files.AllPaths()) EXPECT_EQ(path.find("k20setup-"), std::string::npos) << path;

    std::string closing = c.os == WinVersion::Win98 ? ""
                          : c.kind == PortKind::Usb ? "<IDS_INF_USBRESTART>"
                                                    : "<IDS_INF_NTRESTART>";
    EXPECT_EQ(r.message, closing);
    EXPECT_TRUE(m.processes.safeDllSearch);
    EXPECT_EQ(m.wow64.depth, 0);
    EXPECT_TRUE(m.services.Running("Spooler"));
}

INSTANTIATE_TEST_SUITE_P(EveryOsAndPort, FullInstall, ::testing::ValuesIn(AllCases()), Name);

// ---- failure points ----

// Operations whose failure the sequence tolerates (records, attributes, the spooler's
// stop request, look-ups that only make an update more likely).
const std::set<std::string> kTolerated = {
    "RegSetValue", "RegCreateKey", "RegGetValue", "SetAttributes", "GetAttributes", "ServiceStop",
    "Broadcast", "WriteProfileString", "SetDefaultPrinter", "DeleteFile", "RemoveDirectory",
    "CreateDirectory", "FindFiles", "ExtractCabinet", "Wow64Disable", "Wow64Revert", "RegEnum", "ReadFile",
    "OpenPrinter", "GetPrinter", "ClosePrinter", "SetPrinter",
    // retried, or only a wait
    "EnumPorts", "ServiceQuery",
    // the restart after SpoolDirectory reports nothing
    "ServiceStart"};
const std::set<std::string> kAdds = {"AddMonitor", "AddPrintProcessor", "AddPrinterDriver", "AddPrinter"};

// Fails every operation the worker makes, one run each. extra: "Op#n" failures that
// the sequence is built to survive (a fallback exists for them).
void WalkFailurePoints(WinVersion os, PortKind kind, bool w64,
                       const std::function<void(SimMachine&)>& arrange = {},
                       const std::set<std::string>& extra = {}) {
    std::vector<std::string> trace;
    {
        SimMachine m;
        Prepare(m, os, w64, kind);
        if (arrange) arrange(m);
        ASSERT_EQ(Install(m, os, kind, w64, "ZRP-A10", true, {}, [&] { m.faults.Reset(); }).result,
                  kWorkerSuccess);
        trace = m.faults.Trace();
    }
    ASSERT_GT(trace.size(), 20u);
    std::map<std::string, int> nth;
    for (size_t i = 0; i < trace.size(); ++i) {
        const std::string op = trace[i];
        int n = ++nth[op];
        SimMachine m;
        Prepare(m, os, w64, kind);
        if (arrange) arrange(m);
        Outcome r = Install(m, os, kind, w64, "ZRP-A10", true, {}, [&] {
            m.faults.Reset();
            m.faults.FailOn(op, n, kErrGenFailure);
        });
        SCOPED_TRACE("failing " + op + " #" + std::to_string(n));
        if (r.result == kWorkerSuccess) {
            EXPECT_TRUE(kTolerated.count(op) || extra.count(op + "#" + std::to_string(n)))
                << "a failure went unnoticed";
            continue;
        }
        ASSERT_EQ(r.result, kWorkerFailure);
        EXPECT_FALSE(r.message.empty());
        // Nothing of a later step was attempted after the failure.
        const auto& t = m.faults.Trace();
        size_t at = 0;
        for (int seen = 0; at < t.size(); ++at)
            if (t[at] == op && ++seen == n) break;
        for (size_t k = at + 1; k < t.size(); ++k)
            EXPECT_FALSE(kAdds.count(t[k])) << t[k] << " after the failure";
        // What was done stays.
        for (size_t k = 0; k < at; ++k)
            if (t[k] == "AddPrinterDriver") {
                EXPECT_EQ(m.printAdmin.drivers.size(), 1u);
            }
        if (op == "AddMonitor") {
            EXPECT_EQ(r.message, "<IDS_ERR_ADDMONITOR>\nsystem error 31");
        }
        if (op == "AddPrintProcessor") {
            EXPECT_EQ(r.message, "<IDS_ERR_ADDPROCESSOR>");
        }
        if (op == "AddPrinterDriver") {
            EXPECT_EQ(r.message, "<IDS_ERR_ADDPRNDRV3>\nsystem error 31");
        }
        if (op == "AddPrinter") {
            EXPECT_EQ(r.message, "<IDS_ERR_ADDPRINTER>system error 31");
        }
        if (op == "GetPrinterDriverDirectory") {
            EXPECT_EQ(r.message, "<IDS_ERR_GETDRIVERDIR>");
        }
        if (op == "CopyFile") {
            EXPECT_EQ(r.message.rfind("<IDS_ERR_COPYFIEL>", 0), 0u) << r.message;
            EXPECT_NE(r.message.find("\nsystem error 31<IDS_ERR_COPYFIEL1>"), std::string::npos) << r.message;
        }
        EXPECT_EQ(m.wow64.depth, 0);
    }
}

TEST(InstallFailurePoints, Usb32BitXpWithCabinetsAndSecondMonitor) {
    WalkFailurePoints(WinVersion::XP, PortKind::Usb, false);
}
TEST(InstallFailurePoints, Serial64BitWindows10WithMonitorUpdate) {
    WalkFailurePoints(WinVersion::Win7, PortKind::Serial, true, [](SimMachine& m) {
        // An older serial monitor is installed: the update stops and starts the spooler.
        m.files.Put("C:\\Windows\\system32\\QXCOMMON.DLL", std::string("old"));
        m.printAdmin.monitors.push_back({"QXCOM Monitor", "", "QXCOMMON.DLL"});
        m.registry.CreateKey(RegRoot::LocalMachine, MonitorKey("QXCOM Monitor"), RegView::View64);
        m.registry.SetDword(RegRoot::LocalMachine, MonitorKey("QXCOM Monitor"), "DriverVersion", 1,
                            RegView::View64);
        for (int n = 1; n <= 8; ++n)
            m.printAdmin.ports.push_back({"QXCOM" + std::to_string(n) + ":", "QXCOM Monitor"});
    });
}
TEST(InstallFailurePoints, Parallel98) {
    // Copy 16 takes UNIDRV.DLL from Sysbckup; the package's copy stands in when it fails.
    WalkFailurePoints(WinVersion::Win98, PortKind::Parallel, false, {}, {"CopyFile#16"});
}

TEST(InstallSequence, PortListThatCannotBeReadTwiceStops) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Usb);
    Outcome r = Install(m, WinVersion::Win7, PortKind::Usb, true, "ZRP-A10", true, {},
                        [&] { m.faults.FailAlways("EnumPorts", kErrNotEnoughMemory); });
    EXPECT_EQ(r.result, kWorkerFailure);
    EXPECT_EQ(r.message, "<IDS_ERR_ALLOCMEMORY>\nsystem error 8");
    EXPECT_EQ(m.faults.Calls("EnumPorts"), 2);
    EXPECT_EQ(m.faults.Calls("CopyFile"), 3);  // monitor, its UI and the processor: no driver file
    EXPECT_EQ(m.faults.Calls("AddPrinterDriver"), 0);
}

// ---- single rules ----

TEST(InstallSequence, EmptyHelpFileStopsBeforeAnyDriverFileButAMissingOneIsSkipped) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Parallel);
    Outcome r = Install(m, WinVersion::Win7, PortKind::Parallel, true, "ZRP-A10", false,
                        [](InstallRequest& q) { q.files.helpFile = ""; });
    EXPECT_EQ(r.result, kWorkerFailure);
    EXPECT_EQ(r.message, "<IDS_ERR_LOSTDRIVERFILE>");
    EXPECT_FALSE(m.files.Exists(m.printAdmin.DriverDirectory("Windows x64") + "\\UNIDRVUI.DLL"));

    SimMachine m2;
    Prepare(m2, WinVersion::Win7, true, PortKind::Parallel);
    r = Install(m2, WinVersion::Win7, PortKind::Parallel, true, "ZRP-A10", false, [](InstallRequest& q) {
        q.files.helpFile = "0";
        q.driver.helpFile = "0";
    });
    EXPECT_EQ(r.result, kWorkerSuccess) << r.message;
    EXPECT_EQ(m2.printAdmin.drivers[0].helpFile, "");
}

TEST(InstallSequence, ExistingPrinterNameGetsNumberedAndUsbRefuses) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Serial);
    PrinterInfo2 old;
    old.printerName = "ZRP-A10(S)";
    m.spooler.AddPrinter(old);
    Outcome r = Install(m, WinVersion::Win7, PortKind::Serial, true);
    ASSERT_EQ(r.result, kWorkerSuccess);
    EXPECT_EQ(r.printerName, "ZRP-A10(S)(1)");
    EXPECT_EQ(m.printAdmin.defaultPrinter, "ZRP-A10(S)(1)");

    SimMachine all;
    Prepare(all, WinVersion::Win7, true, PortKind::Parallel);
    old.printerName = "ZRP-A10(P)";
    all.spooler.AddPrinter(old);
    for (int i = 1; i <= 98; ++i) {
        old.printerName = "ZRP-A10(P)(" + std::to_string(i) + ")";
        all.spooler.AddPrinter(old);
    }
    EXPECT_EQ(Install(all, WinVersion::Win7, PortKind::Parallel, true).message, "<IDS_ERR_TOOMANY>");

    SimMachine usb;
    Prepare(usb, WinVersion::Win7, true, PortKind::Usb);
    old.printerName = "ZRP-A10(U) 1";
    usb.spooler.AddPrinter(old);
    EXPECT_EQ(Install(usb, WinVersion::Win7, PortKind::Usb, true).message, "<IDS_ERR_TOOMANY>");
}

TEST(InstallSequence, SerialMonitorInUseDuringUpdateGoesUnderItsAlternateName) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Serial);
    m.files.Put("C:\\Windows\\system32\\QXCOMMON.DLL", std::string("old"));
    m.printAdmin.monitors.push_back({"QXCOM Monitor", "", "QXCOMMON.DLL"});
    m.registry.CreateKey(RegRoot::LocalMachine, MonitorKey("QXCOM Monitor"), RegView::View64);
    for (int n = 1; n <= 8; ++n)
        m.printAdmin.ports.push_back({"QXCOM" + std::to_string(n) + ":", "QXCOM Monitor"});
    m.faults.Reset();
    m.faults.FailOn("CopyFile", 2,
                    kErrSharingViolation);  // after the processor: the monitor DLL is loaded by the spooler
    Outcome r = Install(m, WinVersion::Win7, PortKind::Serial, true);
    ASSERT_EQ(r.result, kWorkerSuccess) << r.message;
    std::string driver;
    uint32_t v = 0;
    EXPECT_EQ(m.registry.GetString(RegRoot::LocalMachine, MonitorKey("QXCOM Monitor"), "Driver", driver,
                                   RegView::View64),
              kOk);
    EXPECT_EQ(driver, "nQXCOMMON.DLL");
    EXPECT_TRUE(m.files.Exists("C:\\Windows\\system32\\nQXCOMMON.DLL"));
    EXPECT_EQ(m.registry.GetDword(RegRoot::LocalMachine, MonitorKey("QXCOM Monitor"), "DriverVersion", v,
                                  RegView::View64),
              kOk);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(m.services.stops, 1);
    EXPECT_TRUE(m.services.Running("Spooler"));
}

TEST(InstallSequence, SpoolerThatDoesNotComeBackEndsWithItsMessage) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Serial);
    m.files.Put("C:\\Windows\\system32\\QXCOMMON.DLL", std::string("old"));
    m.printAdmin.monitors.push_back({"QXCOM Monitor", "", "QXCOMMON.DLL"});
    m.registry.CreateKey(RegRoot::LocalMachine, MonitorKey("QXCOM Monitor"), RegView::View64);
    m.services.startLeavesStopped = true;
    m.faults.Reset();
    uint64_t before = m.clock.nowMs;
    Outcome r = Install(m, WinVersion::Win7, PortKind::Serial, true);
    EXPECT_EQ(r.result, kWorkerFailure);
    EXPECT_EQ(r.message, "StartSpoolService error");
    EXPECT_EQ(m.services.starts, 2);
    EXPECT_GE(m.clock.nowMs - before, 100u + 500u + 9 * 300u + 2500u);
    EXPECT_TRUE(m.printAdmin.drivers.empty());
}

TEST(InstallSequence, WinPrintIsNeitherCopiedNorAddedAndWindows10TakesTheDriverStore) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Parallel);
    Outcome r = Install(m, WinVersion::Win7, PortKind::Parallel, true, "ZRP-A10", false,
                        [](InstallRequest& q) { q.printer.printProcessor = "WinPrint"; });
    ASSERT_EQ(r.result, kWorkerSuccess) << r.message;
    EXPECT_TRUE(m.printAdmin.processors.empty());
    EXPECT_FALSE(m.files.Exists(m.printAdmin.ProcessorDirectory("") + "\\ZRPPROC.DLL"));
    std::vector<uint8_t> b;
    ASSERT_EQ(m.files.ReadFile(m.printAdmin.DriverDirectory("") + "\\UNIRES.DLL", b), kOk);
    EXPECT_EQ(std::string(b.begin(), b.end()), "store");
    // The driver store was searched with redirection off.
    // (Configuration files are looked at with FindFiles too, for their size, before this.)
    auto& t = m.faults.Trace();
    bool switched = false;
    for (size_t i = 1; i < t.size(); ++i) switched |= t[i] == "FindFiles" && t[i - 1] == "Wow64Disable";
    EXPECT_TRUE(switched);
}

TEST(InstallSequence, MissingDriverStoreFileFailsTheCopy) {
    SimMachine bare;
    LoadFixturePackage(bare);
    DressMachine(bare, WinVersion::Vista, false);
    bare.files.DeleteFile(
        "C:\\Windows\\System32\\DriverStore\\FileRepository\\ntprint.inf_x_1234\\I386\\UNIDRV.DLL");
    Outcome r = Install(bare, WinVersion::Vista, PortKind::Parallel, false);
    EXPECT_EQ(r.result, kWorkerFailure);
    EXPECT_EQ(r.message.rfind("<IDS_ERR_COPYFIEL>UNIDRV.DLL", 0), 0u) << r.message;
}

// ---- hostile configurations ----

TEST(HostileConfiguration, PathsInFileKeysAreRefusedBeforeAnythingIsWrittenOutside) {
    for (const char* bad :
         {"..\\..\\evil.dll", "C:\\Windows\\evil.dll", "sub/evil.dll", "..", "a:b.dll", "x\\..\\y.dll"}) {
        SimMachine m;
        Prepare(m, WinVersion::Win7, true, PortKind::Parallel);
        auto before = m.files.AllPaths();
        Outcome r = Install(m, WinVersion::Win7, PortKind::Parallel, true, "ZRP-A10", false,
                            [&](InstallRequest& q) { q.files.oemuiDll = bad; });
        EXPECT_EQ(r.result, kWorkerFailure) << bad;
        EXPECT_EQ(r.message,
                  std::string("<IDS_ERR_COPYFIEL>") + bad + "\nsystem error 123<IDS_ERR_COPYFIEL1>");
        EXPECT_TRUE(m.printAdmin.drivers.empty());
        for (auto& p : m.files.AllPaths()) {
            bool known = std::find(before.begin(), before.end(), p) != before.end();
            bool inside = p.find("\\spool") != std::string::npos ||
                          p.find("PellamorDriverlog") != std::string::npos ||
                          p.rfind("C:\\Windows\\system32\\ZRP", 0) == 0;
            EXPECT_TRUE(known || inside) << p;
            EXPECT_EQ(k20::ToUpper(p).find("EVIL"), std::string::npos) << p;
        }
    }
}

TEST(HostileConfiguration, OverlongDependentListIsRefusedAtTheDriverStep) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Parallel);
    Outcome r =
        Install(m, WinVersion::Win7, PortKind::Parallel, true, "ZRP-A10", false, [](InstallRequest& q) {
            q.driver.dependentFiles.push_back(std::string(150, 'A'));
            q.driver.dependentFilesTooLong = true;
        });
    EXPECT_EQ(r.result, kWorkerFailure);
    EXPECT_EQ(r.message, "<IDS_ERR_ADDPRNDRV3>\nsystem error 122");
    EXPECT_EQ(m.faults.Calls("AddPrinterDriver"), 0);
}

TEST(HostileConfiguration, ModelWithoutSectionsFailsAtTheMonitorWithItsMessage) {
    SimMachine m;
    Prepare(m, WinVersion::Win7, true, PortKind::Parallel);
    Outcome r = Install(m, WinVersion::Win7, PortKind::Parallel, true, "NO-SUCH-MODEL");
    EXPECT_EQ(r.result, kWorkerFailure);
    EXPECT_EQ(r.message, "<IDS_ERR_ADDPROCESSOR>");
}

}  // namespace
