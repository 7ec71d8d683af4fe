#pragma once
// The registry values the installer leaves behind. Failures are not reported: a record
// that cannot be written does not stop an installation.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace k20::drvsetup {

class SetupConfig;
enum class WinVersion : int;

inline constexpr const char* kPortNameKey = "SOFTWARE\\KESTRAN\\PORTNAME";
inline constexpr const char* kPrinterPortKey = "SOFTWARE\\KESTRAN\\PRINTERPORT";
inline constexpr const char* kSerialPortsKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";

std::string MonitorKey(const std::string& monitor);
// "Windows 4.0" for Windows 98, else "Windows x64" or "Windows NT x86" by the 64-bit flag.
std::string ProcessorEnvironmentName(WinVersion osCode, bool windows64);
std::string ProcessorKey(WinVersion osCode, bool windows64, const std::string& processor);
std::string PrinterKey(const std::string& printer);

class InstallRecords {
  public:
    // On 64-bit Windows every key lives in the 64-bit view, where the 64-bit spooler and
    // driver plug-in look.
    InstallRecords(platform::Registry& reg, bool windows64, WinVersion osCode)
        : reg_(reg),
          view_(windows64 ? platform::RegView::View64 : platform::RegView::Default),
          osCode_(osCode) {}

    platform::RegView View() const { return view_; }

    // PORTNAME value (from [SUPPORTED-USB-DEVICE], 0 when absent) and the PRINTERPORT key.
    void RecordUsbPort(SetupConfig& cfg, const std::string& port);
    // PRINTERPORT value 0.
    void MarkUsbPrinterPort(const std::string& port);

    bool MonitorInstalled(const std::string& monitor);
    std::optional<uint32_t> MonitorVersion(const std::string& monitor);
    void WriteMonitorDriver(const std::string& monitor, const std::string& dll);
    void WriteMonitorVersion(const std::string& monitor, uint32_t version);

    bool ProcessorInstalled(const std::string& processor);
    std::optional<uint32_t> ProcessorVersion(const std::string& processor);
    void WriteProcessorDriver(const std::string& processor, const std::string& dll);
    void WriteProcessorVersion(const std::string& processor, uint32_t version);

    void WriteSerialSettings(const std::string& comPort, const std::string& text);
    void WriteSpoolDirectory(const std::string& printer, const std::string& folder);

  private:
    bool OpenOrCreate(const std::string& key, bool create);
    bool windows64() const { return view_ == platform::RegView::View64; }
    platform::Registry& reg_;
    platform::RegView view_;
    WinVersion osCode_;
};

}  // namespace k20::drvsetup
