#pragma once
// The spooler's administration, as the installer and the uninstaller use it: drivers,
// port monitors, print processors, printers, ports and the port monitors' data channel.
// An empty environment means the spooler's own ("Windows x64", "Windows NT x86").
#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/spooler.h"

namespace k20::platform {

inline constexpr Error kErrMonitorAlreadyInstalled = 3006;
inline constexpr Error kErrPrinterDriverInUse = 3001;
inline constexpr Error kErrMonitorInUse = 3008;
inline constexpr Error kErrUnknownPort = 1796;
inline constexpr Error kErrRpcServerUnavailable = 1722;

// DRIVER_INFO_3: the four main files are full paths or names in the driver folder;
// dependent files are names in the same folder.
struct DriverInfo3 {
    uint32_t version = 3;
    std::string name, environment, driverPath, dataFile, configFile, helpFile;
    std::vector<std::string> dependentFiles;
    std::string monitorName, defaultDataType;
};

struct MonitorInfo2 {
    std::string name, environment, dllName;
};

struct PortInfo {
    std::string name, monitorName;
};

class PrintAdmin {
  public:
    virtual ~PrintAdmin() = default;
    virtual Error GetPrinterDriverDirectory(const std::string& environment, std::string& dir) = 0;
    virtual Error GetPrintProcessorDirectory(const std::string& environment, std::string& dir) = 0;

    virtual Error AddMonitor(const MonitorInfo2& m) = 0;
    virtual Error DeleteMonitor(const std::string& environment, const std::string& name) = 0;
    virtual Error EnumMonitors(std::vector<std::string>& names) = 0;

    virtual Error AddPrintProcessor(const std::string& environment, const std::string& name,
                                    const std::string& dllName) = 0;
    virtual Error DeletePrintProcessor(const std::string& environment, const std::string& name) = 0;
    virtual Error EnumPrintProcessors(const std::string& environment, std::vector<std::string>& names) = 0;

    virtual Error AddPrinterDriver(const DriverInfo3& d) = 0;
    // deleteFiles: also the driver's files that no other driver uses.
    virtual Error DeletePrinterDriver(const std::string& environment, const std::string& name,
                                      bool deleteFiles) = 0;
    virtual Error EnumPrinterDrivers(const std::string& environment, std::vector<DriverInfo3>& out) = 0;

    // Creates the printer and closes the handle AddPrinter returns.
    virtual Error AddPrinter(const PrinterInfo2& p) = 0;
    virtual Error DeletePrinter(const std::string& printerName) = 0;
    virtual Error EnumPrinters(std::vector<PrinterInfo2>& out) = 0;  // local printers, level 2
    virtual Error SetPrinterAttributes(const std::string& printerName, uint32_t attributes) = 0;
    virtual Error SetDefaultPrinter(const std::string& printerName) = 0;
    virtual Error GetDefaultPrinter(std::string& printerName) = 0;

    virtual Error EnumPorts(std::vector<PortInfo>& out) = 0;
    virtual Error DeletePort(const std::string& portName) = 0;
    // XcvData on the object "<server>,XcvMonitor <monitor>" (for example ",XcvMonitor
    // Standard TCP/IP Port") opened with administer access. status is the monitor's answer.
    virtual Error XcvData(const std::string& xcvObject, const std::string& command,
                          const std::vector<uint8_t>& input, std::vector<uint8_t>& output,
                          uint32_t outputSize, uint32_t& status) = 0;
};

}  // namespace k20::platform
