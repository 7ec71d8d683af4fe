#pragma once
// Libraries outside the system's KnownDLLs list (winspool.drv, version.dll, cabinet.dll)
// are never imported by the programs: Windows would look for an imported library in the
// program's own folder first, and the installer runs elevated from a folder the user
// downloaded. They are loaded at run time by their full path in the system folder, once.
#include <windows.h>
#include <winspool.h>
#include <winver.h>

namespace k20::platform::win32 {

// Removes the program's folder and the current folder from the library search for the
// rest of the process: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where the
// system has it, and the safe search mode with an empty DLL directory in any case.
void RestrictDllSearchToSystem();

// "<system folder>\\name" loaded once and kept; null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a library that could not be loaded: fails as the library's absence.
template <class F>
struct MissingFunction;
template <class R, class... A>
struct MissingFunction<R(WINAPI*)(A...)> {
    static R WINAPI Call(A...) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return R();
    }
};

template <class F>
F SystemFunction(const wchar_t* library, const char* name) {
    HMODULE m = LoadSystemLibrary(library);
    FARPROC p = m ? GetProcAddress(m, name) : nullptr;
    return p ? reinterpret_cast<F>(reinterpret_cast<void*>(p)) : &MissingFunction<F>::Call;
}

// clang-format off
#define K20_WINSPOOL_FUNCTIONS(X)                                                                                   \
    X(OpenPrinterW) X(ClosePrinter) X(GetPrinterW) X(SetPrinterW) X(EnumPrintersW) X(EnumFormsW) X(AddFormW)        \
    X(SetFormW) X(DeleteFormW) X(StartDocPrinterW) X(StartPagePrinter) X(WritePrinter) X(EndPagePrinter)            \
    X(EndDocPrinter) X(GetPrinterDriverDirectoryW) X(GetPrintProcessorDirectoryW) X(AddMonitorW) X(DeleteMonitorW) \
    X(EnumMonitorsW) X(AddPrintProcessorW) X(DeletePrintProcessorW) X(EnumPrintProcessorsW) X(AddPrinterDriverW)    \
    X(DeletePrinterDriverExW) X(EnumPrinterDriversW) X(AddPrinterW) X(DeletePrinter) X(GetDefaultPrinterW)          \
    X(EnumPortsW) X(DeletePortW)
// clang-format on

#define K20_VERSION_FUNCTIONS(X) X(GetFileVersionInfoSizeW) X(GetFileVersionInfoW) X(VerQueryValueW)

#define K20_DECLARE_FUNCTION(fn) decltype(&::fn) fn;
struct WinspoolFunctions {
    K20_WINSPOOL_FUNCTIONS(K20_DECLARE_FUNCTION)
};
struct VersionFunctions {
    K20_VERSION_FUNCTIONS(K20_DECLARE_FUNCTION)
};
#undef K20_DECLARE_FUNCTION

const WinspoolFunctions& Winspool();
const VersionFunctions& VersionLibrary();

}  // namespace k20::platform::win32

#define K20_WS(fn) (::k20::platform::win32::Winspool().fn)
#define K20_VER(fn) (::k20::platform::win32::VersionLibrary().fn)
