#pragma once
// The removal engine: start-up (Uninstall.ini, the item list, the USB driver check),
// the pre-check of every printer's jobs, and the worker that removes the checked items
// from the top of the list. The window program and the unattended mode both drive it;
// it reaches Windows only through the platform interfaces and the two below.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "drvremove/uninstall_config.h"
#include "platform/admin.h"

namespace k20::drvremove {

// What the worker changes on the window: the log list and the item list. The window
// program forwards each call to its own thread.
class RemovalSink {
  public:
    virtual ~RemovalSink() = default;
    virtual void Log(const std::string& line) = 0;
    virtual size_t ItemCount() = 0;
    virtual std::string ItemName(size_t index) = 0;
    virtual bool ItemChecked(size_t index) = 0;
    virtual void RemoveItem(size_t index) = 0;
};

// What only a desktop session can do.
class Desktop {
  public:
    virtual ~Desktop() = default;
    virtual void MessageBox(const std::string& text) = 0;
    // FindWindow by title.
    virtual bool WindowExists(const std::string& title) = 0;
    // The restart question (Reboot texts); true for Yes.
    virtual bool AskRestart() = 0;
    // Restarts Windows; with the privilege flag the shutdown privilege is enabled first,
    // and a failure to enable it cancels the restart.
    virtual bool RestartWindows(bool enableShutdownPrivilege) = 0;
};

// Facts the program learns from Windows itself before the engine starts.
struct StartFacts {
    std::string programDir;           // the folder of drvremove.exe; empty: it could not be read
    bool winspoolLoaded = true;       // "Winspool.drv" could be loaded
    bool deleteDriverExFound = true;  // it exports DeletePrinterDriverExA
};

// Driver and Port: the package's printer drivers and network ports that no printer uses
// any more (left by a failed installation, or by a printer deleted by hand).
enum class ItemKind { Monitor, Processor, Printer, Driver, Port };

enum class StartResult { Ok, NoCurrentDir, CannotList, NoIni, NoWinspool };

struct RunResult {
    bool loopCompleted = false;  // no printer error ended the item loop
    bool removedSomething = false;
    bool usbRan = false;
    bool incomplete = false;  // something asked for stays (a failure was logged)
    bool restartAsked = false, restarted = false;
};

inline constexpr const char* kSpooler = "Spooler";
inline constexpr const char* kMonitorsKey = "SYSTEM\\CURRENTCONTROLSET\\CONTROL\\PRINT\\MONITORS\\";
inline constexpr const char* kInstallPrinterKey = "SOFTWARE\\KESTRAN\\INSTALLPRINTER";
inline constexpr const char* kPortNameKey = "SOFTWARE\\KESTRAN\\PORTNAME";

class Remover {
  public:
    Remover(platform::AdminPlatform& p, Desktop& desktop, StartFacts facts);

    // Start-up steps 3 to 8 of the main window: version facts, Uninstall.ini, the item
    // list, the prompt, the spooler library and the USB driver check box. Message boxes go
    // to the desktop. items receives the list in order; log receives the prompt.
    StartResult Start(std::vector<std::string>& items, std::vector<std::string>& log);

    // Uninstall button: true when every local printer was read and none has jobs;
    // otherwise the finding is logged.
    bool PreCheck(RemovalSink& sink);

    // The worker: every checked item from the top, then the USB driver uninstaller when
    // runUsb and the loop ran to its end, then the restart question when askRestart and
    // something was removed, then the closing prompt when items remain.
    RunResult Remove(RemovalSink& sink, bool runUsb, bool askRestart);

    ItemKind KindOf(const std::string& name) const;
    int VersionCode() const { return code_; }
    bool Wow64() const { return wow64_; }
    bool UsbBoxEnabled() const { return usbBoxEnabled_; }
    const UninstallTexts& Texts() const { return texts_; }
    const UninstallConfig& Config() const { return config_; }
    const std::string& ConfigPath() const { return iniPath_; }
    // "<current>\USBDrv\USBDriver_<x64|x86>\<Win7|Win8|Win10>\Install.exe".
    std::string UsbUninstallerPath() const;
    std::string Text(const char* key) const { return texts_.Message(key); }
    // The files that Uninstall.ini may name for deletion (upper case).
    const std::set<std::string>& PackageFiles() const { return packageFiles_; }

  private:
    enum class Step { Next, EndLoop };
    Step RemoveMonitor(RemovalSink& sink, const std::string& name, RunResult& r);
    Step RemoveProcessor(RemovalSink& sink, const std::string& name, RunResult& r);
    Step RemovePrinter(RemovalSink& sink, const std::string& name, RunResult& r);
    Step RemoveOrphanDriver(RemovalSink& sink, const std::string& name, RunResult& r);
    Step RemoveOrphanPort(RemovalSink& sink, const std::string& name, RunResult& r);
    Step RemoveItem(RemovalSink& sink, const std::string& name, RunResult& r);
    void AddOrphans(std::vector<std::string>& items, const std::vector<platform::PrinterInfo2>& printers);
    // A name of Uninstall.ini that is not the package's: logged with the reason, left alone.
    void LogRefusal(RemovalSink& sink, const std::string& name, const char* reason, RunResult& r);
    void ReportSuccess(RemovalSink& sink, const std::string& name, RunResult& r);
    bool SerialPortInUse(RemovalSink& sink);
    void DeleteUsbInfFiles(const std::string& printerName);
    void DeleteDriver(RemovalSink& sink, const std::string& printerName, const std::string& driverName,
                      RunResult& r);
    void DeleteSharedNetworkPort(const std::string& port);
    // Deletes a file named by Uninstall.ini from folder; a name that is not a file the
    // package installs is logged and nothing is touched. False when the file stays.
    bool DeleteConfiguredFile(RemovalSink& sink, const std::string& folder, const std::string& name,
                              bool redirectionOff, RunResult& r);
    bool RunUsbUninstaller(RemovalSink& sink);
    void RestartSpooler();
    bool UsbDriverInstalled();
    bool UsbProbeFindsDevice();
    void LogPrinterError(RemovalSink& sink, platform::Error e, const std::string& name);
    std::string ProcessorEnvironmentForEnum() const;
    platform::RegView View() const;

    platform::AdminPlatform& p_;
    Desktop& desktop_;
    StartFacts facts_;
    UninstallTexts texts_;
    UninstallConfig config_;
    std::string iniPath_;
    int code_ = 0;
    bool wow64_ = false;
    bool usbBoxEnabled_ = false;
    size_t current_ = 0;  // index of the item being removed
    std::set<std::string> packageFiles_;
    std::map<std::string, ItemKind> orphans_;  // listed drivers and ports, by item name
    std::string step_;                         // what the worker is doing, for a failure report
};

}  // namespace k20::drvremove
