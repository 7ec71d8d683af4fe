#pragma once
// The installer's configuration: DRVCONFIG\setup.ini, the per-type model files and the
// language files, read by the Windows private-profile rules. Nothing here is ever
// written. Missing files and keys give their defaults ("0", 0 or empty); the callers
// decide what an absent value means.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "platform/filesystem.h"

namespace k20::drvsetup {

enum class PortKind { Serial = 0, Parallel = 1, Usb = 2, Network = 3 };
enum class Flavour { Std, Gdi };

// The Windows version an installation is made for. The numbers are those of the wizard's
// first eight OS choices and select the configuration's section suffixes (".98" ..
// ".Win7"); Windows 8 and later install as Windows 7.
enum class WinVersion : int {
    Win98 = 0,
    NT4 = 1,
    Win2000 = 2,
    XP = 3,
    Server2003 = 4,
    Vista = 5,
    Server2008 = 6,
    Win7 = 7
};
inline constexpr int kOsCount = 8;
const char* OsSuffix(WinVersion os);
// Any code (a detected system's 0..11 among them) as the version it installs for: below 0
// is Windows 98, above 7 Windows 7.
WinVersion ClampOsCode(int code);

// A decimal conversion as the C library's atoi does it: blanks, sign, digits; anything
// else ends the number; no digits gives 0. Clamped to the int range instead of overflowing.
int ParseDecimal(const std::string& s);

// A name that may be joined to a folder: no separators, no drive, no "..", not empty.
bool IsBareFileName(const std::string& name);

// "DRVCONFIG\setup_receipt.ini" and so on, "_64" on 64-bit Windows; empty for an unknown type.
std::string TypeFileName(int printerType, bool windows64);

struct ModelEntry {
    std::string name;  // without the type suffix
    int type = -1;     // 0 receipt, 1 ticket, 2 label, 3 embedded; -1: none of the suffixes
};
// Cuts the first of "-ReceiptPrinter", "-TicketPrinter", "-LabelPrinter", "-EmbeddedPrinter" found.
ModelEntry ParseModelEntry(const std::string& value);

struct MonitorDesc {
    std::string name = "0", dll = "0", uiDll = "0";
    int version = 0;
    std::string environment;  // "Windows 4.0" for OS code 0, empty (the spooler's own) otherwise
};
struct MonitorSet {
    MonitorDesc serial, usb, usbSecond;
};

struct PortSection {
    int usbSupported = 0, lptSupported = 0, comSupported = 0, netSupported = 0, classSupported = 0;
    int lptDefault = 0, rasterVisible = 0, advancedSetup = 0, baudRate = 0;
    std::string commonName = "QXCOM";
    int systemNT = 0, system2003 = 0, systemVista = 0, system2008 = 0, systemWin7 = 0;
};

// Values as read: "0" stands for an absent key.
struct DriverRecord {
    uint32_t version = 3;
    std::string name, environment, driverPath, dataFile, configFile, helpFile;
    std::vector<std::string> dependentFiles;
    bool dependentFilesTooLong = false;  // the list would not fit its 200 bytes
};

struct PrinterRecord {
    std::string driverName, printProcessor;
    uint32_t attributes = 0;
};

struct FileSet {
    std::string configFile, dataFile, driverPath, helpFile;
    std::string dataFileDll, oemuiDll, oemuniDll, oemuniIni, processorDll;
    std::string controlFontFile, usbInternalId;
    std::vector<std::string> languageResources;  // LanguageResourceFile1..9
    std::string driverLogViewer, driverLogIni;
};

inline constexpr size_t kDependentListLimit = 200;
inline constexpr size_t kNameLimit = 49;
inline constexpr size_t kFileLimit = 199;
inline constexpr size_t kModelEntryLimit = 199;
inline constexpr size_t kTextLimit = 2047;

// Cuts a value to what a buffer of maxBytes + 1 bytes in the code page holds, never
// splitting a double-byte character.
std::string LimitBytes(const std::string& utf8, size_t maxBytes, unsigned codePage);

class SetupConfig {
  public:
    // installerDir: the folder of the installer program. codePage: the system's ANSI code page.
    SetupConfig(platform::FileSystem& fs, std::string installerDir, bool windows64, unsigned codePage);

    const std::string& InstallerDir() const { return dir_; }
    // The first configuration file refused for its size (read as empty), as a message.
    const std::string& Problem() const { return problem_; }
    bool Windows64() const { return windows64_; }

    // Generic lookups: file relative to the installer folder.
    std::string GetString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& def, size_t maxBytes);
    int GetInt(const std::string& file, const std::string& section, const std::string& key);

    // setup.ini [DEVICENAME]
    int DeviceNumber();
    ModelEntry Model(int index);
    std::vector<ModelEntry> Models();  // entries with a type, in index order
    int DefaultName();
    std::optional<ModelEntry> DefaultModel();
    int LoadLicense();
    int Language();
    int Supported32Or64();
    int GdiStdSign();
    int SupportedUsbMode();
    std::string InfFileName();  // default "err"
    std::string ShellExeName();
    // The 6-byte prefix of the USB set-number command (key USBSETIDPREFIX, hexadecimal bytes).
    std::array<uint8_t, 6> SetNumberPrefix();  // six zero bytes when not configured
    // The prefix when USBSETIDPREFIX holds six hexadecimal bytes; without one the printer's
    // number cannot be changed and the renumbering is not offered.
    std::optional<std::array<uint8_t, 6>> ConfiguredSetNumberPrefix();

    int ProcessorVersion();
    MonitorSet Monitors(WinVersion osCode);
    int ComMonitorVisible(int detectedCode);  // from the detected system's monitor section
    int SupportedUsbDevice(const std::string& portName);
    std::string UsbClassPrinter(const std::string& key);  // default "ERR"

    // Type files
    PortSection Port(const std::string& model, int printerType);
    Flavour EffectiveFlavour(Flavour user, PortKind kind);
    std::string DriverName(const std::string& model, int type, WinVersion osCode, PortKind kind);
    DriverRecord Driver(const std::string& model, int type, WinVersion osCode, PortKind kind, Flavour user);
    PrinterRecord Printer(const std::string& model, int type, WinVersion osCode, PortKind kind, Flavour user);
    FileSet Files(const std::string& model, int type, WinVersion osCode, PortKind kind, Flavour user);
    bool UnidrvCore(const std::string& model, int type, WinVersion osCode, Flavour user);

  private:
    const IniFile& Load(const std::string& file);
    std::string ModelValue(const std::string& model, int type, WinVersion osCode, const std::string& key,
                           size_t limit);
    std::string FlavourValue(const std::string& model, int type, WinVersion osCode, Flavour f,
                             const std::string& key, size_t limit);

    platform::FileSystem& fs_;
    std::string dir_;
    bool windows64_;
    unsigned codePage_;
    std::map<std::string, IniFile> cache_;
    std::string problem_;
};

// The installer's texts: language\setup_CN.ini for the Chinese language identifiers
// 1028, 2052, 3076 and 4100, language\setup_EN.ini otherwise.
bool IsChineseLanguage(uint16_t langId);

class SetupTexts {
  public:
    SetupTexts(platform::FileSystem& fs, const std::string& installerDir, uint16_t langId, unsigned codePage);
    // The value (at most 2047 bytes) with the first "\1", "\2" and "\3" each made a line break.
    std::string Get(const std::string& section, const std::string& key) const;
    std::string Message(const std::string& key) const { return Get("Message", key); }
    const std::string& Problem() const { return problem_; }  // the file refused for its size

  private:
    IniFile ini_;
    unsigned codePage_;
    std::string problem_;
};

// The three single line-break expansions of a text.
std::string ExpandLineBreaks(std::string s);

}  // namespace k20::drvsetup
