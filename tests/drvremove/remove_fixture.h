#pragma once
// A simulated machine with the uninstaller's shipped data in C:\pkg, helpers that put the
// package's spooler objects in place the way an installation leaves them, and a desktop
// that records what the program would have shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drvremove/main_model.h"
#include "drvremove/remover.h"
#include "platform/sim/sim_machine.h"

namespace k20::drvremove::testing {

inline constexpr const char* kDir = "C:\\pkg";

class FakeDesktop : public Desktop {
  public:
    void MessageBox(const std::string& text) override { boxes.push_back(text); }
    bool WindowExists(const std::string& title) override {
        queried.push_back(title);
        if (windowPolls > 0) {
            --windowPolls;
            return true;
        }
        return false;
    }
    bool AskRestart() override {
        ++questions;
        return answerYes;
    }
    bool RestartWindows(bool privilege) override {
        restarts.push_back(privilege);
        return true;
    }
    std::vector<std::string> boxes, queried;
    std::vector<bool> restarts;
    int windowPolls = 0, questions = 0;
    bool answerYes = false;
};

// The simple sink of a test: the item list and the log.
class ListSink : public RemovalSink {
  public:
    void Log(const std::string& line) override { log.push_back(line); }
    size_t ItemCount() override { return items.size(); }
    std::string ItemName(size_t i) override { return items[i].name; }
    bool ItemChecked(size_t i) override { return items[i].checked; }
    void RemoveItem(size_t i) override { items.erase(items.begin() + long(i)); }
    std::vector<MainModel::Item> items;
    std::vector<std::string> log;
};

inline bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

// Starts the engine and puts its list into a sink with the named items checked.
inline std::vector<std::string> StartInto(Remover& r, ListSink& sink,
                                          const std::vector<std::string>& checked) {
    std::vector<std::string> names, log;
    EXPECT_EQ(r.Start(names, log), StartResult::Ok);
    for (auto& n : names) sink.items.push_back({n, Contains(checked, n)});
    return names;
}

inline std::vector<uint8_t> ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

// Uninstall.ini and both language files as the package ships them, and the installer's
// configuration beside them (the installer tests' package, whose files name a print
// processor library too): the uninstaller deletes only files that configuration installs.
inline void PutShippedData(platform::sim::SimMachine& m, const std::string& dir = kDir) {
    const std::string src = "../../package/";
    m.files.Put(dir + "\\Uninstall.ini", ReadHostFile(src + "Uninstall.ini"));
    m.files.Put(dir + "\\language\\uninstall_EN.ini", ReadHostFile(src + "language/uninstall_EN.ini"));
    m.files.Put(dir + "\\language\\uninstall_CN.ini", ReadHostFile(src + "language/uninstall_CN.ini"));
    for (const char* f : {"setup.ini", "setup_receipt.ini", "setup_receipt_64.ini"})
        m.files.Put(dir + "\\DRVCONFIG\\" + f,
                    ReadHostFile(std::string("../drvsetup/fixtures/pkg/DRVCONFIG/") + f));
}

// A 32-bit uninstaller on 64-bit Windows 10 unless the test says otherwise.
inline void Dress(platform::sim::SimMachine& m, bool windows64 = true) {
    m.system.windows64 = windows64;
    m.system.wow64 = windows64;
    m.registry.process32 = windows64;
    m.system.version.processorArchitecture = windows64 ? 9 : 0;
}

inline void AddMonitor(platform::sim::SimMachine& m, const std::string& name, const std::string& dll,
                       const std::vector<std::string>& ports = {}, const std::string& uiDll = {}) {
    m.files.Put(m.system.systemDir + "\\" + dll, dll);
    if (!uiDll.empty()) m.files.Put(m.system.systemDir + "\\" + uiDll, uiDll);
    m.printAdmin.portsOfMonitor[name] = ports;
    m.printAdmin.AddMonitor({name, "", dll});
}

inline void AddProcessor(platform::sim::SimMachine& m, const std::string& name, const std::string& dll) {
    m.files.Put(m.printAdmin.ProcessorDirectory("") + "\\" + dll, dll);
    m.printAdmin.AddPrintProcessor("", name, dll);
}

inline void AddDriver(platform::sim::SimMachine& m, const std::string& name) {
    std::string dir = m.printAdmin.DriverDirectory("");
    for (const char* f : {"UNIDRV.DLL", "ZRPA10.GPD", "UNIDRVUI.DLL"})
        m.files.Put(dir + "\\" + f, std::string(f));
    platform::DriverInfo3 d;
    d.name = name;
    d.version = m.system.version.platformId == 1 ? 0 : 3;
    d.driverPath = "UNIDRV.DLL";
    d.dataFile = "ZRPA10.GPD";
    d.configFile = "UNIDRVUI.DLL";
    m.printAdmin.AddPrinterDriver(d);
}

inline void AddPrinter(platform::sim::SimMachine& m, const std::string& name, const std::string& driver,
                       const std::string& port, const std::string& processor = "winprint",
                       uint32_t jobs = 0) {
    platform::PrinterInfo2 p;
    p.printerName = name;
    p.driverName = driver;
    p.portName = port;
    p.printProcessor = processor;
    m.printAdmin.AddPrinter(p);
    for (auto& x : m.spooler.printers)
        if (x.printerName == name) x.jobs = jobs;
}

// The package's objects on the machine: two USB monitors, the serial monitor, the print
// processor and a printer on LPT1:, with a printer of another maker beside them.
inline void InstallPackageObjects(platform::sim::SimMachine& m) {
    AddMonitor(m, "QX USB Monitor", "QXUSBMON.DLL", {"USB_ZRP-A10_1"}, "QXUSBUI.DLL");
    AddMonitor(m, "QXCOM Monitor", "QXCOMMON.DLL", {"QXCOM1:"}, "QXCOMUI.DLL");
    AddProcessor(m, "ZRPProc", "ZRPPROC.DLL");
    AddDriver(m, "ZRP-A10 Parallel");
    AddDriver(m, "Other Laser");
    AddPrinter(m, "Office Laser", "Other Laser", "LPT2:");
    AddPrinter(m, "ZRP-A10(P)", "ZRP-A10 Parallel", "LPT1:");
}

struct Rig {
    platform::sim::SimMachine m;
    FakeDesktop desktop;
    platform::AdminPlatform admin = m.admin();
    StartFacts facts{kDir, true, true};

    Rig(bool windows64 = true) {
        Dress(m, windows64);
        PutShippedData(m);
    }
    std::string T(const char* key) {
        UninstallTexts t;
        t.Load(m.files, kDir, m.system.language, m.system.codePage);
        return t.Message(key);
    }
};

}  // namespace k20::drvremove::testing
