#include "drvremove/uninstall_config.h"

#include <unordered_map>

#include "common/text.h"
#include "drvsetup/setup_config.h"

namespace k20::drvremove {

using platform::Error;
using platform::FileSystem;
using platform::kOk;

int WindowsVersionCode(const platform::OsVersion& v) {
    if (v.platformId == 1) return 0;
    if (v.platformId != 2) return 3;
    const bool workstation = v.productType == 1;
    const bool x64 = v.processorArchitecture == 9;
    if (v.major == 4 && v.minor == 0) return 1;
    if (v.major == 5) {
        if (v.minor == 0) return 2;
        if (v.minor == 1) return 3;
        if (v.minor == 2) return workstation && x64 ? 3 : 4;
        return 0;
    }
    if (v.major == 6) {
        if (v.minor == 0) return workstation ? 5 : 6;
        if (v.minor == 1) return workstation ? 7 : 6;
        return workstation ? 9 : 8;
    }
    if (v.major == 10 && v.minor == 0) return workstation ? 11 : 10;
    return 0;
}

const char* SystemSuffix(int versionCode) {
    switch (versionCode) {
        case 0:
            return ".98";
        case 1:
            return ".NT";
        case 2:
        case 3:
            return ".2K";
        case 4:
            return ".2003";
        case 5:
            return ".Vista";
        case 6:
            return ".2008";
        default:
            return ".Win7";
    }
}

bool IsChineseLanguage(uint16_t langId) {
    return langId == 1028 || langId == 2052 || langId == 3076 || langId == 4100;
}

std::string LimitAnsi(std::u16string_view w, size_t maxBytes, unsigned codePage) {
    if (Utf16ToCodePage(w, codePage).size() <= maxBytes) return Utf16ToUtf8(w);
    std::u16string out;
    size_t bytes = 0;
    for (size_t i = 0; i < w.size();) {
        size_t n = (w[i] >= 0xD800 && w[i] < 0xDC00 && i + 1 < w.size()) ? 2 : 1;
        size_t b = Utf16ToCodePage(w.substr(i, n), codePage).size();
        if (bytes + b > maxBytes) break;
        bytes += b;
        out.append(w.substr(i, n));
        i += n;
    }
    return Utf16ToUtf8(out);
}

std::string FormatWithName(const std::string& text, const std::string& arg) {
    std::string s = text;
    size_t at = s.find("%s");
    if (at != std::string::npos) s.replace(at, 2, arg);
    return s;
}

// ---- language texts ----

std::string UninstallTexts::FileFor(const std::string& dir, uint16_t langId) {
    return dir +
           (IsChineseLanguage(langId) ? "\\language\\uninstall_CN.ini" : "\\language\\uninstall_EN.ini");
}

void UninstallTexts::Load(FileSystem& fs, const std::string& programDir, uint16_t langId, unsigned codePage) {
    codePage_ = codePage;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    ini_ = platform::ReadFileLimited(fs, FileFor(programDir, langId), kMaxIniFileBytes, bytes, size) == kOk
               ? IniFile::FromBytes(bytes, codePage)
               : IniFile();
}

std::string UninstallTexts::Get(const std::string& section, const std::string& key) const {
    auto v = ini_.Find(Utf8ToUtf16(section), Utf8ToUtf16(key));
    if (!v) return {};
    std::string s = LimitAnsi(*v, 1023, codePage_);
    size_t at = s.find("\\n");
    if (at != std::string::npos) s.replace(at, 2, "\r\n");
    return s;
}

// ---- Uninstall.ini ----

Error UninstallConfig::Load(FileSystem& fs, const std::string& path, unsigned codePage,
                            UninstallConfig& out) {
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
    if (Error e = platform::ReadFileLimited(fs, path, kMaxIniFileBytes, bytes, size)) return e;
    out = UninstallConfig(IniFile::FromBytes(bytes, codePage), codePage);
    return kOk;
}

std::string UninstallConfig::Value(const std::string& section, const std::string& key) const {
    auto v = ini_.Find(Utf8ToUtf16(section), Utf8ToUtf16(key));
    if (!v) return "0";
    return LimitAnsi(*v, kValueBytes, codePage_);
}

std::vector<std::string> UninstallConfig::Patterns(const std::string& section, const std::string& countKey,
                                                   const std::string& stem) const {
    int n = drvsetup::ParseDecimal(Value(section, countKey));
    if (n > kMaxPatterns) n = kMaxPatterns;
    // One pass over the section for all its numbered keys; the first of equal names wins and
    // names compare without case, as a lookup of each key would have it.
    std::unordered_map<std::u16string, std::u16string> first;
    if (n > 0)
        for (auto& [key, value] : ini_.Entries(Utf8ToUtf16(section)))
            first.emplace(ToUpper(key), std::move(value));
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) {
        auto it = first.find(ToUpper(Utf8ToUtf16(stem + char('1' + i))));
        out.push_back(it == first.end() ? "0" : LimitAnsi(it->second, kValueBytes, codePage_));
    }
    return out;
}

void UninstallConfig::ReadPatterns() {
    monitors_ = Patterns("QXMONITOR", "MonitorNUM", "MONITORNAME");
    processors_ = Patterns("QXPROC", "PROCNUM", "PROCNAME");
    printers_ = Patterns("QXPRINTER", "PRINTERNUM", "PRINTERNAME");
    std::string m = Value("QXPRINTER", "MANUFACTURER");
    if (m == "0")
        manufacturers_ = {"KESTRAN", "VORN"};
    else
        manufacturers_ = {m};
}

std::string UninstallConfig::MonitorSection(const std::string& monitor, int versionCode) {
    std::string s;
    for (char c : monitor)
        if (c != ' ') s += c;
    return s + SystemSuffix(versionCode);
}

std::string UninstallConfig::ProcessorSection(const std::string& processor, int versionCode) {
    return processor + SystemSuffix(versionCode);
}

bool MatchesAny(const std::string& name, const std::vector<std::string>& patterns) {
    for (auto& p : patterns)
        if (!p.empty() && name.find(p) != std::string::npos) return true;
    return false;
}

// ---- what may be deleted ----

bool IsDeviceName(const std::string& name) {
    std::string stem = ToUpper(name.substr(0, name.find('.')));
    while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL" || stem == "CONIN$" ||
        stem == "CONOUT$")
        return true;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0))
        return stem[3] >= '0' && stem[3] <= '9';
    // Superscript digits count as port numbers too (COM\u00B9 and the like).
    if (stem.size() == 5 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0))
        return stem == stem.substr(0, 3) + "\xC2\xB9" || stem == stem.substr(0, 3) + "\xC2\xB2" ||
               stem == stem.substr(0, 3) + "\xC2\xB3";
    return false;
}

FileNameRefusal CheckFileName(const std::string& name) {
    if (!drvsetup::IsBareFileName(name)) return FileNameRefusal::NotBare;
    if (name.find_first_of("*?<>\"|") != std::string::npos) return FileNameRefusal::Wildcard;
    if (IsDeviceName(name)) return FileNameRefusal::DeviceName;
    for (size_t i = name.find('~'); i != std::string::npos; i = name.find('~', i + 1))
        if (i + 1 < name.size() && name[i + 1] >= '0' && name[i + 1] <= '9')
            return FileNameRefusal::ShortNameAlias;
    // Windows drops trailing dots and blanks: "QXUSBMON.DLL." opens QXUSBMON.DLL.
    if (name.back() == '.' || name.back() == ' ') return FileNameRefusal::NotBare;
    return FileNameRefusal::None;
}

FileNameRefusal CheckFileName(const std::string& name, const std::set<std::string>& installed) {
    FileNameRefusal r = CheckFileName(name);
    if (r != FileNameRefusal::None) return r;
    return installed.count(ToUpper(name)) ? FileNameRefusal::None : FileNameRefusal::NotInstalledByPackage;
}

const char* RefusalReason(FileNameRefusal r) {
    switch (r) {
        case FileNameRefusal::None:
            return "";
        case FileNameRefusal::NotBare:
            return "not a bare file name";
        case FileNameRefusal::Wildcard:
            return "a wildcard";
        case FileNameRefusal::DeviceName:
            return "a device name";
        case FileNameRefusal::ShortNameAlias:
            return "a short-name alias";
        case FileNameRefusal::NotInstalledByPackage:
            return "not a file the package installs";
    }
    return "";
}

std::set<std::string> PackageInstalledFiles(FileSystem& fs, const std::string& programDir, bool windows64,
                                            unsigned codePage) {
    std::set<std::string> out;
    if (programDir.empty()) return out;
    drvsetup::SetupConfig cfg(fs, programDir, windows64, codePage);
    auto add = [&](const std::string& v, bool alternate) {
        if (!NamesFile(v) || CheckFileName(v) != FileNameRefusal::None) return;
        out.insert(ToUpper(v));
        // The installer copies a library in use under "n" + its name instead.
        if (alternate) out.insert("N" + ToUpper(v));
    };
    for (int os = 0; os < drvsetup::kOsCount; ++os) {
        drvsetup::MonitorSet ms = cfg.Monitors(drvsetup::WinVersion(os));
        for (const drvsetup::MonitorDesc* d : {&ms.serial, &ms.usb, &ms.usbSecond}) {
            add(d->dll, true);
            add(d->uiDll, false);
        }
    }
    for (const drvsetup::ModelEntry& e : cfg.Models())
        for (int os = 0; os < drvsetup::kOsCount; ++os)
            for (auto kind : {drvsetup::PortKind::Serial, drvsetup::PortKind::Parallel,
                              drvsetup::PortKind::Usb, drvsetup::PortKind::Network})
                for (auto f : {drvsetup::Flavour::Std, drvsetup::Flavour::Gdi})
                    add(cfg.Files(e.name, e.type, drvsetup::WinVersion(os), kind, f).processorDll, true);
    return out;
}

bool IsPackageMonitorKey(const std::string& keyName, const std::vector<std::string>& monitorPatterns) {
    if (!NamesFile(keyName) || keyName.find_first_of("\\/") != std::string::npos) return false;
    return MatchesAny(keyName, monitorPatterns);
}

bool InfNamesPrinter(const std::vector<uint8_t>& infBytes, unsigned codePage,
                     const std::vector<std::string>& manufacturers, const std::string& printerName) {
    IniFile inf = IniFile::FromBytes(infBytes, codePage);
    std::u16string key = u"\"" + Utf8ToUtf16(printerName) + u"\"";
    for (auto& m : manufacturers) {
        if (m.empty()) continue;
        for (const std::string& section : {m, m + ".NTamd64"})
            if (inf.Find(Utf8ToUtf16(section), key)) return true;
    }
    return false;
}

// ---- finding Uninstall.ini ----

namespace {

enum class ListResult { Found, Listed, Failed };

ListResult ScanFolder(FileSystem& fs, const std::string& dir, std::string& path) {
    std::vector<platform::FindEntry> entries;
    Error e = fs.FindFiles(platform::JoinPath(dir, "*"), entries);
    // An empty or missing folder holds no Uninstall.ini; only a folder that cannot be read fails.
    if (e == platform::kErrFileNotFound || e == platform::kErrPathNotFound) return ListResult::Listed;
    if (e != kOk) return ListResult::Failed;
    for (auto& f : entries) {
        if (f.isDirectory || !EqualsNoCase(f.name, "Uninstall.ini")) continue;
        path = platform::JoinPath(dir, f.name);
        uint32_t attrs = 0;
        // Copied from read-only media the file is read-only; nothing else of the folder is
        // ours to change (it may be the system folder).
        if (fs.GetAttributes(path, attrs) == kOk &&
            (attrs & (platform::kAttrReadOnly | platform::kAttrHidden | platform::kAttrSystem)))
            fs.SetAttributes(path, platform::kAttrArchive);
        return ListResult::Found;
    }
    return ListResult::Listed;
}

}  // namespace

FindIniResult FindUninstallIni(FileSystem& fs, const std::string& programDir, std::string& path) {
    if (programDir.empty()) return FindIniResult::NoCurrentDir;
    for (const std::string& dir : {programDir, platform::JoinPath(programDir, "DRVCONFIG")}) {
        switch (ScanFolder(fs, dir, path)) {
            case ListResult::Found:
                return FindIniResult::Found;
            case ListResult::Failed:
                return FindIniResult::CannotList;
            case ListResult::Listed:
                break;
        }
    }
    return FindIniResult::NotFound;
}

}  // namespace k20::drvremove
