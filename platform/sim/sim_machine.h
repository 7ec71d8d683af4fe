#pragma once
// An in-memory Windows machine for native tests: drive-letter paths and registry keys
// compared without regard to case, a spooler that captures raw jobs byte for byte, a
// settable language and version, a clock that moves only when told, and fault
// injection: any named operation can fail on its n-th call with a chosen Win32 error.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/sim_admin.h"

namespace k20::platform::sim {

class FaultInjector {
  public:
    // The n-th call (1-based, counted from the last Reset) of op fails with err.
    void FailOn(const std::string& op, int nthCall, Error err);
    // Every call of op from now on fails with err.
    void FailAlways(const std::string& op, Error err);
    void Clear();  // forgets planned failures, keeps counts
    void Reset();  // forgets failures and counts
    int Calls(const std::string& op) const;
    int TotalCalls() const { return total_; }
    // Counts the call and returns the planned failure or kOk.
    Error Check(const std::string& op);
    // A log of every checked operation in order, for tests that walk all failure points.
    const std::vector<std::string>& Trace() const { return trace_; }

    // What the machine does by itself on behalf of one operation (the spooler writing
    // its own registry keys) is neither counted nor failed while a Pause lives.
    class Pause {
      public:
        explicit Pause(FaultInjector& f) : f_(f), was_(f.paused_) { f.paused_ = true; }
        ~Pause() { f_.paused_ = was_; }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

      private:
        FaultInjector& f_;
        bool was_;
    };

  private:
    bool paused_ = false;
    std::map<std::string, int> counts_;
    std::map<std::string, std::map<int, Error>> planned_;
    std::map<std::string, Error> always_;
    std::vector<std::string> trace_;
    int total_ = 0;
};

class SimRegistry : public Registry {
  public:
    SimRegistry(FaultInjector& f, const bool& windows64) : faults_(f), windows64_(windows64) {}
    Error CreateKey(RegRoot root, const std::string& path, RegView view = RegView::Default) override;
    bool KeyExists(RegRoot root, const std::string& path, RegView view = RegView::Default) override;
    Error DeleteTree(RegRoot root, const std::string& path, RegView view = RegView::Default) override;
    Error SetValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& v,
                   RegView view = RegView::Default) override;
    Error GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& out,
                   RegView view = RegView::Default) override;
    Error DeleteValue(RegRoot root, const std::string& path, const std::string& name,
                      RegView view = RegView::Default) override;
    Error EnumSubKeys(RegRoot root, const std::string& path, std::vector<std::string>& out,
                      RegView view = RegView::Default) override;
    Error EnumValues(RegRoot root, const std::string& path, std::vector<std::string>& out,
                     RegView view = RegView::Default) override;

    // Every key (as "HKLM\\PATH") for tests that check what was left behind.
    std::vector<std::string> AllKeys() const;

    // The simulated process is 32-bit on 64-bit Windows: the default view is the 32-bit one.
    bool process32 = false;

  private:
    struct Key {
        std::string name;                        // as created
        std::map<std::string, RegValue> values;  // by upper-case name
        std::map<std::string, std::string> valueNames;
    };
    std::string Normalize(RegRoot root, const std::string& path, RegView view) const;
    FaultInjector& faults_;
    const bool& windows64_;
    std::map<std::string, Key> keys_;  // by upper-case full path
};

class SimFileSystem : public FileSystem {
  public:
    explicit SimFileSystem(FaultInjector& f);
    Error ReadFile(const std::string& path, std::vector<uint8_t>& out) override;
    Error WriteFile(const std::string& path, const std::vector<uint8_t>& data) override;
    Error CopyFile(const std::string& from, const std::string& to, bool failIfExists) override;
    Error DeleteFile(const std::string& path) override;
    Error CreateDirectory(const std::string& path) override;
    Error RemoveDirectory(const std::string& path) override;
    Error GetAttributes(const std::string& path, uint32_t& attrs) override;
    Error SetAttributes(const std::string& path, uint32_t attrs) override;
    Error FindFiles(const std::string& pattern, std::vector<FindEntry>& out) override;
    Error GetFileVersion(const std::string& path, std::string& version) override;
    Error MoveFileReplace(const std::string& from, const std::string& to) override;
    // "ReplaceAtRestart": remembered in pendingReplacements until RestartWindows().
    Error ReplaceAtRestart(const std::string& from, const std::string& to) override;
    // Carries out the pending replacements as Windows does at its next start.
    void RestartWindows();
    std::vector<std::pair<std::string, std::string>> pendingReplacements;
    // Files a running program holds open: writing over, moving over or deleting them fails
    // with kErrSharingViolation until RestartWindows().
    void HoldOpen(const std::string& path) { held_.insert(Key(path)); }

    // Test set-up: writes a file, creating its folders, and optionally gives it a version.
    void Put(const std::string& path, const std::vector<uint8_t>& data, const std::string& version = {});
    void Put(const std::string& path, const std::string& text) {
        Put(path, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void AddDrive(char letter);
    std::vector<std::string> AllPaths() const;

  private:
    struct Node {
        std::string path;  // as created
        bool dir = false;
        uint32_t attrs = kAttrArchive;
        std::vector<uint8_t> data;
        std::string version;
        uint64_t writeTime = 0;
    };
    // Every write moves the files' clock on, so that each write gives a new time; a copy
    // keeps its source's time as on Windows.
    uint64_t writeClock_ = 0;
    static std::string Key(const std::string& path);
    bool ParentIsDir(const std::string& path) const;
    bool Held(const std::string& path) const { return held_.count(Key(path)) != 0; }
    FaultInjector& faults_;
    std::map<std::string, Node> nodes_;
    std::set<std::string> held_;
};

struct SimClock {
    uint64_t nowMs = 0;
    void Advance(uint64_t ms) { nowMs += ms; }
};

class SimSystemInfo : public SystemInfo {
  public:
    explicit SimSystemInfo(SimClock& c) : clock_(c) {}
    std::string WindowsDirectory() override { return windowsDir; }
    std::string SystemDirectory() override { return systemDir; }
    std::string AppDataDirectory() override { return appDataDir; }
    std::string TempDirectory() override { return tempDir; }
    uint16_t DefaultUiLanguage() override { return language; }
    uint16_t SystemDefaultLanguage() override { return systemLanguage ? systemLanguage : language; }
    unsigned AnsiCodePage() override { return codePage; }
    OsVersion Version() override { return version; }
    bool IsWindows64() override { return windows64; }
    bool IsWow64Process() override { return wow64; }
    uint64_t TickCount() override { return clock_.nowMs; }
    void Sleep(uint32_t ms) override { clock_.Advance(ms); }

    std::string windowsDir = "C:\\Windows";
    std::string systemDir = "C:\\Windows\\system32";
    std::string appDataDir = "C:\\Users\\user\\AppData\\Roaming";
    std::string tempDir = "C:\\Users\\user\\AppData\\Local\\Temp\\";
    uint16_t language = 0x0409;
    uint16_t systemLanguage = 0;  // 0: the same as language
    unsigned codePage = 1252;
    OsVersion version;
    bool windows64 = true;
    bool wow64 = false;

  private:
    SimClock& clock_;
};

struct SimJob {
    std::string printer, docName, dataType;
    uint32_t id = 0;
    int pagesStarted = 0, pagesEnded = 0;
    bool ended = false;
    std::vector<uint8_t> data;
};

class SimSpooler : public Spooler {
  public:
    explicit SimSpooler(FaultInjector& f) : faults_(f) {}
    Error OpenPrinter(const std::string& name, PrinterHandle& h) override;
    Error ClosePrinter(PrinterHandle h) override;
    Error GetPrinter2(PrinterHandle h, PrinterInfo2& info) override;
    Error StartDocRaw(PrinterHandle h, const std::string& docName, const std::string& dataType,
                      uint32_t& jobId) override;
    Error StartPage(PrinterHandle h) override;
    Error WritePrinter(PrinterHandle h, const uint8_t* data, uint32_t size, uint32_t& written) override;
    Error EndPage(PrinterHandle h) override;
    Error EndDoc(PrinterHandle h) override;
    Error EnumLocalPrinters(std::vector<PrinterInfo2>& out) override;
    Error EnumForms1(PrinterHandle h, std::vector<FormInfo1>& out) override;
    Error AddForm1(PrinterHandle h, const FormInfo1& form) override;
    Error SetForm1(PrinterHandle h, const std::string& name, const FormInfo1& form) override;
    Error DeleteForm1(PrinterHandle h, const std::string& name) override;

    void AddPrinter(const PrinterInfo2& info);
    // The server's forms in enumeration order; starts with two built-in ones.
    std::vector<FormInfo1> forms{{kFormBuiltin, "Letter", 215900, 279400, 0, 0, 215900, 279400},
                                 {kFormBuiltin, "A4", 210000, 297000, 0, 0, 210000, 297000}};
    std::vector<PrinterInfo2> printers;
    std::vector<SimJob> jobs;  // every document started, in order
    int OpenHandles() const { return int(open_.size()); }

  private:
    struct Open {
        std::string printer;
        int job = -1;  // index into jobs while a document is open
        bool inPage = false;
    };
    Open* Find(PrinterHandle h);
    FormInfo1* FindForm(const std::string& name);
    FaultInjector& faults_;
    std::map<PrinterHandle, Open> open_;
    PrinterHandle next_ = 0x1000;
    uint32_t nextJob_ = 1;
};

class SimMachine {
  public:
    SimMachine();
    FaultInjector faults;
    SimClock clock;
    SimSystemInfo system{clock};
    SimRegistry registry{faults, system.windows64};
    SimFileSystem files{faults};
    SimSpooler spooler{faults};
    SimServices services{faults};
    SimPrintAdmin printAdmin{faults, system, registry, files, spooler, services};
    SimDevices devices{faults, files};
    SimUsb usb{faults, files};
    SimProcesses processes{faults, files};
    SimWow64 wow64{faults};
    Platform platform() { return Platform{registry, files, system, spooler}; }
    AdminPlatform admin() {
        return AdminPlatform{platform(), printAdmin, services, devices, usb, processes, wow64};
    }
};

}  // namespace k20::platform::sim
