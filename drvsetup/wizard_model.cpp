#include "drvsetup/wizard_model.h"

#include <algorithm>
#include <cstdio>

#include "common/text.h"
#include "drvsetup/install_records.h"
#include "platform/filesystem.h"

namespace k20::drvsetup {

using platform::JoinPath;

DetectedSystem DetectWindowsCode(const platform::OsVersion& v) {
    DetectedSystem d;
    if (v.platformId == 1) return d;
    if (v.platformId != 2) {
        d.unknownPlatform = true;
        return d;
    }
    const bool workstation = v.productType == 1;
    const bool x64 = v.processorArchitecture == 9;
    const uint32_t major = v.major, minor = v.minor;
    if (major == 4)
        d.code = 1;
    else if (major == 5 && minor == 0)
        d.code = 2;
    else if (major == 5 && minor == 1)
        d.code = 3;
    else if (major == 5 && minor == 2)
        d.code = (workstation && x64) ? 3 : 4;
    else if (major == 6 && minor == 0)
        d.code = workstation ? 5 : 6;
    else if (major == 6 && minor == 1)
        d.code = workstation ? 7 : 6;
    else if ((major == 6 && minor >= 2) || (major > 6 && major < 10 && minor > 2))
        d.code = workstation ? 9 : 8;
    // Versions after 10 are newer systems, not Windows 98: they take the 10.0 row.
    else if (major >= 10)
        d.code = workstation ? 11 : 10;
    return d;
}

int OsChoiceOfDetected(int detectedCode) {
    switch (detectedCode) {
        case 8:
        case 10:
            return kOsServer2012;
        case 9:
        case 11:
            return kOsWin8;
        default:
            return (detectedCode >= 0 && detectedCode <= 7) ? detectedCode : kOs98;
    }
}

WinVersion OsCodeOfChoice(int choice) {
    return ClampOsCode(choice);
}

int BaudIndexFor(int baud) {
    for (size_t i = 0; i < kBaudRates.size(); ++i)
        if (kBaudRates[i] == baud) return static_cast<int>(i);
    return 7;  // 38400
}

WizardModel::WizardModel(platform::AdminPlatform& p, std::string installerDir, std::string programName)
    : p_(p), dir_(std::move(installerDir)), programName_(std::move(programName)) {
    auto& sys = p_.base.system;
    detected_ = DetectWindowsCode(sys.Version());
    windows64_ = sys.IsWow64Process() || sys.IsWindows64();
    uint16_t lang = sys.SystemDefaultLanguage();
    chinese_ = IsChineseLanguage(lang);
    cfg_ = std::make_unique<SetupConfig>(p_.base.files, dir_, windows64_, sys.AnsiCodePage());
    texts_ = std::make_unique<SetupTexts>(p_.base.files, dir_, lang, sys.AnsiCodePage());
    osChoice_ = OsChoiceOfDetected(detected_.code);
}

std::string WizardModel::PageTitle(int page) {
    switch (page) {
        case kPageLicence:
            return "阅读版权声明";
        case kPageModel:
            return "STEP 2\tSelect Install Module";
        case kPageMode:
            return "选择安装模式";
        case kPageOs:
            return "STEP 1\tSelect Install OS";
        case kPagePort:
            return "STEP 3\tSet Printer Port and Confirm Setup";
    }
    return {};
}

std::string WizardModel::HelpFile() const {
    return JoinPath(dir_, chinese_ ? "Guide\\Guide_CN.chm" : "Guide\\Guide_EN.chm");
}

StartVerdict WizardModel::Startup(WizardDesktop& desk, const WizardUi& ui, bool withWindow) {
    auto refuse = [&](const std::string& text) {
        ui.show(text);
        return StartVerdict::Refused;
    };
    // 1. One wizard at a time.
    if (!desk.ClaimSingleInstance(programName_)) {
        SetupTexts en(p_.base.files, dir_, 0x0409, p_.base.system.AnsiCodePage());
        SetupTexts cn(p_.base.files, dir_, 0x0804, p_.base.system.AnsiCodePage());
        desk.BringRunningWizardForward(en.Get("Setup", "Caption"), cn.Get("Setup", "Caption"));
        return StartVerdict::AlreadyRunning;
    }
    // 2. Not while the uninstaller is open.
    if (desk.UninstallerWindowOpen()) return refuse(Text("Setup", "Close"));
    // A configuration file too large to be one is refused rather than read as empty.
    (void)cfg_->DeviceNumber();
    if (!texts_->Problem().empty()) return refuse(texts_->Problem());
    if (!cfg_->Problem().empty()) return refuse(cfg_->Problem());
    if (detected_.unknownPlatform) ui.show(texts_->Message("IDS_ERR_SYSTEM"));
    // 3. Windows 98/Me and NT 4.0.
    auto v = p_.base.system.Version();
    if (v.platformId == 1 && v.minor != 0) return refuse(Text("Setup", "Nonsupport"));
    if (v.platformId == 2 && v.major == 4) return refuse(Text("Setup", "Nonsupport"));
    // 4, 5. The 64-bit flag against Supported32OR64.
    int bits = cfg_->Supported32Or64();
    if (bits == 1 && windows64_) return refuse(texts_->Message("IDS_X64"));
    if (bits == 2 && !windows64_) return refuse(texts_->Message("IDS_X32"));
    // 6. The last model entry must have a port kind in one of the type files.
    ModelEntry last = cfg_->Model(cfg_->DeviceNumber());
    bool anyPort = false;
    for (int t = 0; t < 4 && !anyPort; ++t) {
        PortSection s = cfg_->Port(last.name, t);
        anyPort = s.usbSupported || s.lptSupported || s.comSupported;
    }
    if (!anyPort) return refuse(Text("Setup", "PortNull"));
    // 7. The pages.
    licencePage_ = cfg_->LoadLicense() != 0;
    for (const ModelEntry& e : cfg_->Models())
        if (e.type >= 0 && e.type < 4) types_[e.type].models.push_back(e.name);
    for (auto& t : types_) {
        std::sort(t.models.begin(), t.models.end());
        t.enabled = !t.models.empty();
        t.listEnabled = false;
    }
    if (auto def = cfg_->DefaultModel(); def && def->type >= 0 && def->type < 4) {
        auto& list = types_[def->type];
        auto it = std::find(list.models.begin(), list.models.end(), def->name);
        if (it != list.models.end()) {
            chosenType_ = def->type;
            list.listEnabled = true;
            list.selected = static_cast<int>(it - list.models.begin());
            model_ = def->name;
        }
    }
    // 8. The opening window: the picture, then the Administrators group.
    if (withWindow && !desk.LeftPictureLoads(JoinPath(dir_, "DRVCONFIG\\Left.bmp")))
        return refuse(texts_->Message("IDS_ERR_NOLEFT"));
    if (detected_.code >= 2 && !desk.UserIsAdministrator()) return refuse(texts_->Message("IDS_ADMIN"));
    // 9. The first page.
    if (licencePage_) {
        if (!LoadLicence(ui)) return StartVerdict::Refused;
        page_ = firstPage_ = kPageLicence;
        nextEnabled_ = false;  // Reject is preselected
    } else {
        page_ = firstPage_ = kPageModel;
        nextEnabled_ = true;
    }
    return StartVerdict::Run;
}

bool WizardModel::LoadLicence(const WizardUi& ui) {
    std::vector<uint8_t> bytes;
    std::string path = JoinPath(dir_, chinese_ ? "License_CN.txt" : "License_EN.txt");
    if (p_.base.files.ReadFile(path, bytes) != platform::kOk) {
        ui.show((!chinese_ && cfg_->Language() == 0) ? "Not suppot the installing!"
                                                     : "Can't load file License.txt!");
        return false;
    }
    licenceText_ = Utf16ToUtf8(DecodeTextFile(bytes, chinese_ ? 936 : p_.base.system.AnsiCodePage()));
    return true;
}

void WizardModel::SetAccepted(bool accept) {
    accepted_ = accept;
    if (page_ == kPageLicence) nextEnabled_ = accept;
}

void WizardModel::ChooseType(int type) {
    if (type < 0 || type >= 4 || !types_[type].enabled) return;
    chosenType_ = type;
    for (int t = 0; t < 4; ++t) types_[t].listEnabled = (t == type);
    auto& list = types_[type];
    model_ = list.selected >= 0 ? list.models[list.selected] : std::string();
}

void WizardModel::ChooseModel(int type, int index) {
    if (type < 0 || type >= 4 || type != chosenType_) return;
    auto& list = types_[type];
    if (index < 0 || index >= static_cast<int>(list.models.size())) {
        list.selected = -1;
        model_.clear();
        return;
    }
    list.selected = index;
    model_ = list.models[index];
}

void WizardModel::ChooseAdvanced(bool advanced) {
    if (advanced && !advancedEnabled_) return;
    advanced_ = advanced;
}

std::vector<std::string> WizardModel::Notes() const {
    if (typicalOnly_) return {texts_->Message("IDS_TYPICAL_NOTES")};
    if (advanced_) return {Text("Mode", "Note2"), Text("Mode", "Note3")};
    return {Text("Mode", "Note1")};
}

void WizardModel::UpdateNextEnabled() {
    switch (page_) {
        case kPageLicence:
            nextEnabled_ = accepted_;
            break;
        default:
            nextEnabled_ = true;
            break;
    }
}

bool WizardModel::LeaveModelPage(const WizardUi& ui) {
    // A model must be chosen; without one the type file cannot be known.
    if (model_.empty() || chosenType_ < 0) {
        ui.show(texts_->Message("IDS_ERR_SELPRINTER"));
        return false;
    }
    portSection_ = cfg_->Port(model_, chosenType_);
    if (portSection_.advancedSetup == 0) {
        advancedEnabled_ = false;
        advanced_ = false;
        typicalOnly_ = true;
    } else {
        advancedEnabled_ = true;
        typicalOnly_ = false;
    }
    return true;
}

bool WizardModel::OsSupported(WinVersion osCode, const WizardUi& ui) {
    const char* key = nullptr;
    int value = 1;
    switch (osCode) {
        case WinVersion::NT4:
            value = portSection_.systemNT;
            key = "IDS_NOTSUPPORTNT";
            break;
        case WinVersion::Server2003:
            value = portSection_.system2003;
            key = "IDS_NOTSUPPORT2003";
            break;
        case WinVersion::Vista:
            value = portSection_.systemVista;
            key = "IDS_NOTSUPPORTVISTA";
            break;
        case WinVersion::Server2008:
            value = portSection_.system2008;
            key = "IDS_NOTSUPPORT2008";
            break;
        case WinVersion::Win7:
            value = portSection_.systemWin7;
            key = "IDS_NOTSUPPORTWin7";
            break;
        default:
            return true;
    }
    if (value != 0) return true;
    ui.show(texts_->Message(key));
    return false;
}

bool WizardModel::LeaveOsPage(const WizardUi& ui) {
    if (!OsSupported(OsCode(), ui)) return false;
    if (baudPending_) {
        baudIndex_ = BaudIndexFor(portSection_.baudRate);
        serial_.baudRate = portSection_.baudRate;  // the configured value until the user chooses
        baudPending_ = false;
    }
    return true;
}

void WizardModel::ArriveAtPortPage() {
    const int mode = ModeValue();
    if (composedModel_ == model_ && composedMode_ == mode && composedOs_ == OsCode()) return;
    composedModel_ = model_;
    composedMode_ = mode;
    composedOs_ = OsCode();
    PortListInput in;
    in.model = model_;
    in.osCode = OsCode();
    in.windows64 = windows64_;
    in.advanced = advanced_;
    in.port = portSection_;
    in.comMonitorVisible = cfg_->ComMonitorVisible(detected_.code);
    in.usbClassification = portSection_.usbSupported ? DetectUsbClassification(p_.devices) : 2;
    usbDriverInstalled_ = InstalledKernelDriverVersion(p_, windows64_) != "0.0.0.0";
    ports_ = ComposePortList(in, usbDriverInstalled_);
}

bool WizardModel::Next(const WizardUi& ui) {
    if (!nextEnabled_) return false;
    switch (page_) {
        case kPageLicence:
            page_ = kPageModel;
            // Nothing to choose at all: the model page cannot be left.
            nextEnabled_ =
                std::any_of(types_.begin(), types_.end(), [](const TypeChoice& t) { return t.enabled; });
            return true;
        case kPageModel:
            if (!LeaveModelPage(ui)) return false;
            page_ = kPageMode;
            UpdateNextEnabled();
            return true;
        case kPageMode:
            page_ = kPageOs;
            // The OS page offers only the running system: it is passed without a click.
            if (!LeaveOsPage(ui)) return true;  // the refusal keeps the wizard on the OS page
            page_ = kPagePort;
            ArriveAtPortPage();
            return true;
        case kPageOs:
            if (!LeaveOsPage(ui)) return false;
            page_ = kPagePort;
            ArriveAtPortPage();
            return true;
        default:
            return false;
    }
}

void WizardModel::Back() {
    if (page_ == firstPage_) return;
    if (page_ == kPagePort)
        page_ = kPageMode;
    else {
        if (page_ == kPageMode) baudPending_ = true;
        --page_;
    }
    UpdateNextEnabled();
}

std::string WizardModel::SelectedPort() const {
    if (ports_.selected < 0 || ports_.selected >= static_cast<int>(ports_.entries.size())) return {};
    return ports_.entries[ports_.selected];
}

void WizardModel::SelectPort(int index) {
    if (index < 0 || index >= static_cast<int>(ports_.entries.size())) return;
    ports_.selected = index;
    if (auto kind = DecidePortKind(ports_.entries[index]))
        ApplyEnableRules(ports_, *kind, false, OsCode(), usbDriverInstalled_, advanced_);
}

void WizardModel::ChooseBaud(int index) {
    if (index < 0 || index >= static_cast<int>(kBaudRates.size())) return;
    baudIndex_ = index;
    serial_.baudRate = kBaudRates[index];
}

void WizardModel::ChooseByteSize(int bits) {
    if (bits >= 5 && bits <= 8) serial_.byteSize = bits;
}

void WizardModel::ChooseParity(const std::string& text) {
    if (!text.empty()) serial_.parity = ParityFromText(text);
}

void WizardModel::ChooseStopBits(double bits) {
    if (bits == 1.0 || bits == 1.5 || bits == 2.0) serial_.stopBits = bits;
}

void WizardModel::ChooseFlow(const std::string& text) {
    if (auto f = FlowFromText(text)) serial_.flow = *f;
}

void WizardModel::ChooseParityChar(char c) {
    if (std::string("emnos").find(c) != std::string::npos && c) serial_.parity = c;
}

void WizardModel::ChooseFlowChar(char c) {
    if (c == 'p' || c == 'x' || c == ' ') serial_.flow = c;
}

void WizardModel::SetRaster(bool on) {
    if (ports_.rasterEnabled) ports_.rasterOn = on;
}

InstallStep WizardModel::PrepareInstall(const WizardUi& ui) {
    const WinVersion os = OsCode();
    // 1. The target is tested again.
    if ((os == WinVersion::NT4 || os == WinVersion::Server2003 || os == WinVersion::Server2008 ||
         os == WinVersion::Win7) &&
        !OsSupported(os, ui))
        return InstallStep::Stay;
    // 2. The port kind of the chosen entry.
    std::string port = SelectedPort();
    auto kind = DecidePortKind(port);
    if (!kind) {
        ui.show(texts_->Message("IDS_ERR_NOSUPPORTINTERFACE"));
        return InstallStep::Stay;
    }
    const Flavour flavour = ports_.rasterOn ? Flavour::Gdi : Flavour::Std;
    if (*kind == PortKind::Usb) {
        if (os == WinVersion::NT4) {
            ui.show(texts_->Message("IDS_ERR_NOSUPPORTUSB"));
            return InstallStep::Stay;
        }
        UsbPath path = ChooseUsbPath(cfg_->SupportedUsbMode(), DetectUsbClassification(p_.devices));
        switch (path) {
            case UsbPath::RefuseOnePrinter:
                ui.show(texts_->Message("IDS_ERR_ONEPRINTER"));
                return InstallStep::Stay;
            case UsbPath::RefuseClassId:
                ui.show(texts_->Message("IDS_ERR_CLASSPRINTERIDERROR"));
                return InstallStep::Stay;
            case UsbPath::ClassPrinter:
                if (!InstallClassPrinter(p_, *cfg_, *texts_, ui.Usb(), model_, chosenType_, os, flavour,
                                         setDefault_, detected_.code))
                    return InstallStep::Stay;
                return InstallStep::HandedOver;
            case UsbPath::MakerDriver:
                break;
        }
        if (!UpdateKernelDriverIfNeeded(p_, *cfg_, detected_.code, ui.Usb())) return InstallStep::Stay;
        if (!PrepareMakerDriverPort(p_, *cfg_, *texts_, ui.Usb(), advanced_, port)) return InstallStep::Stay;
        InstallRecords(p_.base.registry, windows64_, os).RecordUsbPort(*cfg_, port);
    } else if (*kind == PortKind::Network) {
        if (ip_ == std::array<uint8_t, 4>{}) {
            ui.show(texts_->Message("IDS_ERR_IPADDRISNULL"));
            return InstallStep::Stay;
        }
        char ip[16];
        std::snprintf(ip, sizeof ip, "%u.%u.%u.%u", ip_[0], ip_[1], ip_[2], ip_[3]);
        port = NetworkPortName(ip);
        platform::Error err = platform::kOk;
        if (!CreateNetworkPort(p_.printAdmin, port, ip, err)) {
            if (ui.showTitled) ui.showTitled("ERROR", p_.processes.ErrorText(err));
            ui.show(texts_->Message("IDS_ERR_ADDPORTERROR"));
            return InstallStep::Stay;
        }
        createdPort_ = port;
    }
    // 3. The records for the worker.
    request_ = MakeInstallRequest(*cfg_, os, chosenType_, model_, *kind, port, flavour, setDefault_);
    request_.serial = serial_;
    return InstallStep::RunWorker;
}

void WizardModel::RemoveCreatedPort() {
    if (createdPort_.empty()) return;
    // Only while no printer prints there: a port left by a failed run would make every
    // retry on that address fail with IDS_ERR_ADDPORTERROR.
    std::vector<platform::PrinterInfo2> printers;
    if (p_.printAdmin.EnumPrinters(printers) != platform::kOk) return;
    for (auto& pr : printers)
        if (EqualsNoCase(pr.portName, createdPort_)) return;
    if (p_.printAdmin.DeletePort(createdPort_) == platform::kOk) createdPort_.clear();
}

void WizardModel::Finish(int workerResult, const std::string& workerMessage, const WizardUi& ui,
                         const std::function<bool()>& restartWindows, bool startCompanion) {
    const bool ok = workerResult == kWorkerSuccess;
    // A failure is never shown as the success text, even when the worker left no text.
    if (ok)
        ui.show(workerMessage.empty() ? texts_->Message("IDS_INF_NTRESTART") : workerMessage);
    else
        ui.show(workerMessage.empty() ? WorkerStoppedText(*texts_, "", "") : workerMessage);
    if (!ok) RemoveCreatedPort();
    if (OsCode() == WinVersion::Win98 && ui.ask(texts_->Message("IDS_INF_RESTART"))) {
        if (!restartWindows || !restartWindows()) ui.show(texts_->Message("IDS_ERR_EXITWIN"));
    }
    (void)cfg_->ShellExeName();
    if (ok && startCompanion) {
        uint32_t code = 0;
        p_.processes.Start(JoinPath(dir_, "Devtune\\Devtune.exe"), "999", false, code);
    }
}

}  // namespace k20::drvsetup
