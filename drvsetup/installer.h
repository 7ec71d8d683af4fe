#pragma once
// The installation worker: monitors, print processor, driver files, driver, printer,
// default printer, records and serial settings, in that order. Every failure leaves its
// text in the message buffer and stops the sequence; nothing done before is undone.
#include <cstdint>
#include <string>
#include <vector>

#include "drvsetup/ports.h"
#include "drvsetup/setup_config.h"
#include "platform/admin.h"

namespace k20::drvsetup {

struct InstallRequest {
    WinVersion osCode = WinVersion::Win7;
    int printerType = 0;
    std::string model;
    PortKind kind = PortKind::Parallel;
    std::string portName;
    Flavour flavour = Flavour::Std;  // the user's raster choice; the records carry the override
    SerialSettings serial;
    bool setDefault = false;
    bool windows64 = false;
    std::string printerName;  // model and port suffix
    DriverRecord driver;
    PrinterRecord printer;
    FileSet files;
    MonitorSet monitors;
    bool unidrvCore = false;
    int processorVersion = 0;
};

// Reads the three records, the monitor set and the flags for a choice of the wizard.
InstallRequest MakeInstallRequest(SetupConfig& cfg, WinVersion osCode, int printerType,
                                  const std::string& model, PortKind kind, const std::string& portName,
                                  Flavour flavour, bool setDefault);

enum class Dest {
    DriverFolder,
    DriverVersionFolder,
    ProcessorFolder,
    SystemFolder,
    SystemIfMissing,
    SystemOrWbemIfMissing,
    DriverLogFolder,
    Other
};

// A configured value names something unless it is empty or begins with "0".
inline bool Named(const std::string& v) {
    return !v.empty() && v[0] != '0';
}

// A copy in use or refused carries the system's error, which the failure text names.
enum class CopyResult : platform::Error {
    Failed = 0,
    Copied = 1,
    InUse = platform::kErrSharingViolation,
    Denied = platform::kErrAccessDenied
};
// The destination is held by a running program (the spooler, a monitor): another name or
// the next start of Windows may still place the file.
inline bool DestinationBusy(CopyResult r) {
    return r == CopyResult::InUse || r == CopyResult::Denied;
}
inline constexpr int kWorkerSuccess = 2, kWorkerFailure = 1;

// The failure texts of a worker that stopped on an exception (step: what it was doing) or
// could not be started at all. Language files older than these texts get English ones.
std::string WorkerStoppedText(const SetupTexts& texts, const std::string& step, const std::string& what);
std::string WorkerNotStartedText(const SetupTexts& texts, const std::string& systemText);
// The closing text of an installation that left files to be replaced at the next start.
std::string RestartNeededText(const SetupTexts& texts);

class Installer {
  public:
    Installer(platform::AdminPlatform& p, const SetupTexts& texts, std::string installerDir,
              InstallRequest req);
    ~Installer();

    int Run();  // kWorkerSuccess or kWorkerFailure
    const std::string& Message() const { return msg_; }
    const std::string& PrinterName() const { return req_.printerName; }
    // Files that were in use are replaced when Windows next starts; until then the
    // installation is not complete.
    bool RestartNeeded() const { return restartNeeded_; }
    // Message boxes the worker raised on its way (the WOW64 switch texts).
    const std::vector<std::string>& Notices() const { return notices_; }

    // Failed: text in the message buffer, or none for a name beginning with "0".
    CopyResult CopyFile(const std::string& name, Dest dest, bool alternate = false);
    std::string DriverLogFolder();
    void RemoveTemporaryFolder();

  private:
    bool Failed() const { return !msg_.empty(); }
    std::string T(const char* key) const { return texts_.Message(key); }
    void Fail(const std::string& text) {
        if (msg_.empty()) msg_ = text;
    }
    std::string SysText(platform::Error e);
    bool DestinationFolder(Dest dest, std::string& dir);
    std::string SourceFolder() const;
    bool IsUnidrvCoreFile(const std::string& upperName) const;
    CopyResult CopyUnidrvCoreFile(const std::string& upperName);
    CopyResult RawCopy(const std::string& from, const std::string& to, const std::string& shownName,
                       bool redirectOff);
    // For a destination in use: the new file is placed beside it now and Windows moves it
    // over the old one at its next start. False with the failure in the message buffer.
    bool ReplaceAtRestart(const std::string& name, Dest dest);
    // CopyFile, and ReplaceAtRestart when the destination is in use.
    void CopyOrReplace(const std::string& name, Dest dest);
    // Copies a file; when its destination is busy, copies it again under the alternate name
    // "n" + NAME. usedName receives the name of the copy made (the file's own when none was).
    CopyResult CopyUnderEitherName(const std::string& name, Dest dest, std::string& usedName);
    // A monitor library: copied, else under its alternate name, else replaced at restart.
    // usedName receives the name the monitor is registered with; true when a copy was made now.
    bool CopyMonitorLibrary(const std::string& dll, std::string& usedName);

    void InstallMonitor(const MonitorDesc& m, bool& marked);
    void InstallProcessor();
    void UpdateMarked();
    void UpdateMonitorFiles(const MonitorDesc& m, bool alwaysWriteDriver);
    bool UpdateOnWin9x(const std::string& dll, Dest dest, std::string& usedName);
    void StopSpooler();
    void StartSpooler();
    bool WaitSpoolerRunning();
    void ReadPortList();
    void CopyDriverFiles();
    void AddDriver();
    void MarkPrinterPort();
    void AddPrinter();
    void SetDefault();
    void WriteSpoolDirectory();

    static constexpr const char* kSpooler = "Spooler";  // the print spooler's service name

    platform::AdminPlatform& p_;
    const SetupTexts& texts_;
    std::string dir_;
    InstallRequest req_;
    std::string msg_;
    std::vector<std::string> notices_;
    bool serialMarked_ = false, usbMarked_ = false, usbSecondMarked_ = false, processorMarked_ = false;
    std::string tempDir_;
    bool cabinetsExtracted_ = false;
    std::string driverDir_;
    bool restartNeeded_ = false;
    std::string step_;
};

}  // namespace k20::drvsetup
