// Port monitors and the print processor: first installation, and the update of files
// the spooler holds, for which the spooler is stopped and started again.
#include "drvsetup/installer.h"

#include <cstdio>

#include "common/text.h"
#include "drvsetup/install_records.h"

namespace k20::drvsetup {

using namespace platform;

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

}  // namespace k20::drvsetup
