// drvremove.exe: the uninstaller's window over MainModel, and the unattended command line.
// The dialog procedures copy between the controls and the model; the worker thread
// reaches the window only through SendMessage, so every control is touched by the
// window's own thread.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/ini_file.h"
#include "common/text.h"
#include "drvremove/main_model.h"
#include "drvsetup/instances.h"
#include "drvsetup/setup_config.h"
#include "drvremove/resource_win.h"
#include "platform/win32/admin_win.h"
#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/wide_string_win.h"

using namespace k20;
using namespace k20::drvremove;

namespace {

constexpr UINT WM_APP_SINK = WM_APP + 1;
constexpr UINT WM_APP_ASK = WM_APP + 2;
constexpr UINT WM_APP_DONE = WM_APP + 3;
constexpr const wchar_t* kChineseTitle =
    L"\u6253\u5370\u673a\u5378\u8f7d\u7a0b\u5e8f";  // the window's fixed title
constexpr const wchar_t* kInstallerTitleCn = L"\u6253\u5370\u673a\u9a71\u52a8\u5b89\u88c5\u7a0b\u5e8f";
constexpr const wchar_t* kInstallerTitleEn = L"Printer Driver Setup";

std::wstring ModulePath() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::string ProgramName() {
    std::wstring p = ModulePath();
    std::wstring file = p.substr(p.find_last_of(L"\\/") + 1);
    size_t dot = file.find_last_of(L'.');
    return Narrow(dot == std::wstring::npos ? file : file.substr(0, dot));
}

std::string CurrentDir() {
    wchar_t dir[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, dir);
    std::string d = n > 0 && n < MAX_PATH ? Narrow(std::wstring(dir, n)) : std::string();
    if (!d.empty() && d.back() == '\\') d.pop_back();
    return d;
}

StartFacts ReadStartFacts() {
    StartFacts f;
    // The program's own folder, not the current one: started by a deployment tool from the
    // system folder, the current folder is Windows' own.
    std::wstring p = ModulePath();
    size_t slash = p.find_last_of(L"\\/");
    if (slash != std::wstring::npos) f.programDir = Narrow(p.substr(0, slash));
    wchar_t sys[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(sys, MAX_PATH);
    HMODULE spool =
        n > 0 && n < MAX_PATH ? LoadLibraryW((std::wstring(sys, n) + L"\\winspool.drv").c_str()) : nullptr;
    f.winspoolLoaded = spool != nullptr;
    f.deleteDriverExFound = spool && GetProcAddress(spool, "DeletePrinterDriverExA");
    return f;
}

platform::FileSystem& g_machineFiles();

// The installer is running: its instance name is held, or a window with one of its
// titles (from its language files beside us, or the titles of older installers) is open.
bool InstallerRunning(const std::string& programDir) {
    if (platform::win32::NamedMutexExists(drvsetup::kSetupInstanceName)) return true;
    std::vector<std::wstring> titles = {kInstallerTitleEn, kInstallerTitleCn};
    for (uint16_t lang : {uint16_t(0x0409), uint16_t(0x0804)}) {
        drvsetup::SetupTexts t(g_machineFiles(), programDir, lang, lang == 0x0804 ? 936 : 1252);
        std::string caption = t.Get("Setup", "Caption");
        if (!caption.empty()) titles.push_back(Wide(caption));
    }
    for (auto& t : titles)
        if (FindWindowW(nullptr, t.c_str())) return true;
    return false;
}

bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &tp.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

class Win32Desktop : public Desktop {
  public:
    HWND window = nullptr;
    std::string caption;
    void MessageBox(const std::string& text) override {
        ::MessageBoxW(window, Wide(text).c_str(), Wide(caption).c_str(), MB_OK | MB_ICONINFORMATION);
    }
    bool WindowExists(const std::string& title) override {
        return FindWindowW(nullptr, Wide(title).c_str()) != nullptr;
    }
    bool AskRestart() override { return window && SendMessageW(window, WM_APP_ASK, 0, 0) == IDYES; }
    bool RestartWindows(bool privilege) override {
        if (privilege && !EnableShutdownPrivilege()) return false;
        return ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != 0;
    }
};

// ---- the window ----

struct SinkCall {
    enum Op { Log, Count, Name, Checked, Remove } op = Log;
    size_t index = 0;
    std::string text;
    size_t count = 0;
    bool checked = false;
};

// Runs on the worker thread; each call is carried out by the window's thread.
class ProxySink : public RemovalSink {
  public:
    explicit ProxySink(HWND w) : w_(w) {}
    void Log(const std::string& line) override { Call(SinkCall::Log, 0, line); }
    size_t ItemCount() override { return Call(SinkCall::Count).count; }
    std::string ItemName(size_t i) override { return Call(SinkCall::Name, i).text; }
    bool ItemChecked(size_t i) override { return Call(SinkCall::Checked, i).checked; }
    void RemoveItem(size_t i) override { Call(SinkCall::Remove, i); }

  private:
    SinkCall Call(SinkCall::Op op, size_t index = 0, const std::string& text = {}) {
        SinkCall c;
        c.op = op;
        c.index = index;
        c.text = text;
        SendMessageW(w_, WM_APP_SINK, 0, reinterpret_cast<LPARAM>(&c));
        return c;
    }
    HWND w_;
};

struct App {
    std::unique_ptr<platform::win32::Win32AdminMachine> machine;
    platform::AdminPlatform* admin = nullptr;
    Win32Desktop desktop;
    std::unique_ptr<Remover> remover;
    std::unique_ptr<MainModel> model;
    HFONT font = nullptr;
    bool chinese = false;
    HWND dlg = nullptr;
    std::string programDir;
};
App g_app;

platform::FileSystem& g_machineFiles() {
    return g_app.machine->base.files;
}

BOOL CALLBACK SetFontProc(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, WPARAM(font), TRUE);
    return TRUE;
}

void ApplyChineseFont(HWND dlg) {
    if (!g_app.chinese) return;
    if (!g_app.font)
        g_app.font =
            CreateFontW(13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"\u5b8b\u4f53");
    SendMessageW(dlg, WM_SETFONT, WPARAM(g_app.font), TRUE);
    EnumChildWindows(dlg, SetFontProc, LPARAM(g_app.font));
}

std::string T(const char* section, const char* key) {
    return g_app.remover->Texts().Get(section, key);
}

void AddLogLine(HWND dlg, const std::string& line) {
    HWND log = GetDlgItem(dlg, IDC_LOG);
    std::wstring w = Wide(line);
    LRESULT at = SendMessageW(log, LB_ADDSTRING, 0, LPARAM(w.c_str()));
    // The list grows sideways to its widest line, and its last line stays in view.
    HDC dc = GetDC(log);
    HGDIOBJ old = SelectObject(dc, HGDIOBJ(SendMessageW(log, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, w.c_str(), int(w.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(log, dc);
    if (size.cx + 8 > LRESULT(SendMessageW(log, LB_GETHORIZONTALEXTENT, 0, 0)))
        SendMessageW(log, LB_SETHORIZONTALEXTENT, WPARAM(size.cx + 8), 0);
    SendMessageW(log, LB_SETCURSEL, WPARAM(at), 0);
}

void FillItems(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_ITEMS);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < g_app.model->items.size(); ++i) {
        std::wstring name = Wide(g_app.model->items[i].name);
        LVITEMW it{};
        it.mask = LVIF_TEXT;
        it.iItem = int(i);
        it.pszText = name.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, LPARAM(&it));
        ListView_SetCheckState(list, int(i), g_app.model->items[i].checked);
    }
}

void ReadChecks(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_ITEMS);
    for (size_t i = 0; i < g_app.model->items.size(); ++i)
        g_app.model->SetChecked(i, ListView_GetCheckState(list, int(i)) != 0);
    g_app.model->SetUsbChecked(IsDlgButtonChecked(dlg, IDC_USB) == BST_CHECKED);
}

void ShowEnables(HWND dlg) {
    MainModel& m = *g_app.model;
    EnableWindow(GetDlgItem(dlg, IDC_UNINSTALL), m.uninstallEnabled);
    EnableWindow(GetDlgItem(dlg, IDC_ITEMS), m.listEnabled);
    EnableWindow(GetDlgItem(dlg, IDC_SELECT), m.selectEnabled);
    EnableWindow(GetDlgItem(dlg, IDC_EXIT), m.exitEnabled);
    EnableWindow(GetDlgItem(dlg, IDC_USB), m.usbEnabled);
    CheckDlgButton(dlg, IDC_USB, m.usbChecked ? BST_CHECKED : BST_UNCHECKED);
}

void HandleSink(HWND dlg, SinkCall& c) {
    MainModel& m = *g_app.model;
    switch (c.op) {
        case SinkCall::Log:
            m.Log(c.text);
            AddLogLine(dlg, c.text);
            break;
        case SinkCall::Count:
            c.count = m.ItemCount();
            break;
        case SinkCall::Name:
            c.text = m.ItemName(c.index);
            break;
        case SinkCall::Checked:
            c.checked = m.ItemChecked(c.index);
            break;
        case SinkCall::Remove:
            m.RemoveItem(c.index);
            SendMessageW(GetDlgItem(dlg, IDC_ITEMS), LVM_DELETEITEM, c.index, 0);
            break;
    }
}

DWORD WINAPI WorkerProc(LPVOID param) {
    HWND dlg = HWND(param);
    ProxySink sink(dlg);
    // The engine reports what fails inside an item; this is the last net, so that the
    // window always gets its controls back and the log stays readable.
    try {
        g_app.model->RunWorker(sink);
    } catch (...) {
        sink.Log("The removal stopped unexpectedly.");
    }
    PostMessageW(dlg, WM_APP_DONE, 0, 0);
    return 0;
}

// A small dialog's texts: its title is the section's "Title", each control the given key.
void SetDialogTexts(HWND dlg, const char* section, std::initializer_list<std::pair<int, const char*>> items) {
    SetWindowTextW(dlg, Wide(T(section, "Title")).c_str());
    for (const auto& [id, key] : items) SetText(dlg, id, T(section, key));
    ApplyChineseFont(dlg);
}

INT_PTR CALLBACK RebootProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetDialogTexts(dlg, "Reboot",
                           {{IDC_NOTE1, "Note1"},
                            {IDC_NOTE2, "Note2"},
                            {IDC_NOTE3, "Note3"},
                            {IDYES, "Yes"},
                            {IDNO, "No"}});
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDYES || LOWORD(wp) == IDNO || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp) == IDYES ? IDYES : IDNO);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK AboutProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetDialogTexts(
                dlg, "About",
                {{IDC_ABOUT_VERSION, "Version"}, {IDC_ABOUT_COPYRIGHT, "Copyright"}, {IDOK, "OK"}});
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

void ShowHelp(HWND dlg) {
    if (HWND h = FindWindowW(nullptr, L"Uninstall")) {
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowWindow(h, SW_RESTORE);
        return;
    }
    std::wstring dir = Wide(g_app.programDir);
    if (INT_PTR(ShellExecuteW(dlg, L"open", (dir + L"\\Uninstall_EN.CHM").c_str(), nullptr, nullptr,
                              SW_SHOWNORMAL)) <= 32)
        ShellExecuteW(dlg, L"open", (dir + L"\\Uninstall_CN.CHM").c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

bool InitMain(HWND dlg) {
    g_app.dlg = dlg;
    g_app.desktop.window = dlg;
    ApplyChineseFont(dlg);
    MainModel& m = *g_app.model;
    if (!m.Init()) return false;
    if (HMENU sys = GetSystemMenu(dlg, FALSE)) {
        AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(sys, MF_STRING, IDM_ABOUTBOX, Wide(m.texts.aboutEntry).c_str());
    }
    HWND list = GetDlgItem(dlg, IDC_ITEMS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TRACKSELECT);
    RECT rc;
    GetClientRect(list, &rc);
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH;
    col.cx = rc.right - rc.left - GetSystemMetrics(SM_CXVSCROLL);
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, LPARAM(&col));
    FillItems(dlg);
    for (auto& line : m.log) AddLogLine(dlg, line);
    SetWindowTextW(dlg, Wide(m.texts.title).c_str());
    SetText(dlg, IDC_NOTE, m.texts.note);
    SetText(dlg, IDC_UNINSTALL, m.texts.uninstall);
    SetText(dlg, IDC_SELECT, m.texts.select);
    SetText(dlg, IDC_EXIT, m.texts.exit);
    SetText(dlg, IDC_USB, m.texts.usb);
    g_app.desktop.caption = m.texts.title;
    ShowEnables(dlg);
    return true;
}

INT_PTR CALLBACK MainProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            if (!InitMain(dlg)) EndDialog(dlg, 0);
            return TRUE;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == IDM_ABOUTBOX) {
                DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), dlg, AboutProc, 0);
                SetWindowLongPtrW(dlg, DWLP_MSGRESULT, 0);
                return TRUE;
            }
            break;
        case WM_HELP:
            ShowHelp(dlg);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_SELECT:
                    g_app.model->Select();
                    FillItems(dlg);
                    return TRUE;
                case IDC_UNINSTALL: {
                    MainModel& m = *g_app.model;
                    ReadChecks(dlg);
                    size_t logged = m.log.size();
                    bool start = m.Uninstall();
                    for (size_t i = logged; i < m.log.size(); ++i) AddLogLine(dlg, m.log[i]);
                    ShowEnables(dlg);
                    if (start) {
                        HANDLE t = CreateThread(nullptr, 0, WorkerProc, dlg, 0, nullptr);
                        if (t)
                            CloseHandle(t);
                        else {
                            std::string line = "The removal could not be started: " +
                                               g_app.machine->processes.ErrorText(GetLastError());
                            m.Log(line);
                            AddLogLine(dlg, line);
                            m.EndRun();
                            ShowEnables(dlg);
                        }
                    }
                    return TRUE;
                }
                case IDC_EXIT:
                case IDCANCEL:
                    if (g_app.model->exitEnabled) EndDialog(dlg, 0);
                    return TRUE;
            }
            break;
        case WM_APP_SINK:
            HandleSink(dlg, *reinterpret_cast<SinkCall*>(lp));
            return TRUE;
        case WM_APP_ASK: {
            INT_PTR r =
                DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_REBOOT), dlg, RebootProc, 0);
            SetWindowLongPtrW(dlg, DWLP_MSGRESULT, r);
            return TRUE;
        }
        case WM_APP_DONE:
            g_app.model->EndRun();
            ShowEnables(dlg);
            return TRUE;
        case WM_CLOSE:
            if (g_app.model->exitEnabled) EndDialog(dlg, 0);
            return TRUE;
    }
    return FALSE;
}

// ---- unattended mode ----

int RunUnattended(const QuietOptions& o) {
    if (!GetStdHandle(STD_OUTPUT_HANDLE)) AttachConsole(ATTACH_PARENT_PROCESS);
    StartFacts facts = ReadStartFacts();
    if (InstallerRunning(facts.programDir)) {
        fputs("the printer driver setup program is running\n", stderr);
        return kQuietCannotStart;
    }
    std::vector<std::string> lines;
    QuietDesktop quiet(g_app.desktop, lines, o.restart);
    Remover r(*g_app.admin, quiet, facts);
    int code = kQuietCannotStart;
    try {
        code = RunQuiet(r, g_app.machine->base.files, CurrentDir(), o, lines);
    } catch (...) {
        lines.push_back("The removal stopped unexpectedly.");
    }
    for (auto& l : lines) printf("%s\n", l.c_str());
    fflush(stdout);
    return code;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    // Before anything else is loaded: libraries by name come from the system folder only,
    // never from the folder the program was downloaded to.
    platform::win32::RestrictDllSearchToSystem();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
    LocalFree(argv);
    QuietOptions opts;
    std::string error;
    bool parsed = ParseCommandLine(args, opts, error);
    if (!parsed || opts.help) {
        if (!GetStdHandle(STD_ERROR_HANDLE)) AttachConsole(ATTACH_PARENT_PROCESS);
        fputs(parsed ? QuietUsage().c_str() : ("drvremove: " + error + "\n" + QuietUsage()).c_str(),
              parsed ? stdout : stderr);
        return parsed ? 0 : kQuietUsage;
    }

    g_app.machine = std::make_unique<platform::win32::Win32AdminMachine>();
    static platform::AdminPlatform admin = g_app.machine->admin();
    g_app.admin = &admin;

    HANDLE mutex = CreateMutexW(nullptr, TRUE, Wide(ProgramName()).c_str());
    bool sameNameRunning = mutex && GetLastError() == ERROR_ALREADY_EXISTS;
    bool otherRunning = false;
    platform::win32::ClaimNamedMutex(drvsetup::kRemoveInstanceName, otherRunning);
    if (sameNameRunning || otherRunning) {
        if (opts.quiet) {
            fputs("another uninstaller is running\n", stderr);
            return kQuietCannotStart;
        }
        HWND w = FindWindowW(nullptr, kChineseTitle);
        if (!w) {
            UninstallTexts t;
            StartFacts f = ReadStartFacts();
            t.Load(g_app.machine->base.files, f.programDir,
                   g_app.machine->base.system.SystemDefaultLanguage(),
                   g_app.machine->base.system.AnsiCodePage());
            std::string title = t.Get("Uninstall", "Title");
            if (!title.empty()) w = FindWindowW(nullptr, Wide(title).c_str());
        }
        if (w) {
            SetForegroundWindow(w);
            if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
        }
        return 0;
    }
    if (opts.quiet) {
        int code = RunUnattended(opts);
        if (mutex) CloseHandle(mutex);
        return code;
    }

    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    StartFacts facts = ReadStartFacts();
    g_app.programDir = facts.programDir;
    g_app.chinese = IsChineseLanguage(g_app.machine->base.system.SystemDefaultLanguage());
    g_app.remover = std::make_unique<Remover>(*g_app.admin, g_app.desktop, facts);
    g_app.model = std::make_unique<MainModel>(*g_app.remover);
    if (InstallerRunning(facts.programDir)) {
        UninstallTexts t;
        t.Load(g_app.machine->base.files, facts.programDir,
               g_app.machine->base.system.SystemDefaultLanguage(), g_app.machine->base.system.AnsiCodePage());
        ::MessageBoxW(nullptr, Wide(t.Get("Uninstall", "Close")).c_str(), nullptr,
                      MB_OK | MB_ICONINFORMATION);
    } else {
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainProc, 0);
    }
    if (g_app.font) DeleteObject(g_app.font);
    if (mutex) CloseHandle(mutex);
    return 0;
}
