#include "platform/sim/sim_admin.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "common/text.h"
#include "platform/sim/sim_machine.h"

namespace k20::platform::sim {

// ---- services ----

Error SimServices::Stop(const std::string& service) {
    if (Error e = faults_.Check("ServiceStop")) return e;
    auto it = states.find(ToUpper(service));
    if (it == states.end()) return kErrServiceDoesNotExist;
    ++stops;
    if (it->second == ServiceState::Stopped) return kErrServiceNotActive;
    it->second = ServiceState::Stopped;
    return kOk;
}

Error SimServices::Start(const std::string& service) {
    if (Error e = faults_.Check("ServiceStart")) return e;
    auto it = states.find(ToUpper(service));
    if (it == states.end()) return kErrServiceDoesNotExist;
    ++starts;
    if (it->second == ServiceState::Running || it->second == ServiceState::StartPending)
        return kErrServiceAlreadyRunning;
    if (startLeavesStopped) return kOk;
    pending_ = startPendingQueries;
    it->second = pending_ > 0 ? ServiceState::StartPending : ServiceState::Running;
    return kOk;
}

Error SimServices::QueryState(const std::string& service, ServiceState& state) {
    if (Error e = faults_.Check("ServiceQuery")) return e;
    auto it = states.find(ToUpper(service));
    if (it == states.end()) return kErrServiceDoesNotExist;
    if (it->second == ServiceState::StartPending && --pending_ <= 0) it->second = ServiceState::Running;
    state = it->second;
    return kOk;
}

bool SimServices::Running(const std::string& service) const {
    auto it = states.find(ToUpper(service));
    return it != states.end() && it->second == ServiceState::Running;
}

// ---- print administration ----

static constexpr const char* kMonitorsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\";
static constexpr const char* kEnvironmentsKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Environments\\";

SimPrintAdmin::SimPrintAdmin(FaultInjector& f, SimSystemInfo& sys, SimRegistry& reg, SimFileSystem& files,
                             SimSpooler& sp, SimServices& svc)
    : faults_(f), sys_(sys), reg_(reg), files_(files), spooler_(sp), services_(svc) {}

Error SimPrintAdmin::Enter(const char* op) {
    if (Error e = faults_.Check(op)) return e;
    return services_.Running("Spooler") ? kOk : kErrRpcServerUnavailable;
}

std::string SimPrintAdmin::DefaultEnvironment() const {
    if (sys_.version.platformId == 1) return "Windows 4.0";
    return sys_.windows64 ? "Windows x64" : "Windows NT x86";
}

bool SimPrintAdmin::KnownEnvironment(const std::string& env) const {
    return env.empty() || EqualsNoCase(env, "Windows 4.0") || EqualsNoCase(env, "Windows NT x86") ||
           (sys_.windows64 && EqualsNoCase(env, "Windows x64"));
}

static std::string EnvFolder(const std::string& env) {
    if (EqualsNoCase(env, "Windows 4.0")) return "WIN40";
    if (EqualsNoCase(env, "Windows x64")) return "x64";
    return "W32X86";
}

std::string SimPrintAdmin::DriverDirectory(const std::string& environment) const {
    return sys_.systemDir + "\\spool\\drivers\\" +
           EnvFolder(environment.empty() ? DefaultEnvironment() : environment);
}

std::string SimPrintAdmin::ProcessorDirectory(const std::string& environment) const {
    return sys_.systemDir + "\\spool\\prtprocs\\" +
           EnvFolder(environment.empty() ? DefaultEnvironment() : environment);
}

Error SimPrintAdmin::GetPrinterDriverDirectory(const std::string& environment, std::string& dir) {
    if (Error e = Enter("GetPrinterDriverDirectory")) return e;
    if (!KnownEnvironment(environment)) return 1805;  // ERROR_INVALID_ENVIRONMENT
    dir = DriverDirectory(environment);
    return kOk;
}

Error SimPrintAdmin::GetPrintProcessorDirectory(const std::string& environment, std::string& dir) {
    if (Error e = Enter("GetPrintProcessorDirectory")) return e;
    if (!KnownEnvironment(environment)) return 1805;
    dir = ProcessorDirectory(environment);
    return kOk;
}

Error SimPrintAdmin::AddMonitor(const MonitorInfo2& m) {
    if (Error e = Enter("AddMonitor")) return e;
    if (m.name.empty() || m.dllName.empty() || !KnownEnvironment(m.environment)) return kErrInvalidParameter;
    for (auto& x : monitors)
        if (EqualsNoCase(x.name, m.name)) return kErrMonitorAlreadyInstalled;
    FaultInjector::Pause pause(faults_);
    // The spooler loads the monitor at once: its DLL must be in the system folder.
    if (!files_.Exists(JoinPath(sys_.systemDir, m.dllName))) return 126;  // ERROR_MOD_NOT_FOUND
    monitors.push_back(m);
    reg_.CreateKey(RegRoot::LocalMachine, kMonitorsKey + m.name, RegView::View64);
    reg_.SetString(RegRoot::LocalMachine, kMonitorsKey + m.name, "Driver", m.dllName, RegView::View64);
    for (auto& [mon, names] : portsOfMonitor)
        if (EqualsNoCase(mon, m.name))
            for (auto& n : names) ports.push_back({n, m.name});
    return kOk;
}

Error SimPrintAdmin::DeleteMonitor(const std::string&, const std::string& name) {
    if (Error e = Enter("DeleteMonitor")) return e;
    auto it =
        std::find_if(monitors.begin(), monitors.end(), [&](auto& x) { return EqualsNoCase(x.name, name); });
    if (it == monitors.end()) return 3000;  // ERROR_UNKNOWN_PRINT_MONITOR
    for (auto& p : ports)
        if (EqualsNoCase(p.monitorName, name))
            for (auto& pr : spooler_.printers)
                if (EqualsNoCase(pr.portName, p.name)) return kErrMonitorInUse;
    monitors.erase(it);
    std::erase_if(ports, [&](auto& p) { return EqualsNoCase(p.monitorName, name); });
    FaultInjector::Pause pause(faults_);
    reg_.DeleteTree(RegRoot::LocalMachine, kMonitorsKey + name, RegView::View64);
    return kOk;
}

Error SimPrintAdmin::EnumMonitors(std::vector<std::string>& names) {
    if (Error e = Enter("EnumMonitors")) return e;
    names.clear();
    for (auto& m : monitors) names.push_back(m.name);
    return kOk;
}

Error SimPrintAdmin::AddPrintProcessor(const std::string& environment, const std::string& name,
                                       const std::string& dllName) {
    if (Error e = Enter("AddPrintProcessor")) return e;
    if (!KnownEnvironment(environment) || name.empty() || dllName.empty()) return kErrInvalidParameter;
    std::string env = environment.empty() ? DefaultEnvironment() : environment;
    for (auto& p : processors)
        if (EqualsNoCase(p.name, name) && EqualsNoCase(p.environment, env)) return 3003;  // already installed
    FaultInjector::Pause pause(faults_);
    if (!files_.Exists(JoinPath(ProcessorDirectory(env), dllName))) return 126;
    processors.push_back({env, name, dllName});
    std::string key = kEnvironmentsKey + env + "\\Print Processors\\" + name;
    reg_.CreateKey(RegRoot::LocalMachine, key, RegView::View64);
    reg_.SetString(RegRoot::LocalMachine, key, "Driver", dllName, RegView::View64);
    return kOk;
}

Error SimPrintAdmin::DeletePrintProcessor(const std::string& environment, const std::string& name) {
    if (Error e = Enter("DeletePrintProcessor")) return e;
    std::string env = environment.empty() ? DefaultEnvironment() : environment;
    auto it = std::find_if(processors.begin(), processors.end(), [&](auto& p) {
        return EqualsNoCase(p.name, name) && EqualsNoCase(p.environment, env);
    });
    if (it == processors.end()) return 1798;  // ERROR_UNKNOWN_PRINTPROCESSOR
    for (auto& pr : spooler_.printers)
        if (EqualsNoCase(pr.printProcessor, name)) return 1003;  // ERROR_CAN_NOT_COMPLETE
    processors.erase(it);
    return kOk;
}

Error SimPrintAdmin::EnumPrintProcessors(const std::string& environment, std::vector<std::string>& names) {
    if (Error e = Enter("EnumPrintProcessors")) return e;
    std::string env = environment.empty() ? DefaultEnvironment() : environment;
    names = {"winprint"};
    for (auto& p : processors)
        if (EqualsNoCase(p.environment, env)) names.push_back(p.name);
    return kOk;
}

Error SimPrintAdmin::AddPrinterDriver(const DriverInfo3& d) {
    if (Error e = Enter("AddPrinterDriver")) return e;
    if (!KnownEnvironment(d.environment)) return 1805;
    std::string env = d.environment.empty() ? DefaultEnvironment() : d.environment;
    if (d.name.empty() || d.driverPath.empty() || d.dataFile.empty() || d.configFile.empty())
        return kErrInvalidParameter;
    if ((EqualsNoCase(env, "Windows 4.0")) != (d.version == 0))
        return 1794;  // ERROR_UNKNOWN_PRINTER_DRIVER-ish
    FaultInjector::Pause pause(faults_);
    std::string dir = DriverDirectory(env);
    auto present = [&](const std::string& f) {
        return files_.Exists(f.find('\\') != std::string::npos ? f : JoinPath(dir, f));
    };
    for (const std::string* f : {&d.driverPath, &d.dataFile, &d.configFile})
        if (!present(*f)) return kErrFileNotFound;
    if (!d.helpFile.empty() && !present(d.helpFile)) return kErrFileNotFound;
    for (auto& f : d.dependentFiles)
        if (!present(f)) return kErrFileNotFound;
    if (!d.monitorName.empty() && std::none_of(monitors.begin(), monitors.end(),
                                               [&](auto& m) { return EqualsNoCase(m.name, d.monitorName); }))
        return 3000;
    DriverInfo3 stored = d;
    stored.environment = env;
    std::erase_if(drivers,
                  [&](auto& x) { return EqualsNoCase(x.name, d.name) && EqualsNoCase(x.environment, env); });
    drivers.push_back(stored);
    return kOk;
}

Error SimPrintAdmin::DeletePrinterDriver(const std::string& environment, const std::string& name,
                                         bool deleteFiles) {
    if (Error e = Enter("DeletePrinterDriver")) return e;
    std::string env = environment.empty() ? DefaultEnvironment() : environment;
    for (auto& pr : spooler_.printers)
        if (EqualsNoCase(pr.driverName, name)) return kErrPrinterDriverInUse;
    auto filesOf = [](const DriverInfo3& d) {
        std::vector<std::string> f{d.driverPath, d.dataFile, d.configFile, d.helpFile};
        f.insert(f.end(), d.dependentFiles.begin(), d.dependentFiles.end());
        return f;
    };
    std::vector<std::string> gone;
    auto n = std::erase_if(drivers, [&](auto& x) {
        bool match = EqualsNoCase(x.name, name) && EqualsNoCase(x.environment, env);
        if (match)
            for (auto& f : filesOf(x)) gone.push_back(f);
        return match;
    });
    if (!n) return kErrUnknownPrinterDriver;
    // As DeletePrinterDriverEx with DPD_DELETE_UNUSED_FILES: the files no other driver of
    // the environment names go with the driver.
    if (deleteFiles) {
        FaultInjector::Pause pause(faults_);
        for (auto& f : gone) {
            if (f.empty()) continue;
            bool shared = false;
            for (auto& d : drivers)
                for (auto& other : filesOf(d))
                    if (EqualsNoCase(d.environment, env) && EqualsNoCase(FileNameOf(other), FileNameOf(f)))
                        shared = true;
            if (!shared)
                files_.DeleteFile(f.find('\\') != std::string::npos ? f : JoinPath(DriverDirectory(env), f));
        }
    }
    return kOk;
}

Error SimPrintAdmin::EnumPrinterDrivers(const std::string& environment, std::vector<DriverInfo3>& out) {
    if (Error e = Enter("EnumPrinterDrivers")) return e;
    std::string env = environment.empty() ? DefaultEnvironment() : environment;
    out.clear();
    for (auto& d : drivers)
        if (EqualsNoCase(d.environment, env)) out.push_back(d);
    return kOk;
}

Error SimPrintAdmin::AddPrinter(const PrinterInfo2& p) {
    if (Error e = Enter("AddPrinter")) return e;
    if (p.printerName.empty() || p.portName.empty() || p.driverName.empty()) return kErrInvalidParameter;
    for (auto& x : spooler_.printers)
        if (EqualsNoCase(x.printerName, p.printerName)) return kErrPrinterAlreadyExists;
    if (std::none_of(drivers.begin(), drivers.end(),
                     [&](auto& d) { return EqualsNoCase(d.name, p.driverName); }))
        return kErrUnknownPrinterDriver;
    if (std::none_of(ports.begin(), ports.end(), [&](auto& x) { return EqualsNoCase(x.name, p.portName); }))
        return kErrUnknownPort;
    if (!p.printProcessor.empty() && !EqualsNoCase(p.printProcessor, "WinPrint") &&
        std::none_of(processors.begin(), processors.end(),
                     [&](auto& x) { return EqualsNoCase(x.name, p.printProcessor); }))
        return 1798;
    spooler_.AddPrinter(p);
    FaultInjector::Pause pause(faults_);
    reg_.CreateKey(RegRoot::LocalMachine,
                   "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\" + p.printerName,
                   RegView::View64);
    return kOk;
}

Error SimPrintAdmin::DeletePrinter(const std::string& printerName) {
    if (Error e = Enter("DeletePrinter")) return e;
    auto n =
        std::erase_if(spooler_.printers, [&](auto& x) { return EqualsNoCase(x.printerName, printerName); });
    if (!n) return kErrInvalidPrinterName;
    if (EqualsNoCase(defaultPrinter, printerName)) defaultPrinter.clear();
    // The spooler's own key of the printer goes with it.
    FaultInjector::Pause pause(faults_);
    reg_.DeleteTree(RegRoot::LocalMachine,
                    "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers\\" + printerName,
                    RegView::View64);
    return kOk;
}

Error SimPrintAdmin::EnumPrinters(std::vector<PrinterInfo2>& out) {
    if (Error e = Enter("EnumPrinters")) return e;
    out = spooler_.printers;
    return kOk;
}

Error SimPrintAdmin::SetPrinterAttributes(const std::string& printerName, uint32_t attributes) {
    if (Error e = Enter("SetPrinter")) return e;
    for (auto& x : spooler_.printers)
        if (EqualsNoCase(x.printerName, printerName)) {
            x.attributes = attributes;
            printerAttributesWritten = true;
            // The default attribute moves the default to this printer, as on Windows 98/Me.
            if (attributes & 4) defaultPrinter = x.printerName;
            return kOk;
        }
    return kErrInvalidPrinterName;
}

Error SimPrintAdmin::SetDefaultPrinter(const std::string& printerName) {
    if (Error e = Enter("SetDefaultPrinter")) return e;
    for (auto& x : spooler_.printers)
        if (EqualsNoCase(x.printerName, printerName)) {
            defaultPrinter = x.printerName;
            return kOk;
        }
    return kErrInvalidPrinterName;
}

Error SimPrintAdmin::GetDefaultPrinter(std::string& printerName) {
    if (Error e = Enter("GetDefaultPrinter")) return e;
    if (defaultPrinter.empty()) return kErrFileNotFound;
    printerName = defaultPrinter;
    return kOk;
}

Error SimPrintAdmin::EnumPorts(std::vector<PortInfo>& out) {
    if (Error e = Enter("EnumPorts")) return e;
    out = ports;
    return kOk;
}

Error SimPrintAdmin::DeletePort(const std::string& portName) {
    if (Error e = Enter("DeletePort")) return e;
    auto n = std::erase_if(ports, [&](auto& x) { return EqualsNoCase(x.name, portName); });
    return n ? kOk : kErrUnknownPort;
}

Error SimPrintAdmin::XcvData(const std::string& xcvObject, const std::string& command,
                             const std::vector<uint8_t>& input, std::vector<uint8_t>& output,
                             uint32_t outputSize, uint32_t& status) {
    if (Error e = Enter("XcvData")) return e;
    if (!tcpMonitorPresent || xcvObject != ",XcvMonitor Standard TCP/IP Port") return kErrInvalidPrinterName;
    output.assign(outputSize, 0);
    if (command != "AddPort") {
        status = kErrNotSupported;
        return kOk;
    }
    ByteReader r(input.data(), input.size());
    r.seek(136);
    uint32_t size = r.u32();
    if (!r.ok() || size != 964 || input.size() < 964) {
        status = kErrInvalidParameter;
        return kOk;
    }
    std::u16string name;
    for (size_t i = 0; i < 64; ++i) {
        char16_t c = char16_t(input[2 * i] | (input[2 * i + 1] << 8));
        if (!c) break;
        name.push_back(c);
    }
    std::string port = Utf16ToUtf8(name);
    if (port.empty()) {
        status = kErrInvalidParameter;
        return kOk;
    }
    for (auto& p : ports)
        if (EqualsNoCase(p.name, port)) {
            status = kErrAlreadyExists;
            return kOk;
        }
    ports.push_back({port, "Standard TCP/IP Port"});
    status = kOk;
    return kOk;
}

// ---- devices ----

Error SimDevices::EnumPresentHardwareIds(std::vector<std::string>& ids) {
    if (Error e = faults_.Check("EnumDevices")) return e;
    ids = hardwareIds;
    return kOk;
}

void SimDevices::PutCabinet(const std::string& path,
                            const std::map<std::string, std::vector<uint8_t>>& content) {
    files_.Put(path, std::vector<uint8_t>{'M', 'S', 'C', 'F'});
    cabinets[ToUpper(path)] = content;
}

Error SimDevices::ExtractCabinet(const std::string& cabinetPath, const std::string& destDir,
                                 const std::vector<std::string>& wanted,
                                 std::vector<std::string>& extracted) {
    if (Error e = faults_.Check("ExtractCabinet")) return e;
    auto it = cabinets.find(ToUpper(cabinetPath));
    if (it == cabinets.end()) return kErrFileNotFound;
    FaultInjector::Pause pause(faults_);
    if (!files_.IsDirectory(destDir)) return kErrPathNotFound;
    extracted.clear();
    for (auto& entry : it->second) {
        const std::string& name = entry.first;
        if (std::none_of(wanted.begin(), wanted.end(), [&](auto& w) { return EqualsNoCase(w, name); }))
            continue;
        files_.Put(JoinPath(destDir, name), entry.second);
        extracted.push_back(name);
    }
    extractedTo.push_back(destDir);
    return kOk;
}

// ---- USB libraries ----

namespace {

class SimQxUsbInt : public QxUsbInt {
  public:
    explicit SimQxUsbInt(SimUsb& u) : u_(u) {}
    bool Has(const std::string& f) override { return !u_.missingFunctions.count(f); }
    intptr_t OpenDeviceX(int index) override {
        if (index < 0 || size_t(index) >= u_.devices.size()) return -1;
        ++u_.openHandles;
        return index + 1;
    }
    int GetDescriptor(intptr_t h, uint8_t* buf) override {
        SimUsbDevice* d = Dev(h);
        if (!d || !d->descriptorReadable) return 0;
        std::fill(buf, buf + 20, uint8_t(0));
        buf[0] = 18;
        buf[1] = 1;
        buf[8] = 0x0D;
        buf[9] = 0xF0;
        buf[12] = uint8_t(d->bcdDevice);
        buf[13] = uint8_t(d->bcdDevice >> 8);
        return 1;
    }
    int uWrite(intptr_t h, int, const uint8_t* data, int length) override {
        SimUsbDevice* d = Dev(h);
        if (!d || !d->writable || length <= 0) return 0;
        d->writes.emplace_back(data, data + length);
        // The printer takes the last byte of a set-number command as its new number - 1.
        if (length == 10 && data[6] == 0x1D && data[7] == 0x49 && data[8] == 0x20) d->bcdDevice = data[9];
        return length;
    }
    void CloseDevice(intptr_t h) override {
        if (Dev(h)) --u_.openHandles;
    }

  private:
    SimUsbDevice* Dev(intptr_t h) {
        if (h < 1 || size_t(h) > u_.devices.size()) return nullptr;
        return &u_.devices[size_t(h - 1)];
    }
    SimUsb& u_;
};

class SimUsbPrnEnum : public UsbPrnEnum {
  public:
    explicit SimUsbPrnEnum(SimUsb& u) : u_(u) {}
    bool Has(const std::string& f) override { return !u_.missingFunctions.count(f); }
    int EnumUSBPrinter(char* buf) override {
        if (u_.enumResult < 0) return u_.enumResult;
        size_t n = std::min<size_t>(u_.enumText.size(), 1023);
        std::copy(u_.enumText.begin(), u_.enumText.begin() + long(n), buf);
        return u_.enumResult;
    }

  private:
    SimUsb& u_;
};

}  // namespace

Error SimUsb::LoadQxUsbInt(const std::string& fullPath, std::unique_ptr<QxUsbInt>& lib) {
    if (Error e = faults_.Check("LoadLibrary")) return e;
    if (!IsAbsoluteWindowsPath(fullPath)) return kErrInvalidParameter;
    FaultInjector::Pause pause(faults_);
    if (!files_.Exists(fullPath)) return 126;
    loaded.push_back(fullPath);
    lib = std::make_unique<SimQxUsbInt>(*this);
    return kOk;
}

Error SimUsb::LoadUsbPrnEnum(const std::string& fullPath, std::unique_ptr<UsbPrnEnum>& lib) {
    if (Error e = faults_.Check("LoadLibrary")) return e;
    if (!IsAbsoluteWindowsPath(fullPath)) return kErrInvalidParameter;
    FaultInjector::Pause pause(faults_);
    if (!files_.Exists(fullPath)) return 126;
    loaded.push_back(fullPath);
    lib = std::make_unique<SimUsbPrnEnum>(*this);
    return kOk;
}

// ---- processes ----

Error SimProcesses::Start(const std::string& exePath, const std::string& parameters, bool wait,
                          uint32_t& exitCode) {
    if (Error e = faults_.Check("StartProcess")) return e;
    if (!IsAbsoluteWindowsPath(exePath)) return kErrInvalidParameter;
    FaultInjector::Pause pause(faults_);
    if (!files_.Exists(exePath)) return kErrFileNotFound;
    started.push_back({exePath, parameters, wait});
    exitCode = 0;
    return kOk;
}

Error SimProcesses::SetSafeDllSearch() {
    safeDllSearch = true;
    return kOk;
}

std::string SimProcesses::ErrorText(Error e) {
    return "system error " + std::to_string(e);
}

Error SimProcesses::WriteProfileString(const std::string& section, const std::string& key,
                                       const std::string& value) {
    if (Error e = faults_.Check("WriteProfileString")) return e;
    profile[ToUpper(section)][ToUpper(key)] = value;
    return kOk;
}

Error SimProcesses::FlushProfile() {
    ++flushes;
    return kOk;
}

Error SimProcesses::BroadcastSettingChange(const std::string& area, uint32_t) {
    if (Error e = faults_.Check("Broadcast")) return e;
    broadcasts.push_back(area);
    return kOk;
}

// ---- WOW64 ----

Error SimWow64::Disable(void*& cookie) {
    if (Error e = faults_.Check("Wow64Disable")) return e;
    if (!libraryAvailable || !functionsAvailable) return 127;  // ERROR_PROC_NOT_FOUND
    ++depth;
    cookie = reinterpret_cast<void*>(uintptr_t(depth));
    return kOk;
}

Error SimWow64::Revert(void* cookie) {
    if (Error e = faults_.Check("Wow64Revert")) return e;
    if (!cookie || depth == 0) return kErrInvalidParameter;
    --depth;
    return kOk;
}

}  // namespace k20::platform::sim
