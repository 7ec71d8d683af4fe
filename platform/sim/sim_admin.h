#pragma once
// The simulated machine's spooler administration, service manager, devices, USB
// libraries, processes and WOW64 switch. Strict like the rest of the machine: what a
// test did not arrange is absent (no USB library, no device, no cabinet), and every
// operation goes through the machine's FaultInjector under the name given beside it.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/admin.h"

namespace k20::platform::sim {

class FaultInjector;
class SimRegistry;
class SimFileSystem;
class SimSystemInfo;
class SimSpooler;

// "ServiceStop", "ServiceStart", "ServiceQuery".
class SimServices : public ServiceControl {
  public:
    explicit SimServices(FaultInjector& f) : faults_(f) {}
    Error Stop(const std::string& service) override;
    Error Start(const std::string& service) override;
    Error QueryState(const std::string& service, ServiceState& state) override;
    bool Running(const std::string& service) const;

    std::map<std::string, ServiceState> states{{"SPOOLER", ServiceState::Running}};
    // After a start, this many queries report StartPending before Running.
    int startPendingQueries = 0;
    // A start request that is accepted but leaves the service stopped.
    bool startLeavesStopped = false;
    int stops = 0, starts = 0;

  private:
    FaultInjector& faults_;
    int pending_ = 0;
};

// "GetPrinterDriverDirectory", "GetPrintProcessorDirectory", "AddMonitor", "DeleteMonitor",
// "EnumMonitors", "AddPrintProcessor", "DeletePrintProcessor", "EnumPrintProcessors",
// "AddPrinterDriver", "DeletePrinterDriver", "EnumPrinterDrivers", "AddPrinter",
// "DeletePrinter", "EnumPrinters", "SetPrinter", "SetDefaultPrinter", "GetDefaultPrinter",
// "EnumPorts", "DeletePort", "XcvData". Every call fails with 1722 while the spooler is stopped.
class SimPrintAdmin : public PrintAdmin {
  public:
    SimPrintAdmin(FaultInjector& f, SimSystemInfo& sys, SimRegistry& reg, SimFileSystem& files,
                  SimSpooler& sp, SimServices& svc);
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

    // The environment that an empty one stands for on this machine.
    std::string DefaultEnvironment() const;
    std::string DriverDirectory(const std::string& environment) const;
    std::string ProcessorDirectory(const std::string& environment) const;

    struct Processor {
        std::string environment, name, dll;
    };
    std::vector<MonitorInfo2> monitors;
    std::vector<Processor> processors;
    std::vector<DriverInfo3> drivers;
    std::vector<PortInfo> ports{{"LPT1:", "Local Port"}, {"LPT2:", "Local Port"}, {"LPT3:", "Local Port"},
                                {"COM1:", "Local Port"}, {"COM2:", "Local Port"}, {"COM3:", "Local Port"},
                                {"COM4:", "Local Port"}, {"COM5:", "Local Port"}, {"COM6:", "Local Port"},
                                {"COM7:", "Local Port"}, {"COM8:", "Local Port"}, {"FILE:", "Local Port"}};
    // Ports that a monitor brings with it once added (by monitor name).
    std::map<std::string, std::vector<std::string>> portsOfMonitor;
    std::string defaultPrinter;
    bool tcpMonitorPresent = true;
    // Set the first time a printer is made the default through SetPrinterAttributes.
    bool printerAttributesWritten = false;

  private:
    Error Enter(const char* op);
    bool KnownEnvironment(const std::string& env) const;
    FaultInjector& faults_;
    SimSystemInfo& sys_;
    SimRegistry& reg_;
    SimFileSystem& files_;
    SimSpooler& spooler_;
    SimServices& services_;
};

// "EnumDevices", "ExtractCabinet".
class SimDevices : public DeviceSetup {
  public:
    SimDevices(FaultInjector& f, SimFileSystem& files) : faults_(f), files_(files) {}
    Error EnumPresentHardwareIds(std::vector<std::string>& ids) override;
    Error ExtractCabinet(const std::string& cabinetPath, const std::string& destDir,
                         const std::vector<std::string>& wanted,
                         std::vector<std::string>& extracted) override;
    // Adds a cabinet file to the file system and remembers what it holds.
    void PutCabinet(const std::string& path, const std::map<std::string, std::vector<uint8_t>>& content);

    std::vector<std::string> hardwareIds;
    std::map<std::string, std::map<std::string, std::vector<uint8_t>>> cabinets;  // by upper-case path
    std::vector<std::string> extractedTo;  // every folder something was extracted into

  private:
    FaultInjector& faults_;
    SimFileSystem& files_;
};

struct SimUsbDevice {
    uint16_t bcdDevice = 0;
    bool descriptorReadable = true;
    bool writable = true;
    std::vector<std::vector<uint8_t>> writes;
};

// "LoadLibrary" for both libraries. A library loads only when its file exists at the
// full path given; functions can be taken away by name.
class SimUsb : public UsbLibraries {
  public:
    SimUsb(FaultInjector& f, SimFileSystem& files) : faults_(f), files_(files) {}
    Error LoadQxUsbInt(const std::string& fullPath, std::unique_ptr<QxUsbInt>& lib) override;
    Error LoadUsbPrnEnum(const std::string& fullPath, std::unique_ptr<UsbPrnEnum>& lib) override;

    std::vector<SimUsbDevice> devices;  // by index 0..7
    std::set<std::string> missingFunctions;
    int enumResult = 0;
    std::string enumText;
    int openHandles = 0;
    std::vector<std::string> loaded;  // every path loaded

  private:
    FaultInjector& faults_;
    SimFileSystem& files_;
};

struct SimStartedProcess {
    std::string exe, parameters;
    bool wait = false;
};

// "StartProcess", "WriteProfileString", "Broadcast".
class SimProcesses : public Processes {
  public:
    SimProcesses(FaultInjector& f, SimFileSystem& files) : faults_(f), files_(files) {}
    Error Start(const std::string& exePath, const std::string& parameters, bool wait,
                uint32_t& exitCode) override;
    Error SetSafeDllSearch() override;
    std::string ErrorText(Error e) override;
    Error WriteProfileString(const std::string& section, const std::string& key,
                             const std::string& value) override;
    Error FlushProfile() override;
    Error BroadcastSettingChange(const std::string& area, uint32_t timeoutMs) override;

    std::vector<SimStartedProcess> started;
    bool safeDllSearch = false;
    std::map<std::string, std::map<std::string, std::string>> profile;  // WIN.INI, upper-case names
    std::vector<std::string> broadcasts;
    int flushes = 0;

  private:
    FaultInjector& faults_;
    SimFileSystem& files_;
};

// "Wow64Disable", "Wow64Revert".
class SimWow64 : public Wow64FsRedirection {
  public:
    explicit SimWow64(FaultInjector& f) : faults_(f) {}
    bool LibraryAvailable() override { return libraryAvailable; }
    bool FunctionsAvailable() override { return functionsAvailable; }
    Error Disable(void*& cookie) override;
    Error Revert(void* cookie) override;

    bool libraryAvailable = true, functionsAvailable = true;
    int depth = 0;  // how many switches are off now

  private:
    FaultInjector& faults_;
};

}  // namespace k20::platform::sim
