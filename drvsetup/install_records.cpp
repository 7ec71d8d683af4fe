#include "drvsetup/install_records.h"

#include "drvsetup/setup_config.h"

namespace k20::drvsetup {

using platform::RegRoot;

static constexpr RegRoot kHklm = RegRoot::LocalMachine;

std::string MonitorKey(const std::string& monitor) {
    return "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\" + monitor;
}

std::string ProcessorEnvironmentName(WinVersion osCode, bool windows64) {
    if (osCode == WinVersion::Win98) return "Windows 4.0";
    return windows64 ? "Windows x64" : "Windows NT x86";
}

std::string ProcessorKey(WinVersion osCode, bool windows64, const std::string& processor) {
    return "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\" +
           ProcessorEnvironmentName(osCode, windows64) + "\\Print Processors\\" + processor;
}

std::string PrinterKey(const std::string& printer) {
    return "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\" + printer;
}

bool InstallRecords::OpenOrCreate(const std::string& key, bool create) {
    if (create && !reg_.KeyExists(kHklm, key, view_))
        return reg_.CreateKey(kHklm, key, view_) == platform::kOk;
    return reg_.KeyExists(kHklm, key, view_);
}

void InstallRecords::RecordUsbPort(SetupConfig& cfg, const std::string& port) {
    uint32_t number = uint32_t(cfg.SupportedUsbDevice(port));
    if (OpenOrCreate(kPortNameKey, true)) reg_.SetDword(kHklm, kPortNameKey, port, number, view_);
    OpenOrCreate(kPrinterPortKey, true);
}

void InstallRecords::MarkUsbPrinterPort(const std::string& port) {
    if (OpenOrCreate(kPrinterPortKey, true)) reg_.SetDword(kHklm, kPrinterPortKey, port, 0, view_);
}

bool InstallRecords::MonitorInstalled(const std::string& monitor) {
    return reg_.KeyExists(kHklm, MonitorKey(monitor), view_);
}

std::optional<uint32_t> InstallRecords::MonitorVersion(const std::string& monitor) {
    uint32_t v = 0;
    if (reg_.GetDword(kHklm, MonitorKey(monitor), "DriverVersion", v, view_) != platform::kOk)
        return std::nullopt;
    return v;
}

void InstallRecords::WriteMonitorDriver(const std::string& monitor, const std::string& dll) {
    if (OpenOrCreate(MonitorKey(monitor), osCode_ == WinVersion::Win98))
        reg_.SetString(kHklm, MonitorKey(monitor), "Driver", dll, view_);
}

void InstallRecords::WriteMonitorVersion(const std::string& monitor, uint32_t version) {
    if (OpenOrCreate(MonitorKey(monitor), osCode_ == WinVersion::Win98))
        reg_.SetDword(kHklm, MonitorKey(monitor), "DriverVersion", version, view_);
}

bool InstallRecords::ProcessorInstalled(const std::string& processor) {
    return reg_.KeyExists(kHklm, ProcessorKey(osCode_, windows64(), processor), view_);
}

std::optional<uint32_t> InstallRecords::ProcessorVersion(const std::string& processor) {
    uint32_t v = 0;
    if (reg_.GetDword(kHklm, ProcessorKey(osCode_, windows64(), processor), "DriverVersion", v, view_) !=
        platform::kOk)
        return std::nullopt;
    return v;
}

void InstallRecords::WriteProcessorDriver(const std::string& processor, const std::string& dll) {
    std::string key = ProcessorKey(osCode_, windows64(), processor);
    if (OpenOrCreate(key, osCode_ == WinVersion::Win98)) reg_.SetString(kHklm, key, "Driver", dll, view_);
}

void InstallRecords::WriteProcessorVersion(const std::string& processor, uint32_t version) {
    std::string key = ProcessorKey(osCode_, windows64(), processor);
    if (OpenOrCreate(key, osCode_ == WinVersion::Win98))
        reg_.SetDword(kHklm, key, "DriverVersion", version, view_);
}

void InstallRecords::WriteSerialSettings(const std::string& comPort, const std::string& text) {
    if (OpenOrCreate(kSerialPortsKey, false)) reg_.SetString(kHklm, kSerialPortsKey, comPort, text, view_);
}

void InstallRecords::WriteSpoolDirectory(const std::string& printer, const std::string& folder) {
    if (OpenOrCreate(PrinterKey(printer), false))
        reg_.SetString(kHklm, PrinterKey(printer), "SpoolDirectory", folder, view_);
}

}  // namespace k20::drvsetup
