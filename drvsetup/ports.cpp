#include "drvsetup/ports.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "common/byte_reader.h"
#include "common/text.h"
#include "drvsetup/install_records.h"

namespace k20::drvsetup {

using namespace platform;

std::string SerialPortName(const std::string& stem, int n) {
    return stem + std::to_string(n) + ":";
}
std::string UsbPortName(const std::string& model, int n) {
    return "USB_" + model + "_" + std::to_string(n);
}
std::string NetworkPortName(const std::string& ip) {
    return "QXIP_" + ip;
}

std::optional<PortKind> DecidePortKind(const std::string& e) {
    if (e.find("USB_") != std::string::npos) return PortKind::Usb;
    if (e.find("COM") != std::string::npos) return PortKind::Serial;
    if (e.find("LPT") != std::string::npos) return PortKind::Parallel;
    if (e.find("NET") != std::string::npos) return PortKind::Network;
    return std::nullopt;
}

int UsbNumberOfPort(const std::string& port) {
    for (int n = 1; n <= 4; ++n)
        if (port.find("_" + std::to_string(n)) != std::string::npos) return n;
    return 0;
}

std::string PrinterNameSuffix(PortKind kind, const std::string& portName) {
    switch (kind) {
        case PortKind::Serial:
            return "(S)";
        case PortKind::Parallel:
            return "(P)";
        case PortKind::Network:
            return "(E)";
        case PortKind::Usb: {
            int n = UsbNumberOfPort(portName);
            return n ? "(U) " + std::to_string(n) : "(U)";
        }
    }
    return {};
}

std::string SerialSettingsText(const SerialSettings& s) {
    char buf[96];
    const char* fmt = s.stopBits == 1.5 ? "%d,%c,%d,%.1f,%c" : "%d,%c,%d,%.0f,%c";
    std::snprintf(buf, sizeof buf, fmt, s.baudRate, s.parity, s.byteSize, s.stopBits, s.flow);
    return buf;
}

std::optional<char> FlowFromText(const std::string& t) {
    if (t == "Xon/Xoff") return 'x';
    if (t == "Hardware") return 'p';
    if (t == "None") return ' ';
    return std::nullopt;
}

char ParityFromText(const std::string& t) {
    if (t.empty()) return 'n';
    char c = t[0];
    return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}

std::array<uint8_t, kDcbSize> BuildDcb(const SerialSettings& s) {
    std::array<uint8_t, kDcbSize> d{};
    uint32_t flags = 0x1;  // binary transfer
    uint8_t xon = 0, xoff = 0;
    if (s.flow == 'p') flags |= 0x4 | (1u << 12);  // CTS output flow, RTS line enabled
    if (s.flow == 'x') {
        flags |= (1u << 8) | (1u << 9);  // XON/XOFF out and in
        xon = 17;
        xoff = 19;
    }
    if (s.parity != 'n') flags |= 0x2 | (1u << 10);  // parity check, error character
    uint8_t parity = 0;
    switch (s.parity) {
        case 'o':
            parity = 1;
            break;
        case 'e':
            parity = 2;
            break;
        case 'm':
            parity = 3;
            break;
        case 's':
            parity = 4;
            break;
        default:
            parity = 0;
    }
    uint8_t stop = s.stopBits == 1.5 ? 1 : s.stopBits == 2.0 ? 2 : 0;
    PutU32(d.data(), 0, kDcbSize);
    PutU32(d.data(), 4, uint32_t(s.baudRate));
    PutU32(d.data(), 8, flags);
    d[18] = uint8_t(s.byteSize);
    d[19] = parity;
    d[20] = stop;
    d[21] = xon;
    d[22] = xoff;
    return d;
}

// The field keeps its terminator: longer texts are cut.
template <size_t N>
static void PutWide(char16_t (&field)[N], const std::string& utf8) {
    std::u16string w = Utf8ToUtf16(utf8);
    if (w.size() > N - 1) w.resize(N - 1);
    std::copy(w.begin(), w.end(), field);
}

std::vector<uint8_t> BuildTcpIpPortRecord(const std::string& portName, const std::string& ip) {
    static_assert(std::endian::native == std::endian::little, "the monitor reads the record in host order");
    TcpIpPortRecord r;
    std::memset(&r, 0, sizeof r);
    PutWide(r.portName, portName);
    r.version = 1;
    r.protocol = 1;  // raw TCP
    r.size = uint32_t(sizeof r);
    PutWide(r.hostAddress, ip);
    PutWide(r.snmpCommunity, "public");
    r.doubleSpool = 1;
    r.portNumber = 9100;
    r.snmpEnabled = 0;
    r.snmpDeviceIndex = 1;
    std::vector<uint8_t> b(sizeof r);
    std::memcpy(b.data(), &r, sizeof r);
    return b;
}

bool CreateNetworkPort(PrintAdmin& admin, const std::string& portName, const std::string& ip, Error& error) {
    std::vector<uint8_t> out;
    uint32_t status = 0;
    error = admin.XcvData(",XcvMonitor Standard TCP/IP Port", "AddPort", BuildTcpIpPortRecord(portName, ip),
                          out, 260, status);
    if (error == kOk) error = status;
    return error == kOk;
}

static int FirstContaining(const std::vector<std::string>& v, const char* s) {
    for (size_t i = 0; i < v.size(); ++i)
        if (v[i].find(s) != std::string::npos) return int(i);
    return -1;
}

PortPageState ComposePortList(const PortListInput& in, bool usbDriverInstalled) {
    PortPageState st;
    auto& e = st.entries;
    const PortSection& p = in.port;
    if (in.osCode != WinVersion::Win98) {
        if (p.lptSupported) e.insert(e.end(), {"LPT1:", "LPT2:", "LPT3:"});
        if (p.comSupported == 0) {
            st.noteUnsupportedCom = true;
        } else if (!in.windows64 || in.comMonitorVisible == 1) {
            for (int n = 1; n <= 8; ++n) e.push_back(SerialPortName(p.commonName, n));
        } else if (in.comMonitorVisible != 0) {
            st.noteUnsupportedCom = true;
        } else {
            for (int n = 1; n <= 8; ++n) e.push_back(SerialPortName("COM", n));
        }
    } else {
        if (p.comSupported) e.insert(e.end(), {"COM1:", "COM2:"});
        if (p.lptSupported) e.push_back("LPT1:");
    }
    if (p.netSupported) {
        e.push_back("NET:");
        st.ipEnabled = true;
    }
    if (p.usbSupported && in.osCode != WinVersion::NT4) {
        e.push_back(UsbPortName(in.model, 1));
        if (in.advanced && in.usbClassification != 1)
            for (int n = 2; n <= 4; ++n) e.push_back(UsbPortName(in.model, n));
    }
    std::sort(e.begin(), e.end());
    e.erase(std::unique(e.begin(), e.end()), e.end());
    if (p.usbSupported) {
        st.selected = FirstContaining(e, "USB_");
        st.serialEnabled = false;
        st.ipEnabled = false;
    } else if (p.lptDefault == 1 && p.lptSupported) {
        st.selected = FirstContaining(e, "LPT");
    }
    if (st.selected < 0 && !e.empty()) st.selected = 0;
    if (st.selected >= 0) {
        if (auto kind = DecidePortKind(e[size_t(st.selected)]))
            ApplyEnableRules(st, *kind, true, in.osCode, usbDriverInstalled, in.advanced);
    }
    if (!in.advanced)
        st.raster = RasterBox::Hidden;
    else
        st.raster = p.rasterVisible == 0   ? RasterBox::Shown
                    : p.rasterVisible == 1 ? RasterBox::Hidden
                                           : RasterBox::Unchanged;
    if (st.noteUnsupportedCom && st.noteKey.empty()) st.noteKey = "IDS_ERR_UNSUPPORTCOM";
    return st;
}

void ApplyEnableRules(PortPageState& st, PortKind kind, bool initial, WinVersion osCode,
                      bool usbDriverInstalled, bool advanced) {
    st.noteKey.clear();
    switch (kind) {
        case PortKind::Usb:
            if (osCode >= WinVersion::Win2000) {
                bool show = initial ? !usbDriverInstalled : (usbDriverInstalled && advanced);
                if (show) st.noteKey = "IDS_ERR_UPDATEUSB";
            }
            if (!initial && !usbDriverInstalled) st.ipEnabled = false;
            st.rasterEnabled = st.rasterOn = true;
            break;
        case PortKind::Parallel:
            st.rasterEnabled = st.rasterOn = true;
            st.serialEnabled = st.ipEnabled = false;
            break;
        case PortKind::Network:
            st.rasterEnabled = st.rasterOn = true;
            st.serialEnabled = false;
            st.ipEnabled = true;
            break;
        case PortKind::Serial:
            st.serialEnabled = true;
            st.rasterEnabled = st.rasterOn = false;
            st.ipEnabled = false;
            break;
    }
}

std::string ComPartOf(const std::string& port) {
    size_t at = port.find("COM");
    return at == std::string::npos ? port : port.substr(at);
}

void WriteSerialSettings(AdminPlatform& p, WinVersion osCode, bool windows64, const std::string& port,
                         const SerialSettings& s) {
    std::string com = ComPartOf(port);
    std::string text = SerialSettingsText(s);
    if (osCode != WinVersion::Win98) {
        InstallRecords(p.base.registry, windows64, osCode).WriteSerialSettings(com, text);
        return;
    }
    int n = ParseDecimal(com.size() > 3 ? com.substr(3) : "");
    auto dcb = BuildDcb(s);
    int seen = 0;
    for (int i = 0; i <= 3 && n >= 1; ++i) {
        std::string key = "System\\CurrentControlSet\\Services\\Class\\Ports\\000" + std::to_string(i);
        RegValue sub;
        if (p.base.registry.GetValue(RegRoot::LocalMachine, key, "PortSubClass", sub) != kOk ||
            sub.data.empty() || sub.data[0] != 1)
            continue;
        if (++seen == n) {
            RegValue v;
            v.type = kRegBinary;
            v.data.assign(dcb.begin(), dcb.end());
            p.base.registry.SetValue(RegRoot::LocalMachine, key, "DCB", v);
            break;
        }
    }
    p.processes.WriteProfileString("Ports", com, text);
    p.processes.BroadcastSettingChange("Ports", 1000);
    p.processes.FlushProfile();
}

}  // namespace k20::drvsetup
