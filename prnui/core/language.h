#pragma once
// Language selection: which language file is current for this user, the per-user copies
// of the shipped language files, and the texts of the current language. The choice lives
// in HKCU so that every process that loads the plug-in, and the log viewer, agree.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "prnui/core/texts.h"

namespace k20::prnui {

inline constexpr const char* kLanguageKey = "SOFTWARE\\KESTRAN\\LANGUAGE";
inline constexpr const char* kLanguageValue = "LANGUAGE_K20";
inline constexpr const char* kFirstRunValue = "IsFirstRun_K20";
inline constexpr const char* kLanguageListName = "LANGUAGE_K20.dat";
inline constexpr const char* kEnglishFile = "ENG_K20.res";
inline constexpr const char* kSimplifiedFile = "CHN_K20.res";
inline constexpr const char* kTraditionalFile = "CHF_K20.res";

struct SystemLanguage {
    const char* file;
    std::u16string_view entryText;  // the "system language" entry of the language list
};
// The language file and list entry that follow the system's default language.
SystemLanguage SystemLanguageFor(uint16_t langId);

struct LanguageListEntry {
    std::u16string name;        // shown in the list (Language<n>)
    std::string file;           // INI<n>
    std::u16string systemText;  // SYSLANG<n>
};

struct LanguageList {
    std::vector<LanguageListEntry> entries;
    std::string curIni;  // CUR_INI
};
// Reads the list file's text; a missing file gives the built-in defaults.
LanguageList ParseLanguageList(const Texts& listFile);

class Language {
  public:
    Language(platform::Registry& reg, platform::FileSystem& fs, platform::SystemInfo& sys)
        : reg_(reg), fs_(fs), sys_(sys) {}

    // The once-per-process start-up: folder, registry values and the current file's copy.
    void StartUp();

    // <AppData>\Pellamor; empty when the application-data folder is unknown.
    std::string LanguageFolder();
    std::string ShippedFolder();  // the printer-driver folder of this architecture
    std::string ListFilePath();   // empty without the folder

    // LANGUAGE_K20 as stored now; "ENG_K20.res" when the key or value is missing.
    std::string CurrentFileName();
    std::string CurrentFilePath();  // empty without the folder

    // The current language's texts. The registry value is looked at on every call, the
    // file's size and time too; the file is read and parsed again only when one of them
    // changed, so a repaint that asks for thirty texts reads it at most once.
    const Texts& Current();

    // The "system language" entry text found at start-up.
    const std::u16string& SystemLanguageText() const { return systemText_; }

    // Copies the shipped list file into the user's folder when the user has none.
    void EnsureListFile();
    // Brings the user's copy of one language file up to the shipped one (INIVERSION rule).
    void RefreshTextFile(const std::string& fileName);
    LanguageList ReadList();

    // The user chose a language; followsSystem keeps it following the system language.
    platform::Error Choose(const std::string& fileName, bool followsSystem);
    // The device sheet remembers the printer's port under the language key.
    platform::Error RememberPort(const std::string& portName);

  private:
    bool ReadText(const std::string& path, Texts& out);
    platform::Registry& reg_;
    platform::FileSystem& fs_;
    platform::SystemInfo& sys_;
    std::u16string systemText_ = u"System Language";
    std::string cachedPath_;
    uint64_t cachedSize_ = 0, cachedTime_ = 0;
    Texts cached_;
    bool haveCache_ = false;
};

// The process-wide language of the plug-in, set once by the module's start-up. Until
// then (and in code that runs without it) texts are the built-in English ones.
void SetProcessLanguage(Language* lang);
Language* ProcessLanguage();
// The current texts: the process language's, or built-in English.
const Texts& CurrentTexts();
// Shorthand for pages: one text of the current language.
std::u16string Text(std::string_view section, std::string_view key);

}  // namespace k20::prnui
