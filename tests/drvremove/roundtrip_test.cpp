// Install the fixture package with the installer's engine on a fresh machine, remove
// everything with the uninstaller, and compare the whole machine with its state before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "common/text.h"
#include "drvremove/remover.h"
#include "drvsetup/install_records.h"
#include "drvsetup/installer.h"
#include "drvsetup/ports.h"
#include "tests/drvremove/remove_fixture.h"
#include "tests/drvsetup/setup_fixture.h"

using namespace k20;
using namespace k20::drvremove;
using namespace k20::platform;
using drvsetup::PortKind;

namespace {

struct Snapshot {
    std::map<std::string, std::string> keys;   // key or key:value -> content
    std::map<std::string, std::string> files;  // path -> content ("<dir>" for folders)
    std::set<std::string> spooler;             // printers, drivers, monitors, processors, ports

    std::set<std::string> Added(const Snapshot& before) const {
        std::set<std::string> out;
        auto diff = [&](const std::map<std::string, std::string>& now,
                        const std::map<std::string, std::string>& was) {
            for (auto& [k, v] : now) {
                auto it = was.find(k);
                if (it == was.end() || it->second != v) out.insert(k);
            }
            for (auto& [k, v] : was)
                if (!now.count(k)) out.insert("-" + k);
        };
        diff(keys, before.keys);
        diff(files, before.files);
        for (auto& s : spooler)
            if (!before.spooler.count(s)) out.insert(s);
        for (auto& s : before.spooler)
            if (!spooler.count(s)) out.insert("-" + s);
        return out;
    }
};

Snapshot Take(sim::SimMachine& m) {
    sim::FaultInjector::Pause pause(m.faults);
    Snapshot s;
    for (auto& k : m.registry.AllKeys()) {
        if (k.rfind("HKLM\\", 0) != 0) continue;
        std::string path = k.substr(5);
        std::string up = ToUpper(path);
        s.keys[up] = "";
        std::vector<std::string> values;
        m.registry.EnumValues(RegRoot::LocalMachine, path, values, RegView::View64);
        for (auto& v : values) {
            RegValue val;
            m.registry.GetValue(RegRoot::LocalMachine, path, v, val, RegView::View64);
            s.keys[up + ":" + ToUpper(v)] = std::string(val.data.begin(), val.data.end());
        }
    }
    for (auto& p : m.files.AllPaths()) {
        std::vector<uint8_t> data;
        s.files[ToUpper(p)] = m.files.IsDirectory(p)
                                  ? "<dir>"
                                  : (m.files.ReadFile(p, data), std::string(data.begin(), data.end()));
    }
    for (auto& p : m.spooler.printers) s.spooler.insert("printer " + p.printerName);
    for (auto& d : m.printAdmin.drivers) s.spooler.insert("driver " + d.name + " " + d.environment);
    for (auto& x : m.printAdmin.monitors) s.spooler.insert("monitor " + x.name);
    for (auto& x : m.printAdmin.processors) s.spooler.insert("processor " + x.name);
    for (auto& x : m.printAdmin.ports) s.spooler.insert("port " + x.name);
    return s;
}

void LoadInstallerPackage(sim::SimMachine& m) {
    // The installer's fixture reads its package relative to its own test folder.
    auto here = std::filesystem::current_path();
    std::filesystem::current_path("../drvsetup");
    drvsetup::testing::LoadFixturePackage(m);
    std::filesystem::current_path(here);
}

struct Case {
    PortKind kind;
    bool w64;
};

std::string Name(const ::testing::TestParamInfo<Case>& i) {
    static const char* kinds[] = {"Serial", "Parallel", "Usb", "Network"};
    return std::string(kinds[int(i.param.kind)]) + (i.param.w64 ? "Windows10x64" : "Windows7x86");
}

class RoundTrip : public ::testing::TestWithParam<Case> {};

// A fresh Windows 10 (64-bit) or Windows 7 (32-bit) with the package and a printer of
// another maker.
void PrepareMachine(sim::SimMachine& m, const Case& c) {
    const drvsetup::WinVersion os = drvsetup::WinVersion::Win7;
    LoadInstallerPackage(m);
    drvsetup::testing::DressMachine(m, os, c.w64);
    if (!c.w64) m.system.version = {6, 1, 7601, 1, 0, 2};
    drvremove::testing::PutShippedData(m);
    // The keys every Windows has, under which the spooler and the installer add theirs.
    const RegView view = c.w64 ? RegView::View64 : RegView::Default;
    for (std::string k :
         {"SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors",
          "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows NT x86\\Print Processors",
          "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Print Processors",
          "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers"})
        m.registry.CreateKey(RegRoot::LocalMachine, k, view);
    m.files.CreateDirectories(m.printAdmin.DriverDirectory("") + "\\3");
    m.files.CreateDirectories(m.printAdmin.ProcessorDirectory(""));
    // A printer of another maker that must survive.
    m.files.Put(m.printAdmin.DriverDirectory("") + "\\OTHER.DLL", "other");
    DriverInfo3 other;
    other.name = "Other Laser";
    other.driverPath = other.dataFile = other.configFile = "OTHER.DLL";
    ASSERT_EQ(m.printAdmin.AddPrinterDriver(other), kOk);
    PrinterInfo2 op;
    op.printerName = "Office Laser";
    op.driverName = "Other Laser";
    op.portName = "LPT2:";
    ASSERT_EQ(m.printAdmin.AddPrinter(op), kOk);
}

// What the wizard does before the worker runs (the network port, the USB record), and the
// request it hands to the worker.
void PrepareRequest(sim::SimMachine& m, const Case& c, drvsetup::InstallRequest& req) {
    const drvsetup::WinVersion os = drvsetup::WinVersion::Win7;
    drvsetup::SetupConfig cfg(m.files, drvsetup::testing::kPkg, c.w64, 1252);
    const char* ports[] = {"QXCOM1:", "LPT1:", "USB_ZRP-A10_1", "QXIP_192.168.1.100"};
    std::string port = ports[int(c.kind)];
    if (c.kind == PortKind::Network) {
        Error e;
        ASSERT_TRUE(drvsetup::CreateNetworkPort(m.printAdmin, port, "192.168.1.100", e));
    }
    if (c.kind == PortKind::Usb) drvsetup::InstallRecords(m.registry, c.w64, os).RecordUsbPort(cfg, port);
    req = drvsetup::MakeInstallRequest(cfg, os, 0, "ZRP-A10", c.kind, port, drvsetup::Flavour::Std, true);
}

// The uninstaller with every item of its list checked, run to its end.
void RemoveEverything(AdminPlatform& p, drvremove::testing::FakeDesktop& desktop, bool askRestart) {
    Remover r(p, desktop, StartFacts{drvremove::testing::kDir, true, true});
    drvremove::testing::ListSink sink;
    std::vector<std::string> names, log;
    ASSERT_EQ(r.Start(names, log), StartResult::Ok);
    for (auto& n : names) sink.items.push_back({n, true});
    ASSERT_TRUE(r.PreCheck(sink));
    RunResult res = r.Remove(sink, false, askRestart);
    EXPECT_TRUE(res.loopCompleted && res.removedSomething && !res.incomplete);
    EXPECT_TRUE(sink.items.empty());
}

// What stays of a removed installation on purpose.
std::set<std::string> KeptOnPurpose(sim::SimMachine& m, const Case& c) {
    std::set<std::string> expected;
    // The USB port record.
    if (c.kind == PortKind::Usb) {
        expected.insert("SOFTWARE\\KESTRAN");
        expected.insert("SOFTWARE\\KESTRAN\\PRINTERPORT");
        expected.insert("SOFTWARE\\KESTRAN\\PRINTERPORT:USB_ZRP-A10_1");
    }
    // No removal step names these: the driver log folder with the user's logged jobs, and
    // the control-font table and language resources that all the package's drivers share
    // in the driver version folder.
    const std::string ver = ToUpper(m.printAdmin.DriverDirectory("")) + "\\3\\";
    for (const char* f : {"CTLFONT.DAT", "ENG_K20.RES", "CHS_K20.RES"}) expected.insert(ver + f);
    for (const char* f : {"C:\\PELLAMORDRIVERLOG", "C:\\PELLAMORDRIVERLOG\\DRVLOG.INI",
                          "C:\\PELLAMORDRIVERLOG\\LOGVIEWER.EXE"})
        expected.insert(f);
    return expected;
}

TEST_P(RoundTrip, InstallThenRemoveLeavesOnlyWhatIsKeptOnPurpose) {
    const Case c = GetParam();
    sim::SimMachine m;
    PrepareMachine(m, c);
    m.faults.Reset();
    const Snapshot before = Take(m);

    AdminPlatform p = m.admin();
    drvsetup::SetupTexts stexts(m.files, drvsetup::testing::kPkg, 0x0409, 1252);
    drvsetup::InstallRequest req;
    ASSERT_NO_FATAL_FAILURE(PrepareRequest(m, c, req));
    drvsetup::Installer inst(p, stexts, drvsetup::testing::kPkg, req);
    ASSERT_EQ(inst.Run(), drvsetup::kWorkerSuccess) << inst.Message();
    ASSERT_FALSE(Take(m).Added(before).empty());

    drvremove::testing::FakeDesktop desktop;
    ASSERT_NO_FATAL_FAILURE(RemoveEverything(p, desktop, true));
    EXPECT_EQ(desktop.questions, 1);
    EXPECT_TRUE(m.services.Running("Spooler"));

    std::set<std::string> expected = KeptOnPurpose(m, c);
    // The serial settings are kept on purpose too.
    if (c.kind == PortKind::Serial)
        expected.insert("SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\PORTS:COM1:");
    std::set<std::string> added = Take(m).Added(before);
    EXPECT_EQ(added, expected);
}

TEST_P(RoundTrip, AFailedInstallationIsRemovedCompletelyToo) {
    const Case c = GetParam();
    sim::SimMachine m;
    PrepareMachine(m, c);
    m.faults.Reset();
    const Snapshot before = Take(m);

    AdminPlatform p = m.admin();
    drvsetup::SetupTexts stexts(m.files, drvsetup::testing::kPkg, 0x0409, 1252);
    drvsetup::InstallRequest req;
    ASSERT_NO_FATAL_FAILURE(PrepareRequest(m, c, req));
    // Monitors, processor, files and driver are in place when the printer cannot be made:
    // the driver stays without a printer, and the network port without a printer too.
    m.faults.FailAlways("AddPrinter", kErrAccessDenied);
    drvsetup::Installer inst(p, stexts, drvsetup::testing::kPkg, req);
    ASSERT_EQ(inst.Run(), drvsetup::kWorkerFailure);
    m.faults.Reset();
    ASSERT_TRUE(std::any_of(m.printAdmin.drivers.begin(), m.printAdmin.drivers.end(),
                            [&](const DriverInfo3& d) { return d.name == req.driver.name; }));

    drvremove::testing::FakeDesktop desktop;
    ASSERT_NO_FATAL_FAILURE(RemoveEverything(p, desktop, false));
    EXPECT_EQ(Take(m).Added(before), KeptOnPurpose(m, c));
}

INSTANTIATE_TEST_SUITE_P(EveryPortKind, RoundTrip,
                         ::testing::Values(Case{PortKind::Serial, true}, Case{PortKind::Parallel, true},
                                           Case{PortKind::Usb, true}, Case{PortKind::Network, true},
                                           Case{PortKind::Serial, false}, Case{PortKind::Parallel, false},
                                           Case{PortKind::Usb, false}, Case{PortKind::Network, false}),
                         Name);

}  // namespace
