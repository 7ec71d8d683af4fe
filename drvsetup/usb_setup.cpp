#include "drvsetup/usb_setup.h"

#include <cstring>

#include "common/command_line.h"
#include "common/text.h"
#include "drvsetup/installer.h"

namespace k20::drvsetup {

using namespace platform;

static int HexValue(const std::string& s) {
    int v = 0;
    for (char c : s) {
        int d = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
        if (d < 0) return -1;
        v = v * 16 + d;
    }
    return v;
}

UsbProductClass ClassifyHardwareId(const std::string& id) {
    if (id.find(kUsbPrefixUpper) == std::string::npos && id.find(kUsbPrefixLower) == std::string::npos)
        return UsbProductClass::NotOurs;
    // The product identifier sits right after the prefix at the start of the property.
    size_t len = std::strlen(kUsbPrefixUpper);
    int pid = id.size() >= len + 4 ? HexValue(id.substr(len, 4)) : -1;
    if (pid == 0x1000 || pid == 0x1001 || pid == 0x1002 || pid == 0xF00D) return UsbProductClass::MakerDriver;
    if (pid >= 0 && pid < 0x2000) return UsbProductClass::ClassPrinter;
    return UsbProductClass::Other;
}

int DetectUsbClassification(DeviceSetup& devices) {
    std::vector<std::string> ids;
    if (devices.EnumPresentHardwareIds(ids) != kOk) return 2;
    int i = 0, c1 = 0, c2 = 0;
    for (auto& id : ids) {
        std::string cut = id.size() > 1024 ? id.substr(0, 1024) : id;
        switch (ClassifyHardwareId(cut)) {
            case UsbProductClass::NotOurs:
                continue;
            case UsbProductClass::MakerDriver:
                ++c1;
                break;
            case UsbProductClass::ClassPrinter:
                ++c2;
                break;
            case UsbProductClass::Other:
                break;
        }
        ++i;
    }
    if (i == 0 || i == c1) return 2;
    if (i == c2 || i == 1) return 1;
    return 3;
}

int UsbNumberFromDevice(int bcd) {
    return (bcd % 8) + 1;
}

std::string StartFailureText(AdminPlatform& p, const std::string& exe, Error e) {
    return "The USB driver installer " + exe + " could not be started.\n" + p.processes.ErrorText(e);
}

static void Show(const UsbUi& ui, const std::string& s) {
    if (ui.show) ui.show(s);
}
static bool Ask(const UsbUi& ui, const std::string& s) {
    return ui.ask ? ui.ask(s) : false;
}
static bool ValidHandle(intptr_t h) {
    return h != 0 && h != -1;
}

int ReadDeviceNumber(AdminPlatform& p, const std::string& dir, const SetupTexts& texts, const UsbUi& ui) {
    std::unique_ptr<QxUsbInt> lib;
    if (p.usb.LoadQxUsbInt(JoinPath(dir, "QxUsbInt.dll"), lib) != kOk || !lib) {
        Show(ui, "Can not load QxUsbInt.dll");
        return -1;
    }
    if (!lib->Has("OpenDeviceX") || !lib->Has("GetDescriptor") || !lib->Has("CloseDevice")) {
        Show(ui, "open function error");
        return -1;
    }
    int first = -1;
    for (int i = 0; i < 8; ++i) {
        intptr_t h = lib->OpenDeviceX(i);
        if (!ValidHandle(h)) continue;
        lib->CloseDevice(h);
        if (first >= 0) {
            Show(ui, texts.Message("IDS_ERR_ONEPRINTER"));
            return -2;
        }
        first = i;
    }
    if (first < 0) return -1;
    intptr_t h = lib->OpenDeviceX(first);
    if (!ValidHandle(h)) return -1;
    uint8_t desc[20] = {};
    int ok = lib->GetDescriptor(h, desc);
    lib->CloseDevice(h);
    if (!ok) {
        Show(ui, "Get Device ID error");
        return -1;
    }
    return desc[12] | (desc[13] << 8);
}

std::array<uint8_t, 10> SetNumberCommand(const std::array<uint8_t, 6>& prefix, int n) {
    std::array<uint8_t, 10> c{};
    std::copy(prefix.begin(), prefix.end(), c.begin());
    c[6] = 0x1D;
    c[7] = 0x49;
    c[8] = 0x20;
    c[9] = uint8_t(n - 1);
    return c;
}

bool SetDeviceNumber(AdminPlatform& p, const std::string& dir, const std::array<uint8_t, 6>& prefix, int n,
                     const UsbUi& ui) {
    if (n < 1 || n > 8) return false;
    std::unique_ptr<QxUsbInt> lib;
    if (p.usb.LoadQxUsbInt(JoinPath(dir, "QxUsbInt.dll"), lib) != kOk || !lib) {
        Show(ui, "open function error");
        return false;
    }
    if (!lib->Has("OpenDeviceX") || !lib->Has("uWrite") || !lib->Has("CloseDevice")) {
        Show(ui, "open function error");
        return false;
    }
    intptr_t h = 0;
    for (int i = 0; i < 8 && !ValidHandle(h); ++i) h = lib->OpenDeviceX(i);
    if (!ValidHandle(h)) {
        Show(ui, "Can not find USB device.");
        return false;
    }
    auto cmd = SetNumberCommand(prefix, n);
    int written = lib->uWrite(h, 0, cmd.data(), int(cmd.size()));
    lib->CloseDevice(h);
    if (written <= 0) {
        Show(ui, "write ID error");
        return false;
    }
    return true;
}

int ClassPrinterNumberFromText(const std::string& text, const std::string& model) {
    size_t at = model.empty() ? std::string::npos : text.find(model);
    if (at == std::string::npos) return 0;
    if (text.find("ZRP-A10") != std::string::npos) return 1;
    size_t end = text.find('@', at + model.size());
    if (end == std::string::npos) end = text.size();
    std::string entry = text.substr(at, end - at);
    if (entry.find("(U)") == std::string::npos) return 5;
    for (size_t k = 1; k <= 3 && k <= end - at; ++k) {
        char c = text[end - k];
        if (c >= '1' && c <= '4') return c - '0';
    }
    return 5;
}

int ReadClassPrinterNumber(AdminPlatform& p, const std::string& dir, const std::string& model,
                           const UsbUi& ui) {
    std::unique_ptr<UsbPrnEnum> lib;
    if (p.usb.LoadUsbPrnEnum(JoinPath(dir, "UsbPrnEnum.dll"), lib) != kOk || !lib ||
        !lib->Has("EnumUSBPrinter")) {
        Show(ui, "load library failed!");
        return 0;
    }
    char buf[1024] = {};
    if (lib->EnumUSBPrinter(buf) < 0) return 0;
    buf[1023] = 0;
    return ClassPrinterNumberFromText(std::string(buf), model);
}

int CompactVersion(const std::string& v) {
    std::string digits;
    for (size_t i : {0u, 2u, 4u, 6u})
        if (i < v.size()) digits.push_back(v[i]);
    return ParseDecimal(digits);
}

std::string UsbDriverFolder(const std::string& dir, bool windows64, int detectedCode) {
    const char* os = detectedCode == 8 ? "Win8" : detectedCode == 10 ? "Win10" : "Win7";
    return JoinPath(dir, std::string("USBDrv\\USBDriver_") + (windows64 ? "x64" : "x86") + "\\" + os);
}

static std::string VersionOf(AdminPlatform& p, const std::string& path, bool redirectOff) {
    void* cookie = nullptr;
    bool switched = redirectOff && p.wow64.LibraryAvailable() && p.wow64.FunctionsAvailable() &&
                    p.wow64.Disable(cookie) == kOk;
    std::string v;
    Error e = p.base.files.GetFileVersion(path, v);
    if (switched) p.wow64.Revert(cookie);
    return e == kOk && !v.empty() ? v : "0.0.0.0";
}

std::string InstalledKernelDriverVersion(AdminPlatform& p, bool windows64) {
    return VersionOf(p, JoinPath(p.base.system.WindowsDirectory(), "system32\\drivers\\QXPUSB.sys"),
                     windows64);
}

int CheckKernelDriverVersion(AdminPlatform& p, const std::string& dir, bool windows64, int detectedCode) {
    std::string package =
        VersionOf(p, JoinPath(UsbDriverFolder(dir, windows64, detectedCode), "QXPUSB.sys"), false);
    std::string installed = InstalledKernelDriverVersion(p, windows64);
    if (package == installed) return 0;
    int pv = CompactVersion(package), iv = CompactVersion(installed);
    if (iv == 0) return -1;
    return iv < pv ? 1 : 0;
}

UsbPath ChooseUsbPath(int mode, int classification) {
    if (mode == 2) return UsbPath::MakerDriver;
    if (classification == 3) return UsbPath::RefuseOnePrinter;
    if (classification == 1) return UsbPath::ClassPrinter;
    return mode == 1 ? UsbPath::RefuseClassId : UsbPath::MakerDriver;
}

std::string ClassInstallArguments(const std::string& inf, const std::string& hwid,
                                  const std::string& defaultPrinter) {
    // Every argument by the Windows command-line rules: the hardware identifier comes from
    // a configuration file and the printer name from the model list, and either may hold
    // quotes, blanks or backslashes that would otherwise change the arguments.
    std::string a =
        "3 " + QuoteCommandLineArgumentIfNeeded(inf) + " " + QuoteCommandLineArgumentIfNeeded(hwid) + " 0";
    if (!defaultPrinter.empty()) a += " " + QuoteCommandLineArgumentIfNeeded(defaultPrinter);
    return a;
}

std::string ClassInstallInfPath(SetupConfig& cfg) {
    std::string stem = cfg.InfFileName();
    bool w64 = cfg.Windows64();
    if (stem.empty() || stem == "err" || !IsBareFileName(stem))
        return JoinPath(cfg.InstallerDir(), w64 ? "W64\\Setup.inf" : "W32\\Setup.inf");
    return JoinPath(cfg.InstallerDir(), w64 ? "W64\\" + stem + "64.inf" : "W32\\" + stem + "32.inf");
}

bool UpdateKernelDriverIfNeeded(AdminPlatform& p, SetupConfig& cfg, int detectedCode, const UsbUi& ui) {
    if (detectedCode == 0 || detectedCode == 1) return true;
    int check = CheckKernelDriverVersion(p, cfg.InstallerDir(), cfg.Windows64(), detectedCode);
    if (check != -1 && check != 1) return true;
    std::string folder = UsbDriverFolder(cfg.InstallerDir(), cfg.Windows64(), detectedCode);
    for (const char* f : {"QXPUSB.sys", "QXPUSB.INF"}) {
        uint32_t a = 0;
        if (p.base.files.GetAttributes(JoinPath(folder, f), a) == kOk)
            p.base.files.SetAttributes(JoinPath(folder, f), a & ~kAttrReadOnly);
    }
    uint32_t exitCode = 0;
    std::string exe = JoinPath(folder, "Install.exe");
    if (Error e = p.processes.Start(exe, "2", false, exitCode)) {
        Show(ui, StartFailureText(p, exe, e));
        return false;
    }
    p.base.system.Sleep(3500);
    return true;
}

bool InstallClassPrinter(AdminPlatform& p, SetupConfig& cfg, const SetupTexts& texts, const UsbUi& ui,
                         const std::string& model, int printerType, WinVersion osCode, Flavour flavour,
                         bool setDefault, int detectedCode) {
    int n = ReadClassPrinterNumber(p, cfg.InstallerDir(), model, ui);
    if (n == 0) {
        Show(ui, texts.Message("IDS_ERR_CLASSPRINTERIDERROR"));
        return false;
    }
    std::string inf = ClassInstallInfPath(cfg);
    std::string key = model + "(U)" + (n == 5 ? std::string() : std::to_string(n));
    std::string hwid = cfg.UsbClassPrinter(key);
    if (hwid == "ERR") {
        Show(ui, texts.Message("IDS_ERR_HARDWAREIDNULL"));
        return false;
    }
    InstallRequest req =
        MakeInstallRequest(cfg, osCode, printerType, model, PortKind::Usb, "", flavour, setDefault);
    Installer copier(p, texts, cfg.InstallerDir(), req);
    if (Named(req.files.driverLogViewer)) copier.CopyFile(req.files.driverLogViewer, Dest::DriverLogFolder);
    if (copier.Message().empty() && Named(req.files.driverLogIni))
        copier.CopyFile(req.files.driverLogIni, Dest::DriverLogFolder);
    if (!copier.Message().empty()) {
        Show(ui, copier.Message());
        return false;
    }
    uint32_t exitCode = 0;
    std::string exe =
        JoinPath(UsbDriverFolder(cfg.InstallerDir(), cfg.Windows64(), detectedCode), "Install.exe");
    if (Error e = p.processes.Start(exe, ClassInstallArguments(inf, hwid, setDefault ? key : ""), false,
                                    exitCode)) {
        Show(ui, StartFailureText(p, exe, e));
        return false;
    }
    return true;
}

bool PrepareMakerDriverPort(AdminPlatform& p, SetupConfig& cfg, const SetupTexts& texts, const UsbUi& ui,
                            bool advanced, const std::string& portName) {
    int d = ReadDeviceNumber(p, cfg.InstallerDir(), texts, ui);
    // Without the firmware's access sequence a renumbering would send invented bytes and
    // report success: it is not offered, and the port is used as chosen.
    std::optional<std::array<uint8_t, 6>> prefix = cfg.ConfiguredSetNumberPrefix();
    if (advanced) {
        if (d == -1) {
            Show(ui, texts.Message("IDS_ERR_NOUSBDEVICE"));
            return false;
        }
        if (d == -2) return false;
        int u = UsbNumberFromDevice(d);
        if (portName.find("_" + std::to_string(u)) == std::string::npos) {
            int v = UsbNumberOfPort(portName);
            if (v != 0 && v != u && prefix) {
                if (!Ask(ui, texts.Message("IDS_INF_CHANGEID"))) return false;
                if (!SetDeviceNumber(p, cfg.InstallerDir(), *prefix, v, ui)) {
                    Show(ui, "Failed to set Printer ID!");
                    return false;
                }
            }
        }
        return true;
    }
    if (d >= 0 && UsbNumberFromDevice(d) != 1 && prefix) {
        if (!Ask(ui, texts.Message("IDS_INF_CHANGEID"))) return false;
        if (!SetDeviceNumber(p, cfg.InstallerDir(), *prefix, 1, ui)) return false;
    }
    return d != -2;
}

}  // namespace k20::drvsetup
