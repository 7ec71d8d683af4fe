#include "prnui/core/language.h"

#include <algorithm>

#include "common/text.h"
#include "platform/devices.h"

namespace k20::prnui {

using platform::RegRoot;

SystemLanguage SystemLanguageFor(uint16_t langId) {
    switch (langId) {
        case 0x0404:
        case 0x0C04:
        case 0x1004:
            return {kTraditionalFile, u"系統語言(System)"};
        case 0x0804:
            return {kSimplifiedFile, u"系统语言(System)"};
        default:
            return {kEnglishFile, u"System Language"};
    }
}

LanguageList ParseLanguageList(const Texts& f) {
    LanguageList list;
    // A damaged list must not make us build thousands of entries.
    int count = std::clamp(f.GetInt("LANGUAGE", "COUNT", 2), 0, 64);
    for (int n = 0; n < count; ++n) {
        std::string i = std::to_string(n);
        LanguageListEntry e;
        e.name = f.Get("LANGUAGE", "Language" + i, u"English", 51);
        e.file = Utf16ToUtf8(f.Get("LANGUAGE", "INI" + i, u"ENG_K20.res", 20));
        e.systemText = f.Get("LANGUAGE", "SYSLANG" + i, u"System Language", kLongLabelChars);
        list.entries.push_back(std::move(e));
    }
    list.curIni = Utf16ToUtf8(f.Get("LANGUAGE", "CUR_INI", u"ENG_K20.res", 31));
    return list;
}

std::string Language::LanguageFolder() {
    // A failed lookup gives no folder, and a relative one would be the printing
    // application's working folder: there is no language folder then.
    const std::string appData = sys_.AppDataDirectory();
    if (!platform::IsAbsoluteWindowsPath(appData)) return {};
    return platform::JoinPath(appData, "Pellamor");
}

std::string Language::ListFilePath() {
    const std::string folder = LanguageFolder();
    return folder.empty() ? std::string() : platform::JoinPath(folder, kLanguageListName);
}

std::string Language::CurrentFilePath() {
    const std::string folder = LanguageFolder();
    return folder.empty() ? std::string() : platform::JoinPath(folder, CurrentFileName());
}

std::string Language::ShippedFolder() {
    uint16_t arch = sys_.Version().processorArchitecture;
    const char* sub =
        (arch == 9 || arch == 6) ? "system32\\spool\\drivers\\x64\\3" : "system32\\spool\\drivers\\w32x86\\3";
    return platform::JoinPath(sys_.WindowsDirectory(), sub);
}

bool Language::ReadText(const std::string& path, Texts& out) {
    std::vector<uint8_t> bytes;
    if (path.empty() || fs_.ReadFile(path, bytes) != platform::kOk) return false;
    out = Texts::FromFileBytes(bytes, sys_.AnsiCodePage());
    return true;
}

void Language::StartUp() {
    SystemLanguage sysLang = SystemLanguageFor(sys_.DefaultUiLanguage());
    systemText_ = std::u16string(sysLang.entryText);
    std::string folder = LanguageFolder();
    // Without the user's folder the built-in English texts serve and nothing is written.
    if (folder.empty()) return;
    if (!fs_.IsDirectory(folder)) fs_.CreateDirectories(folder);

    std::string current = kEnglishFile;
    bool keyOpen = reg_.KeyExists(RegRoot::CurrentUser, kLanguageKey);
    bool created = false;
    if (!keyOpen) {
        created = reg_.CreateKey(RegRoot::CurrentUser, kLanguageKey) == platform::kOk;
        keyOpen = created && reg_.KeyExists(RegRoot::CurrentUser, kLanguageKey);
    }
    if (keyOpen) {
        if (created) {
            Texts list;
            ReadText(ListFilePath(), list);
            current = Utf16ToUtf8(list.Get("LANGUAGE", "CUR_INI", u"ENG_K20.res", 31));
            reg_.SetString(RegRoot::CurrentUser, kLanguageKey, kLanguageValue, current);
        } else {
            std::string v;
            if (reg_.GetString(RegRoot::CurrentUser, kLanguageKey, kLanguageValue, v) == platform::kOk)
                current = v;
        }
        std::string firstRun;
        if (reg_.GetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, firstRun) != platform::kOk) {
            firstRun = "TRUE";
            reg_.SetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, firstRun);
        }
        if (firstRun.find("TRUE") != std::string::npos) {
            current = sysLang.file;
            reg_.SetString(RegRoot::CurrentUser, kLanguageKey, kLanguageValue, current);
        }
    }
    EnsureListFile();
    RefreshTextFile(current);
}

std::string Language::CurrentFileName() {
    std::string v;
    if (reg_.GetString(RegRoot::CurrentUser, kLanguageKey, kLanguageValue, v) != platform::kOk || v.empty())
        return kEnglishFile;
    // The value names a file in our folder; anything that could leave it, or match other
    // files as a pattern, is not ours.
    if (v.find_first_of("\\/:*?") != std::string::npos || v.find("..") != std::string::npos)
        return kEnglishFile;
    return v;
}

const Texts& Language::Current() {
    static const Texts builtIn;
    // Pages ask for every text separately; the file is read again only when the registry
    // names another one or the file's size or time changed.
    const std::string path = CurrentFilePath();
    if (path.empty()) return builtIn;
    std::vector<platform::FindEntry> found;
    const platform::Error e = fs_.FindFiles(path, found);
    if (e == platform::kErrFileNotFound || e == platform::kErrPathNotFound ||
        (e == platform::kOk && (found.size() != 1 || found[0].isDirectory))) {
        haveCache_ = false;
        return builtIn;
    }
    // A folder that cannot be listed still lets the file be read: read it each time then.
    const bool stamped = e == platform::kOk;
    if (haveCache_ && stamped && path == cachedPath_ && found[0].size == cachedSize_ &&
        found[0].writeTime == cachedTime_)
        return cached_;
    std::vector<uint8_t> bytes;
    if (fs_.ReadFile(path, bytes) != platform::kOk) {
        haveCache_ = false;
        return builtIn;
    }
    cached_ = Texts::FromFileBytes(bytes, sys_.AnsiCodePage());
    cachedPath_ = path;
    cachedSize_ = stamped ? found[0].size : 0;
    cachedTime_ = stamped ? found[0].writeTime : 0;
    haveCache_ = stamped;
    return cached_;
}

void Language::EnsureListFile() {
    std::string user = ListFilePath();
    if (user.empty() || fs_.Exists(user)) return;
    fs_.CopyFile(platform::JoinPath(ShippedFolder(), kLanguageListName), user, false);
}

void Language::RefreshTextFile(const std::string& fileName) {
    if (fileName.empty() || fileName.find_first_of("\\/:*?") != std::string::npos) return;
    if (LanguageFolder().empty()) return;
    haveCache_ = false;
    std::string shipped = platform::JoinPath(ShippedFolder(), fileName);
    std::string user = platform::JoinPath(LanguageFolder(), fileName);
    if (!fs_.Exists(user)) {
        fs_.CopyFile(shipped, user, false);
        return;
    }
    Texts s, u;
    ReadText(shipped, s);
    ReadText(user, u);
    // A shipped file without a version always wins; a user copy without one always loses.
    int shippedVer = s.GetInt(sec::FileVer, "INIVERSION", 99999);
    int userVer = u.GetInt(sec::FileVer, "INIVERSION", 0);
    if (shippedVer >= userVer) fs_.CopyFile(shipped, user, false);
}

LanguageList Language::ReadList() {
    Texts list;
    ReadText(ListFilePath(), list);
    return ParseLanguageList(list);
}

platform::Error Language::Choose(const std::string& fileName, bool followsSystem) {
    // A choice that no language file can follow is not stored.
    if (LanguageFolder().empty()) return platform::kErrPathNotFound;
    haveCache_ = false;
    platform::Error e = reg_.CreateKey(RegRoot::CurrentUser, kLanguageKey);
    if (e != platform::kOk) return e;
    e = reg_.SetString(RegRoot::CurrentUser, kLanguageKey, kLanguageValue, fileName);
    if (e != platform::kOk) return e;
    return reg_.SetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue,
                          followsSystem ? "TRUE" : "FALSE");
}

platform::Error Language::RememberPort(const std::string& portName) {
    if (portName.empty()) return platform::kErrInvalidParameter;
    platform::Error e = reg_.CreateKey(RegRoot::CurrentUser, kLanguageKey);
    if (e != platform::kOk) return e;
    return reg_.SetString(RegRoot::CurrentUser, kLanguageKey, portName, kLanguageValue);
}

namespace {
Language* g_language = nullptr;
}

void SetProcessLanguage(Language* lang) {
    g_language = lang;
}
Language* ProcessLanguage() {
    return g_language;
}

const Texts& CurrentTexts() {
    static const Texts builtIn;
    return g_language ? g_language->Current() : builtIn;
}

std::u16string Text(std::string_view section, std::string_view key) {
    return CurrentTexts().Get(section, key);
}

}  // namespace k20::prnui
