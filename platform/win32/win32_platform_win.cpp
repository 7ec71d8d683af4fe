#include <windows.h>
#include <shlobj.h>
#include <winspool.h>

#include "platform/win32/system_libs_win.h"

#include "common/text.h"
#include "platform/win32/wide_string_win.h"
#include "platform/win32/win32_platform.h"

namespace k20::platform::win32 {

// ---- registry ----

static HKEY RootKey(RegRoot r) {
    switch (r) {
        case RegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegRoot::Users:
            return HKEY_USERS;
    }
    return HKEY_CURRENT_USER;
}

static REGSAM ViewFlag(RegView v) {
    switch (v) {
        case RegView::View64:
            return KEY_WOW64_64KEY;
        case RegView::View32:
            return KEY_WOW64_32KEY;
        default:
            return 0;
    }
}

namespace {
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h) RegCloseKey(h);
    }
};
}  // namespace

Error Win32Registry::CreateKey(RegRoot root, const std::string& path, RegView view) {
    Key k;
    return Error(RegCreateKeyExW(RootKey(root), Wide(path).c_str(), 0, nullptr, 0,
                                 KEY_ALL_ACCESS | ViewFlag(view), nullptr, &k.h, nullptr));
}

bool Win32Registry::KeyExists(RegRoot root, const std::string& path, RegView view) {
    Key k;
    return RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_READ | ViewFlag(view), &k.h) ==
           ERROR_SUCCESS;
}

static LONG DeleteTreeRec(HKEY parent, const std::wstring& sub, REGSAM view) {
    HKEY h;
    LONG r = RegOpenKeyExW(parent, sub.c_str(), 0, KEY_ALL_ACCESS | view, &h);
    if (r != ERROR_SUCCESS) return r;
    wchar_t name[256];
    while (true) {
        DWORD len = 256;
        if (RegEnumKeyExW(h, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (DeleteTreeRec(h, name, view) != ERROR_SUCCESS) break;
    }
    RegCloseKey(h);
    return RegDeleteKeyExW(parent, sub.c_str(), view, 0);
}

Error Win32Registry::DeleteTree(RegRoot root, const std::string& path, RegView view) {
    return Error(DeleteTreeRec(RootKey(root), Wide(path), ViewFlag(view)));
}

Error Win32Registry::SetValue(RegRoot root, const std::string& path, const std::string& name,
                              const RegValue& v, RegView view) {
    Key k;
    LONG r = RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_SET_VALUE | ViewFlag(view), &k.h);
    if (r != ERROR_SUCCESS) return Error(r);
    return Error(RegSetValueExW(k.h, name.empty() ? nullptr : Wide(name).c_str(), 0, v.type, v.data.data(),
                                DWORD(v.data.size())));
}

Error Win32Registry::GetValue(RegRoot root, const std::string& path, const std::string& name, RegValue& out,
                              RegView view) {
    Key k;
    LONG r = RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_QUERY_VALUE | ViewFlag(view), &k.h);
    if (r != ERROR_SUCCESS) return Error(r);
    std::wstring wname = Wide(name);
    DWORD type = 0, size = 0;
    r = RegQueryValueExW(k.h, name.empty() ? nullptr : wname.c_str(), nullptr, &type, nullptr, &size);
    if (r != ERROR_SUCCESS) return Error(r);
    out.type = type;
    out.data.resize(size);
    r = RegQueryValueExW(k.h, name.empty() ? nullptr : wname.c_str(), nullptr, &type, out.data.data(), &size);
    out.data.resize(size);
    return Error(r);
}

Error Win32Registry::DeleteValue(RegRoot root, const std::string& path, const std::string& name,
                                 RegView view) {
    Key k;
    LONG r = RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_SET_VALUE | ViewFlag(view), &k.h);
    if (r != ERROR_SUCCESS) return Error(r);
    return Error(RegDeleteValueW(k.h, Wide(name).c_str()));
}

Error Win32Registry::EnumSubKeys(RegRoot root, const std::string& path, std::vector<std::string>& out,
                                 RegView view) {
    Key k;
    LONG r = RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_READ | ViewFlag(view), &k.h);
    if (r != ERROR_SUCCESS) return Error(r);
    out.clear();
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD len = 256;
        if (RegEnumKeyExW(k.h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out.push_back(Narrow(name));
    }
    return kOk;
}

Error Win32Registry::EnumValues(RegRoot root, const std::string& path, std::vector<std::string>& out,
                                RegView view) {
    Key k;
    LONG r = RegOpenKeyExW(RootKey(root), Wide(path).c_str(), 0, KEY_READ | ViewFlag(view), &k.h);
    if (r != ERROR_SUCCESS) return Error(r);
    out.clear();
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD len = 16384;
        if (RegEnumValueW(k.h, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        out.push_back(Narrow(name));
    }
    return kOk;
}

// ---- files ----

Error Win32FileSystem::ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    LARGE_INTEGER size;
    Error e = kOk;
    if (!GetFileSizeEx(h, &size) || size.QuadPart > 0x7FFFFFFF) {
        e = kErrNotEnoughMemory;
    } else {
        out.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!out.empty() &&
            (!::ReadFile(h, out.data(), DWORD(out.size()), &got, nullptr) || got != out.size()))
            e = GetLastError() ? GetLastError() : kErrInvalidData;
    }
    CloseHandle(h);
    return e;
}

Error Win32FileSystem::ReadFileLimited(const std::string& path, uint64_t limit, std::vector<uint8_t>& out) {
    out.clear();
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    LARGE_INTEGER size;
    Error e = kOk;
    // A console, a serial port or a pipe would be read until it ends, which may be never.
    if (GetFileType(h) != FILE_TYPE_DISK) {
        e = kErrBadFileType;
    } else if (!GetFileSizeEx(h, &size)) {
        e = GetLastError();
    } else if (uint64_t(size.QuadPart) > limit || size.QuadPart > 0x7FFFFFFF) {
        e = kErrFileTooLarge;
    } else {
        out.resize(size_t(size.QuadPart));
        DWORD got = 0;
        if (!out.empty() &&
            (!::ReadFile(h, out.data(), DWORD(out.size()), &got, nullptr) || got != out.size()))
            e = GetLastError() ? GetLastError() : kErrInvalidData;
        if (e != kOk) out.clear();
    }
    CloseHandle(h);
    return e;
}

Error Win32FileSystem::WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
    HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD put = 0;
    Error e = kOk;
    if (!data.empty() &&
        (!::WriteFile(h, data.data(), DWORD(data.size()), &put, nullptr) || put != data.size()))
        e = GetLastError() ? GetLastError() : kErrWriteFault;
    CloseHandle(h);
    return e;
}

Error Win32FileSystem::CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    return ::CopyFileW(Wide(from).c_str(), Wide(to).c_str(), failIfExists) ? kOk : GetLastError();
}

Error Win32FileSystem::MoveFileReplace(const std::string& from, const std::string& to) {
    return ::MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? kOk
               : GetLastError();
}

Error Win32FileSystem::ReplaceAtRestart(const std::string& from, const std::string& to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                       MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING)
               ? kOk
               : GetLastError();
}

Error Win32FileSystem::DeleteFile(const std::string& path) {
    return ::DeleteFileW(Wide(path).c_str()) ? kOk : GetLastError();
}

Error Win32FileSystem::CreateDirectory(const std::string& path) {
    return ::CreateDirectoryW(Wide(path).c_str(), nullptr) ? kOk : GetLastError();
}

Error Win32FileSystem::RemoveDirectory(const std::string& path) {
    return ::RemoveDirectoryW(Wide(path).c_str()) ? kOk : GetLastError();
}

Error Win32FileSystem::GetAttributes(const std::string& path, uint32_t& attrs) {
    DWORD a = GetFileAttributesW(Wide(path).c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return GetLastError();
    attrs = a;
    return kOk;
}

Error Win32FileSystem::SetAttributes(const std::string& path, uint32_t attrs) {
    return SetFileAttributesW(Wide(path).c_str(), attrs) ? kOk : GetLastError();
}

Error Win32FileSystem::FindFiles(const std::string& pattern, std::vector<FindEntry>& out) {
    out.clear();
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError();
    do {
        std::string name = Narrow(fd.cFileName);
        if (name == "." || name == "..") continue;
        out.push_back(FindEntry{
            name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow, fd.dwFileAttributes,
            (uint64_t(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime});
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return out.empty() ? kErrFileNotFound : kOk;
}

Error Win32FileSystem::GetFileVersion(const std::string& path, std::string& version) {
    std::wstring w = Wide(path);
    DWORD dummy = 0;
    DWORD size = K20_VER(GetFileVersionInfoSizeW)(w.c_str(), &dummy);
    if (!size) return GetLastError();
    std::vector<uint8_t> buf(size);
    if (!K20_VER(GetFileVersionInfoW)(w.c_str(), 0, size, buf.data())) return GetLastError();
    VS_FIXEDFILEINFO* fi = nullptr;
    UINT len = 0;
    if (!K20_VER(VerQueryValueW)(buf.data(), L"\\", reinterpret_cast<void**>(&fi), &len) || !fi)
        return kErrNotSupported;
    version = std::to_string(HIWORD(fi->dwFileVersionMS)) + "." +
              std::to_string(LOWORD(fi->dwFileVersionMS)) + "." +
              std::to_string(HIWORD(fi->dwFileVersionLS)) + "." + std::to_string(LOWORD(fi->dwFileVersionLS));
    return kOk;
}

// ---- system ----

std::string Win32SystemInfo::WindowsDirectory() {
    wchar_t b[MAX_PATH] = {};
    GetWindowsDirectoryW(b, MAX_PATH);
    return Narrow(b);
}
std::string Win32SystemInfo::SystemDirectory() {
    wchar_t b[MAX_PATH] = {};
    GetSystemDirectoryW(b, MAX_PATH);
    return Narrow(b);
}
std::string Win32SystemInfo::AppDataDirectory() {
    wchar_t b[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, b))) return {};
    return Narrow(b);
}
std::string Win32SystemInfo::TempDirectory() {
    wchar_t b[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, b);
    return Narrow(b);
}
uint16_t Win32SystemInfo::DefaultUiLanguage() {
    return GetUserDefaultUILanguage();
}
uint16_t Win32SystemInfo::SystemDefaultLanguage() {
    return GetSystemDefaultLangID();
}
unsigned Win32SystemInfo::AnsiCodePage() {
    return GetACP();
}

OsVersion Win32SystemInfo::Version() {
    OsVersion v;
    // GetVersionEx lies to programs without a compatibility manifest; ask ntdll instead.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    OSVERSIONINFOEXW vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
    auto fn = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    if (fn && fn(&vi) == 0) {
        v.major = vi.dwMajorVersion;
        v.minor = vi.dwMinorVersion;
        v.build = vi.dwBuildNumber;
        v.productType = vi.wProductType;
        v.platformId = vi.dwPlatformId;
    }
    SYSTEM_INFO si{};
    GetNativeSystemInfo(&si);
    v.processorArchitecture = si.wProcessorArchitecture;
    return v;
}

bool Win32SystemInfo::IsWow64Process() {
    BOOL wow = FALSE;
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    if (fn) fn(GetCurrentProcess(), &wow);
    return wow != FALSE;
}

bool Win32SystemInfo::IsWindows64() {
    return sizeof(void*) == 8 || IsWow64Process();
}
uint64_t Win32SystemInfo::TickCount() {
    return GetTickCount64();
}
void Win32SystemInfo::Sleep(uint32_t ms) {
    ::Sleep(ms);
}

// ---- spooler ----

static HANDLE H(PrinterHandle h) {
    return reinterpret_cast<HANDLE>(h);
}

Error Win32Spooler::OpenPrinter(const std::string& name, PrinterHandle& h) {
    HANDLE ph = nullptr;
    std::wstring w = Wide(name);
    if (!K20_WS(OpenPrinterW)(w.data(), &ph, nullptr)) return GetLastError();
    h = reinterpret_cast<PrinterHandle>(ph);
    return kOk;
}

Error Win32Spooler::ClosePrinter(PrinterHandle h) {
    return K20_WS(ClosePrinter)(H(h)) ? kOk : GetLastError();
}

static void CopyInfo2(const PRINTER_INFO_2W* p, PrinterInfo2& info) {
    info.serverName = Narrow(p->pServerName);
    info.printerName = Narrow(p->pPrinterName);
    info.shareName = Narrow(p->pShareName);
    info.portName = Narrow(p->pPortName);
    info.driverName = Narrow(p->pDriverName);
    info.comment = Narrow(p->pComment);
    info.location = Narrow(p->pLocation);
    info.printProcessor = Narrow(p->pPrintProcessor);
    info.dataType = Narrow(p->pDatatype);
    info.parameters = Narrow(p->pParameters);
    info.attributes = p->Attributes;
    info.priority = p->Priority;
    info.status = p->Status;
    info.jobs = p->cJobs;
}

Error Win32Spooler::GetPrinter2(PrinterHandle h, PrinterInfo2& info) {
    DWORD needed = 0;
    K20_WS(GetPrinterW)(H(h), 2, nullptr, 0, &needed);
    if (!needed) return GetLastError();
    std::vector<uint8_t> buf(needed);
    if (!K20_WS(GetPrinterW)(H(h), 2, buf.data(), needed, &needed)) return GetLastError();
    CopyInfo2(reinterpret_cast<PRINTER_INFO_2W*>(buf.data()), info);
    return kOk;
}

Error Win32Spooler::EnumLocalPrinters(std::vector<PrinterInfo2>& out) {
    out.clear();
    DWORD needed = 0, count = 0;
    // A printer can be added between the sizing call and the real one: size again then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<uint8_t> buf(needed ? needed : 1);
        if (K20_WS(EnumPrintersW)(PRINTER_ENUM_LOCAL, nullptr, 2, needed ? buf.data() : nullptr, needed,
                                  &needed, &count)) {
            auto* p = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
            for (DWORD i = 0; i < count; ++i) {
                PrinterInfo2 info;
                CopyInfo2(&p[i], info);
                out.push_back(info);
            }
            return kOk;
        }
        DWORD e = GetLastError();
        if (e != ERROR_INSUFFICIENT_BUFFER) return e;
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

Error Win32Spooler::EnumForms1(PrinterHandle h, std::vector<FormInfo1>& out) {
    out.clear();
    DWORD needed = 0, count = 0;
    // First call learns the size; a form added before the second call makes it too
    // small again, so size once more then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<uint8_t> buf(needed ? needed : 1);
        if (K20_WS(EnumFormsW)(H(h), 1, needed ? buf.data() : nullptr, needed, &needed, &count)) {
            auto* f = reinterpret_cast<FORM_INFO_1W*>(buf.data());
            for (DWORD i = 0; i < count && needed; ++i) {
                FormInfo1 form;
                form.flags = f[i].Flags;
                form.name = Narrow(f[i].pName);
                form.width = f[i].Size.cx;
                form.height = f[i].Size.cy;
                form.left = f[i].ImageableArea.left;
                form.top = f[i].ImageableArea.top;
                form.right = f[i].ImageableArea.right;
                form.bottom = f[i].ImageableArea.bottom;
                out.push_back(form);
            }
            return kOk;
        }
        DWORD e = GetLastError();
        if (e != ERROR_INSUFFICIENT_BUFFER || !needed) return e ? e : ERROR_INVALID_DATA;
    }
    return ERROR_INSUFFICIENT_BUFFER;
}

namespace {
struct WideForm {
    std::wstring name;
    FORM_INFO_1W info{};
    explicit WideForm(const FormInfo1& f) : name(Wide(f.name)) {
        info.Flags = f.flags;
        info.pName = name.data();
        info.Size = {f.width, f.height};
        info.ImageableArea = {f.left, f.top, f.right, f.bottom};
    }
};
}  // namespace

Error Win32Spooler::AddForm1(PrinterHandle h, const FormInfo1& form) {
    WideForm w(form);
    return K20_WS(AddFormW)(H(h), 1, reinterpret_cast<LPBYTE>(&w.info)) ? kOk : GetLastError();
}

Error Win32Spooler::SetForm1(PrinterHandle h, const std::string& name, const FormInfo1& form) {
    WideForm w(form);
    std::wstring n = Wide(name);
    return K20_WS(SetFormW)(H(h), n.data(), 1, reinterpret_cast<LPBYTE>(&w.info)) ? kOk : GetLastError();
}

Error Win32Spooler::DeleteForm1(PrinterHandle h, const std::string& name) {
    std::wstring n = Wide(name);
    return K20_WS(DeleteFormW)(H(h), n.data()) ? kOk : GetLastError();
}

Error Win32Spooler::StartDocRaw(PrinterHandle h, const std::string& docName, const std::string& dataType,
                                uint32_t& jobId) {
    std::wstring doc = Wide(docName), type = Wide(dataType);
    DOC_INFO_1W di{};
    di.pDocName = doc.data();
    di.pDatatype = type.data();
    DWORD id = K20_WS(StartDocPrinterW)(H(h), 1, reinterpret_cast<LPBYTE>(&di));
    if (!id) return GetLastError();
    jobId = id;
    return kOk;
}

Error Win32Spooler::StartPage(PrinterHandle h) {
    return K20_WS(StartPagePrinter)(H(h)) ? kOk : GetLastError();
}

Error Win32Spooler::WritePrinter(PrinterHandle h, const uint8_t* data, uint32_t size, uint32_t& written) {
    DWORD w = 0;
    BOOL ok = K20_WS(WritePrinter)(H(h), const_cast<uint8_t*>(data), size, &w);
    written = w;
    return ok ? kOk : GetLastError();
}

Error Win32Spooler::EndPage(PrinterHandle h) {
    return K20_WS(EndPagePrinter)(H(h)) ? kOk : GetLastError();
}
Error Win32Spooler::EndDoc(PrinterHandle h) {
    return K20_WS(EndDocPrinter)(H(h)) ? kOk : GetLastError();
}

}  // namespace k20::platform::win32
