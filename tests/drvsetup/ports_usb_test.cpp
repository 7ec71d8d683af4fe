#include <gtest/gtest.h>

#include "common/byte_reader.h"
#include "drvsetup/install_records.h"
#include "drvsetup/ports.h"
#include "drvsetup/usb_setup.h"
#include "tests/drvsetup/setup_fixture.h"

using namespace k20::drvsetup;
using namespace k20::platform;
using sim::SimMachine;

namespace {

sim::SimUsbDevice Dev(uint16_t bcd) {
    sim::SimUsbDevice d;
    d.bcdDevice = bcd;
    return d;
}

PortListInput Input(bool usb, bool lpt, bool com, bool net) {
    PortListInput in;
    in.model = "ZRP-A10";
    in.port.usbSupported = usb;
    in.port.lptSupported = lpt;
    in.port.comSupported = com;
    in.port.netSupported = net;
    return in;
}

TEST(PortList, ParallelOnlyOnWindows7) {
    PortListInput in = Input(false, true, false, false);
    in.port.lptDefault = 1;
    PortPageState st = ComposePortList(in, true);
    EXPECT_EQ(st.entries, (std::vector<std::string>{"LPT1:", "LPT2:", "LPT3:"}));
    EXPECT_EQ(st.selected, 0);
    EXPECT_EQ(st.noteKey, "IDS_ERR_UNSUPPORTCOM");
}

TEST(PortList, SerialEntriesBy64BitFlagAndMonitorVisibility) {
    PortListInput in = Input(false, false, true, false);
    in.windows64 = true;
    in.comMonitorVisible = 0;
    EXPECT_EQ(ComposePortList(in, true).entries.front(), "COM1:");
    EXPECT_EQ(ComposePortList(in, true).entries.size(), 8u);
    in.comMonitorVisible = 2;
    PortPageState st = ComposePortList(in, true);
    EXPECT_TRUE(st.entries.empty());
    EXPECT_EQ(st.noteKey, "IDS_ERR_UNSUPPORTCOM");
    in.comMonitorVisible = 1;
    in.port.commonName = "XCOM";
    EXPECT_EQ(ComposePortList(in, true).entries.back(), "XCOM8:");
    in.windows64 = false;
    in.comMonitorVisible = 2;
    EXPECT_EQ(ComposePortList(in, true).entries.front(), "XCOM1:");
    in.osCode = WinVersion::Win98;
    EXPECT_EQ(ComposePortList(in, true).entries, (std::vector<std::string>{"COM1:", "COM2:"}));
}

TEST(PortList, UsbIsPreselectedOverTheParallelDefaultAndAdvancedAddsNumbers) {
    PortListInput in = Input(true, true, true, true);
    in.port.lptDefault = 1;
    PortPageState st = ComposePortList(in, false);
    ASSERT_GE(st.selected, 0);
    EXPECT_EQ(st.entries[size_t(st.selected)], "USB_ZRP-A10_1");
    EXPECT_FALSE(st.serialEnabled);
    EXPECT_FALSE(st.ipEnabled);
    EXPECT_EQ(st.noteKey, "IDS_ERR_UPDATEUSB");  // no kernel driver installed
    EXPECT_EQ(st.raster, RasterBox::Hidden);
    in.advanced = true;
    st = ComposePortList(in, true);
    EXPECT_EQ(
        std::count_if(st.entries.begin(), st.entries.end(), [](auto& e) { return e.find("USB_") == 0; }), 4);
    EXPECT_EQ(st.raster, RasterBox::Shown);
    in.usbClassification = 1;
    st = ComposePortList(in, true);
    EXPECT_EQ(
        std::count_if(st.entries.begin(), st.entries.end(), [](auto& e) { return e.find("USB_") == 0; }), 1);
    in.osCode = WinVersion::NT4;  // NT 4.0 offers no USB
    st = ComposePortList(in, true);
    EXPECT_EQ(
        std::count_if(st.entries.begin(), st.entries.end(), [](auto& e) { return e.find("USB_") == 0; }), 0);
}

TEST(PortList, KindBySubstringAndPrinterSuffix) {
    EXPECT_EQ(DecidePortKind("USB_COM_1"), PortKind::Usb);
    EXPECT_EQ(DecidePortKind("QXCOM3:"), PortKind::Serial);
    EXPECT_EQ(DecidePortKind("LPT2:"), PortKind::Parallel);
    EXPECT_EQ(DecidePortKind("NET:"), PortKind::Network);
    EXPECT_FALSE(DecidePortKind("FILE:"));
    EXPECT_EQ(PrinterNameSuffix(PortKind::Usb, "USB_ZRP-A10_3"), "(U) 3");
    EXPECT_EQ(PrinterNameSuffix(PortKind::Network, "QXIP_1.2.3.4"), "(E)");
    EXPECT_EQ(ComPartOf("QXCOM3:"), "COM3:");
}

TEST(SerialSettings, TextForEveryStopBitCase) {
    SerialSettings s;
    EXPECT_EQ(SerialSettingsText(s), "9600,n,8,1,p");
    s.stopBits = 1.5;
    EXPECT_EQ(SerialSettingsText(s), "9600,n,8,1.5,p");
    s.stopBits = 2.0;
    EXPECT_EQ(SerialSettingsText(s), "9600,n,8,2,p");
    s.flow = *FlowFromText("None");
    s.parity = ParityFromText("Space");
    EXPECT_EQ(SerialSettingsText(s), "9600,s,8,2, ");
    EXPECT_EQ(FlowFromText("Xon/Xoff"), 'x');
    EXPECT_FALSE(FlowFromText("xon/xoff"));
}

TEST(SerialSettings, DeviceControlBlockFields) {
    SerialSettings s;
    s.baudRate = 19200;
    s.parity = 's';
    s.byteSize = 7;
    s.stopBits = 1.5;
    s.flow = 'x';
    auto d = BuildDcb(s);
    k20::ByteReader r(d.data(), d.size());
    EXPECT_EQ(r.u32At(0), 28u);
    EXPECT_EQ(r.u32At(4), 19200u);
    EXPECT_EQ(r.u32At(8), 0x1u | 0x2u | (1u << 8) | (1u << 9) | (1u << 10));
    EXPECT_EQ(d[18], 7);
    EXPECT_EQ(d[19], 4);  // space parity
    EXPECT_EQ(d[20], 1);
    EXPECT_EQ(d[21], 17);
    EXPECT_EQ(d[22], 19);
    s.flow = 'p';
    s.parity = 'n';
    EXPECT_EQ(k20::GetU32(BuildDcb(s).data(), 8), 0x1u | 0x4u | (1u << 12));
}

TEST(NetworkPort, RecordByteForByteAndExistingPortFails) {
    auto b = BuildTcpIpPortRecord("QXIP_192.168.1.100", "192.168.1.100");
    ASSERT_EQ(b.size(), 964u);
    auto wide = [&](size_t off) {
        std::string s;
        for (size_t i = off; b[i] || b[i + 1]; i += 2) s.push_back(char(b[i]));
        return s;
    };
    EXPECT_EQ(wide(0), "QXIP_192.168.1.100");
    EXPECT_EQ(k20::GetU32(b.data(), 128), 1u);
    EXPECT_EQ(k20::GetU32(b.data(), 132), 1u);
    EXPECT_EQ(k20::GetU32(b.data(), 136), 964u);
    EXPECT_EQ(wide(144), "192.168.1.100");
    EXPECT_EQ(wide(242), "public");
    EXPECT_EQ(k20::GetU32(b.data(), 308), 1u);
    EXPECT_EQ(b[312], 0);
    EXPECT_EQ(b[378], 0);
    for (size_t i = 410; i < 952; ++i) ASSERT_EQ(b[i], 0) << i;
    EXPECT_EQ(k20::GetU32(b.data(), 952), 9100u);
    EXPECT_EQ(k20::GetU32(b.data(), 956), 0u);
    EXPECT_EQ(k20::GetU32(b.data(), 960), 1u);
    // An over-long address is cut inside its field, never past it.
    auto longRec = BuildTcpIpPortRecord(std::string(100, 'P'), std::string(100, '9'));
    EXPECT_EQ(longRec[126], 0);
    EXPECT_EQ(longRec[240], 0);

    SimMachine m;
    Error e;
    EXPECT_TRUE(CreateNetworkPort(m.printAdmin, "QXIP_10.0.0.1", "10.0.0.1", e));
    EXPECT_FALSE(CreateNetworkPort(m.printAdmin, "QXIP_10.0.0.1", "10.0.0.1", e));
    EXPECT_EQ(e, kErrAlreadyExists);
    m.printAdmin.tcpMonitorPresent = false;
    EXPECT_FALSE(CreateNetworkPort(m.printAdmin, "QXIP_10.0.0.2", "10.0.0.2", e));
}

// ---- USB ----

TEST(UsbDetection, ClassificationFromHardwareIds) {
    struct Row {
        std::vector<std::string> ids;
        int expected;
    } rows[] = {
        {{}, 2},
        {{"PCI\\VEN_8086"}, 2},
        {{"USB\\VID_F00D&PID_1000&REV_0001"}, 2},
        {{"USB\\Vid_f00d&Pid_f00d"}, 2},
        {{"USB\\VID_F00D&PID_1500"}, 1},
        {{"USB\\VID_F00D&PID_1500", "USB\\VID_F00D&PID_0002"}, 1},
        {{"USB\\VID_F00D&PID_3000"}, 1},  // one device of neither class
        {{"USB\\VID_F00D&PID_1001", "USB\\VID_F00D&PID_1500"}, 3},
        {{"USB\\VID_F00D&PID_3000", "USB\\VID_F00D&PID_3001"}, 3},
    };
    for (auto& r : rows) {
        SimMachine m;
        m.devices.hardwareIds = r.ids;
        EXPECT_EQ(DetectUsbClassification(m.devices), r.expected) << ::testing::PrintToString(r.ids);
    }
    SimMachine m;
    m.faults.FailAlways("EnumDevices", kErrInvalidData);
    EXPECT_EQ(DetectUsbClassification(m.devices), 2);
}

TEST(UsbDetection, PathByModeAndClassification) {
    EXPECT_EQ(ChooseUsbPath(0, 1), UsbPath::ClassPrinter);
    EXPECT_EQ(ChooseUsbPath(0, 2), UsbPath::MakerDriver);
    EXPECT_EQ(ChooseUsbPath(0, 3), UsbPath::RefuseOnePrinter);
    EXPECT_EQ(ChooseUsbPath(1, 2), UsbPath::RefuseClassId);
    EXPECT_EQ(ChooseUsbPath(1, 3), UsbPath::RefuseOnePrinter);
    EXPECT_EQ(ChooseUsbPath(2, 3), UsbPath::MakerDriver);
    EXPECT_EQ(UsbNumberFromDevice(9), 2);
    EXPECT_EQ(UsbNumberFromDevice(10), 3);
}

struct UsbBench {
    SimMachine m;
    std::vector<std::string> shown, asked;
    bool answer = true;
    UsbUi ui{[this](const std::string& s) { shown.push_back(s); },
             [this](const std::string& s) {
                 asked.push_back(s);
                 return answer;
             }};
    SetupTexts texts{m.files, kPkg(), 0x0409, 1252};
    static std::string kPkg() { return k20::drvsetup::testing::kPkg; }
    UsbBench() {
        k20::drvsetup::testing::LoadFixturePackage(m);
        texts = SetupTexts(m.files, kPkg(), 0x0409, 1252);
    }
};

TEST(UsbDevice, ReadingTheNumberWithoutLibraryOneAndTwoDevices) {
    UsbBench b;
    AdminPlatform p = b.m.admin();
    EXPECT_EQ(ReadDeviceNumber(p, "C:\\pkg", b.texts, b.ui), -1);
    EXPECT_EQ(b.shown.back(), "Can not load QxUsbInt.dll");
    b.m.files.Put("C:\\pkg\\QxUsbInt.dll", std::string("MZ"));
    EXPECT_EQ(ReadDeviceNumber(p, "C:\\pkg", b.texts, b.ui), -1);  // no device
    b.m.usb.devices.push_back(Dev(9));
    EXPECT_EQ(ReadDeviceNumber(p, "C:\\pkg", b.texts, b.ui), 9);
    EXPECT_EQ(b.m.usb.openHandles, 0);
    b.m.usb.devices.push_back(Dev(1));
    EXPECT_EQ(ReadDeviceNumber(p, "C:\\pkg", b.texts, b.ui), -2);
    EXPECT_EQ(b.shown.back(), "<IDS_ERR_ONEPRINTER>");
    b.m.usb.devices.pop_back();
    b.m.usb.devices[0].descriptorReadable = false;
    EXPECT_EQ(ReadDeviceNumber(p, "C:\\pkg", b.texts, b.ui), -1);
    EXPECT_EQ(b.shown.back(), "Get Device ID error");
    b.m.usb.missingFunctions = {"GetDescriptor"};
    EXPECT_EQ(ReadDeviceNumber(p, "C:\\pkg", b.texts, b.ui), -1);
    EXPECT_EQ(b.shown.back(), "open function error");
    for (auto& path : b.m.usb.loaded) EXPECT_EQ(path, "C:\\pkg\\QxUsbInt.dll");
}

TEST(UsbDevice, SetNumberCommandAndFailures) {
    UsbBench b;
    AdminPlatform p = b.m.admin();
    std::array<uint8_t, 6> prefix{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(SetNumberCommand(prefix, 3), (std::array<uint8_t, 10>{1, 2, 3, 4, 5, 6, 0x1D, 0x49, 0x20, 2}));
    b.m.files.Put("C:\\pkg\\QxUsbInt.dll", std::string("MZ"));
    EXPECT_FALSE(SetDeviceNumber(p, "C:\\pkg", prefix, 0, b.ui));
    EXPECT_FALSE(SetDeviceNumber(p, "C:\\pkg", prefix, 9, b.ui));
    EXPECT_TRUE(b.shown.empty());
    EXPECT_FALSE(SetDeviceNumber(p, "C:\\pkg", prefix, 2, b.ui));
    EXPECT_EQ(b.shown.back(), "Can not find USB device.");
    b.m.usb.devices.push_back(Dev(0));
    b.m.usb.devices[0].writable = false;
    EXPECT_FALSE(SetDeviceNumber(p, "C:\\pkg", prefix, 2, b.ui));
    EXPECT_EQ(b.shown.back(), "write ID error");
    b.m.usb.devices[0].writable = true;
    EXPECT_TRUE(SetDeviceNumber(p, "C:\\pkg", prefix, 2, b.ui));
    EXPECT_EQ(b.m.usb.devices[0].bcdDevice, 1);
}

TEST(UsbDevice, MakerDriverPortChecksTheNumber) {
    UsbBench b;
    AdminPlatform p = b.m.admin();
    SetupConfig cfg(b.m.files, "C:\\pkg", false, 1252);
    // No library and no device: advanced mode refuses, typical goes on.
    EXPECT_FALSE(PrepareMakerDriverPort(p, cfg, b.texts, b.ui, true, "USB_ZRP-A10_1"));
    EXPECT_EQ(b.shown.back(), "<IDS_ERR_NOUSBDEVICE>");
    EXPECT_TRUE(PrepareMakerDriverPort(p, cfg, b.texts, b.ui, false, "USB_ZRP-A10_1"));
    b.m.files.Put("C:\\pkg\\QxUsbInt.dll", std::string("MZ"));
    b.m.usb.devices.push_back(Dev(10));  // USB number 3
    b.answer = false;
    EXPECT_FALSE(PrepareMakerDriverPort(p, cfg, b.texts, b.ui, true, "USB_ZRP-A10_2"));
    EXPECT_EQ(b.asked.back(), "<IDS_INF_CHANGEID>");
    b.answer = true;
    EXPECT_TRUE(PrepareMakerDriverPort(p, cfg, b.texts, b.ui, true, "USB_ZRP-A10_2"));
    ASSERT_EQ(b.m.usb.devices[0].writes.size(), 1u);
    EXPECT_EQ(b.m.usb.devices[0].writes[0],
              (std::vector<uint8_t>{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x1D, 0x49, 0x20, 1}));
    EXPECT_TRUE(PrepareMakerDriverPort(p, cfg, b.texts, b.ui, false, "USB_ZRP-A10_1"));
    EXPECT_EQ(b.m.usb.devices[0].writes.back().back(), 0);  // typical mode sets number 1
}

TEST(UsbClassPrinter, NumberFromTheEnumerationText) {
    EXPECT_EQ(ClassPrinterNumberFromText("ZRP-C30(U)3@", "ZRP-C30"), 3);
    EXPECT_EQ(ClassPrinterNumberFromText("X(U)1@ZRP-C30(U)@", "ZRP-C30"), 5);
    EXPECT_EQ(ClassPrinterNumberFromText("ZRP-C30 @", "ZRP-C30"), 5);
    EXPECT_EQ(ClassPrinterNumberFromText("ZRP-C30(U)9@", "ZRP-C30"), 5);
    EXPECT_EQ(ClassPrinterNumberFromText("ZRP-A10(U)4@ZRP-C30(U)2@", "ZRP-C30"), 1);
    EXPECT_EQ(ClassPrinterNumberFromText("OTHER(U)2@", "ZRP-C30"), 0);
}

TEST(UsbClassPrinter, HandOverToTheDriverInstaller) {
    UsbBench b;
    AdminPlatform p = b.m.admin();
    SetupConfig cfg(b.m.files, "C:\\pkg", true, 1252);
    EXPECT_FALSE(
        InstallClassPrinter(p, cfg, b.texts, b.ui, "ZRP-C30", 0, WinVersion::Win7, Flavour::Std, true, 11));
    EXPECT_EQ(b.shown.back(), "<IDS_ERR_CLASSPRINTERIDERROR>");
    b.m.files.Put("C:\\pkg\\UsbPrnEnum.dll", std::string("MZ"));
    b.m.files.Put("C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe", std::string("MZ"));
    b.m.usb.enumText = "ZRP-C30(U)3@";
    b.m.usb.enumResult = 1;
    ASSERT_TRUE(
        InstallClassPrinter(p, cfg, b.texts, b.ui, "ZRP-C30", 0, WinVersion::Win7, Flavour::Std, true, 11));
    ASSERT_EQ(b.m.processes.started.size(), 1u);
    EXPECT_EQ(b.m.processes.started[0].exe, "C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe");
    EXPECT_EQ(b.m.processes.started[0].parameters,
              "3 C:\\pkg\\W64\\Setup.inf USBPRINT\\ZRP-C30_HWID3 0 ZRP-C30(U)3");
    EXPECT_TRUE(b.m.files.Exists("C:\\PellamorDriverlog\\LOGVIEWER.EXE"));
    b.m.usb.enumText = "ZRP-C30(U)2@";  // no hardware identifier for number 2
    EXPECT_FALSE(
        InstallClassPrinter(p, cfg, b.texts, b.ui, "ZRP-C30", 0, WinVersion::Win7, Flavour::Std, false, 11));
    EXPECT_EQ(b.shown.back(), "<IDS_ERR_HARDWAREIDNULL>");
}

TEST(UsbKernelDriver, VersionCheckAndInstallerFolders) {
    EXPECT_EQ(CompactVersion("1.0.3.0"), 1030);
    EXPECT_EQ(UsbDriverFolder("C:\\p", false, 8), "C:\\p\\USBDrv\\USBDriver_x86\\Win8");
    EXPECT_EQ(UsbDriverFolder("C:\\p", true, 10), "C:\\p\\USBDrv\\USBDriver_x64\\Win10");
    EXPECT_EQ(UsbDriverFolder("C:\\p", true, 11), "C:\\p\\USBDrv\\USBDriver_x64\\Win7");
    UsbBench b;
    AdminPlatform p = b.m.admin();
    SetupConfig cfg(b.m.files, "C:\\pkg", true, 1252);
    std::string pkgSys = "C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\QXPUSB.sys";
    b.m.files.Put(pkgSys, std::vector<uint8_t>{1}, "1.0.3.0");
    b.m.files.Put("C:\\pkg\\USBDrv\\USBDriver_x64\\Win7\\Install.exe", std::string("MZ"));
    EXPECT_EQ(CheckKernelDriverVersion(p, "C:\\pkg", true, 7), -1);
    b.m.files.Put("C:\\Windows\\system32\\drivers\\QXPUSB.sys", std::vector<uint8_t>{1}, "1.0.2.0");
    EXPECT_EQ(CheckKernelDriverVersion(p, "C:\\pkg", true, 7), 1);
    b.m.files.SetAttributes(pkgSys, kAttrReadOnly);
    uint64_t t0 = b.m.clock.nowMs;
    UpdateKernelDriverIfNeeded(p, cfg, 7, UsbUi{});
    ASSERT_EQ(b.m.processes.started.size(), 1u);
    EXPECT_EQ(b.m.processes.started[0].parameters, "2");
    EXPECT_EQ(b.m.clock.nowMs - t0, 3500u);
    uint32_t a = 0;
    b.m.files.GetAttributes(pkgSys, a);
    EXPECT_EQ(a & kAttrReadOnly, 0u);
    b.m.files.Put("C:\\Windows\\system32\\drivers\\QXPUSB.sys", std::vector<uint8_t>{1}, "1.0.3.0");
    EXPECT_EQ(CheckKernelDriverVersion(p, "C:\\pkg", true, 7), 0);
    UpdateKernelDriverIfNeeded(p, cfg, 7, UsbUi{});
    EXPECT_EQ(b.m.processes.started.size(), 1u);
}

// ---- records ----

TEST(InstallRecords, UsbPortRecordsInThe64BitViewLastWriteWins) {
    SimMachine m;
    k20::drvsetup::testing::LoadFixturePackage(m);
    m.registry.process32 = true;
    SetupConfig cfg(m.files, "C:\\pkg", true, 1252);
    InstallRecords rec(m.registry, true, WinVersion::Win7);
    rec.RecordUsbPort(cfg, "USB_ZRP-A10_2");
    rec.RecordUsbPort(cfg, "USB_ZRP-A10_2");
    rec.RecordUsbPort(cfg, "USB_OTHER_1");
    uint32_t v = 99;
    EXPECT_EQ(m.registry.GetDword(RegRoot::LocalMachine, kPortNameKey, "USB_ZRP-A10_2", v, RegView::View64),
              kOk);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(m.registry.GetDword(RegRoot::LocalMachine, kPortNameKey, "USB_OTHER_1", v, RegView::View64),
              kOk);
    EXPECT_EQ(v, 0u);
    EXPECT_TRUE(m.registry.KeyExists(RegRoot::LocalMachine, kPrinterPortKey, RegView::View64));
    EXPECT_FALSE(
        m.registry.KeyExists(RegRoot::LocalMachine, "SOFTWARE\\WOW6432Node\\KESTRAN", RegView::View64));
}

TEST(InstallRecords, OnlyKestranAnd98KeysAreCreatedAndFailuresAreSilent) {
    SimMachine m;
    InstallRecords nt(m.registry, false, WinVersion::Win7);
    nt.WriteMonitorVersion("Mon", 2);
    nt.WriteSerialSettings("COM1:", "9600,n,8,1,p");
    EXPECT_FALSE(m.registry.KeyExists(RegRoot::LocalMachine, MonitorKey("Mon")));
    EXPECT_FALSE(m.registry.KeyExists(RegRoot::LocalMachine, kSerialPortsKey));
    InstallRecords me(m.registry, false, WinVersion::Win98);
    me.WriteProcessorDriver("Proc", "nPROC.DLL");
    std::string s;
    EXPECT_EQ(m.registry.GetString(RegRoot::LocalMachine, ProcessorKey(WinVersion::Win98, false, "Proc"),
                                   "Driver", s),
              kOk);
    EXPECT_EQ(s, "nPROC.DLL");
    EXPECT_NE(ProcessorKey(WinVersion::Win98, false, "Proc").find("Windows 4.0"), std::string::npos);
    m.faults.FailAlways("RegCreateKey", kErrAccessDenied);
    nt.MarkUsbPrinterPort("USB_X_1");  // nothing thrown, nothing written
    EXPECT_FALSE(m.registry.KeyExists(RegRoot::LocalMachine, kPrinterPortKey));
}

}  // namespace
