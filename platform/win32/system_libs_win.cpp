#include "platform/win32/system_libs_win.h"

#include <mutex>
#include <string>

namespace k20::platform::win32 {

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kSafeSearchPermanent = 0x00000001 | 0x00008000;

FARPROC Kernel32Function(const char* name) {
    // kernel32 is mapped into every process before any code of ours runs.
    HMODULE k = GetModuleHandleW(L"kernel32.dll");
    return k ? GetProcAddress(k, name) : nullptr;
}

}  // namespace

void RestrictDllSearchToSystem() {
    if (auto fn = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(Kernel32Function("SetDefaultDllDirectories"))))
        fn(kSearchSystem32);
    SetDllDirectoryW(L"");
    if (auto fn = reinterpret_cast<SetSearchPathModeFn>(
            reinterpret_cast<void*>(Kernel32Function("SetSearchPathMode"))))
        fn(kSafeSearchPermanent);
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t sys[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(sys, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::wstring path = std::wstring(sys, n) + L"\\" + name;
    // Loaded by its full path, the library's own imports still come from the system folder.
    HMODULE m = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    return m;
}

const WinspoolFunctions& Winspool() {
    static const WinspoolFunctions fns = [] {
        WinspoolFunctions f;
#define K20_RESOLVE(fn) f.fn = SystemFunction<decltype(&::fn)>(L"winspool.drv", #fn);
        K20_WINSPOOL_FUNCTIONS(K20_RESOLVE)
#undef K20_RESOLVE
        return f;
    }();
    return fns;
}

const VersionFunctions& VersionLibrary() {
    static const VersionFunctions fns = [] {
        VersionFunctions f;
#define K20_RESOLVE(fn) f.fn = SystemFunction<decltype(&::fn)>(L"version.dll", #fn);
        K20_VERSION_FUNCTIONS(K20_RESOLVE)
#undef K20_RESOLVE
        return f;
    }();
    return fns;
}

}  // namespace k20::platform::win32
