#include "drvsetup/setup_config.h"

#include <climits>
#include <set>

#include "common/text.h"

namespace k20::drvsetup {

using platform::FileSystem;

static const char* const kSuffixes[kOsCount] = {".98",   ".NT",    ".2K",   ".XP",
                                                ".2003", ".Vista", ".2008", ".Win7"};
static const char* const kSetupIni = "DRVCONFIG\\setup.ini";

WinVersion ClampOsCode(int code) {
    if (code < 0) return WinVersion::Win98;
    return code > 7 ? WinVersion::Win7 : WinVersion(code);
}

const char* OsSuffix(WinVersion os) {
    return kSuffixes[int(ClampOsCode(int(os)))];
}

int ParseDecimal(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > 1LL + INT_MAX) v = 1LL + INT_MAX;
    }
    if (neg) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

bool IsBareFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find_first_of("\\/:") != std::string::npos) return false;
    if (name.find("..") != std::string::npos) return false;
    for (unsigned char c : name)
        if (c < 0x20) return false;
    return true;
}

std::string TypeFileName(int printerType, bool windows64) {
    static const char* const kTypes[] = {"receipt", "ticket", "label", "embedded"};
    if (printerType < 0 || printerType > 3) return {};
    return std::string("DRVCONFIG\\setup_") + kTypes[printerType] + (windows64 ? "_64.ini" : ".ini");
}

ModelEntry ParseModelEntry(const std::string& value) {
    static const char* const kTypeSuffix[] = {"-ReceiptPrinter", "-TicketPrinter", "-LabelPrinter",
                                              "-EmbeddedPrinter"};
    for (int t = 0; t < 4; ++t) {
        size_t at = value.find(kTypeSuffix[t]);
        if (at != std::string::npos) return ModelEntry{value.substr(0, at), t};
    }
    return ModelEntry{value, -1};
}

std::string LimitBytes(const std::string& utf8, size_t maxBytes, unsigned codePage) {
    std::u16string w = Utf8ToUtf16(utf8);
    if (Utf16ToCodePage(w, codePage).size() <= maxBytes) return utf8;
    std::u16string out;
    size_t bytes = 0;
    for (size_t i = 0; i < w.size();) {
        size_t n = (w[i] >= 0xD800 && w[i] < 0xDC00 && i + 1 < w.size()) ? 2 : 1;
        size_t b = Utf16ToCodePage(std::u16string_view(w).substr(i, n), codePage).size();
        if (bytes + b > maxBytes) break;
        bytes += b;
        out.append(w, i, n);
        i += n;
    }
    return Utf16ToUtf8(out);
}

std::string ExpandLineBreaks(std::string s) {
    for (const char* marker : {"\\1", "\\2", "\\3"}) {
        size_t at = s.find(marker);
        if (at != std::string::npos) s.replace(at, 2, "\r\n");
    }
    return s;
}

// ---- SetupConfig ----

SetupConfig::SetupConfig(FileSystem& fs, std::string installerDir, bool windows64, unsigned codePage)
    : fs_(fs), dir_(std::move(installerDir)), windows64_(windows64), codePage_(codePage) {}

const IniFile& SetupConfig::Load(const std::string& file) {
    std::string key = ToUpper(file);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    std::vector<uint8_t> bytes;
    IniFile ini;
    uint64_t size = 0;
    platform::Error e =
        platform::ReadFileLimited(fs_, platform::JoinPath(dir_, file), kMaxIniFileBytes, bytes, size);
    if (e == platform::kOk)
        ini = IniFile::FromBytes(bytes, codePage_);
    else if (e == platform::kErrFileTooLarge && problem_.empty())
        problem_ = IniTooLargeMessage(file, size);
    return cache_.emplace(key, std::move(ini)).first->second;
}

std::string SetupConfig::GetString(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& def, size_t maxBytes) {
    std::string v = Load(file).GetUtf8(section, key, def);
    return LimitBytes(v, maxBytes, codePage_);
}

int SetupConfig::GetInt(const std::string& file, const std::string& section, const std::string& key) {
    return ParseDecimal(GetString(file, section, key, "0", 255));
}

int SetupConfig::DeviceNumber() {
    return GetInt(kSetupIni, "DEVICENAME", "DEVICENUMBER");
}

ModelEntry SetupConfig::Model(int index) {
    return ParseModelEntry(
        GetString(kSetupIni, "DEVICENAME", "DEVICENAME" + std::to_string(index), "0", kModelEntryLimit));
}

std::vector<ModelEntry> SetupConfig::Models() {
    std::vector<ModelEntry> out;
    const int n = DeviceNumber();
    // An index without its key reads "0", which carries no suffix and adds nothing, so only
    // the indexes the section names are read: a count far beyond the file (up to the
    // bound no real package reaches) costs nothing.
    std::set<int> present;
    static constexpr std::u16string_view kPrefix = u"DEVICENAME";
    for (const std::u16string& key : Load(kSetupIni).Keys(u"DEVICENAME")) {
        if (key.size() <= kPrefix.size() || key.size() > kPrefix.size() + 4) continue;
        if (!EqualsNoCase(std::u16string_view(key).substr(0, kPrefix.size()), kPrefix)) continue;
        int i = 0;
        bool digits = key[kPrefix.size()] != u'0';
        for (size_t k = kPrefix.size(); digits && k < key.size(); ++k) {
            digits = key[k] >= u'0' && key[k] <= u'9';
            i = i * 10 + (key[k] - u'0');
        }
        if (digits && i >= 1 && i <= n && i <= 9999) present.insert(i);
    }
    for (int i : present) {
        ModelEntry e = Model(i);
        if (e.type >= 0) out.push_back(e);
    }
    return out;
}

int SetupConfig::DefaultName() {
    return GetInt(kSetupIni, "DEVICENAME", "DEFAULTNAME");
}

std::optional<ModelEntry> SetupConfig::DefaultModel() {
    int i = DefaultName();
    if (i < 1 || i > DeviceNumber()) return std::nullopt;
    ModelEntry e = Model(i);
    if (e.type < 0) return std::nullopt;
    return e;
}

int SetupConfig::LoadLicense() {
    return GetInt(kSetupIni, "DEVICENAME", "LOADLICENSE");
}
int SetupConfig::Language() {
    return GetInt(kSetupIni, "DEVICENAME", "LANGUAGE");
}
int SetupConfig::Supported32Or64() {
    return GetInt(kSetupIni, "DEVICENAME", "Supported32OR64");
}
int SetupConfig::GdiStdSign() {
    return GetInt(kSetupIni, "DEVICENAME", "GDISTDSign");
}
int SetupConfig::SupportedUsbMode() {
    return GetInt(kSetupIni, "DEVICENAME", "SupportedUSBMODE");
}
std::string SetupConfig::InfFileName() {
    return GetString(kSetupIni, "DEVICENAME", "Inffilename", "err", kFileLimit);
}
std::string SetupConfig::ShellExeName() {
    return GetString(kSetupIni, "DEVICENAME", "SHELLEXENAME", "0", kFileLimit);
}

std::array<uint8_t, 6> SetupConfig::SetNumberPrefix() {
    return ConfiguredSetNumberPrefix().value_or(std::array<uint8_t, 6>{});
}

std::optional<std::array<uint8_t, 6>> SetupConfig::ConfiguredSetNumberPrefix() {
    // The access sequence belongs to the printer's firmware: without a configured value
    // there is none to send.
    std::optional<std::array<uint8_t, 6>> none;
    std::array<uint8_t, 6> out{};
    std::string v = GetString(kSetupIni, "DEVICENAME", "USBSETIDPREFIX", "", 255);
    std::vector<uint8_t> bytes;
    int nibble = -1;
    for (char c : v) {
        int d = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
        if (d < 0) {
            if (c == ' ' || c == ',' || c == '\t') {
                if (nibble >= 0) bytes.push_back(uint8_t(nibble)), nibble = -1;
                continue;
            }
            return none;  // not hexadecimal
        }
        if (nibble < 0)
            nibble = d;
        else
            bytes.push_back(uint8_t(nibble * 16 + d)), nibble = -1;
    }
    if (nibble >= 0) bytes.push_back(uint8_t(nibble));
    if (bytes.size() != 6) return none;
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

int SetupConfig::ProcessorVersion() {
    return GetInt(kSetupIni, "ProcessorVersion", "DriverVersion");
}

MonitorSet SetupConfig::Monitors(WinVersion osCode) {
    std::string sec = std::string("COMMON-MONITOR") + OsSuffix(osCode);
    std::string env = osCode == WinVersion::Win98 ? "Windows 4.0" : "";
    auto s = [&](const char* k, size_t lim) { return GetString(kSetupIni, sec, k, "0", lim); };
    auto i = [&](const char* k) { return GetInt(kSetupIni, sec, k); };
    MonitorSet m;
    m.serial = {s("COMMONitorPName", kNameLimit), s("COMMONitorPDLLName", kFileLimit),
                s("COMMONitorPUIDLLName", kNameLimit), i("COMMONitorVersion"), env};
    m.usb = {s("USBMONitorPName", kNameLimit), s("USBMONitorPDLLName", kFileLimit),
             s("USBMONitorPUIDLLName", kNameLimit), i("USBMONitorVersion"), env};
    m.usbSecond = {s("USBLMONitorName", kNameLimit), s("USBLMONitorDLLName", kFileLimit), "0",
                   i("USBLMONitorVersion"), env};
    return m;
}

int SetupConfig::ComMonitorVisible(int detectedCode) {
    // Detected codes 7..11 (Windows 7 and later) share the .Win7 section.
    return GetInt(kSetupIni, std::string("COMMON-MONITOR") + OsSuffix(ClampOsCode(detectedCode)),
                  "COMMonitorVisiable");
}

int SetupConfig::SupportedUsbDevice(const std::string& portName) {
    return GetInt(kSetupIni, "SUPPORTED-USB-DEVICE", portName);
}

std::string SetupConfig::UsbClassPrinter(const std::string& key) {
    return GetString(kSetupIni, "USBCLASSPRINTER", key, "ERR", 1023);
}

PortSection SetupConfig::Port(const std::string& model, int printerType) {
    std::string file = TypeFileName(printerType, windows64_);
    std::string sec = model + ".PORT";
    PortSection p;
    if (file.empty()) return p;
    auto i = [&](const char* k) { return GetInt(file, sec, k); };
    p.usbSupported = i("USBSUPPORTED");
    p.lptSupported = i("LPTSUPPORTED");
    p.comSupported = i("COMSUPPORTED");
    p.netSupported = i("NETSUPPORTED");
    p.classSupported = i("CLASSSUPPORTED");
    p.lptDefault = i("LPTDEFAULT");
    p.rasterVisible = i("RASTERVISIABLE");
    p.advancedSetup = i("AdvancedSetup");
    p.baudRate = i("BaudRate");
    p.commonName = GetString(file, sec, "COMMONNAME", "QXCOM", kNameLimit);
    p.systemNT = i("SystemNTSupported");
    p.system2003 = i("System2003Supported");
    p.systemVista = i("SystemVistaSupported");
    p.system2008 = i("System2008Supported");
    p.systemWin7 = i("SystemWin7Supported");
    return p;
}

Flavour SetupConfig::EffectiveFlavour(Flavour user, PortKind kind) {
    if (GdiStdSign() != 0) {
        if (kind == PortKind::Serial) return Flavour::Gdi;
        if (kind == PortKind::Usb) return Flavour::Std;
    }
    return user;
}

std::string SetupConfig::ModelValue(const std::string& model, int type, WinVersion osCode,
                                    const std::string& key, size_t limit) {
    std::string file = TypeFileName(type, windows64_);
    if (file.empty()) return "0";
    return GetString(file, model + OsSuffix(osCode), key, "0", limit);
}

std::string SetupConfig::FlavourValue(const std::string& model, int type, WinVersion osCode, Flavour f,
                                      const std::string& key, size_t limit) {
    return ModelValue(model, type, osCode, (f == Flavour::Gdi ? "GDI" : "STD") + key, limit);
}

std::string SetupConfig::DriverName(const std::string& model, int type, WinVersion osCode, PortKind kind) {
    if (osCode <= WinVersion::NT4) return ModelValue(model, type, osCode, "GDIDriverName", kNameLimit);
    static const char* const kKeys[] = {"DriverNameS", "DriverNameP", "DriverNameU", "DriverNameN"};
    return ModelValue(model, type, osCode, kKeys[int(kind)], kNameLimit);
}

DriverRecord SetupConfig::Driver(const std::string& model, int type, WinVersion osCode, PortKind kind,
                                 Flavour user) {
    const WinVersion os = osCode;
    Flavour f = EffectiveFlavour(user, kind);
    DriverRecord d;
    d.version = os == WinVersion::Win98 ? 0 : os == WinVersion::NT4 ? 2 : 3;
    d.environment = os == WinVersion::Win98 ? "Windows 4.0" : "";
    d.name = DriverName(model, type, os, kind);
    d.driverPath = FlavourValue(model, type, os, f, "DriverPath", kFileLimit);
    d.dataFile = FlavourValue(model, type, os, f, "DataFile", kFileLimit);
    d.configFile = FlavourValue(model, type, os, f, "ConfigFile", kFileLimit);
    d.helpFile = FlavourValue(model, type, os, f, "HelpFile", kFileLimit);
    // The GDI key decides for both flavours.
    if (os >= WinVersion::Win2000 &&
        ParseDecimal(ModelValue(model, type, os, "GDI2KDDKDEV", kFileLimit)) != 0) {
        std::vector<std::string> list = {d.dataFile, "TTFSUB.GPD", "UNIRES.DLL", "STDNAMES.GPD"};
        for (const char* k : {"DataFileDLLName", "DataOemuiDLL", "DataOemuniDLL", "DataOemuniini"}) {
            std::string v = FlavourValue(model, type, os, f, k, kFileLimit);
            if (v.empty() || v[0] != '0') list.push_back(v);
        }
        size_t bytes = 1;  // the list's own terminator
        for (auto& n : list) bytes += Utf16ToCodePage(Utf8ToUtf16(n), codePage_).size() + 1;
        if (bytes > kDependentListLimit) d.dependentFilesTooLong = true;
        d.dependentFiles = std::move(list);
    }
    return d;
}

PrinterRecord SetupConfig::Printer(const std::string& model, int type, WinVersion osCode, PortKind kind,
                                   Flavour user) {
    Flavour f = EffectiveFlavour(user, kind);
    PrinterRecord p;
    p.driverName = DriverName(model, type, osCode, kind);
    p.printProcessor = FlavourValue(model, type, osCode, f, "PrintProcessor", kNameLimit);
    p.attributes = uint32_t(ParseDecimal(ModelValue(model, type, osCode, "ATTRIBUTES", 255)));
    return p;
}

FileSet SetupConfig::Files(const std::string& model, int type, WinVersion osCode, PortKind kind,
                           Flavour user) {
    Flavour f = EffectiveFlavour(user, kind);
    auto fv = [&](const char* k) { return FlavourValue(model, type, osCode, f, k, kFileLimit); };
    auto mv = [&](const std::string& k) { return ModelValue(model, type, osCode, k, kFileLimit); };
    FileSet s;
    s.configFile = fv("ConfigFile");
    s.dataFile = fv("DataFile");
    s.driverPath = fv("DriverPath");
    s.helpFile = fv("HelpFile");
    s.dataFileDll = fv("DataFileDLLName");
    s.oemuiDll = fv("DataOemuiDLL");
    s.oemuniDll = fv("DataOemuniDLL");
    s.oemuniIni = fv("DataOemuniini");
    s.processorDll = fv("ProcessorDLLName");
    s.controlFontFile = mv("ControlFontFile");
    s.usbInternalId = mv("USBInternalID");
    for (int i = 1; i <= 9; ++i)
        s.languageResources.push_back(mv("LanguageResourceFile" + std::to_string(i)));
    s.driverLogViewer = mv("DriverlogViewer");
    s.driverLogIni = mv("DriverlogINI");
    return s;
}

bool SetupConfig::UnidrvCore(const std::string& model, int type, WinVersion osCode, Flavour user) {
    std::string v = FlavourValue(model, type, osCode, user, "2KDDKDEV", kFileLimit);
    return !v.empty() && v[0] == '1';
}

// ---- texts ----

bool IsChineseLanguage(uint16_t id) {
    return id == 1028 || id == 2052 || id == 3076 || id == 4100;
}

SetupTexts::SetupTexts(FileSystem& fs, const std::string& installerDir, uint16_t langId, unsigned codePage)
    : codePage_(codePage) {
    bool cn = IsChineseLanguage(langId);
    // The Chinese file is written in GBK whatever the system's code page.
    if (cn) codePage_ = 936;
    std::vector<uint8_t> bytes;
    std::string file = cn ? "language\\setup_CN.ini" : "language\\setup_EN.ini";
    uint64_t size = 0;
    platform::Error e =
        platform::ReadFileLimited(fs, platform::JoinPath(installerDir, file), kMaxIniFileBytes, bytes, size);
    if (e == platform::kOk)
        ini_ = IniFile::FromBytes(bytes, codePage_);
    else if (e == platform::kErrFileTooLarge)
        problem_ = IniTooLargeMessage(file, size);
}

std::string SetupTexts::Get(const std::string& section, const std::string& key) const {
    return ExpandLineBreaks(LimitBytes(ini_.GetUtf8(section, key, ""), kTextLimit, codePage_));
}

}  // namespace k20::drvsetup
