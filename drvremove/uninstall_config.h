#pragma once
// What the uninstaller knows about the machine and the package before it removes
// anything: the Windows version code, the section suffix it selects, the package's
// description file Uninstall.ini and the language texts. Nothing here writes.
#include <cstdint>
#include <set>
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
    void Load(platform::FileSystem& fs, const std::string& programDir, uint16_t langId, unsigned codePage);
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
    UninstallConfig(IniFile ini, unsigned codePage) : ini_(std::move(ini)), codePage_(codePage) {
        ReadPatterns();
    }
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
inline bool NamesFile(const std::string& v) {
    return !v.empty() && v[0] != '0';
}

// Whether an INF file of the Windows inf folder installs the printer: its manufacturer
// section (or that name with ".NTamd64") has a key that is the printer's name in quotes.
bool InfNamesPrinter(const std::vector<uint8_t>& infBytes, unsigned codePage,
                     const std::vector<std::string>& manufacturers, const std::string& printerName);

// Why a file name of Uninstall.ini is not deleted. The uninstaller runs as administrator
// in the system folder: a wildcard, a device name or a short-name alias (KERNEL~1.DLL)
// could reach a file of Windows, and so could any name the package never installed.
enum class FileNameRefusal { None, NotBare, Wildcard, DeviceName, ShortNameAlias, NotInstalledByPackage };
// The checks that need no package: a bare name without wildcards, device names or aliases.
FileNameRefusal CheckFileName(const std::string& name);
// CheckFileName, then the name must be one of installed (upper case).
FileNameRefusal CheckFileName(const std::string& name, const std::set<std::string>& installed);
const char* RefusalReason(FileNameRefusal r);
// CON, PRN, AUX, NUL, COM0..COM9, LPT0..LPT9, with or without an extension or trailing blanks.
bool IsDeviceName(const std::string& name);

// The file names (upper case) that the installer's configuration beside the uninstaller
// (DRVCONFIG\setup.ini and the type files) names as files it installs into the system and
// print processor folders: the monitor and monitor user-interface libraries with their
// alternate "N" names, and the print processor libraries. Empty without a configuration.
std::set<std::string> PackageInstalledFiles(platform::FileSystem& fs, const std::string& programDir,
                                            bool windows64, unsigned codePage);

// Whether the registry key of a monitor under ...\Print\Monitors\ belongs to the package:
// a single key name matched by the file's own monitor patterns.
bool IsPackageMonitorKey(const std::string& keyName, const std::vector<std::string>& monitorPatterns);

// Where Uninstall.ini lies: the uninstaller's own folder, else its DRVCONFIG subfolder.
// Only Uninstall.ini itself is set to archive only (so that a copy from read-only media can
// be read and later deleted); no other file's attributes are touched.
enum class FindIniResult { Found, NoCurrentDir, CannotList, NotFound };
FindIniResult FindUninstallIni(platform::FileSystem& fs, const std::string& programDir, std::string& path);

}  // namespace k20::drvremove
