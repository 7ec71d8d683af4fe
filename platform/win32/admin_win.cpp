#include <windows.h>
#include <setupapi.h>
#include <winspool.h>

#include "platform/win32/system_libs_win.h"

#include <algorithm>

// The interface's names are the Windows services' own: keep the A/W macros away from
// them so that every translation unit sees the same member names.
#undef GetPrinterDriverDirectory
#undef GetPrintProcessorDirectory
#undef AddMonitor
#undef DeleteMonitor
#undef EnumMonitors
#undef AddPrintProcessor
#undef DeletePrintProcessor
#undef EnumPrintProcessors
#undef AddPrinterDriver
#undef DeletePrinterDriver
#undef EnumPrinterDrivers
#undef AddPrinter
#undef EnumPrinters
#undef SetDefaultPrinter
#undef GetDefaultPrinter
#undef EnumPorts
#undef DeletePort
#undef XcvData
#undef WriteProfileString
#undef OpenService

#include "common/text.h"
#include "platform/win32/admin_win.h"
#include "platform/win32/wide_string_win.h"

namespace k20::platform::win32 {

namespace {

// An empty environment means the spooler's own, which the API takes as a null pointer.
struct OptW {
    std::wstring s;
    bool empty;
    explicit OptW(const std::string& u) : s(Wide(u)), empty(u.empty()) {}
    wchar_t* get() { return empty ? nullptr : s.data(); }
};

struct Printer {
    HANDLE h = nullptr;
    ~Printer() {
        if (h) K20_WS(ClosePrinter)(h);
    }
};

// The two-call sizing protocol of the spooler's enumerations and queries.
template <class Fn>
Error Sized(std::vector<uint8_t>& buf, Fn fn) {
    DWORD needed = 0;
    buf.assign(512, 0);
    for (int i = 0; i < 3; ++i) {
        if (fn(buf.data(), DWORD(buf.size()), &needed)) return kOk;
        DWORD e = GetLastError();
        if (e != ERROR_INSUFFICIENT_BUFFER) return e;
        buf.assign(std::max<size_t>(needed, buf.size() * 2), 0);
    }
    return kErrInsufficientBuffer;
}

Error Last() {
    return GetLastError() ? GetLastError() : kErrInvalidParameter;
}

FARPROC Proc(const wchar_t* module, const char* name) {
    HMODULE m = GetModuleHandleW(module);
    if (!m) {
        wchar_t sys[MAX_PATH] = {};
        GetSystemDirectoryW(sys, MAX_PATH);
        m = LoadLibraryW((std::wstring(sys) + L"\\" + module).c_str());
    }
    return m ? GetProcAddress(m, name) : nullptr;
}

}  // namespace

// ---- spooler administration ----

Error Win32PrintAdmin::GetPrinterDriverDirectory(const std::string& environment, std::string& dir) {
    OptW env(environment);
    wchar_t b[MAX_PATH * 2] = {};
    DWORD needed = 0;
    if (!K20_WS(GetPrinterDriverDirectoryW)(nullptr, env.get(), 1, reinterpret_cast<LPBYTE>(b), sizeof b,
                                            &needed))
        return Last();
    dir = Narrow(b);
    return kOk;
}

Error Win32PrintAdmin::GetPrintProcessorDirectory(const std::string& environment, std::string& dir) {
    OptW env(environment);
    wchar_t b[MAX_PATH * 2] = {};
    DWORD needed = 0;
    if (!K20_WS(GetPrintProcessorDirectoryW)(nullptr, env.get(), 1, reinterpret_cast<LPBYTE>(b), sizeof b,
                                             &needed))
        return Last();
    dir = Narrow(b);
    return kOk;
}

Error Win32PrintAdmin::AddMonitor(const MonitorInfo2& m) {
    std::wstring name = Wide(m.name), dll = Wide(m.dllName);
    OptW env(m.environment);
    MONITOR_INFO_2W mi{name.data(), env.get(), dll.data()};
    return K20_WS(AddMonitorW)(nullptr, 2, reinterpret_cast<LPBYTE>(&mi)) ? kOk : Last();
}

Error Win32PrintAdmin::DeleteMonitor(const std::string& environment, const std::string& name) {
    OptW env(environment);
    std::wstring n = Wide(name);
    return K20_WS(DeleteMonitorW)(nullptr, env.get(), n.data()) ? kOk : Last();
}

Error Win32PrintAdmin::EnumMonitors(std::vector<std::string>& names) {
    std::vector<uint8_t> buf;
    DWORD count = 0;
    Error e = Sized(buf, [&](LPBYTE b, DWORD size, DWORD* needed) {
        return K20_WS(EnumMonitorsW)(nullptr, 1, b, size, needed, &count);
    });
    if (e != kOk) return e;
    names.clear();
    auto* mi = reinterpret_cast<MONITOR_INFO_1W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(Narrow(mi[i].pName));
    return kOk;
}

Error Win32PrintAdmin::AddPrintProcessor(const std::string& environment, const std::string& name,
                                         const std::string& dllName) {
    OptW env(environment);
    std::wstring n = Wide(name), d = Wide(dllName);
    return K20_WS(AddPrintProcessorW)(nullptr, env.get(), d.data(), n.data()) ? kOk : Last();
}

Error Win32PrintAdmin::DeletePrintProcessor(const std::string& environment, const std::string& name) {
    OptW env(environment);
    std::wstring n = Wide(name);
    return K20_WS(DeletePrintProcessorW)(nullptr, env.get(), n.data()) ? kOk : Last();
}

Error Win32PrintAdmin::EnumPrintProcessors(const std::string& environment, std::vector<std::string>& names) {
    OptW env(environment);
    std::vector<uint8_t> buf;
    DWORD count = 0;
    Error e = Sized(buf, [&](LPBYTE b, DWORD size, DWORD* needed) {
        return K20_WS(EnumPrintProcessorsW)(nullptr, env.get(), 1, b, size, needed, &count);
    });
    if (e != kOk) return e;
    names.clear();
    auto* pi = reinterpret_cast<PRINTPROCESSOR_INFO_1W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) names.push_back(Narrow(pi[i].pName));
    return kOk;
}

Error Win32PrintAdmin::AddPrinterDriver(const DriverInfo3& d) {
    std::wstring name = Wide(d.name), path = Wide(d.driverPath), data = Wide(d.dataFile),
                 config = Wide(d.configFile), help = Wide(d.helpFile), monitor = Wide(d.monitorName),
                 type = Wide(d.defaultDataType);
    OptW env(d.environment);
    std::wstring deps;
    for (auto& f : d.dependentFiles) deps += Wide(f) + L'\0';
    deps += L'\0';
    DRIVER_INFO_3W di{};
    di.cVersion = d.version;
    di.pName = name.data();
    di.pEnvironment = env.get();
    di.pDriverPath = path.data();
    di.pDataFile = data.data();
    di.pConfigFile = config.data();
    di.pHelpFile = d.helpFile.empty() ? nullptr : help.data();
    di.pDependentFiles = d.dependentFiles.empty() ? nullptr : deps.data();
    di.pMonitorName = d.monitorName.empty() ? nullptr : monitor.data();
    di.pDefaultDataType = d.defaultDataType.empty() ? nullptr : type.data();
    return K20_WS(AddPrinterDriverW)(nullptr, 3, reinterpret_cast<LPBYTE>(&di)) ? kOk : Last();
}

Error Win32PrintAdmin::DeletePrinterDriver(const std::string& environment, const std::string& name,
                                           bool deleteFiles) {
    OptW env(environment);
    std::wstring n = Wide(name);
    return K20_WS(DeletePrinterDriverExW)(nullptr, env.get(), n.data(),
                                          deleteFiles ? DPD_DELETE_UNUSED_FILES : 0, 0)
               ? kOk
               : Last();
}

Error Win32PrintAdmin::EnumPrinterDrivers(const std::string& environment, std::vector<DriverInfo3>& out) {
    OptW env(environment);
    std::vector<uint8_t> buf;
    DWORD count = 0;
    Error e = Sized(buf, [&](LPBYTE b, DWORD size, DWORD* needed) {
        return K20_WS(EnumPrinterDriversW)(nullptr, env.get(), 3, b, size, needed, &count);
    });
    if (e != kOk) return e;
    out.clear();
    auto* di = reinterpret_cast<DRIVER_INFO_3W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        DriverInfo3 d;
        d.version = di[i].cVersion;
        d.name = Narrow(di[i].pName);
        d.environment = Narrow(di[i].pEnvironment);
        d.driverPath = Narrow(di[i].pDriverPath);
        d.dataFile = Narrow(di[i].pDataFile);
        d.configFile = Narrow(di[i].pConfigFile);
        d.helpFile = Narrow(di[i].pHelpFile);
        for (const wchar_t* p = di[i].pDependentFiles; p && *p; p += wcslen(p) + 1)
            d.dependentFiles.push_back(Narrow(p));
        d.monitorName = Narrow(di[i].pMonitorName);
        d.defaultDataType = Narrow(di[i].pDefaultDataType);
        out.push_back(d);
    }
    return kOk;
}

Error Win32PrintAdmin::AddPrinter(const PrinterInfo2& p) {
    std::wstring name = Wide(p.printerName), port = Wide(p.portName), driver = Wide(p.driverName),
                 proc = Wide(p.printProcessor.empty() ? "WinPrint" : p.printProcessor),
                 // Windows defaults the data type to RAW; say so, since some spoolers
                 // cannot open a printer created without one.
        type = Wide(p.dataType.empty() ? "RAW" : p.dataType);
    PRINTER_INFO_2W pi{};
    pi.pDatatype = type.data();
    pi.pPrinterName = name.data();
    pi.pPortName = port.data();
    pi.pDriverName = driver.data();
    pi.pPrintProcessor = proc.data();
    pi.Attributes = p.attributes;
    HANDLE h = K20_WS(AddPrinterW)(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    if (!h) return Last();
    K20_WS(ClosePrinter)(h);
    return kOk;
}

static Error OpenAdmin(const std::string& name, Printer& p) {
    std::wstring n = Wide(name);
    PRINTER_DEFAULTSW def{nullptr, nullptr, PRINTER_ALL_ACCESS};
    return K20_WS(OpenPrinterW)(n.data(), &p.h, &def) ? kOk : Last();
}

Error Win32PrintAdmin::DeletePrinter(const std::string& printerName) {
    Printer p;
    if (Error e = OpenAdmin(printerName, p)) return e;
    return K20_WS(DeletePrinter)(p.h) ? kOk : Last();
}

Error Win32PrintAdmin::EnumPrinters(std::vector<PrinterInfo2>& out) {
    std::vector<uint8_t> buf;
    DWORD count = 0;
    Error e = Sized(buf, [&](LPBYTE b, DWORD size, DWORD* needed) {
        return K20_WS(EnumPrintersW)(PRINTER_ENUM_LOCAL, nullptr, 2, b, size, needed, &count);
    });
    if (e != kOk) return e;
    out.clear();
    auto* pi = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) {
        PrinterInfo2 p;
        p.serverName = Narrow(pi[i].pServerName);
        p.printerName = Narrow(pi[i].pPrinterName);
        p.portName = Narrow(pi[i].pPortName);
        p.driverName = Narrow(pi[i].pDriverName);
        p.printProcessor = Narrow(pi[i].pPrintProcessor);
        p.attributes = pi[i].Attributes;
        p.status = pi[i].Status;
        p.jobs = pi[i].cJobs;
        out.push_back(p);
    }
    return kOk;
}

Error Win32PrintAdmin::SetPrinterAttributes(const std::string& printerName, uint32_t attributes) {
    Printer p;
    if (Error e = OpenAdmin(printerName, p)) return e;
    std::vector<uint8_t> buf;
    Error e = Sized(buf, [&](LPBYTE b, DWORD size, DWORD* needed) {
        return K20_WS(GetPrinterW)(p.h, 2, b, size, needed);
    });
    if (e != kOk) return e;
    auto* pi = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    pi->Attributes = attributes;
    pi->pSecurityDescriptor = nullptr;  // leave the security as it is
    return K20_WS(SetPrinterW)(p.h, 2, buf.data(), 0) ? kOk : Last();
}

Error Win32PrintAdmin::SetDefaultPrinter(const std::string& printerName) {
    using Fn = BOOL(WINAPI*)(LPCWSTR);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(Proc(L"winspool.drv", "SetDefaultPrinterW")));
    if (!fn) return 127;
    return fn(Wide(printerName).c_str()) ? kOk : Last();
}

Error Win32PrintAdmin::GetDefaultPrinter(std::string& printerName) {
    wchar_t b[1024] = {};
    DWORD size = 1024;
    if (!K20_WS(GetDefaultPrinterW)(b, &size)) return Last();
    printerName = Narrow(b);
    return kOk;
}

Error Win32PrintAdmin::EnumPorts(std::vector<PortInfo>& out) {
    std::vector<uint8_t> buf;
    DWORD count = 0;
    Error e = Sized(buf, [&](LPBYTE b, DWORD size, DWORD* needed) {
        return K20_WS(EnumPortsW)(nullptr, 2, b, size, needed, &count);
    });
    if (e != kOk) return e;
    out.clear();
    auto* pi = reinterpret_cast<PORT_INFO_2W*>(buf.data());
    for (DWORD i = 0; i < count; ++i) out.push_back({Narrow(pi[i].pPortName), Narrow(pi[i].pMonitorName)});
    return kOk;
}

Error Win32PrintAdmin::DeletePort(const std::string& portName) {
    std::wstring n = Wide(portName);
    return K20_WS(DeletePortW)(nullptr, nullptr, n.data()) ? kOk : Last();
}

Error Win32PrintAdmin::XcvData(const std::string& xcvObject, const std::string& command,
                               const std::vector<uint8_t>& input, std::vector<uint8_t>& output,
                               uint32_t outputSize, uint32_t& status) {
    using Fn = BOOL(WINAPI*)(HANDLE, PCWSTR, PBYTE, DWORD, PBYTE, DWORD, PDWORD, PDWORD);
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(Proc(L"winspool.drv", "XcvDataW")));
    if (!fn) return 127;
    Printer p;
    std::wstring obj = Wide(xcvObject);
    PRINTER_DEFAULTSW def{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    if (!K20_WS(OpenPrinterW)(obj.data(), &p.h, &def)) return Last();
    std::vector<uint8_t> in = input;
    output.assign(outputSize, 0);
    DWORD needed = 0, st = 0;
    if (!fn(p.h, Wide(command).c_str(), in.data(), DWORD(in.size()), output.data(), outputSize, &needed, &st))
        return Last();
    status = st;
    return kOk;
}

// ---- services ----

namespace {
struct Sc {
    SC_HANDLE h = nullptr;
    ~Sc() {
        if (h) CloseServiceHandle(h);
    }
};
Error OpenSvc(const std::string& name, DWORD access, Sc& mgr, Sc& svc) {
    mgr.h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!mgr.h) return Last();
    svc.h = ::OpenServiceW(mgr.h, Wide(name).c_str(), access);
    return svc.h ? kOk : Last();
}
}  // namespace

Error Win32Services::Stop(const std::string& service) {
    Sc mgr, svc;
    if (Error e = OpenSvc(service, SERVICE_STOP, mgr, svc)) return e;
    SERVICE_STATUS st{};
    return ControlService(svc.h, SERVICE_CONTROL_STOP, &st) ? kOk : Last();
}

Error Win32Services::Start(const std::string& service) {
    Sc mgr, svc;
    if (Error e = OpenSvc(service, SERVICE_START, mgr, svc)) return e;
    return StartServiceW(svc.h, 0, nullptr) ? kOk : Last();
}

Error Win32Services::QueryState(const std::string& service, ServiceState& state) {
    Sc mgr, svc;
    if (Error e = OpenSvc(service, SERVICE_QUERY_STATUS, mgr, svc)) return e;
    SERVICE_STATUS st{};
    if (!QueryServiceStatus(svc.h, &st)) return Last();
    switch (st.dwCurrentState) {
        case SERVICE_STOPPED:
            state = ServiceState::Stopped;
            break;
        case SERVICE_START_PENDING:
            state = ServiceState::StartPending;
            break;
        case SERVICE_STOP_PENDING:
            state = ServiceState::StopPending;
            break;
        case SERVICE_RUNNING:
            state = ServiceState::Running;
            break;
        default:
            state = ServiceState::Other;
    }
    return kOk;
}

// ---- devices ----

Error Win32Devices::EnumPresentHardwareIds(std::vector<std::string>& ids) {
    HDEVINFO set = SetupDiGetClassDevsW(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return Last();
    ids.clear();
    SP_DEVINFO_DATA dev{};
    dev.cbSize = sizeof dev;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &dev); ++i) {
        // The property is read into 1024 bytes: longer identifier lists are cut.
        wchar_t buf[512] = {};
        DWORD type = 0;
        if (!SetupDiGetDeviceRegistryPropertyW(set, &dev, SPDRP_HARDWAREID, &type,
                                               reinterpret_cast<PBYTE>(buf), sizeof buf - sizeof(wchar_t),
                                               nullptr))
            continue;
        ids.push_back(Narrow(buf));
    }
    SetupDiDestroyDeviceInfoList(set);
    return kOk;
}

namespace {
struct CabContext {
    std::wstring dest;
    const std::vector<std::string>* wanted;
    std::vector<std::string>* extracted;
};
UINT CALLBACK CabCallback(PVOID ctx, UINT notification, UINT_PTR param1, UINT_PTR) {
    auto* c = static_cast<CabContext*>(ctx);
    if (notification == SPFILENOTIFY_FILEINCABINET) {
        auto* info = reinterpret_cast<FILE_IN_CABINET_INFO_W*>(param1);
        std::string name = Narrow(info->NameInCabinet);
        bool want =
            std::any_of(c->wanted->begin(), c->wanted->end(), [&](auto& w) { return EqualsNoCase(w, name); });
        // Names inside a cabinet are not trusted to stay inside the destination.
        if (!want || name.find_first_of("\\/:") != std::string::npos) return FILEOP_SKIP;
        std::wstring target = c->dest + L"\\" + info->NameInCabinet;
        if (target.size() >= MAX_PATH) return FILEOP_SKIP;
        wcscpy(info->FullTargetName, target.c_str());
        c->extracted->push_back(name);
        return FILEOP_DOIT;
    }
    return NO_ERROR;
}
}  // namespace

Error Win32Devices::ExtractCabinet(const std::string& cabinetPath, const std::string& destDir,
                                   const std::vector<std::string>& wanted,
                                   std::vector<std::string>& extracted) {
    extracted.clear();
    CabContext ctx{Wide(destDir), &wanted, &extracted};
    // SetupAPI reads cabinets through cabinet.dll, which is not a KnownDLL: it is loaded
    // here from the system folder so that SetupAPI finds it loaded already.
    if (!LoadSystemLibrary(L"cabinet.dll")) return Last();
    return SetupIterateCabinetW(Wide(cabinetPath).c_str(), 0, CabCallback, &ctx) ? kOk : Last();
}

// ---- USB libraries ----

namespace {

class Module {
  public:
    explicit Module(HMODULE h) : h_(h) {}
    ~Module() {
        if (h_) FreeLibrary(h_);
    }
    template <class T>
    T Get(const char* name) const {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(h_, name)));
    }

  private:
    HMODULE h_;
};

Error LoadByFullPath(const std::string& path, HMODULE& h) {
    if (!IsAbsoluteWindowsPath(path)) return kErrInvalidParameter;
    // The library's own folder and the system folder are searched for what it needs,
    // never the current one. The search flags exist where SetDefaultDllDirectories does.
    constexpr DWORD kDllLoadDir = 0x00000100, kSystem32 = 0x00000800;
    bool flags = Proc(L"kernel32.dll", "SetDefaultDllDirectories") != nullptr;
    h = LoadLibraryExW(Wide(path).c_str(), nullptr,
                       flags ? kDllLoadDir | kSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
    return h ? kOk : Last();
}

class RealQxUsbInt : public QxUsbInt {
  public:
    explicit RealQxUsbInt(HMODULE h) : m_(h) {
        open_ = m_.Get<OpenFn>("OpenDeviceX");
        desc_ = m_.Get<DescFn>("GetDescriptor");
        write_ = m_.Get<WriteFn>("uWrite");
        close_ = m_.Get<CloseFn>("CloseDevice");
    }
    bool Has(const std::string& f) override {
        if (f == "OpenDeviceX") return open_;
        if (f == "GetDescriptor") return desc_;
        if (f == "uWrite") return write_;
        if (f == "CloseDevice") return close_;
        return false;
    }
    intptr_t OpenDeviceX(int index) override { return open_ ? open_(index) : -1; }
    int GetDescriptor(intptr_t h, uint8_t* buf) override { return desc_ ? desc_(h, buf) : 0; }
    int uWrite(intptr_t h, int pipe, const uint8_t* data, int len) override {
        return write_ ? write_(h, pipe, const_cast<uint8_t*>(data), len) : 0;
    }
    void CloseDevice(intptr_t h) override {
        if (close_) close_(h);
    }

  private:
    using OpenFn = intptr_t(WINAPI*)(int);
    using DescFn = int(WINAPI*)(intptr_t, uint8_t*);
    using WriteFn = int(WINAPI*)(intptr_t, int, uint8_t*, int);
    using CloseFn = void(WINAPI*)(intptr_t);
    Module m_;
    OpenFn open_;
    DescFn desc_;
    WriteFn write_;
    CloseFn close_;
};

class RealUsbPrnEnum : public UsbPrnEnum {
  public:
    explicit RealUsbPrnEnum(HMODULE h) : m_(h) { enum_ = m_.Get<EnumFn>("EnumUSBPrinter"); }
    bool Has(const std::string& f) override { return f == "EnumUSBPrinter" && enum_; }
    int EnumUSBPrinter(char* buf) override { return enum_ ? enum_(buf) : -1; }

  private:
    using EnumFn = int(WINAPI*)(char*);
    Module m_;
    EnumFn enum_;
};

}  // namespace

Error Win32UsbLibraries::LoadQxUsbInt(const std::string& fullPath, std::unique_ptr<QxUsbInt>& lib) {
    HMODULE h = nullptr;
    if (Error e = LoadByFullPath(fullPath, h)) return e;
    lib = std::make_unique<RealQxUsbInt>(h);
    return kOk;
}

Error Win32UsbLibraries::LoadUsbPrnEnum(const std::string& fullPath, std::unique_ptr<UsbPrnEnum>& lib) {
    HMODULE h = nullptr;
    if (Error e = LoadByFullPath(fullPath, h)) return e;
    lib = std::make_unique<RealUsbPrnEnum>(h);
    return kOk;
}

// ---- processes ----

Error Win32Processes::Start(const std::string& exePath, const std::string& parameters, bool wait,
                            uint32_t& exitCode) {
    if (!IsAbsoluteWindowsPath(exePath)) return kErrInvalidParameter;
    std::wstring exe = Wide(exePath);
    // The program is named apart from the command line, and quoted within it, so that a
    // blank in the folder name cannot make Windows start another program.
    std::wstring cmd = L"\"" + exe + L"\"" + (parameters.empty() ? L"" : L" " + Wide(parameters));
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/"));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &pi))
        return Last();
    if (wait) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        exitCode = code;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return kOk;
}

Error Win32Processes::SetSafeDllSearch() {
    // Takes the current folder and the program's folder out of the search order for every
    // later load.
    RestrictDllSearchToSystem();
    return kOk;
}

std::string Win32Processes::ErrorText(Error e) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        e, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
    std::string s = n ? Narrow(buf) : "error " + std::to_string(e);
    if (buf) LocalFree(buf);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

Error Win32Processes::WriteProfileString(const std::string& section, const std::string& key,
                                         const std::string& value) {
    return ::WriteProfileStringW(Wide(section).c_str(), Wide(key).c_str(), Wide(value).c_str()) ? kOk
                                                                                                : Last();
}

Error Win32Processes::FlushProfile() {
    return ::WriteProfileStringW(nullptr, nullptr, nullptr) ? kOk : Last();
}

Error Win32Processes::BroadcastSettingChange(const std::string& area, uint32_t timeoutMs) {
    std::wstring a = Wide(area);
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>(a.c_str()),
                               SMTO_NORMAL, timeoutMs, &result)
               ? kOk
               : Last();
}

// ---- WOW64 ----

namespace {
HMODULE Kernel32() {
    wchar_t sys[MAX_PATH] = {};
    if (!GetSystemDirectoryW(sys, MAX_PATH)) return nullptr;
    return LoadLibraryW((std::wstring(sys) + L"\\kernel32.dll").c_str());
}
using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);
}  // namespace

bool Win32Wow64::LibraryAvailable() {
    return Kernel32() != nullptr;
}

bool Win32Wow64::FunctionsAvailable() {
    HMODULE k = Kernel32();
    return k && GetProcAddress(k, "Wow64DisableWow64FsRedirection") &&
           GetProcAddress(k, "Wow64RevertWow64FsRedirection");
}

Error Win32Wow64::Disable(void*& cookie) {
    HMODULE k = Kernel32();
    auto fn = k ? reinterpret_cast<DisableFn>(
                      reinterpret_cast<void*>(GetProcAddress(k, "Wow64DisableWow64FsRedirection")))
                : nullptr;
    if (!fn) return 127;
    return fn(&cookie) ? kOk : Last();
}

Error Win32Wow64::Revert(void* cookie) {
    HMODULE k = Kernel32();
    auto fn = k ? reinterpret_cast<RevertFn>(
                      reinterpret_cast<void*>(GetProcAddress(k, "Wow64RevertWow64FsRedirection")))
                : nullptr;
    if (!fn) return 127;
    return fn(cookie) ? kOk : Last();
}

// ---- named mutexes ----

void ClaimNamedMutex(const std::string& name, bool& alreadyExisted) {
    alreadyExisted = false;
    for (const char* ns : {"Global\\", ""}) {
        SetLastError(0);
        HANDLE h = CreateMutexW(nullptr, FALSE, Wide(std::string(ns) + name).c_str());
        DWORD e = GetLastError();
        if (!h) continue;  // no right to the global namespace: the session's instead
        if (e == ERROR_ALREADY_EXISTS) alreadyExisted = true;
        // The handle is deliberately kept open: the name lives as long as the process.
    }
}

bool NamedMutexExists(const std::string& name) {
    for (const char* ns : {"Global\\", ""}) {
        HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, Wide(std::string(ns) + name).c_str());
        if (h) {
            CloseHandle(h);
            return true;
        }
        // A mutex that exists but may not be opened is still there.
        if (GetLastError() == ERROR_ACCESS_DENIED) return true;
    }
    return false;
}

AdminPlatform Win32AdminMachine::admin() {
    return AdminPlatform{base.platform(), printAdmin, services, devices, usb, processes, wow64};
}

}  // namespace k20::platform::win32
