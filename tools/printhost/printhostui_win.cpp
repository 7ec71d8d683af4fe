// The configuration module of the stand-in driver. It records which of the driver-UI entry
// points the spooler of this installation calls when an application asks for the
// printer's document or printer properties, so that we know how the host reaches the pages.
#include <windows.h>
#include <winspool.h>

#include <string>

#include "tools/printhost/host_session_win.h"

namespace {

void Record(const wchar_t* entry) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\K20PrintHost\\Calls", 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD one = 1;
    RegSetValueExW(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
    RegCloseKey(key);
}

// The spooler's request for a DEVMODE without a sheet (the driver interface's own record).
struct DocumentPropertyHeader {
    WORD cbSize;
    WORD Reserved;
    HANDLE hPrinter;
    LPWSTR pszPrinterName;
    DEVMODEW* pdmIn;
    DEVMODEW* pdmOut;
    DWORD cbOut;
    DWORD fMode;
};

HMODULE g_self = nullptr;

// Answers the spooler's sheet request with the plug-in's pages, as the printing host's
// configuration module would.
LONG DocumentSheet(PPROPSHEETUI_INFO info, LPARAM lParam) {
    using namespace k20::printhost;
    static HostSession* session = nullptr;
    switch (info->Reason) {
        case PROPSHEETUI_REASON_INIT: {
            auto* h = reinterpret_cast<DocumentPropertyHeader*>(info->lParamInit);
            if (!session) {
                wchar_t path[MAX_PATH] = {};
                GetModuleFileNameW(g_self, path, MAX_PATH);
                std::wstring dll = path;
                dll = dll.substr(0, dll.find_last_of(L"\\/")) + L"\\prnui.dll";
                session = new HostSession();
                std::wstring error;
                if (!session->Load(dll, error)) {
                    delete session;
                    session = nullptr;
                    return -1;
                }
            }
            if (h && h->pszPrinterName) session->UsePrinter(h->pszPrinterName);
            return SUCCEEDED(
                       session->CollectInto(Sheet::Document, info->hComPropSheet, info->pfnComPropSheet))
                       ? 1
                       : -1;
        }
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            static wchar_t title[] = L"K-20 Printing Preferences";
            if (auto* header = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam)) header->pTitle = title;
            return 1;
        }
        default:
            return 1;
    }
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = inst;
    return TRUE;
}

extern "C" {

__declspec(dllexport) LONG WINAPI DrvDocumentPropertySheets(void* info, LPARAM lParam) {
    if (info) {
        Record(L"DrvDocumentPropertySheets(sheet)");
        return DocumentSheet(static_cast<PPROPSHEETUI_INFO>(info), lParam);
    }
    auto* h = reinterpret_cast<DocumentPropertyHeader*>(lParam);
    if (!h) return -1;
    if (!h->pdmOut || h->fMode == 0) {
        Record(L"DrvDocumentPropertySheets(size)");
        return sizeof(DEVMODEW);
    }
    Record((h->fMode & DM_IN_PROMPT) ? L"DrvDocumentPropertySheets(devmode, prompt)"
                                     : L"DrvDocumentPropertySheets(devmode)");
    DEVMODEW dm{};
    if (h->pdmIn && h->pdmIn->dmSize == sizeof(DEVMODEW)) dm = *h->pdmIn;
    dm.dmSize = sizeof(DEVMODEW);
    dm.dmSpecVersion = DM_SPECVERSION;
    dm.dmDriverExtra = 0;
    if (h->cbOut >= sizeof(DEVMODEW)) *h->pdmOut = dm;
    return IDOK;
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
