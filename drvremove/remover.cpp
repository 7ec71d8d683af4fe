#include "drvremove/remover.h"

#include <exception>
#include <memory>
#include <new>

#include "common/text.h"
#include "drvsetup/setup_config.h"

namespace k20::drvremove {

using platform::Error;
using platform::kOk;
using platform::PrinterHandle;
using platform::PrinterInfo2;
using platform::RegRoot;

namespace {

constexpr const char* kSysDirError = "Get system Directory error.";
constexpr const char* kNoRevert = "Can't Get Function Wow64RevertWow64FsRedirection Address";

bool Contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

// Texts added after the first language files were shipped: an older file lacks them.
constexpr const char* kRefusedDefault = "%s stays: it is not one of the package's own";
constexpr const char* kStoppedDefault = "The removal stopped while %s";

std::vector<std::string> SplitPorts(const std::string& list) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string part = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        while (!part.empty() && part.front() == ' ') part.erase(part.begin());
        while (!part.empty() && part.back() == ' ') part.pop_back();
        if (!part.empty()) out.push_back(part);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return out;
}

}  // namespace

Remover::Remover(platform::AdminPlatform& p, Desktop& desktop, StartFacts facts)
    : p_(p), desktop_(desktop), facts_(std::move(facts)) {}

platform::RegView Remover::View() const {
    // The installer keeps its records in the 64-bit view on 64-bit Windows; removing them
    // from the 32-bit view would miss the KESTRAN keys, which that view redirects.
    return p_.base.system.IsWindows64() ? platform::RegView::View64 : platform::RegView::Default;
}

std::string Remover::ProcessorEnvironmentForEnum() const {
    if (code_ == 0) return "Windows 4.0";
    return p_.base.system.IsWindows64() ? "" : "Windows NT x86";
}

ItemKind Remover::KindOf(const std::string& name) const {
    if (auto it = orphans_.find(name); it != orphans_.end()) return it->second;
    if (MatchesAny(name, config_.MonitorPatterns())) return ItemKind::Monitor;
    if (code_ != 0 && MatchesAny(name, config_.ProcessorPatterns())) return ItemKind::Processor;
    return ItemKind::Printer;
}

std::string Remover::UsbUninstallerPath() const {
    const char* os = code_ == 8 ? "Win8" : code_ == 10 ? "Win10" : "Win7";
    const char* arch = p_.base.system.IsWindows64() ? "x64" : "x86";
    return facts_.programDir + "\\USBDrv\\USBDriver_" + arch + "\\" + os + "\\Install.exe";
}

// ---- start ----

StartResult Remover::Start(std::vector<std::string>& items, std::vector<std::string>& log) {
    auto& sys = p_.base.system;
    // The maker's USB library is loaded by full path; the current folder must not be a
    // place where a library of the same name could be picked up instead.
    p_.processes.SetSafeDllSearch();
    wow64_ = sys.IsWow64Process();
    code_ = WindowsVersionCode(sys.Version());
    if (!facts_.programDir.empty())
        texts_.Load(p_.base.files, facts_.programDir, sys.SystemDefaultLanguage(), sys.AnsiCodePage());

    switch (FindUninstallIni(p_.base.files, facts_.programDir, iniPath_)) {
        case FindIniResult::NoCurrentDir:
            // The language file lies in the current folder too: without it the box needs
            // a text of its own.
            desktop_.MessageBox(texts_.Message("IDS_ERR_GETSYSDIR").empty()
                                    ? "The current folder cannot be read."
                                    : Text("IDS_ERR_GETSYSDIR"));
            return StartResult::NoCurrentDir;
        case FindIniResult::CannotList:
            desktop_.MessageBox(Text("IDS_ERR_INVALID"));
            return StartResult::CannotList;
        case FindIniResult::NotFound:
            desktop_.MessageBox(Text("IDS_ERR_NOINI"));
            return StartResult::NoIni;
        case FindIniResult::Found:
            break;
    }
    if (Error e = UninstallConfig::Load(p_.base.files, iniPath_, sys.AnsiCodePage(), config_)) {
        if (e == platform::kErrFileTooLarge) {
            std::vector<platform::FindEntry> found;
            uint64_t size =
                p_.base.files.FindFiles(iniPath_, found) == kOk && found.size() == 1 ? found[0].size : 0;
            desktop_.MessageBox(IniTooLargeMessage(iniPath_, size));
        } else {
            desktop_.MessageBox(Text("IDS_ERR_NOINI"));
        }
        return StartResult::NoIni;
    }
    packageFiles_ =
        PackageInstalledFiles(p_.base.files, facts_.programDir, sys.IsWindows64(), sys.AnsiCodePage());

    items.clear();
    orphans_.clear();
    std::vector<PrinterInfo2> printers;
    bool printersKnown = p_.printAdmin.EnumPrinters(printers) == kOk;
    if (printersKnown)
        for (auto& pr : printers)
            if (MatchesAny(pr.driverName, config_.PrinterPatterns())) items.push_back(pr.printerName);
    // Without the printer list it is unknown what is still in use.
    if (printersKnown) AddOrphans(items, printers);
    std::vector<std::string> names;
    if (p_.printAdmin.EnumMonitors(names) == kOk)
        for (auto& n : names)
            if (MatchesAny(n, config_.MonitorPatterns())) items.push_back(n);
    if (code_ != 0 && p_.printAdmin.EnumPrintProcessors(ProcessorEnvironmentForEnum(), names) == kOk)
        for (auto& n : names)
            if (MatchesAny(n, config_.ProcessorPatterns())) items.push_back(n);

    log.push_back(Text("IDS_SELECTPRN1"));
    if (!facts_.winspoolLoaded) {
        desktop_.MessageBox("no Winspool lib  ");
        return StartResult::NoWinspool;
    }
    usbBoxEnabled_ = UsbDriverInstalled() && UsbProbeFindsDevice();
    return StartResult::Ok;
}

void Remover::AddOrphans(std::vector<std::string>& items, const std::vector<PrinterInfo2>& printers) {
    auto listed = [&](const std::string& n) {
        for (auto& i : items)
            if (EqualsNoCase(i, n)) return true;
        return false;
    };
    std::vector<platform::DriverInfo3> drivers;
    if (p_.printAdmin.EnumPrinterDrivers("", drivers) == kOk)
        for (auto& d : drivers) {
            if (!MatchesAny(d.name, config_.PrinterPatterns()) || listed(d.name)) continue;
            bool used = false;
            for (auto& pr : printers) used |= EqualsNoCase(pr.driverName, d.name);
            if (used) continue;
            items.push_back(d.name);
            orphans_[d.name] = ItemKind::Driver;
        }
    std::vector<platform::PortInfo> ports;
    if (p_.printAdmin.EnumPorts(ports) == kOk)
        for (auto& port : ports) {
            // The package's network ports are the ones its installer names "QXIP_<address>".
            if (port.name.rfind("QXIP_", 0) != 0 || listed(port.name)) continue;
            bool used = false;
            for (auto& pr : printers)
                for (auto& p : SplitPorts(pr.portName)) used |= EqualsNoCase(p, port.name);
            if (used) continue;
            items.push_back(port.name);
            orphans_[port.name] = ItemKind::Port;
        }
}

void Remover::LogRefusal(RemovalSink& sink, const std::string& name, const char* reason, RunResult& r) {
    std::string text = Text("IDS_REFUSED");
    sink.Log(FormatWithName(Text("IDS_ERR_UNINSTALL"), name));
    sink.Log(FormatWithName(text.empty() ? kRefusedDefault : text, name) + " (" + reason + ")");
    r.incomplete = true;
}

bool Remover::UsbDriverInstalled() {
    auto& files = p_.base.files;
    std::string drivers = p_.base.system.WindowsDirectory() + "\\System32\\drivers\\";
    // A 32-bit program would otherwise look into SysWOW64, where no kernel driver lives.
    void* cookie = nullptr;
    bool switched = wow64_ && p_.wow64.FunctionsAvailable() && p_.wow64.Disable(cookie) == kOk;
    bool found = files.Exists(drivers + "QXPUSB.sys") || files.Exists(drivers + "BULKUSB.sys");
    if (switched) p_.wow64.Revert(cookie);
    return found;
}

bool Remover::UsbProbeFindsDevice() {
    std::unique_ptr<platform::QxUsbInt> lib;
    if (facts_.programDir.empty() ||
        p_.usb.LoadQxUsbInt(platform::JoinPath(facts_.programDir, "QxUsbInt.dll"), lib) != kOk || !lib) {
        desktop_.MessageBox("Can not load QxUsbInt.dll");
        return false;
    }
    if (!lib->Has("OpenDeviceX") || !lib->Has("GetDescriptor") || !lib->Has("CloseDevice")) {
        desktop_.MessageBox("open function error");
        return false;
    }
    int first = -1;
    for (int i = 0; i < 8; ++i) {
        intptr_t h = lib->OpenDeviceX(i);
        if (h == 0 || h == -1) continue;
        lib->CloseDevice(h);
        if (first >= 0) return true;  // more than one device
        first = i;
    }
    if (first < 0) return false;
    intptr_t h = lib->OpenDeviceX(first);
    if (h == 0 || h == -1) {
        desktop_.MessageBox("Get Device ID error");
        return false;
    }
    uint8_t descriptor[20] = {};
    int ok = lib->GetDescriptor(h, descriptor);
    lib->CloseDevice(h);
    if (!ok) {
        desktop_.MessageBox("Get Device ID error");
        return false;
    }
    return true;
}

// ---- pre-check ----

void Remover::LogPrinterError(RemovalSink& sink, Error e, const std::string&) {
    sink.Log(Text(e == platform::kErrNotEnoughMemory ? "IDS_ERR_ALLOC" : "IDS_ERR_GETPRNINFO"));
}

bool Remover::PreCheck(RemovalSink& sink) {
    std::vector<PrinterInfo2> printers;
    if (Error e = p_.printAdmin.EnumPrinters(printers)) {
        LogPrinterError(sink, e, {});
        return false;
    }
    for (auto& pr : printers) {
        PrinterHandle h = 0;
        if (p_.base.spooler.OpenPrinter(pr.printerName, h) != kOk) {
            sink.Log(FormatWithName(Text("IDS_ERR_OPENPRN"), pr.printerName));
            return false;
        }
        PrinterInfo2 info;
        Error e = p_.base.spooler.GetPrinter2(h, info);
        p_.base.spooler.ClosePrinter(h);
        if (e != kOk) {
            LogPrinterError(sink, e, pr.printerName);
            return false;
        }
        if (info.jobs != 0) {
            sink.Log(FormatWithName(Text("IDS_ERR_HAVEJOB2"), info.printerName));
            return false;
        }
    }
    return true;
}

// ---- worker ----

void Remover::RestartSpooler() {
    auto& sys = p_.base.system;
    p_.services.Stop(kSpooler);
    sys.Sleep(2000);
    p_.services.Start(kSpooler);
}

Remover::Step Remover::RemoveItem(RemovalSink& sink, const std::string& name, RunResult& r) {
    step_ = name;
    // The worker must end with a report whatever happens inside one item: an exception
    // (out of memory among them) would otherwise end the process half-way, log and all.
    try {
        switch (KindOf(name)) {
            case ItemKind::Monitor:
                return RemoveMonitor(sink, name, r);
            case ItemKind::Processor:
                return RemoveProcessor(sink, name, r);
            case ItemKind::Printer:
                return RemovePrinter(sink, name, r);
            case ItemKind::Driver:
                return RemoveOrphanDriver(sink, name, r);
            case ItemKind::Port:
                return RemoveOrphanPort(sink, name, r);
        }
    } catch (const std::bad_alloc&) {
        sink.Log(FormatWithName(kStoppedDefault, "removing " + step_) + ": " + Text("IDS_ERR_ALLOC"));
    } catch (const std::exception& e) {
        sink.Log(FormatWithName(kStoppedDefault, "removing " + step_) + ": " + e.what());
    } catch (...) {
        sink.Log(FormatWithName(kStoppedDefault, "removing " + step_));
    }
    return Step::EndLoop;
}

RunResult Remover::Remove(RemovalSink& sink, bool runUsb, bool askRestart) {
    auto& sys = p_.base.system;
    RunResult r;
    r.loopCompleted = true;
    for (size_t i = 0; i < sink.ItemCount(); ++i) {
        sys.Sleep(500);
        if (!sink.ItemChecked(i)) continue;
        std::string name = sink.ItemName(i);
        current_ = i;
        size_t before = sink.ItemCount();
        Step s = RemoveItem(sink, name, r);
        // A removed item leaves the list; the next one has moved up into its place.
        if (sink.ItemCount() < before) --i;
        if (s == Step::EndLoop) {
            r.loopCompleted = false;
            r.incomplete = true;
            break;
        }
    }
    if (r.loopCompleted) {
        if (runUsb) {
            step_ = "starting the USB driver uninstaller";
            try {
                r.usbRan = RunUsbUninstaller(sink);
            } catch (...) {
                sink.Log(FormatWithName(kStoppedDefault, step_));
                r.usbRan = false;
            }
            if (!r.usbRan) r.incomplete = true;
        }
        if (r.removedSomething && askRestart) {
            r.restartAsked = true;
            if (desktop_.AskRestart()) r.restarted = desktop_.RestartWindows(code_ != 0);
        }
    }
    for (size_t i = 0; i < sink.ItemCount(); ++i)
        if (sink.ItemChecked(i)) r.incomplete = true;
    if (sink.ItemCount() > 0) sink.Log(Text("IDS_SELECTPRN1"));
    return r;
}

void Remover::ReportSuccess(RemovalSink& sink, const std::string& name, RunResult& r) {
    sink.Log(FormatWithName(Text("IDS_SUCCESS"), name));
    sink.RemoveItem(current_);
    r.removedSomething = true;
}

bool Remover::SerialPortInUse(RemovalSink& sink) {
    std::vector<PrinterInfo2> printers;
    if (Error e = p_.printAdmin.EnumPrinters(printers)) {
        LogPrinterError(sink, e, {});
        return true;
    }
    for (auto& pr : printers) {
        PrinterHandle h = 0;
        if (p_.base.spooler.OpenPrinter(pr.printerName, h) != kOk) {
            sink.Log(FormatWithName(Text("IDS_ERR_OPENPRN"), pr.printerName));
            return true;
        }
        PrinterInfo2 info;
        Error e = p_.base.spooler.GetPrinter2(h, info);
        p_.base.spooler.ClosePrinter(h);
        if (e != kOk) {
            LogPrinterError(sink, e, pr.printerName);
            return true;
        }
        if (Contains(info.portName, "QXCOM")) {
            sink.Log(FormatWithName(Text("IDS_ERR_HAVEJOB1"), info.printerName));
            return true;
        }
    }
    return false;
}

bool Remover::DeleteConfiguredFile(RemovalSink& sink, const std::string& folder, const std::string& name,
                                   bool redirectionOff, RunResult& r) {
    if (!NamesFile(name)) return true;
    // The uninstaller runs as administrator in the system folder: only a bare name that
    // the package's own installer configuration names as one of its files is deleted.
    if (FileNameRefusal why = CheckFileName(name, packageFiles_); why != FileNameRefusal::None) {
        LogRefusal(sink, name, RefusalReason(why), r);
        return true;
    }
    std::string path = platform::JoinPath(folder, name);
    void* cookie = nullptr;
    if (redirectionOff) {
        if (!p_.wow64.LibraryAvailable() || !p_.wow64.FunctionsAvailable()) {
            desktop_.MessageBox(kNoRevert);
            r.incomplete = true;
            return false;
        }
        if (p_.wow64.Disable(cookie) != kOk) {
            // Deleting now would reach the 32-bit system folder instead.
            r.incomplete = true;
            return false;
        }
    }
    Error e = p_.base.files.DeleteFile(path);
    if (redirectionOff) p_.wow64.Revert(cookie);
    if (e != kOk && e != platform::kErrFileNotFound) {
        r.incomplete = true;
        return false;
    }
    return true;
}

Remover::Step Remover::RemoveMonitor(RemovalSink& sink, const std::string& name, RunResult& r) {
    auto& sys = p_.base.system;
    sink.Log(FormatWithName(Text("IDS_DELETING1"), name));
    if (code_ == 0 && SerialPortInUse(sink)) {
        sink.Log(FormatWithName(Text("IDS_USING"), name));
        sys.Sleep(100);
        r.incomplete = true;
        return Step::Next;
    }
    const std::string section = UninstallConfig::MonitorSection(name, code_);
    const std::string keyName = config_.Value(section, "USBMONitorName");
    Error e = p_.printAdmin.DeleteMonitor("", name);
    if (e != kOk) {
        RestartSpooler();
        sys.Sleep(500);
        e = p_.printAdmin.DeleteMonitor("", name);
    }
    if (e != kOk) {
        sink.Log(
            FormatWithName(Text(e == platform::kErrMonitorInUse ? "IDS_USING" : "IDS_ERR_UNINSTALL"), name));
        sys.Sleep(100);
        r.incomplete = true;
        return Step::Next;
    }
    if (Contains(name, "USB")) {
        p_.base.registry.DeleteTree(RegRoot::LocalMachine, kInstallPrinterKey, View());
        p_.base.registry.DeleteTree(RegRoot::LocalMachine, kPortNameKey, View());
    }
    RestartSpooler();
    sys.Sleep(500);
    if (NamesFile(keyName)) {
        // The key goes only when it is the key of a package monitor that is gone now: a
        // value naming another monitor would take that monitor and all its ports with it.
        bool gone = EqualsNoCase(keyName, name);
        if (!gone) {
            std::vector<std::string> present;
            gone = p_.printAdmin.EnumMonitors(present) == kOk;
            for (auto& n : present) gone &= !EqualsNoCase(n, keyName);
        }
        if (IsPackageMonitorKey(keyName, config_.MonitorPatterns()) && gone)
            p_.base.registry.DeleteTree(RegRoot::LocalMachine, std::string(kMonitorsKey) + keyName, View());
        else
            LogRefusal(sink, keyName, "not the key of a removed monitor of the package", r);
    }
    std::string sysDir = sys.SystemDirectory();
    bool filesGone = false;
    if (sysDir.empty()) {
        sink.Log(kSysDirError);
        r.incomplete = true;
    } else {
        filesGone = true;
        for (const char* key : {"MonitorPDLLName", "MONitorPUIDLLName", "USBMONitorDLLName"}) {
            if (std::string(key) == "USBMONitorDLLName" && !Contains(section, "USB")) continue;
            std::string file = config_.Value(section, key);
            if (!DeleteConfiguredFile(sink, sysDir, file, wow64_, r)) {
                sink.Log(FormatWithName(Text("IDS_ERR_UNINSTALL"), file));
                filesGone = false;
            }
        }
    }
    if (filesGone) {
        ReportSuccess(sink, name, r);
    } else {
        // The monitor is gone from the spooler, so it leaves the list; its library stays,
        // which is a failure of the removal and is not reported as a success.
        sink.Log(FormatWithName(Text("IDS_ERR_UNINSTALL"), name));
        sink.RemoveItem(current_);
        r.removedSomething = true;
        r.incomplete = true;
    }
    return Step::Next;
}

Remover::Step Remover::RemoveProcessor(RemovalSink& sink, const std::string& name, RunResult& r) {
    auto& sys = p_.base.system;
    sink.Log(FormatWithName(Text("IDS_DELETING1"), name));
    Error e = p_.printAdmin.DeletePrintProcessor("", name);
    if (e != kOk) {
        sink.Log(FormatWithName(Text(e == platform::kErrCanNotComplete ? "IDS_USING" : "IDS_ERR_UNINSTALL"),
                                name));
        sys.Sleep(100);
        r.incomplete = true;
        return Step::Next;
    }
    RestartSpooler();
    sys.Sleep(500);
    if (name.find('\\') == std::string::npos) {
        std::string env = sys.IsWindows64() ? "Windows x64" : "Windows NT x86";
        p_.base.registry.DeleteTree(
            RegRoot::LocalMachine,
            "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" + env + "\\Print Processors\\" + name,
            View());
    }
    std::string dir;
    if (p_.printAdmin.GetPrintProcessorDirectory("", dir) != kOk || dir.empty()) {
        sink.Log(kSysDirError);
        r.incomplete = true;
    } else {
        DeleteConfiguredFile(
            sink, dir, config_.Value(UninstallConfig::ProcessorSection(name, code_), "ProcessorDllName"),
            false, r);
    }
    ReportSuccess(sink, name, r);
    return Step::Next;
}

void Remover::DeleteUsbInfFiles(const std::string& printerName) {
    auto& files = p_.base.files;
    std::string dir = platform::JoinPath(p_.base.system.WindowsDirectory(), "inf");
    std::vector<platform::FindEntry> entries;
    if (files.FindFiles(platform::JoinPath(dir, "*.inf"), entries) != kOk) return;
    for (auto& f : entries) {
        if (f.isDirectory) continue;
        std::string path = platform::JoinPath(dir, f.name);
        std::vector<uint8_t> bytes;
        if (files.ReadFile(path, bytes) != kOk) continue;
        if (!InfNamesPrinter(bytes, p_.base.system.AnsiCodePage(), config_.Manufacturers(), printerName))
            continue;
        std::string pnf = path.substr(0, path.size() - 3) + "PNF";
        for (const std::string& target : {path, pnf}) {
            files.SetAttributes(target, platform::kAttrNormal);
            files.DeleteFile(target);
        }
    }
}

void Remover::DeleteDriver(RemovalSink& sink, const std::string& printerName, const std::string& driverName,
                           RunResult& r) {
    sink.Log(FormatWithName(Text("IDS_DRVDELETING"), printerName));
    // Without DeletePrinterDriverEx the files stay; the older call removes the driver only.
    Error e = p_.printAdmin.DeletePrinterDriver("", driverName, facts_.deleteDriverExFound);
    if (e == kOk) {
        sink.Log(Text("IDS_DRV_SUCCESS"));
    } else if (e == platform::kErrPrinterDriverInUse) {
        sink.Log(Text("IDS_ERR_DRVUSING"));
    } else {
        sink.Log(Text("IDS_ERR_DRVDEL") + "    er=" + std::to_string(e));
        r.incomplete = true;
    }
}

void Remover::DeleteSharedNetworkPort(const std::string& port) {
    std::vector<PrinterInfo2> printers;
    // Without the list it is unknown whether another printer still prints there.
    if (p_.printAdmin.EnumPrinters(printers) != kOk) return;
    for (auto& pr : printers)
        if (pr.portName.find(port) != std::string::npos) return;
    p_.printAdmin.DeletePort(port);
}

Remover::Step Remover::RemovePrinter(RemovalSink& sink, const std::string& name, RunResult& r) {
    auto& sys = p_.base.system;
    auto& spooler = p_.base.spooler;
    PrinterHandle h = 0;
    if (spooler.OpenPrinter(name, h) != kOk) {
        sink.Log(FormatWithName(Text("IDS_ERR_OPENPRN"), name));
        return Step::EndLoop;
    }
    sink.Log(FormatWithName(Text("IDS_DELETING2"), name));
    PrinterInfo2 info;
    Error e = spooler.GetPrinter2(h, info);
    spooler.ClosePrinter(h);
    if (e != kOk) {
        LogPrinterError(sink, e, name);
        return Step::EndLoop;
    }
    // Jobs are looked at before anything of the printer is touched, so that a printer
    // that stays keeps its INF files too.
    if (info.jobs != 0) {
        sink.Log(FormatWithName(Text("IDS_ERR_HAVEJOB1"), name));
        sys.Sleep(100);
        return Step::EndLoop;
    }
    if (p_.printAdmin.DeletePrinter(name) != kOk) {
        sink.Log(Text("IDS_ERR_DELPRINTER"));
        r.incomplete = true;
        return Step::Next;
    }
    if (Contains(info.portName, "USB00")) DeleteUsbInfFiles(name);
    sys.Sleep(100);
    ReportSuccess(sink, name, r);
    RestartSpooler();
    sys.Sleep(1000);
    if (code_ != 0 && code_ != 1) {
        DeleteDriver(sink, name, info.driverName, r);
        sys.Sleep(100);
    }
    sys.Sleep(1000);
    for (auto& port : SplitPorts(info.portName))
        if (Contains(port, "QXIP_")) DeleteSharedNetworkPort(port);
    return Step::Next;
}

Remover::Step Remover::RemoveOrphanDriver(RemovalSink& sink, const std::string& name, RunResult& r) {
    sink.Log(FormatWithName(Text("IDS_DELETING1"), name));
    Error e = p_.printAdmin.DeletePrinterDriver("", name, facts_.deleteDriverExFound);
    if (e == kOk) {
        ReportSuccess(sink, name, r);
    } else if (e == platform::kErrPrinterDriverInUse) {
        sink.Log(Text("IDS_ERR_DRVUSING"));
        r.incomplete = true;
    } else {
        sink.Log(Text("IDS_ERR_DRVDEL") + "    er=" + std::to_string(e));
        r.incomplete = true;
    }
    return Step::Next;
}

Remover::Step Remover::RemoveOrphanPort(RemovalSink& sink, const std::string& name, RunResult& r) {
    sink.Log(FormatWithName(Text("IDS_DELETING1"), name));
    std::vector<PrinterInfo2> printers;
    bool free = p_.printAdmin.EnumPrinters(printers) == kOk;
    for (auto& pr : printers)
        for (auto& port : SplitPorts(pr.portName)) free &= !EqualsNoCase(port, name);
    if (!free || p_.printAdmin.DeletePort(name) != kOk) {
        sink.Log(FormatWithName(Text("IDS_ERR_UNINSTALL"), name));
        r.incomplete = true;
        return Step::Next;
    }
    ReportSuccess(sink, name, r);
    return Step::Next;
}

bool Remover::RunUsbUninstaller(RemovalSink& sink) {
    auto& sys = p_.base.system;
    sink.Log(Text("IDS_DELETING3"));
    std::string exe = UsbUninstallerPath();
    uint32_t exitCode = 0;
    if (p_.processes.Start(exe, "22", false, exitCode) != kOk) {
        sink.Log(FormatWithName(Text("IDS_ERR_UNINSTALL"), exe));
        return false;
    }
    sys.Sleep(500);
    const std::string caption = texts_.Get("Uninstall", "CaptionName");
    while (!caption.empty() && desktop_.WindowExists(caption)) sys.Sleep(1000);
    sys.Sleep(1500);
    sink.Log(Text("IDS_DRV_SUCCESS1"));
    return true;
}

}  // namespace k20::drvremove
