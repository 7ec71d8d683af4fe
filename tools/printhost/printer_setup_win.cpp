#include "tools/printhost/printer_setup_win.h"

#include <windows.h>
#include <winspool.h>

#include <commctrl.h>

#include <vector>

#include "tools/printhost/window_bitmap_win.h"

namespace k20::printhost {

namespace {

const wchar_t* kDriverName = L"K-20 Stand-in Driver";
const wchar_t* kFiles[] = {L"prnui.dll",   L"printhostui.dll", L"ENG_K20.res",
                           L"CHN_K20.res", L"CHF_K20.res",     L"LANGUAGE_K20.dat"};

std::wstring DriverDirectory() {
    wchar_t dir[MAX_PATH] = {};
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof(dir), &needed))
        return {};
    return dir;
}

std::wstring Err(const wchar_t* what) {
    return std::wstring(what) + L" failed, error " + std::to_wstring(GetLastError());
}

// Closes the sheet the spooler opened once it is up, noting its tab titles.
struct SheetWatch {
    std::wstring tabs;
    DWORD threadId = 0;
    std::wstring picture;
};

BOOL CALLBACK FindSheet(HWND h, LPARAM lp) {
    if (!PropSheet_GetTabControl(h)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = h;
    return FALSE;
}

DWORD WINAPI WatchSheet(LPVOID p) {
    auto* w = static_cast<SheetWatch*>(p);
    for (int tries = 0; tries < 100; ++tries) {
        Sleep(100);
        HWND found = nullptr;
        EnumThreadWindows(w->threadId, FindSheet, reinterpret_cast<LPARAM>(&found));
        if (!found) continue;
        Sleep(300);
        if (!w->picture.empty()) {
            RedrawWindow(found, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Sleep(200);
            SaveWindowBitmap(found, w->picture);
        }
        HWND tab = PropSheet_GetTabControl(found);
        int n = int(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            wchar_t text[64] = {};
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 64;
            SendMessageW(tab, TCM_GETITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
            w->tabs += L" [" + std::wstring(text) + L"]";
        }
        PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(found, WM_CLOSE, 0, 0);
        return 0;
    }
    return 0;
}

}  // namespace

SetupResult InstallStandInPrinter(const std::wstring& packageDir, const std::wstring& printerName) {
    SetupResult r;
    std::wstring drv = DriverDirectory();
    if (drv.empty()) return {false, Err(L"GetPrinterDriverDirectory")};
    // Our start-up copies the language files from the version-3 folder.
    std::wstring v3 = drv + L"\\3";
    CreateDirectoryW(v3.c_str(), nullptr);
    for (const wchar_t* f : kFiles) {
        std::wstring from = packageDir + L"\\" + f;
        if (!CopyFileW(from.c_str(), (v3 + L"\\" + f).c_str(), FALSE))
            return {false, Err((L"copy " + from).c_str())};
    }
    std::wstring data = v3 + L"\\K20.gpd";
    HANDLE h = CreateFileW(data.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);

    std::wstring driverPath = v3 + L"\\printhostui.dll", configPath = driverPath;
    std::wstring dependent = L"prnui.dll";
    dependent.push_back(L'\0');
    dependent += L"ENG_K20.res";
    dependent.push_back(L'\0');
    dependent.push_back(L'\0');
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pName = const_cast<LPWSTR>(kDriverName);
    di.pEnvironment = nullptr;
    di.pDriverPath = driverPath.data();
    di.pDataFile = data.data();
    di.pConfigFile = configPath.data();
    di.pDependentFiles = dependent.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di)) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED)
        return {false, Err(L"AddPrinterDriver")};

    HANDLE hp = nullptr;
    std::wstring name = printerName;
    if (OpenPrinterW(name.data(), &hp, nullptr)) {
        ClosePrinter(hp);
        return {true, L"printer exists"};
    }
    PRINTER_INFO_2W pi{};
    std::wstring port = L"FILE:", proc = L"WinPrint", type = L"RAW", driver = kDriverName;
    pi.pPrinterName = name.data();
    pi.pPortName = port.data();
    pi.pDriverName = driver.data();
    pi.pPrintProcessor = proc.data();
    pi.pDatatype = type.data();
    pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    hp = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    if (!hp) return {false, Err(L"AddPrinter")};
    ClosePrinter(hp);
    return {true, L"printer added"};
}

PreferencesResult OpenPrintingPreferences(const std::wstring& printerName, const std::wstring& picture) {
    PreferencesResult res;
    std::wstring name = printerName;
    HANDLE hp = nullptr;
    if (!OpenPrinterW(name.data(), &hp, nullptr)) {
        res.error = Err(L"OpenPrinter");
        return res;
    }
    res.sizeResult = DocumentPropertiesW(nullptr, hp, name.data(), nullptr, nullptr, 0);
    if (res.sizeResult > 0) {
        std::vector<BYTE> out(size_t(res.sizeResult) + 4096);
        SheetWatch watch;
        watch.threadId = GetCurrentThreadId();
        watch.picture = picture;
        HANDLE t = CreateThread(nullptr, 0, WatchSheet, &watch, 0, nullptr);
        res.promptResult =
            DocumentPropertiesW(nullptr, hp, name.data(), reinterpret_cast<DEVMODEW*>(out.data()), nullptr,
                                DM_OUT_BUFFER | DM_IN_PROMPT);
        if (t) {
            WaitForSingleObject(t, 15000);
            CloseHandle(t);
        }
        res.tabs = watch.tabs;
    }
    ClosePrinter(hp);
    return res;
}

std::wstring ProbeRouting(const std::wstring& printerName, const std::wstring& picture) {
    HKEY key;
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\K20PrintHost\\Calls");
    PreferencesResult prefs = OpenPrintingPreferences(printerName, picture);
    if (!prefs.error.empty()) return prefs.error;
    std::wstring report = L"DocumentPropertiesW(size) = " + std::to_wstring(prefs.sizeResult) + L"\n";
    if (prefs.sizeResult > 0)
        report += L"DocumentPropertiesW(DM_IN_PROMPT) = " + std::to_wstring(prefs.promptResult) +
                  L", sheet tabs:" + (prefs.tabs.empty() ? L" none" : prefs.tabs) + L"\n";
    std::wstring name = printerName;
    HANDLE hp = nullptr;
    if (!OpenPrinterW(name.data(), &hp, nullptr)) return report + Err(L"OpenPrinter");
    BOOL pp = PrinterProperties(nullptr, hp);
    report += L"PrinterProperties = " + std::to_wstring(pp) + L" (error " + std::to_wstring(GetLastError()) +
              L")\n";
    ClosePrinter(hp);
    report += L"entry points reached:";
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\K20PrintHost\\Calls", 0, KEY_READ, &key) ==
        ERROR_SUCCESS) {
        wchar_t value[128];
        for (DWORD i = 0;; ++i) {
            DWORD len = 128;
            if (RegEnumValueW(key, i, value, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            report += L" ";
            report += value;
        }
        RegCloseKey(key);
    } else {
        report += L" none";
    }
    return report + L"\n";
}

}  // namespace k20::printhost
