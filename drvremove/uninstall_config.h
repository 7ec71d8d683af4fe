#pragma once
// What the uninstaller knows about the machine and the package before it removes
// anything: the Windows version code, the section suffix it selects, the package's
// description file Uninstall.ini and the language texts. Nothing here writes.
#include <cstdint>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "platform/filesystem.h"
#include "platform/system.h"

namespace k20::drvremove {

// 0 Windows 95/98/ME .. 11 Windows 10 workstation; any NT version outside the table is 0.
int WindowsVersionCode(const platform::OsVersion& v);
// ".98", ".NT", ".2K" (codes 2 and 3), ".2003", ".Vista", ".2008", ".Win7" (7..11).
const char* SystemSuffix(int versionCode);
// The four Chinese language identifiers (Taiwan, PRC, Hong Kong, Singapore).
bool IsChineseLanguage(uint16_t langId);

// The profile functions read into fixed buffers of ANSI bytes: at most maxBytes bytes of
// the value come back, and a double-byte character is never split.
std::string LimitAnsi(std::u16string_view value, size_t maxBytes, unsigned codePage);

// Replaces the first "%s" of a text from the language file by arg. The texts come from a
// file beside the program, so they are never used as a printf format.
std::string FormatWithName(const std::string& text, const std::string& arg);

// The uninstaller's language file, chosen by the system language.
class UninstallTexts {
public:
    // "<dir>\language\uninstall_CN.ini" or "..._EN.ini".
    static std::string FileFor(const std::string& dir, uint16_t langId);
    // A missing file leaves every text empty.
    void Load(platform::FileSystem& fs, const std::string& currentDir, uint16_t langId, unsigned codePage);
    // At most 1023 bytes; the first backslash-n becomes CR LF.
    std::string Get(const std::string& section, const std::string& key) const;
    std::string Message(const std::string& key) const { return Get("Message", key); }

private:
    IniFile ini_;
    unsigned codePage_ = 1252;
};

// Uninstall.ini, read by the private-profile rules into 30-byte buffers.
class UninstallConfig {
public:
    static constexpr size_t kValueBytes = 29;
    // Counts above this would number their keys past '~' ('1' + i must stay a printable
    // character), so a larger count is cut here instead of walking billions of keys.
    static constexpr int kMaxPatterns = '~' - '1' + 1;

    UninstallConfig() = default;
    UninstallConfig(IniFile ini, unsigned codePage) : ini_(std::move(ini)), codePage_(codePage) { ReadPatterns(); }
    static platform::Error Load(platform::FileSystem& fs, const std::string& path, unsigned codePage,
                                UninstallConfig& out);

    // An absent key reads as "0".
    std::string Value(const std::string& section, const std::string& key) const;

    const std::vector<std::string>& MonitorPatterns() const { return monitors_; }
    const std::vector<std::string>& ProcessorPatterns() const { return processors_; }
    const std::vector<std::string>& PrinterPatterns() const { return printers_; }
    // MANUFACTURER, or KESTRAN and VORN when it is "0" or absent.
    const std::vector<std::string>& Manufacturers() const { return manufacturers_; }

    // Section of a monitor: its name without blanks and the suffix; of a processor: its
    // name as it is and the suffix.
    static std::string MonitorSection(const std::string& monitor, int versionCode);
    static std::string ProcessorSection(const std::string& processor, int versionCode);

private:
    void ReadPatterns();
    std::vector<std::string> Patterns(const std::string& section, const std::string& countKey,
                                      const std::string& stem) const;
    IniFile ini_;
    unsigned codePage_ = 1252;
    std::vector<std::string> monitors_, processors_, printers_, manufacturers_;
};

// strstr with the stored patterns; an empty pattern matches nothing, so that a key left
// blank in the file cannot put every printer or monitor of the machine on the list.
bool MatchesAny(const std::string& name, const std::vector<std::string>& patterns);

// A configured file value names a file unless it is empty or begins with "0".
inline bool NamesFile(const std::string& v) { return !v.empty() && v[0] != '0'; }

// Whether an INF file of the Windows inf folder installs the printer: its manufacturer
// section (or that name with ".NTamd64") has a key that is the printer's name in quotes.
bool InfNamesPrinter(const std::vector<uint8_t>& infBytes, unsigned codePage,
                     const std::vector<std::string>& manufacturers, const std::string& printerName);

// Where Uninstall.ini lies: the current folder, else its DRVCONFIG subfolder. Every file
// listed on the way is set to archive only, so that copies from read-only media can be
// deleted later.
enum class FindIniResult { Found, NoCurrentDir, CannotList, NotFound };
FindIniResult FindUninstallIni(platform::FileSystem& fs, const std::string& currentDir, std::string& path);

}  // namespace k20::drvremove
