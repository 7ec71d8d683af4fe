#pragma once
// Printer ports: names by kind, the port list of the last wizard page with its
// preselection and enable rules, serial settings (text and the 98/Me device control
// block) and the creation of the network port through the TCP/IP port monitor.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drvsetup/setup_config.h"
#include "platform/admin.h"

namespace k20::drvsetup {

std::string SerialPortName(const std::string& stem, int n);  // "%s%d:"
std::string UsbPortName(const std::string& model, int n);    // "USB_%s_<n>"
std::string NetworkPortName(const std::string& ip);          // "QXIP_<ip>"
// By substring, in the order USB_, COM, LPT, NET; nothing for anything else.
std::optional<PortKind> DecidePortKind(const std::string& entry);
// "(S)", "(P)", "(E)", or "(U) n" with n from "_1".."_4" in the USB port name.
std::string PrinterNameSuffix(PortKind kind, const std::string& portName);
// The USB number of a port name: the digit after the last "_" when it is 1..4, else 0.
int UsbNumberOfPort(const std::string& portName);

struct SerialSettings {
    int baudRate = 9600;
    char parity = 'n';  // e m n o s
    int byteSize = 8;
    double stopBits = 1.0;  // 1.0, 1.5, 2.0
    char flow = 'p';        // x, p or a blank
};
std::string SerialSettingsText(const SerialSettings& s);
// "Xon/Xoff" x, "Hardware" p, "None" blank (exact comparison); nothing for other texts.
std::optional<char> FlowFromText(const std::string& text);
char ParityFromText(const std::string& text);  // first character in lower case

inline constexpr size_t kDcbSize = 28;
std::array<uint8_t, kDcbSize> BuildDcb(const SerialSettings& s);

inline constexpr size_t kTcpPortRecordSize = 964;

#pragma pack(push, 1)
// The standard TCP/IP port monitor's port configuration record (its PORT_DATA_1), as its
// "AddPort" call takes it: UTF-16 texts NUL-terminated within their fields, dwords in
// host order, and two bytes before the port number where the monitor's own compiler
// aligned it.
struct TcpIpPortRecord {
    char16_t portName[64];
    uint32_t version;
    uint32_t protocol;
    uint32_t size;
    uint32_t reserved;
    char16_t hostAddress[49];
    char16_t snmpCommunity[33];
    uint32_t doubleSpool;
    char16_t queue[33];
    char16_t ipAddress[16];
    uint8_t reservedBytes[540];
    uint8_t alignment[2];
    uint32_t portNumber;
    uint32_t snmpEnabled;
    uint32_t snmpDeviceIndex;
};
#pragma pack(pop)

#define K20_AT(f, off) static_assert(offsetof(TcpIpPortRecord, f) == (off), "TcpIpPortRecord." #f)
K20_AT(version, 128);
K20_AT(protocol, 132);
K20_AT(size, 136);
K20_AT(reserved, 140);
K20_AT(hostAddress, 144);
K20_AT(snmpCommunity, 242);
K20_AT(doubleSpool, 308);
K20_AT(queue, 312);
K20_AT(ipAddress, 378);
K20_AT(reservedBytes, 410);
K20_AT(alignment, 950);
K20_AT(portNumber, 952);
K20_AT(snmpEnabled, 956);
K20_AT(snmpDeviceIndex, 960);
#undef K20_AT
static_assert(sizeof(TcpIpPortRecord) == kTcpPortRecordSize);

std::vector<uint8_t> BuildTcpIpPortRecord(const std::string& portName, const std::string& ip);

// Adds the network port through ",XcvMonitor Standard TCP/IP Port" "AddPort". An existing
// port of that name counts as a failure. error receives the failure (call or monitor).
bool CreateNetworkPort(platform::PrintAdmin& admin, const std::string& portName, const std::string& ip,
                       platform::Error& error);

// The port-list composition for the last wizard page.
struct PortListInput {
    std::string model;
    WinVersion osCode = WinVersion::Win7;  // target (OS page)
    bool windows64 = false;
    bool advanced = false;      // installation mode
    PortSection port;           // the model's .PORT section
    int comMonitorVisible = 0;  // from the detected system's monitor section
    int usbClassification = 2;  // Part of USB detection: 1 class printers only
};

enum class RasterBox { Hidden, Shown, Unchanged };

struct PortPageState {
    std::vector<std::string> entries;  // sorted as the list control sorts
    int selected = -1;
    bool noteUnsupportedCom = false;  // IDS_ERR_UNSUPPORTCOM in the note line
    std::string noteKey;              // the note after the enable rules ("" hidden)
    bool ipEnabled = false, serialEnabled = false, rasterEnabled = false, rasterOn = false;
    RasterBox raster = RasterBox::Hidden;
};

PortPageState ComposePortList(const PortListInput& in, bool usbDriverInstalled);

// The enable rules for a selected entry. initial: right after the list was composed
// (USB then shows IDS_ERR_UPDATEUSB when no USB kernel driver is installed); later
// selections show it only when a driver is installed and the mode is advanced.
void ApplyEnableRules(PortPageState& st, PortKind kind, bool initial, WinVersion osCode,
                      bool usbDriverInstalled, bool advanced);

// The port name the spooler's serial settings are written under: from its "COM" on.
std::string ComPartOf(const std::string& port);

// Writes the serial settings after the printer was created: the Ports value on NT-family
// systems; on 98/Me the DCB into the n-th serial Class\Ports entry and WIN.INI [Ports].
void WriteSerialSettings(platform::AdminPlatform& p, WinVersion osCode, bool windows64,
                         const std::string& port, const SerialSettings& s);

}  // namespace k20::drvsetup
