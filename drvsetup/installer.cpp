#include "drvsetup/installer.h"

#include <exception>
#include <new>

#include "common/text.h"
#include "drvsetup/install_records.h"

namespace k20::drvsetup {

using namespace platform;

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
