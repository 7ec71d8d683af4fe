// The printer driver, the printer and what follows it: the port list, the USB port
// record, the default printer and the spool folder record.
#include "drvsetup/installer.h"

#include "common/text.h"
#include "drvsetup/install_records.h"

namespace k20::drvsetup {

using namespace platform;

void Installer::ReadPortList() {
    std::vector<PortInfo> ports;
    Error e = p_.printAdmin.EnumPorts(ports);
    if (e != kOk) e = p_.printAdmin.EnumPorts(ports);
    if (e != kOk) Fail(T("IDS_ERR_ALLOCMEMORY") + "\n" + SysText(e));
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

}  // namespace k20::drvsetup
