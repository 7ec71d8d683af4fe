// The configuration module of the stand-in driver. It records which of the driver-UI entry
// points the spooler of this installation calls when an application asks for the
// printer's document or printer properties, so that we know how the host reaches the pages.
#include <windows.h>
#include <winspool.h>

namespace {

void Record(const wchar_t* entry) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\K20PrintHost\\Calls", 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD one = 1;
    RegSetValueExW(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    RegCloseKey(key);
}

}  // namespace

extern "C" {

__declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(void* info, LPARAM) {
    Record(info ? L"DrvDocumentPropertySheets(sheet)" : L"DrvDocumentPropertySheets(devmode)");
    return -1;
}

__declspec(dllexport) LONG WINAPI DrvDevicePropertySheets(void* info, LPARAM) {
    Record(info ? L"DrvDevicePropertySheets(sheet)" : L"DrvDevicePropertySheets");
    return -1;
}

__declspec(dllexport) LONG WINAPI DrvDocumentProperties(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*, DWORD) {
    Record(L"DrvDocumentProperties");
    return -1;
}

__declspec(dllexport) BOOL WINAPI DrvAdvancedDocumentProperties(HWND, HANDLE, LPWSTR, DEVMODEW*, DEVMODEW*) {
    Record(L"DrvAdvancedDocumentProperties");
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI PrinterProperties(HWND, HANDLE) {
    Record(L"PrinterProperties");
    return FALSE;
}

__declspec(dllexport) DWORD WINAPI DrvDeviceCapabilities(HANDLE, LPWSTR, WORD, void*, DEVMODEW*) {
    Record(L"DrvDeviceCapabilities");
    return DWORD(-1);
}

__declspec(dllexport) BOOL WINAPI DrvConvertDevMode(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD) {
    Record(L"DrvConvertDevMode");
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI DrvPrinterEvent(LPWSTR, INT, DWORD, LPARAM) {
    Record(L"DrvPrinterEvent");
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI DrvDriverEvent(DWORD, DWORD, LPBYTE, LPARAM) {
    Record(L"DrvDriverEvent");
    return TRUE;
}

}  // extern "C"
