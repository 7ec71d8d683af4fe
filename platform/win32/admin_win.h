#pragma once
// The real Windows services behind the installer's and uninstaller's interfaces.
// <windows.h> stays in the .cpp so that portable callers can hold one of these.
#include "platform/admin.h"
#include "platform/win32/win32_platform.h"

namespace k20::platform::win32 {

class Win32PrintAdmin : public PrintAdmin {
  public:
    Error GetPrinterDriverDirectory(const std::string& environment, std::string& dir) override;
    Error GetPrintProcessorDirectory(const std::string& environment, std::string& dir) override;
    Error AddMonitor(const MonitorInfo2& m) override;
    Error DeleteMonitor(const std::string& environment, const std::string& name) override;
    Error EnumMonitors(std::vector<std::string>& names) override;
    Error AddPrintProcessor(const std::string& environment, const std::string& name,
                            const std::string& dllName) override;
    Error DeletePrintProcessor(const std::string& environment, const std::string& name) override;
    Error EnumPrintProcessors(const std::string& environment, std::vector<std::string>& names) override;
    Error AddPrinterDriver(const DriverInfo3& d) override;
    Error DeletePrinterDriver(const std::string& environment, const std::string& name,
                              bool deleteFiles) override;
    Error EnumPrinterDrivers(const std::string& environment, std::vector<DriverInfo3>& out) override;
    Error AddPrinter(const PrinterInfo2& p) override;
    Error DeletePrinter(const std::string& printerName) override;
    Error EnumPrinters(std::vector<PrinterInfo2>& out) override;
    Error SetPrinterAttributes(const std::string& printerName, uint32_t attributes) override;
    Error SetDefaultPrinter(const std::string& printerName) override;
    Error GetDefaultPrinter(std::string& printerName) override;
    Error EnumPorts(std::vector<PortInfo>& out) override;
    Error DeletePort(const std::string& portName) override;
    Error XcvData(const std::string& xcvObject, const std::string& command, const std::vector<uint8_t>& input,
                  std::vector<uint8_t>& output, uint32_t outputSize, uint32_t& status) override;
};

class Win32Services : public ServiceControl {
  public:
    Error Stop(const std::string& service) override;
    Error Start(const std::string& service) override;
    Error QueryState(const std::string& service, ServiceState& state) override;
};

class Win32Devices : public DeviceSetup {
  public:
    Error EnumPresentHardwareIds(std::vector<std::string>& ids) override;
    Error ExtractCabinet(const std::string& cabinetPath, const std::string& destDir,
                         const std::vector<std::string>& wanted,
                         std::vector<std::string>& extracted) override;
};

class Win32UsbLibraries : public UsbLibraries {
  public:
    Error LoadQxUsbInt(const std::string& fullPath, std::unique_ptr<QxUsbInt>& lib) override;
    Error LoadUsbPrnEnum(const std::string& fullPath, std::unique_ptr<UsbPrnEnum>& lib) override;
};

class Win32Processes : public Processes {
  public:
    Error Start(const std::string& exePath, const std::string& parameters, bool wait,
                uint32_t& exitCode) override;
    Error SetSafeDllSearch() override;
    std::string ErrorText(Error e) override;
    Error WriteProfileString(const std::string& section, const std::string& key,
                             const std::string& value) override;
    Error FlushProfile() override;
    Error BroadcastSettingChange(const std::string& area, uint32_t timeoutMs) override;
};

class Win32Wow64 : public Wow64FsRedirection {
  public:
    bool LibraryAvailable() override;
    bool FunctionsAvailable() override;
    Error Disable(void*& cookie) override;
    Error Revert(void* cookie) override;
};

// Libraries by name from the system folder only, for the rest of the process (defined in
// system_libs_win.cpp).
void RestrictDllSearchToSystem();

// A named mutex held for the rest of the process, in the global namespace when the
// process may create one there (so that a program in another session sees it) and in the
// session's otherwise. alreadyExisted: another process holds the name.
void ClaimNamedMutex(const std::string& name, bool& alreadyExisted);
// Whether some process holds the named mutex, in either namespace.
bool NamedMutexExists(const std::string& name);

struct Win32AdminMachine {
    Win32Machine base;
    Win32PrintAdmin printAdmin;
    Win32Services services;
    Win32Devices devices;
    Win32UsbLibraries usb;
    Win32Processes processes;
    Win32Wow64 wow64;
    // Out of line: callers reach the services through the interfaces only.
    AdminPlatform admin();
};

}  // namespace k20::platform::win32
