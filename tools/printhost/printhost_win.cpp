// printhost: shows the plug-in's document and device sheets as the printing host would.
//   printhost [--dll PATH] [--printer NAME | NAME] [--install PACKAGE_DIR] [--probe]
//             [--sheet document|device|both] [--language FILE] [--screenshots DIR]
// --install puts a printer that uses our plug-in into this Windows installation first;
// --probe reports which driver entry points the spooler reaches (and pictures the sheet the
// spooler opens when headless or given --screenshots); --screenshots saves a
// bitmap of every tab (named <language>_<sheet>_<tab>.bmp) instead of waiting for the user.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/wide_string_win.h"
#include "tools/printhost/host_session_win.h"
#include "tools/printhost/language_setup_win.h"
#include "tools/printhost/printer_setup_win.h"
#include "tools/printhost/window_bitmap_win.h"

using namespace k20::printhost;

namespace {

std::wstring ExeDir() {
    wchar_t b[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, b, MAX_PATH);
    std::wstring s = b;
    return s.substr(0, s.find_last_of(L"\\/"));
}

// Console output as UTF-8, whatever the console code page: the reports carry Chinese titles.
void PrintUtf8(const std::wstring& s) {
    const std::string out = k20::Narrow(s);
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
}

void Pump(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    MSG m;
    while (GetTickCount() < end) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
}

// The plug-in takes its language files from the printer-driver folder of the processor
// (a copy refreshed into the user's folder at load), never from beside this program; a
// prefix where --install never ran has none there, and the sheet would stay English.
void UseLanguage(const std::wstring& file) {
    ShipLanguageFiles(ExeDir());
    SetLanguage(file);
}

int ShowSheet(HostSession& s, Sheet sheet, const std::wstring& shots, const std::wstring& tag) {
    const wchar_t* name = sheet == Sheet::Document ? L"document" : L"device";
    HRESULT hr = s.Collect(sheet);
    if (FAILED(hr)) {
        fwprintf(stderr, L"printhost: the %ls sheet request failed (0x%08lx)\n", name,
                 static_cast<unsigned long>(hr));
        return 1;
    }
    if (shots.empty()) {
        s.Show(sheet, false);
        return 0;
    }
    HWND w = s.Show(sheet, true);
    if (!w) return 1;
    SetWindowPos(w, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    int tabs = int(SendMessageW(PropSheet_GetTabControl(w), TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < tabs; ++i) {
        PropSheet_SetCurSel(w, nullptr, i);
        Pump(400);
        std::wstring path = shots + L"\\" + tag + L"_" + name + L"_" + std::to_wstring(i) + L".bmp";
        if (SaveWindowBitmap(w, path)) PrintUtf8(path + L"\n");
    }
    DestroyWindow(w);
    s.Finish();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dll = ExeDir() + L"\\prnui.dll", printer, install, sheetArg = L"both", language, shots;
    bool probe = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        auto next = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
        if (a == L"--dll")
            dll = next();
        else if (a == L"--printer")
            printer = next();
        else if (a == L"--install")
            install = next();
        else if (a == L"--sheet")
            sheetArg = next();
        else if (a == L"--language")
            language = next();
        else if (a == L"--screenshots")
            shots = next();
        else if (a == L"--probe")
            probe = true;
        else if (!a.empty() && a[0] != L'-' && printer.empty())
            printer = a;
        else {
            fwprintf(
                stderr,
                L"usage: printhost [--dll PATH] [--printer NAME] [--install PACKAGE_DIR] [--probe]\n"
                L"                 [--sheet document|device|both] [--language FILE] [--screenshots DIR]\n");
            return a == L"--help" ? 0 : 2;
        }
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (printer.empty()) printer = L"K-20 Receipt";
    if (!install.empty()) {
        SetupResult r = InstallStandInPrinter(install, printer);
        fwprintf(r.ok ? stdout : stderr, L"printhost: %ls\n", r.message.c_str());
        if (!r.ok) return 1;
    }
    wchar_t headless[8] = {};
    const bool noDisplay = GetEnvironmentVariableW(L"K20_HEADLESS", headless, 8) && headless[0] == L'1';
    if (probe) {
        std::wstring picture;
        if (!shots.empty() || noDisplay) {
            std::wstring dir = shots.empty() ? L"build\\screens" : shots;
            CreateDirectoryW(L"build", nullptr);
            CreateDirectoryW(dir.c_str(), nullptr);
            picture = dir + L"\\preferences_through_spooler.bmp";
        }
        PrintUtf8(ProbeRouting(printer, picture));
        if (!picture.empty()) PrintUtf8(picture + L"\n");
        return 0;
    }
    if (!language.empty()) UseLanguage(language);
    HostSession s;
    std::wstring error;
    if (!s.Load(dll, error)) {
        fwprintf(stderr, L"printhost: %ls\n", error.c_str());
        return 1;
    }
    s.UsePrinter(printer);  // without the printer the device sheet still opens
    // Headless runs (under Xvfb) save every tab in the three languages instead of waiting.
    bool allLanguages = false;
    if (shots.empty() && noDisplay) {
        shots = L"build\\screens";
        CreateDirectoryW(L"build", nullptr);
        CreateDirectoryW(shots.c_str(), nullptr);
        allLanguages = language.empty();
    }
    int rc = 0;
    if (allLanguages) {
        for (const wchar_t* file : {L"ENG_K20.res", L"CHN_K20.res", L"CHF_K20.res"}) {
            UseLanguage(file);
            std::wstring tag = std::wstring(file).substr(0, 3);
            if (sheetArg == L"document" || sheetArg == L"both")
                rc |= ShowSheet(s, Sheet::Document, shots, tag);
            if (sheetArg == L"device" || sheetArg == L"both") rc |= ShowSheet(s, Sheet::Device, shots, tag);
        }
        UseLanguage(L"ENG_K20.res");
        return rc;
    }
    std::wstring tag = language.empty() ? L"current" : language.substr(0, 3);
    if (sheetArg == L"document" || sheetArg == L"both") rc |= ShowSheet(s, Sheet::Document, shots, tag);
    if (sheetArg == L"device" || sheetArg == L"both") rc |= ShowSheet(s, Sheet::Device, shots, tag);
    return rc;
}
