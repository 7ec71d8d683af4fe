#include "drvsetup/installer.h"

#include <cstdio>
#include <exception>
#include <new>

#include "common/text.h"
#include "drvsetup/install_records.h"

namespace k20::drvsetup {

using namespace platform;

static constexpr const char* kSpooler = "Spooler";

InstallRequest MakeInstallRequest(SetupConfig& cfg, WinVersion osCode, int printerType,
                                  const std::string& model, PortKind kind, const std::string& portName,
                                  Flavour flavour, bool setDefault) {
    InstallRequest r;
    r.osCode = osCode;
    r.printerType = printerType;
    r.model = model;
    r.kind = kind;
    r.portName = portName;
    r.flavour = flavour;
    r.setDefault = setDefault;
    r.windows64 = cfg.Windows64();
    r.printerName = model + PrinterNameSuffix(kind, portName);
    r.driver = cfg.Driver(model, printerType, r.osCode, kind, flavour);
    r.printer = cfg.Printer(model, printerType, r.osCode, kind, flavour);
    r.files = cfg.Files(model, printerType, r.osCode, kind, flavour);
    r.monitors = cfg.Monitors(r.osCode);
    r.unidrvCore = cfg.UnidrvCore(model, printerType, r.osCode, flavour);
    r.processorVersion = cfg.ProcessorVersion();
    return r;
}

std::string WorkerStoppedText(const SetupTexts& texts, const std::string& step, const std::string& what) {
    std::string t = texts.Message("IDS_ERR_WORKERSTOPPED");
    if (t.empty()) t = "The installation stopped unexpectedly";
    if (!step.empty()) t += " (" + step + ")";
    if (!what.empty()) t += ": " + what;
    return t;
}

std::string WorkerNotStartedText(const SetupTexts& texts, const std::string& systemText) {
    std::string t = texts.Message("IDS_ERR_NOWORKER");
    if (t.empty()) t = "The installation could not be started.";
    return systemText.empty() ? t : t + "\n" + systemText;
}

std::string RestartNeededText(const SetupTexts& texts) {
    std::string t = texts.Message("IDS_INF_REPLACEATRESTART");
    if (t.empty())
        t = "Some files were in use; Windows replaces them when it restarts. Restart Windows before "
            "printing.";
    return texts.Message("IDS_INF_NTRESTART") + "\n" + t;
}

Installer::Installer(AdminPlatform& p, const SetupTexts& texts, std::string installerDir, InstallRequest req)
    : p_(p), texts_(texts), dir_(std::move(installerDir)), req_(std::move(req)) {}

Installer::~Installer() {
    RemoveTemporaryFolder();
}

std::string Installer::SysText(Error e) {
    return p_.processes.ErrorText(e);
}

std::string Installer::SourceFolder() const {
    return JoinPath(dir_, req_.windows64 ? "W64" : "W32");
}

std::string Installer::DriverLogFolder() {
    std::string win = p_.base.system.WindowsDirectory();
    if (win.size() < 3) return {};
    return JoinPath(win.substr(0, 3), "PellamorDriverlog");
}

bool Installer::DestinationFolder(Dest dest, std::string& dir) {
    switch (dest) {
        case Dest::DriverFolder:
        case Dest::DriverVersionFolder: {
            if (driverDir_.empty() && p_.printAdmin.GetPrinterDriverDirectory("", driverDir_) != kOk) {
                driverDir_.clear();
                Fail(T("IDS_ERR_GETDRIVERDIR"));
                return false;
            }
            dir = dest == Dest::DriverFolder ? driverDir_ : JoinPath(driverDir_, "3");
            p_.base.files.CreateDirectories(dir);
            return true;
        }
        case Dest::ProcessorFolder:
            if (p_.printAdmin.GetPrintProcessorDirectory("", dir) != kOk) {
                Fail(T("IDS_ERR_GETPRODIR"));
                return false;
            }
            p_.base.files.CreateDirectories(dir);
            return true;
        case Dest::SystemFolder:
        case Dest::SystemIfMissing:
        case Dest::SystemOrWbemIfMissing:
            dir = p_.base.system.SystemDirectory();
            if (dir.empty()) {
                Fail(T("IDS_ERR_GETSYSDIR"));
                return false;
            }
            return true;
        case Dest::DriverLogFolder:
            dir = DriverLogFolder();
            if (dir.empty()) {
                Fail(T("IDS_ERR_GETWINDIR"));
                return false;
            }
            p_.base.files.CreateDirectories(dir);
            return true;
        case Dest::Other:
            break;
    }
    Fail(T("IDS_ERR_DIRTYPE"));
    return false;
}

CopyResult Installer::RawCopy(const std::string& from, const std::string& to, const std::string& shownName,
                              bool redirectOff) {
    void* cookie = nullptr;
    bool switched = false;
    if (redirectOff) {
        // Without the kernel library the copy cannot be steered to the native folder.
        if (!p_.wow64.LibraryAvailable()) return CopyResult::Failed;
        if (p_.wow64.FunctionsAvailable()) switched = p_.wow64.Disable(cookie) == kOk;
    }
    p_.base.files.SetAttributes(to, kAttrArchive);
    Error e = p_.base.files.CopyFile(from, to, false);
    if (switched) p_.wow64.Revert(cookie);
    if (e == kOk) return CopyResult::Copied;
    if (e == kErrSharingViolation) return CopyResult::InUse;
    if (e == kErrAccessDenied) return CopyResult::Denied;
    Fail(T("IDS_ERR_COPYFIEL") + shownName + "\n" + SysText(e) + T("IDS_ERR_COPYFIEL1"));
    return CopyResult::Failed;
}

bool Installer::ReplaceAtRestart(const std::string& name, Dest dest) {
    std::string up = ToUpper(name);
    std::string dir;
    if (!DestinationFolder(dest, dir)) return false;
    if (dest == Dest::SystemOrWbemIfMissing) dir = JoinPath(dir, "wbem");
    bool system =
        dest == Dest::SystemFolder || dest == Dest::SystemIfMissing || dest == Dest::SystemOrWbemIfMissing;
    std::string target = JoinPath(dir, up), staged = target + ".K20NEW";
    void* cookie = nullptr;
    bool switched = system && req_.windows64 && p_.wow64.LibraryAvailable() &&
                    p_.wow64.FunctionsAvailable() && p_.wow64.Disable(cookie) == kOk;
    Error e = p_.base.files.CopyFile(JoinPath(SourceFolder(), up), staged, false);
    if (e == kOk) {
        e = p_.base.files.ReplaceAtRestart(staged, target);
        if (e != kOk) p_.base.files.DeleteFile(staged);
    }
    if (switched) p_.wow64.Revert(cookie);
    if (e != kOk) {
        Fail(T("IDS_ERR_COPYFIEL") + up + "\n" + SysText(e) + T("IDS_ERR_COPYFIEL1"));
        return false;
    }
    restartNeeded_ = true;
    return true;
}

void Installer::CopyOrReplace(const std::string& name, Dest dest) {
    CopyResult r = CopyFile(name, dest);
    if (!DestinationBusy(r)) return;
    // The system's own driver files come from its cabinets or driver store, not from the
    // package: one in use is named and the installation stops.
    if (dest == Dest::DriverFolder && IsUnidrvCoreFile(ToUpper(name))) {
        Fail(T("IDS_ERR_COPYFIEL") + ToUpper(name) + "\n" + SysText(Error(r)) + T("IDS_ERR_COPYFIEL1"));
        return;
    }
    ReplaceAtRestart(name, dest);
}

CopyResult Installer::CopyUnderEitherName(const std::string& name, Dest dest, std::string& usedName) {
    usedName = name;
    CopyResult r = CopyFile(name, dest);
    if (!DestinationBusy(r)) return r;
    r = CopyFile(name, dest, true);
    if (r == CopyResult::Copied) usedName = "n" + ToUpper(name);
    return r;
}

bool Installer::CopyMonitorLibrary(const std::string& dll, std::string& usedName) {
    CopyResult r = CopyUnderEitherName(dll, Dest::SystemFolder, usedName);
    if (r == CopyResult::Copied) return true;
    if (!DestinationBusy(r)) return false;
    // In use under both names: the library is replaced at the next start, and nothing
    // records it as copied, so that the next installation checks it again.
    ReplaceAtRestart(dll, Dest::SystemFolder);
    return false;
}

bool Installer::IsUnidrvCoreFile(const std::string& up) const {
    if (req_.osCode < WinVersion::Win2000) return false;
    for (const char* s : {"UNIDRV", "STDNAMES", "TTFSUB", "UNIRES"})
        if (up.find(s) != std::string::npos) return true;
    return false;
}

void Installer::RemoveTemporaryFolder() {
    if (tempDir_.empty()) return;
    std::vector<FindEntry> found;
    if (p_.base.files.FindFiles(JoinPath(tempDir_, "*"), found) == kOk)
        for (auto& f : found) p_.base.files.DeleteFile(JoinPath(tempDir_, f.name));
    p_.base.files.RemoveDirectory(tempDir_);
    tempDir_.clear();
}

CopyResult Installer::CopyUnidrvCoreFile(const std::string& up) {
    std::string driverDir;
    if (!DestinationFolder(Dest::DriverFolder, driverDir)) return CopyResult::Failed;
    std::string win = p_.base.system.WindowsDirectory();
    if (req_.osCode <= WinVersion::Server2003) {
        if (!cabinetsExtracted_) {
            cabinetsExtracted_ = true;
            // A folder of our own, new for this run: nothing another user placed in the
            // shared temporary folder can stand in for a system file.
            std::string base = p_.base.system.TempDirectory();
            for (int i = 0; i < 100 && tempDir_.empty(); ++i) {
                std::string candidate = JoinPath(
                    base, "k20setup-" + std::to_string(p_.base.system.TickCount()) + "-" + std::to_string(i));
                if (p_.base.files.CreateDirectory(candidate) == kOk) tempDir_ = candidate;
            }
            std::string cabDir = JoinPath(win, req_.windows64 ? "Driver Cache\\AMD64" : "Driver Cache\\i386");
            std::vector<FindEntry> cabs;
            if (!tempDir_.empty() && p_.base.files.FindFiles(JoinPath(cabDir, "*.cab"), cabs) == kOk) {
                const std::vector<std::string> wanted = {"unidrvui.dll", "unidrv.dll",   "unires.dll",
                                                         "unidrv.hlp",   "stdnames.gpd", "ttfsub.gpd"};
                for (auto& c : cabs) {
                    std::vector<std::string> got;
                    p_.devices.ExtractCabinet(JoinPath(cabDir, c.name), tempDir_, wanted, got);
                }
            }
        }
        if (tempDir_.empty()) {
            Fail(T("IDS_ERR_COPYFIEL") + up + "\n" + SysText(kErrPathNotFound) + T("IDS_ERR_COPYFIEL1"));
            return CopyResult::Failed;
        }
        return RawCopy(JoinPath(tempDir_, up), JoinPath(driverDir, up), up, false);
    }
    std::string pattern = JoinPath(win, "System32\\DriverStore\\FileRepository\\ntprint*");
    std::vector<FindEntry> found;
    void* cookie = nullptr;
    bool switched = req_.windows64 && p_.wow64.LibraryAvailable() && p_.wow64.FunctionsAvailable() &&
                    p_.wow64.Disable(cookie) == kOk;
    Error e = p_.base.files.FindFiles(pattern, found);
    if (switched) p_.wow64.Revert(cookie);
    std::string folder;
    for (auto& f : found)
        if (f.isDirectory) {
            folder = JoinPath(ParentPath(pattern), f.name);
            break;
        }
    if (e != kOk || folder.empty()) {
        Fail("Couldn't find system files.\n" + SysText(e != kOk ? e : kErrFileNotFound));
        return CopyResult::Failed;
    }
    std::string from = JoinPath(JoinPath(folder, req_.windows64 ? "AMD64" : "I386"), up);
    return RawCopy(from, JoinPath(driverDir, up), up, req_.windows64);
}

CopyResult Installer::CopyFile(const std::string& name, Dest dest, bool alternate) {
    std::string up = ToUpper(name);
    if (!up.empty() && up[0] == '0') return CopyResult::Failed;
    // Names come from configuration files and the installer runs as administrator: only
    // a bare file name may be joined to a destination folder.
    if (!IsBareFileName(up)) {
        Fail(T("IDS_ERR_COPYFIEL") + name + "\n" + SysText(kErrInvalidName) + T("IDS_ERR_COPYFIEL1"));
        return CopyResult::Failed;
    }
    if (dest == Dest::DriverFolder && IsUnidrvCoreFile(up)) return CopyUnidrvCoreFile(up);
    std::string dir;
    if (!DestinationFolder(dest, dir)) return CopyResult::Failed;
    std::string target = alternate ? "n" + up : up;
    bool system =
        dest == Dest::SystemFolder || dest == Dest::SystemIfMissing || dest == Dest::SystemOrWbemIfMissing;
    if (dest == Dest::SystemIfMissing && p_.base.files.Exists(JoinPath(dir, up))) return CopyResult::Copied;
    if (dest == Dest::SystemOrWbemIfMissing) {
        std::string wbem = JoinPath(dir, "wbem");
        if ((req_.osCode >= WinVersion::Vista && p_.base.files.Exists(JoinPath(dir, up))) ||
            p_.base.files.Exists(JoinPath(wbem, up)))
            return CopyResult::Copied;
        p_.base.files.CreateDirectories(wbem);
        dir = wbem;
    }
    return RawCopy(JoinPath(SourceFolder(), up), JoinPath(dir, target), up, system && req_.windows64);
}

// ---- monitors and processor ----

void Installer::InstallMonitor(const MonitorDesc& m, bool& marked) {
    InstallRecords rec(p_.base.registry, req_.windows64, req_.osCode);
    if (rec.MonitorInstalled(m.name)) {
        auto v = rec.MonitorVersion(m.name);
        if (!v || int64_t(*v) < int64_t(m.version)) marked = true;
        return;
    }
    std::string dll;
    bool copied = CopyMonitorLibrary(m.dll, dll);
    if (Failed()) return;
    if (Named(m.uiDll)) CopyOrReplace(m.uiDll, Dest::SystemFolder);
    if (Failed()) return;
    Error e = p_.printAdmin.AddMonitor(MonitorInfo2{m.name, m.environment, dll});
    if (e != kOk && e != kErrMonitorAlreadyInstalled && e != kErrAlreadyExists) {
        Fail(T("IDS_ERR_ADDMONITOR") + "\n" + SysText(e));
        return;
    }
    if (copied) rec.WriteMonitorVersion(m.name, uint32_t(m.version));
}

void Installer::InstallProcessor() {
    const std::string& name = req_.printer.printProcessor;
    if (name == "WinPrint") return;
    InstallRecords rec(p_.base.registry, req_.windows64, req_.osCode);
    if (rec.ProcessorInstalled(name)) {
        auto v = rec.ProcessorVersion(name);
        if (!v || int64_t(*v) < int64_t(req_.processorVersion)) processorMarked_ = true;
        return;
    }
    if (Named(req_.files.processorDll)) CopyFile(req_.files.processorDll, Dest::ProcessorFolder);
    if (Failed()) return;
    std::string env = req_.osCode == WinVersion::Win98 ? "Windows 4.0" : "";
    if (p_.printAdmin.AddPrintProcessor(env, name, req_.files.processorDll) != kOk) {
        Fail(T("IDS_ERR_ADDPROCESSOR"));
        return;
    }
    rec.WriteProcessorVersion(name, uint32_t(req_.processorVersion));
    p_.base.system.Sleep(200);
}

void Installer::StopSpooler() {
    p_.services.Stop(kSpooler);  // not running is as good as stopped
    p_.base.system.Sleep(100);
}

void Installer::StartSpooler() {
    Error e = p_.services.Start(kSpooler);
    if (e != kOk && e != kErrServiceAlreadyRunning) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "Start spool service error, error code = %u", unsigned(e));
        Fail(buf);
    }
}

bool Installer::WaitSpoolerRunning() {
    ServiceState st = ServiceState::Other;
    for (int i = 0; i < 10; ++i) {
        if (p_.services.QueryState(kSpooler, st) == kOk && st == ServiceState::Running) return true;
        if (i < 9) p_.base.system.Sleep(300);
    }
    Fail("StartSpoolService error");
    if (st == ServiceState::Stopped || st == ServiceState::StopPending) {
        StartSpooler();
        p_.base.system.Sleep(2500);
    }
    return false;
}

void Installer::UpdateMonitorFiles(const MonitorDesc& m, bool alwaysWriteDriver) {
    InstallRecords rec(p_.base.registry, req_.windows64, req_.osCode);
    std::string dll;
    bool copied = CopyMonitorLibrary(m.dll, dll);
    if (Failed()) return;
    if (copied && (alwaysWriteDriver || dll != m.dll)) rec.WriteMonitorDriver(m.name, dll);
    // The version says which files are in place: only a copy made now may claim it.
    if (copied) rec.WriteMonitorVersion(m.name, uint32_t(m.version));
    if (Named(m.uiDll)) CopyOrReplace(m.uiDll, Dest::SystemFolder);
}

bool Installer::UpdateOnWin9x(const std::string& dll, Dest dest, std::string& used) {
    if (DestinationBusy(CopyUnderEitherName(dll, dest, used))) {
        Fail(T("IDS_ERR_NEEDRESTART"));
        return false;
    }
    return !Failed();
}

void Installer::UpdateMarked() {
    if (!serialMarked_ && !usbMarked_ && !processorMarked_) return;
    InstallRecords rec(p_.base.registry, req_.windows64, req_.osCode);
    if (req_.osCode == WinVersion::Win98) {
        std::string used;
        if (usbMarked_) {
            const MonitorDesc& m = req_.monitors.usb;
            if (UpdateOnWin9x(m.dll, Dest::SystemFolder, used)) {
                rec.WriteMonitorDriver(m.name, used);
                rec.WriteMonitorVersion(m.name, uint32_t(m.version));
            }
        } else if (processorMarked_) {
            if (UpdateOnWin9x(req_.files.processorDll, Dest::ProcessorFolder, used)) {
                rec.WriteProcessorDriver(req_.printer.printProcessor, used);
                rec.WriteProcessorVersion(req_.printer.printProcessor, uint32_t(req_.processorVersion));
            }
        }
        return;
    }
    std::string procDir;
    if (processorMarked_ && p_.printAdmin.GetPrintProcessorDirectory("", procDir) != kOk) {
        Fail(T("IDS_ERR_GETPRODIR"));
        return;
    }
    StopSpooler();
    p_.base.system.Sleep(500);
    if (serialMarked_) {
        UpdateMonitorFiles(req_.monitors.serial, false);
    } else if (usbMarked_) {
        UpdateMonitorFiles(req_.monitors.usb, true);
    } else {
        const std::string& dll = req_.files.processorDll;
        std::string up = ToUpper(dll);
        if (!IsBareFileName(up)) {
            Fail(T("IDS_ERR_COPYFIEL") + dll);
        } else {
            std::string src = JoinPath(SourceFolder(), up);
            p_.base.files.SetAttributes(JoinPath(procDir, up), kAttrArchive);
            if (p_.base.files.CopyFile(src, JoinPath(procDir, up), false) != kOk)
                Fail(T("IDS_ERR_COPYFIEL") + src);
            else
                rec.WriteProcessorVersion(req_.printer.printProcessor, uint32_t(req_.processorVersion));
        }
    }
    // The spooler was stopped for the update: it is started again whatever became of it.
    StartSpooler();
    const WinVersion os = req_.osCode;
    if (os == WinVersion::NT4 || os == WinVersion::Win2000) p_.base.system.Sleep(1000);
    if (os == WinVersion::XP || os == WinVersion::Server2003) p_.base.system.Sleep(2500);
    WaitSpoolerRunning();
}

// ---- driver ----

void Installer::ReadPortList() {
    std::vector<PortInfo> ports;
    Error e = p_.printAdmin.EnumPorts(ports);
    if (e != kOk) e = p_.printAdmin.EnumPorts(ports);
    if (e != kOk) Fail(T("IDS_ERR_ALLOCMEMORY") + "\n" + SysText(e));
}

void Installer::CopyDriverFiles() {
    const FileSet& f = req_.files;
    for (const std::string* v : {&f.configFile, &f.dataFile, &f.driverPath, &f.helpFile}) {
        if (v->empty()) {
            Fail(T("IDS_ERR_LOSTDRIVERFILE"));
            return;
        }
    }
    // Step by step: each copy stops the run on failure; a file in use is replaced when
    // Windows next starts.
    auto copy = [&](const std::string& name, Dest d) {
        if (!Failed() && Named(name)) CopyOrReplace(name, d);
    };
    for (const std::string* v : {&f.configFile, &f.dataFile, &f.driverPath, &f.helpFile, &f.dataFileDll,
                                 &f.oemuiDll, &f.oemuniDll, &f.oemuniIni})
        copy(*v, Dest::DriverFolder);
    copy(f.controlFontFile, Dest::DriverVersionFolder);
    copy(f.usbInternalId, Dest::DriverVersionFolder);
    for (auto& l : f.languageResources) copy(l, Dest::DriverVersionFolder);
    copy(f.driverLogIni, Dest::DriverLogFolder);
    copy(f.driverLogViewer, Dest::DriverLogFolder);
    if (req_.osCode == WinVersion::XP && !req_.windows64) {
        copy("srclient.dll", Dest::SystemIfMissing);
        copy("framedyn.dll", Dest::SystemOrWbemIfMissing);
        copy("newdev.dll", Dest::SystemIfMissing);
    }
    if (req_.unidrvCore && req_.osCode >= WinVersion::Win2000) {
        copy("TTFSUB.GPD", Dest::DriverFolder);
        copy("STDNAMES.GPD", Dest::DriverFolder);
        copy("UNIRES.DLL", Dest::DriverFolder);
    }
    if (req_.unidrvCore && req_.osCode == WinVersion::Win98 && !Failed()) {
        copy("ICONLIB.DLL", Dest::DriverFolder);
        std::string sys = p_.base.system.SystemDirectory();
        if (!Failed() && !p_.base.files.Exists(JoinPath(sys, "UNIDRV.DLL"))) {
            std::string backup = JoinPath(p_.base.system.WindowsDirectory(), "Sysbckup\\UNIDRV.DLL");
            if (p_.base.files.CopyFile(backup, JoinPath(sys, "UNIDRV.DLL"), true) != kOk)
                copy("UNIDRV.DLL", Dest::DriverFolder);
        }
    }
    if (req_.osCode == WinVersion::Win98 &&
        (req_.model.find("ZRP-C30") != std::string::npos || req_.model.find("ZRP-B20") != std::string::npos))
        copy("DMCOLOR.DLL", Dest::DriverFolder);
    if (!Failed() && req_.unidrvCore && f.dataFileDll.empty()) Fail(T("IDS_ERR_LOSTDRIVERFILE"));
}

void Installer::AddDriver() {
    const DriverRecord& d = req_.driver;
    if (d.dependentFilesTooLong) {
        Fail(T("IDS_ERR_ADDPRNDRV3") + "\n" + SysText(kErrInsufficientBuffer));
        return;
    }
    std::string dir;
    if (!DestinationFolder(Dest::DriverFolder, dir)) return;
    auto full = [&](const std::string& v) { return Named(v) ? JoinPath(dir, ToUpper(v)) : std::string(); };
    DriverInfo3 info;
    info.version = d.version;
    info.name = d.name;
    info.environment = d.environment;
    info.driverPath = full(d.driverPath);
    info.dataFile = full(d.dataFile);
    info.configFile = full(d.configFile);
    info.helpFile = full(d.helpFile);
    for (auto& n : d.dependentFiles) info.dependentFiles.push_back(ToUpper(n));
    const MonitorDesc& second = req_.monitors.usbSecond;
    if (req_.kind == PortKind::Usb && Named(second.name)) info.monitorName = second.name;
    Error e = p_.printAdmin.AddPrinterDriver(info);
    if (e != kOk) Fail(T("IDS_ERR_ADDPRNDRV3") + "\n" + SysText(e));
}

void Installer::MarkPrinterPort() {
    if (req_.windows64) {
        if (!p_.wow64.LibraryAvailable()) {
            Fail("Can't Load Kernel32.dll");
            return;
        }
        // Without the switch functions the record still goes to the 64-bit view, which
        // is what the switch was there for.
        if (!p_.wow64.FunctionsAvailable())
            notices_.push_back("Can't Get Function Wow64DisableWow64FsRedirection Address");
    }
    InstallRecords(p_.base.registry, req_.windows64, req_.osCode).MarkUsbPrinterPort(req_.portName);
}

void Installer::AddPrinter() {
    PrinterInfo2 info;
    info.printerName = req_.printerName;
    info.portName = req_.portName;
    info.driverName = req_.printer.driverName;
    info.printProcessor = req_.printer.printProcessor;
    info.attributes = req_.printer.attributes;
    Error e = p_.printAdmin.AddPrinter(info);
    if (e == kErrPrinterAlreadyExists) {
        if (req_.kind == PortKind::Usb) {
            Fail(T("IDS_ERR_TOOMANY"));
            return;
        }
        for (int i = 1; i <= 98 && e == kErrPrinterAlreadyExists; ++i) {
            info.printerName = req_.printerName + "(" + std::to_string(i) + ")";
            e = p_.printAdmin.AddPrinter(info);
        }
        if (e == kErrPrinterAlreadyExists) {
            Fail(T("IDS_ERR_TOOMANY"));
            return;
        }
    }
    if (e != kOk) {
        Fail(T("IDS_ERR_ADDPRINTER") + SysText(e));
        return;
    }
    req_.printerName = info.printerName;
}

void Installer::SetDefault() {
    OsVersion v = p_.base.system.Version();
    const std::string& name = req_.printerName;
    if (v.platformId == 1) {
        PrinterHandle h = 0;
        PrinterInfo2 info;
        if (p_.base.spooler.OpenPrinter(name, h) == kOk) {
            Error e = p_.base.spooler.GetPrinter2(h, info);
            p_.base.spooler.ClosePrinter(h);
            if (e == kOk) p_.printAdmin.SetPrinterAttributes(name, info.attributes | 4);
        }
        p_.processes.BroadcastSettingChange("windows", 1000);
    } else if (v.major == 4) {
        p_.processes.WriteProfileString("windows", "device",
                                        name + "," + req_.printer.driverName + "," + req_.portName);
    } else {
        p_.printAdmin.SetDefaultPrinter(name);
        p_.processes.BroadcastSettingChange("windows", 1000);
    }
}

void Installer::WriteSpoolDirectory() {
    std::string sys = p_.base.system.SystemDirectory();
    if (sys.size() < 3) return;
    InstallRecords(p_.base.registry, req_.windows64, req_.osCode)
        .WriteSpoolDirectory(req_.printerName, sys.substr(0, 3) + "windows\\system32\\spool\\printers");
    StopSpooler();
    p_.base.system.Sleep(300);
    p_.services.Start(kSpooler);
}

int Installer::Run() {
    msg_.clear();
    restartNeeded_ = false;
    p_.processes.SetSafeDllSearch();
    const WinVersion os = req_.osCode;
    const PortKind kind = req_.kind;
    // Each step is named, so that an exception inside it (out of memory among them) is
    // reported with the step instead of ending the process half-way.
    auto step = [&](const char* name, auto&& fn) {
        if (Failed()) return false;
        step_ = name;
        try {
            fn();
        } catch (const std::bad_alloc&) {
            msg_.clear();
            Fail(WorkerStoppedText(texts_, step_, SysText(kErrNotEnoughMemory)));
        } catch (const std::exception& e) {
            msg_.clear();
            Fail(WorkerStoppedText(texts_, step_, e.what()));
        } catch (...) {
            msg_.clear();
            Fail(WorkerStoppedText(texts_, step_, ""));
        }
        return !Failed();
    };
    bool ok = step("port monitor", [&] {
        if (kind == PortKind::Serial && os != WinVersion::Win98 && !req_.monitors.serial.dll.empty())
            InstallMonitor(req_.monitors.serial, serialMarked_);
        else if (kind == PortKind::Usb && os != WinVersion::NT4 && !req_.monitors.usb.dll.empty())
            InstallMonitor(req_.monitors.usb, usbMarked_);
    });
    ok = ok && step("print processor", [&] { InstallProcessor(); });
    ok = ok && step("update of monitor and processor files", [&] { UpdateMarked(); });
    ok = ok && step("port list", [&] {
             if (kind == PortKind::Usb) ReadPortList();
         });
    ok = ok && step("driver files", [&] { CopyDriverFiles(); });
    ok = ok && step("second USB port monitor", [&] {
             const MonitorDesc& m = req_.monitors.usbSecond;
             bool none = m.name == "0" && m.dll == "0" && m.version == 0;
             if (kind != PortKind::Usb || none || os == WinVersion::NT4) return;
             InstallMonitor(m, usbSecondMarked_);
             if (!Failed() && usbSecondMarked_) {
                 InstallRecords rec(p_.base.registry, req_.windows64, os);
                 std::string dll;
                 if (CopyMonitorLibrary(m.dll, dll) && !Failed()) {
                     rec.WriteMonitorDriver(m.name, dll);
                     rec.WriteMonitorVersion(m.name, uint32_t(m.version));
                 }
             }
         });
    ok = ok && step("printer driver", [&] { AddDriver(); });
    ok = ok && step("USB port record", [&] {
             if (kind == PortKind::Usb) MarkPrinterPort();
         });
    ok = ok && step("printer", [&] { AddPrinter(); });
    ok = ok && step("default printer", [&] {
             if (req_.setDefault) SetDefault();
         });
    ok = ok && step("spool folder", [&] {
             if ((os == WinVersion::XP || os == WinVersion::Server2003) && Named(req_.files.driverLogIni))
                 WriteSpoolDirectory();
         });
    ok = ok && step("serial settings", [&] {
             if (kind == PortKind::Serial)
                 WriteSerialSettings(p_, os, req_.windows64, req_.portName, req_.serial);
         });
    RemoveTemporaryFolder();
    if (!ok) return kWorkerFailure;
    if (restartNeeded_)
        msg_ = RestartNeededText(texts_);
    else if (os != WinVersion::Win98)
        msg_ = T(kind == PortKind::Usb ? "IDS_INF_USBRESTART" : "IDS_INF_NTRESTART");
    return kWorkerSuccess;
}

}  // namespace k20::drvsetup
