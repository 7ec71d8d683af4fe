// The installer's file copies: destination folders, the system's own driver files from
// its cabinets or driver store, files in use, and the driver files of a model.
#include "drvsetup/installer.h"

#include "common/text.h"

namespace k20::drvsetup {

using namespace platform;

std::string Installer::SourceFolder() const {
    return JoinPath(dir_, req_.windows64 ? "W64" : "W32");
}

std::string Installer::DriverLogFolder() {
    std::string win = p_.base.system.WindowsDirectory();
    if (win.size() < 3) return {};
    return JoinPath(win.substr(0, 3), "PellamorDriverlog");
}

bool Installer::DestinationFolder(Dest dest, std::string& dir) {
    switch (dest) {
        case Dest::DriverFolder:
        case Dest::DriverVersionFolder: {
            if (driverDir_.empty() && p_.printAdmin.GetPrinterDriverDirectory("", driverDir_) != kOk) {
                driverDir_.clear();
                Fail(T("IDS_ERR_GETDRIVERDIR"));
                return false;
            }
            dir = dest == Dest::DriverFolder ? driverDir_ : JoinPath(driverDir_, "3");
            p_.base.files.CreateDirectories(dir);
            return true;
        }
        case Dest::ProcessorFolder:
            if (p_.printAdmin.GetPrintProcessorDirectory("", dir) != kOk) {
                Fail(T("IDS_ERR_GETPRODIR"));
                return false;
            }
            p_.base.files.CreateDirectories(dir);
            return true;
        case Dest::SystemFolder:
        case Dest::SystemIfMissing:
        case Dest::SystemOrWbemIfMissing:
            dir = p_.base.system.SystemDirectory();
            if (dir.empty()) {
                Fail(T("IDS_ERR_GETSYSDIR"));
                return false;
            }
            return true;
        case Dest::DriverLogFolder:
            dir = DriverLogFolder();
            if (dir.empty()) {
                Fail(T("IDS_ERR_GETWINDIR"));
                return false;
            }
            p_.base.files.CreateDirectories(dir);
            return true;
        case Dest::Other:
            break;
    }
    Fail(T("IDS_ERR_DIRTYPE"));
    return false;
}

CopyResult Installer::RawCopy(const std::string& from, const std::string& to, const std::string& shownName,
                              bool redirectOff) {
    void* cookie = nullptr;
    bool switched = false;
    if (redirectOff) {
        // Without the kernel library the copy cannot be steered to the native folder.
        if (!p_.wow64.LibraryAvailable()) return CopyResult::Failed;
        if (p_.wow64.FunctionsAvailable()) switched = p_.wow64.Disable(cookie) == kOk;
    }
    p_.base.files.SetAttributes(to, kAttrArchive);
    Error e = p_.base.files.CopyFile(from, to, false);
    if (switched) p_.wow64.Revert(cookie);
    if (e == kOk) return CopyResult::Copied;
    if (e == kErrSharingViolation) return CopyResult::InUse;
    if (e == kErrAccessDenied) return CopyResult::Denied;
    Fail(T("IDS_ERR_COPYFIEL") + shownName + "\n" + SysText(e) + T("IDS_ERR_COPYFIEL1"));
    return CopyResult::Failed;
}

bool Installer::ReplaceAtRestart(const std::string& name, Dest dest) {
    std::string up = ToUpper(name);
    std::string dir;
    if (!DestinationFolder(dest, dir)) return false;
    if (dest == Dest::SystemOrWbemIfMissing) dir = JoinPath(dir, "wbem");
    bool system =
        dest == Dest::SystemFolder || dest == Dest::SystemIfMissing || dest == Dest::SystemOrWbemIfMissing;
    std::string target = JoinPath(dir, up), staged = target + ".K20NEW";
    void* cookie = nullptr;
    bool switched = system && req_.windows64 && p_.wow64.LibraryAvailable() &&
                    p_.wow64.FunctionsAvailable() && p_.wow64.Disable(cookie) == kOk;
    Error e = p_.base.files.CopyFile(JoinPath(SourceFolder(), up), staged, false);
    if (e == kOk) {
        e = p_.base.files.ReplaceAtRestart(staged, target);
        if (e != kOk) p_.base.files.DeleteFile(staged);
    }
    if (switched) p_.wow64.Revert(cookie);
    if (e != kOk) {
        Fail(T("IDS_ERR_COPYFIEL") + up + "\n" + SysText(e) + T("IDS_ERR_COPYFIEL1"));
        return false;
    }
    restartNeeded_ = true;
    return true;
}

void Installer::CopyOrReplace(const std::string& name, Dest dest) {
    CopyResult r = CopyFile(name, dest);
    if (!DestinationBusy(r)) return;
    // The system's own driver files come from its cabinets or driver store, not from the
    // package: one in use is named and the installation stops.
    if (dest == Dest::DriverFolder && IsUnidrvCoreFile(ToUpper(name))) {
        Fail(T("IDS_ERR_COPYFIEL") + ToUpper(name) + "\n" + SysText(Error(r)) + T("IDS_ERR_COPYFIEL1"));
        return;
    }
    ReplaceAtRestart(name, dest);
}

CopyResult Installer::CopyUnderEitherName(const std::string& name, Dest dest, std::string& usedName) {
    usedName = name;
    CopyResult r = CopyFile(name, dest);
    if (!DestinationBusy(r)) return r;
    r = CopyFile(name, dest, true);
    if (r == CopyResult::Copied) usedName = "n" + ToUpper(name);
    return r;
}

bool Installer::CopyMonitorLibrary(const std::string& dll, std::string& usedName) {
    CopyResult r = CopyUnderEitherName(dll, Dest::SystemFolder, usedName);
    if (r == CopyResult::Copied) return true;
    if (!DestinationBusy(r)) return false;
    // In use under both names: the library is replaced at the next start, and nothing
    // records it as copied, so that the next installation checks it again.
    ReplaceAtRestart(dll, Dest::SystemFolder);
    return false;
}

bool Installer::IsUnidrvCoreFile(const std::string& up) const {
    if (req_.osCode < WinVersion::Win2000) return false;
    for (const char* s : {"UNIDRV", "STDNAMES", "TTFSUB", "UNIRES"})
        if (up.find(s) != std::string::npos) return true;
    return false;
}

void Installer::RemoveTemporaryFolder() {
    if (tempDir_.empty()) return;
    std::vector<FindEntry> found;
    if (p_.base.files.FindFiles(JoinPath(tempDir_, "*"), found) == kOk)
        for (auto& f : found) p_.base.files.DeleteFile(JoinPath(tempDir_, f.name));
    p_.base.files.RemoveDirectory(tempDir_);
    tempDir_.clear();
}

CopyResult Installer::CopyUnidrvCoreFile(const std::string& up) {
    std::string driverDir;
    if (!DestinationFolder(Dest::DriverFolder, driverDir)) return CopyResult::Failed;
    std::string win = p_.base.system.WindowsDirectory();
    if (req_.osCode <= WinVersion::Server2003) {
        if (!cabinetsExtracted_) {
            cabinetsExtracted_ = true;
            // A folder of our own, new for this run: nothing another user placed in the
            // shared temporary folder can stand in for a system file.
            std::string base = p_.base.system.TempDirectory();
            for (int i = 0; i < 100 && tempDir_.empty(); ++i) {
                std::string candidate = JoinPath(
                    base, "k20setup-" + std::to_string(p_.base.system.TickCount()) + "-" + std::to_string(i));
                if (p_.base.files.CreateDirectory(candidate) == kOk) tempDir_ = candidate;
            }
            std::string cabDir = JoinPath(win, req_.windows64 ? "Driver Cache\\AMD64" : "Driver Cache\\i386");
            std::vector<FindEntry> cabs;
            if (!tempDir_.empty() && p_.base.files.FindFiles(JoinPath(cabDir, "*.cab"), cabs) == kOk) {
                const std::vector<std::string> wanted = {"unidrvui.dll", "unidrv.dll",   "unires.dll",
                                                         "unidrv.hlp",   "stdnames.gpd", "ttfsub.gpd"};
                for (auto& c : cabs) {
                    std::vector<std::string> got;
                    p_.devices.ExtractCabinet(JoinPath(cabDir, c.name), tempDir_, wanted, got);
                }
            }
        }
        if (tempDir_.empty()) {
            Fail(T("IDS_ERR_COPYFIEL") + up + "\n" + SysText(kErrPathNotFound) + T("IDS_ERR_COPYFIEL1"));
            return CopyResult::Failed;
        }
        return RawCopy(JoinPath(tempDir_, up), JoinPath(driverDir, up), up, false);
    }
    std::string pattern = JoinPath(win, "System32\\DriverStore\\FileRepository\\ntprint*");
    std::vector<FindEntry> found;
    void* cookie = nullptr;
    bool switched = req_.windows64 && p_.wow64.LibraryAvailable() && p_.wow64.FunctionsAvailable() &&
                    p_.wow64.Disable(cookie) == kOk;
    Error e = p_.base.files.FindFiles(pattern, found);
    if (switched) p_.wow64.Revert(cookie);
    std::string folder;
    for (auto& f : found)
        if (f.isDirectory) {
            folder = JoinPath(ParentPath(pattern), f.name);
            break;
        }
    if (e != kOk || folder.empty()) {
        Fail("Couldn't find system files.\n" + SysText(e != kOk ? e : kErrFileNotFound));
        return CopyResult::Failed;
    }
    std::string from = JoinPath(JoinPath(folder, req_.windows64 ? "AMD64" : "I386"), up);
    return RawCopy(from, JoinPath(driverDir, up), up, req_.windows64);
}

CopyResult Installer::CopyFile(const std::string& name, Dest dest, bool alternate) {
    std::string up = ToUpper(name);
    if (!up.empty() && up[0] == '0') return CopyResult::Failed;
    // Names come from configuration files and the installer runs as administrator: only
    // a bare file name may be joined to a destination folder.
    if (!IsBareFileName(up)) {
        Fail(T("IDS_ERR_COPYFIEL") + name + "\n" + SysText(kErrInvalidName) + T("IDS_ERR_COPYFIEL1"));
        return CopyResult::Failed;
    }
    if (dest == Dest::DriverFolder && IsUnidrvCoreFile(up)) return CopyUnidrvCoreFile(up);
    std::string dir;
    if (!DestinationFolder(dest, dir)) return CopyResult::Failed;
    std::string target = alternate ? "n" + up : up;
    bool system =
        dest == Dest::SystemFolder || dest == Dest::SystemIfMissing || dest == Dest::SystemOrWbemIfMissing;
    if (dest == Dest::SystemIfMissing && p_.base.files.Exists(JoinPath(dir, up))) return CopyResult::Copied;
    if (dest == Dest::SystemOrWbemIfMissing) {
        std::string wbem = JoinPath(dir, "wbem");
        if ((req_.osCode >= WinVersion::Vista && p_.base.files.Exists(JoinPath(dir, up))) ||
            p_.base.files.Exists(JoinPath(wbem, up)))
            return CopyResult::Copied;
        p_.base.files.CreateDirectories(wbem);
        dir = wbem;
    }
    return RawCopy(JoinPath(SourceFolder(), up), JoinPath(dir, target), up, system && req_.windows64);
}

void Installer::CopyDriverFiles() {
    const FileSet& f = req_.files;
    for (const std::string* v : {&f.configFile, &f.dataFile, &f.driverPath, &f.helpFile}) {
        if (v->empty()) {
            Fail(T("IDS_ERR_LOSTDRIVERFILE"));
            return;
        }
    }
    // Step by step: each copy stops the run on failure; a file in use is replaced when
    // Windows next starts.
    auto copy = [&](const std::string& name, Dest d) {
        if (!Failed() && Named(name)) CopyOrReplace(name, d);
    };
    for (const std::string* v : {&f.configFile, &f.dataFile, &f.driverPath, &f.helpFile, &f.dataFileDll,
                                 &f.oemuiDll, &f.oemuniDll, &f.oemuniIni})
        copy(*v, Dest::DriverFolder);
    copy(f.controlFontFile, Dest::DriverVersionFolder);
    copy(f.usbInternalId, Dest::DriverVersionFolder);
    for (auto& l : f.languageResources) copy(l, Dest::DriverVersionFolder);
    copy(f.driverLogIni, Dest::DriverLogFolder);
    copy(f.driverLogViewer, Dest::DriverLogFolder);
    if (req_.osCode == WinVersion::XP && !req_.windows64) {
        copy("srclient.dll", Dest::SystemIfMissing);
        copy("framedyn.dll", Dest::SystemOrWbemIfMissing);
        copy("newdev.dll", Dest::SystemIfMissing);
    }
    if (req_.unidrvCore && req_.osCode >= WinVersion::Win2000) {
        copy("TTFSUB.GPD", Dest::DriverFolder);
        copy("STDNAMES.GPD", Dest::DriverFolder);
        copy("UNIRES.DLL", Dest::DriverFolder);
    }
    if (req_.unidrvCore && req_.osCode == WinVersion::Win98 && !Failed()) {
        copy("ICONLIB.DLL", Dest::DriverFolder);
        std::string sys = p_.base.system.SystemDirectory();
        if (!Failed() && !p_.base.files.Exists(JoinPath(sys, "UNIDRV.DLL"))) {
            std::string backup = JoinPath(p_.base.system.WindowsDirectory(), "Sysbckup\\UNIDRV.DLL");
            if (p_.base.files.CopyFile(backup, JoinPath(sys, "UNIDRV.DLL"), true) != kOk)
                copy("UNIDRV.DLL", Dest::DriverFolder);
        }
    }
    if (req_.osCode == WinVersion::Win98 &&
        (req_.model.find("ZRP-C30") != std::string::npos || req_.model.find("ZRP-B20") != std::string::npos))
        copy("DMCOLOR.DLL", Dest::DriverFolder);
    if (!Failed() && req_.unidrvCore && f.dataFileDll.empty()) Fail(T("IDS_ERR_LOSTDRIVERFILE"));
}

}  // namespace k20::drvsetup
