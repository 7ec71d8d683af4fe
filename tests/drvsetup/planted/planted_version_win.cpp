// A stand-in for version.dll or winspool.drv as an attacker would place it beside a
// downloaded installer: loading it leaves a marker file in its own folder. The exports
// exist so that a program importing the library statically still starts with it.
#include <windows.h>

extern "C" {

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    while (n > 0 && path[n - 1] != L'\\') --n;
    lstrcpyW(path + n, L"planted.marker");
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return TRUE;
}

DWORD WINAPI K20PlantedSize(LPCWSTR, LPDWORD) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return 0;
}
BOOL WINAPI K20PlantedInfo(LPCWSTR, DWORD, DWORD, LPVOID) {
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return FALSE;
}
BOOL WINAPI K20PlantedQuery(LPCVOID, LPCWSTR, LPVOID*, PUINT) {
    return FALSE;
}
BOOL WINAPI K20PlantedClose(HANDLE) {
    return FALSE;
}

}  // extern "C"
