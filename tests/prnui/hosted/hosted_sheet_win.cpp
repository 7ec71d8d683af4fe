#include "tests/prnui/hosted/hosted_sheet_win.h"

#include <commctrl.h>
#include <shlobj.h>
#include <winspool.h>

#include "tools/printhost/printer_setup_win.h"
#include "tools/printhost/window_bitmap_win.h"

namespace k20::test {

std::wstring WinPath(const char* unixPath) {
    std::wstring w;
    for (const char* p = unixPath; *p; ++p) w += *p == '/' ? L'\\' : wchar_t(static_cast<unsigned char>(*p));
    return unixPath[0] == '/' ? L"Z:" + w : w;
}

void Pump(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
}

namespace {

UINT_PTR g_timer = 0;

BOOL CALLBACK FindModalProc(HWND w, LPARAM lp) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (!IsWindowVisible(w) || !IsWindowEnabled(w) || wcscmp(cls, L"#32770") != 0) return TRUE;
    if (FindWindowExW(w, nullptr, WC_TABCONTROLW, nullptr)) return TRUE;
    *reinterpret_cast<HWND*>(lp) = w;
    return FALSE;
}

BOOL CALLBACK LongestStaticProc(HWND w, LPARAM lp) {
    wchar_t cls[32] = {}, text[512] = {};
    GetClassNameW(w, cls, 32);
    GetWindowTextW(w, text, 512);
    auto* best = reinterpret_cast<std::wstring*>(lp);
    if (_wcsicmp(cls, L"Static") == 0 && wcslen(text) > best->size()) *best = text;
    return TRUE;
}

// Only the enabled modal window is looked at: a dialog that opened another is disabled.
void CALLBACK ModalTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    static bool busy = false;
    if (busy) return;
    HWND found = FindThreadModal();
    if (!found) return;
    busy = true;
    ModalWatch& m = Modals();
    ++m.handled;
    if (!m.actions.empty()) {
        if (m.actions.front()(found)) m.actions.erase(m.actions.begin());
    } else {
        m.messages.push_back(MessageText(found));
        PostMessageW(found, WM_COMMAND, IDOK, 0);
    }
    busy = false;
}

}  // namespace

HWND FindThreadModal() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModalProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring MessageText(HWND box) {
    std::wstring text;
    EnumChildWindows(box, LongestStaticProc, reinterpret_cast<LPARAM>(&text));
    return text;
}

ModalWatch& Modals() {
    static ModalWatch w;
    return w;
}

void StartModalWatch() {
    if (!g_timer) g_timer = SetTimer(nullptr, 0, 40, ModalTimerProc);
}

void StopModalWatch() {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
}

HWND OpenSheet(printhost::HostSession& session, printhost::Sheet sheet) {
    if (session.Collect(sheet) != S_OK) return nullptr;
    HWND w = session.Show(sheet, true);
    if (!w) return nullptr;
    SetWindowPos(w, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Pump();
    return w;
}

HWND SelectTab(HWND sheet, int tab) {
    PropSheet_SetCurSel(sheet, nullptr, tab);
    Pump();
    return PropSheet_GetCurrentPageHwnd(sheet);
}

void CloseSheet(printhost::HostSession& session, HWND sheet, bool apply) {
    if (apply) {
        PropSheet_Apply(sheet);
        Pump();
    }
    DestroyWindow(sheet);
    Pump();
    session.Finish();
}

std::wstring ItemText(HWND dlg, int id) {
    wchar_t b[512] = {};
    GetDlgItemTextW(dlg, id, b, 512);
    return b;
}

void TypeInto(HWND edit, const wchar_t* text) {
    SendMessageW(edit, EM_SETSEL, 0, -1);  // the first character replaces the old text
    for (const wchar_t* p = text; *p; ++p) SendMessageW(edit, WM_CHAR, *p, 1);
}

void Choose(HWND dlg, int id, int index) {
    HWND c = GetDlgItem(dlg, id);
    SendMessageW(c, CB_SETCURSEL, WPARAM(index), 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
    Pump(2);
}

void Command(HWND dlg, int id, WORD code) {
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    Pump(2);
}

bool MakeCapturePrinter(const std::wstring& printer, const std::wstring& port, const std::string& unixFile,
                        std::wstring& error) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Printing\\Spooler", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        error = L"no Wine spooler key";
        return false;
    }
    const std::wstring target(unixFile.begin(), unixFile.end());
    RegSetValueExW(key, port.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(target.c_str()),
                   DWORD((target.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    HANDLE h = nullptr;
    std::wstring name = printer;
    if (OpenPrinterW(name.data(), &h, nullptr)) {
        ClosePrinter(h);
        return true;
    }
    std::wstring portName = port, driver = L"K-20 Stand-in Driver", proc = L"WinPrint", type = L"RAW";
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = name.data();
    pi.pPortName = portName.data();
    pi.pDriverName = driver.data();
    pi.pPrintProcessor = proc.data();
    pi.pDatatype = type.data();
    pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    h = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    if (!h) {
        error = L"AddPrinter failed, error " + std::to_wstring(GetLastError());
        return false;
    }
    ClosePrinter(h);
    return true;
}

bool PrepareSheetHost(const std::wstring& packageDir, const std::wstring& printhostDir,
                      const std::wstring& printer, const std::wstring& port, const std::string& unixFile,
                      std::wstring& error) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    ShipLanguageFiles(packageDir);
    SetLanguage(L"ENG_K20.res");
    printhost::SetupResult setup = printhost::InstallStandInPrinter(printhostDir, L"K-20 Receipt");
    if (!setup.ok) {
        error = setup.message;
        return false;
    }
    return MakeCapturePrinter(printer, port, unixFile, error);
}

std::vector<uint8_t> ReadWholeFile(const std::wstring& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    uint8_t buf[4096];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof buf, &n, nullptr) && n) bytes.insert(bytes.end(), buf, buf + n);
    CloseHandle(f);
    return bytes;
}

std::vector<uint8_t> ReadCapture(const std::string& unixFile, int waitMs) {
    const std::wstring path = WinPath(unixFile.c_str());
    for (int waited = 0;; waited += 50) {
        std::vector<uint8_t> bytes = ReadWholeFile(path);
        if (!bytes.empty() || waited >= waitMs) return bytes;
        Pump(5);
    }
}

void ClearCapture(const std::string& unixFile) {
    DeleteFileW(WinPath(unixFile.c_str()).c_str());
}

}  // namespace k20::test
