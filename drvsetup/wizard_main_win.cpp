// drvsetup.exe: the installer wizard over WizardModel, and the unattended command line.
// The dialog procedures only copy between the controls and the model.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "common/ini_file.h"
#include "common/text.h"
#include "drvsetup/instances.h"
#include "drvsetup/silent.h"
#include "drvsetup/wizard_ids_win.h"
#include "drvsetup/wizard_model.h"
#include "platform/win32/admin_win.h"
#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/wide_string_win.h"

using namespace k20;
using namespace k20::drvsetup;

namespace {

std::string ModuleDir(std::string& programName) {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    size_t slash = p.find_last_of(L"\\/");
    std::wstring file = p.substr(slash + 1);
    size_t dot = file.find_last_of(L'.');
    programName = Narrow(dot == std::wstring::npos ? file : file.substr(0, dot));
    return Narrow(p.substr(0, slash));
}

class Win32Desktop : public WizardDesktop {
  public:
    explicit Win32Desktop(std::string dir) : dir_(std::move(dir)) {}
    ~Win32Desktop() override {
        if (mutex_) CloseHandle(mutex_);
    }
    bool ClaimSingleInstance(const std::string& name) override {
        mutex_ = CreateMutexW(nullptr, TRUE, Wide(name).c_str());
        bool sameName = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
        // The fixed name as well, so that the uninstaller sees the installer whatever the
        // program file is called, and a renamed copy is still the one installer.
        bool fixedName = false;
        platform::win32::ClaimNamedMutex(kSetupInstanceName, fixedName);
        return !sameName && !fixedName;
    }
    void BringRunningWizardForward(const std::string& en, const std::string& cn) override {
        HWND w = FindWindowW(nullptr, Wide(en).c_str());
        if (!w) w = FindWindowW(nullptr, Wide(cn).c_str());
        if (!w) return;
        SetForegroundWindow(w);
        if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
    }
    bool UninstallerWindowOpen() override {
        if (platform::win32::NamedMutexExists(kRemoveInstanceName)) return true;
        for (const char* file : {"language\\uninstall_EN.ini", "language\\uninstall_CN.ini"}) {
            HANDLE h = CreateFileW(Wide(dir_ + "\\" + file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) continue;
            std::vector<uint8_t> bytes(64 * 1024);
            DWORD got = 0;
            ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
            CloseHandle(h);
            bytes.resize(got);
            IniFile ini = IniFile::FromBytes(bytes, file[19] == 'C' ? 936 : 1252);
            std::string title = ini.GetUtf8("Uninstall", "Title", "");
            if (!title.empty() && FindWindowW(nullptr, Wide(title).c_str())) return true;
        }
        return false;
    }
    bool LeftPictureLoads(const std::string& path) override {
        picture = static_cast<HBITMAP>(
            LoadImageW(nullptr, Wide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        return picture != nullptr;
    }
    bool UserIsAdministrator() override {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        PSID admins = nullptr;
        if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                      0, 0, 0, &admins))
            return false;
        BOOL member = FALSE;
        if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
        FreeSid(admins);
        return member != FALSE;
    }
    HBITMAP picture = nullptr;

  private:
    std::string dir_;
    HANDLE mutex_ = nullptr;
};

struct App {
    std::unique_ptr<platform::win32::Win32AdminMachine> machine;
    std::unique_ptr<platform::AdminPlatform> platform;
    std::unique_ptr<WizardModel> model;
    std::unique_ptr<Win32Desktop> desk;
    std::string dir;
    HWND wizard = nullptr;
    HFONT font = nullptr;
    // Worker
    InstallRequest request;
    int workerResult = 0;
    std::string workerMessage;
    bool restartNeeded = false;
    volatile LONG workerDone = 0;
    int progress = 0;
};
App g;

std::wstring T(const char* section, const char* key) {
    return Wide(g.model->Text(section, key));
}

void Show(const std::string& text) {
    MessageBoxW(g.wizard, Wide(text).c_str(), T("Setup", "Caption").c_str(), MB_OK | MB_ICONINFORMATION);
}
bool Ask(const std::string& text) {
    return MessageBoxW(g.wizard, Wide(text).c_str(), T("Setup", "Caption").c_str(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}
void ShowTitled(const std::string& title, const std::string& text) {
    MessageBoxW(g.wizard, Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONERROR);
}
WizardUi Ui() {
    return WizardUi{Show, Ask, ShowTitled};
}

BOOL CALLBACK SetFontProc(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

void ApplyFont(HWND dlg) {
    if (!g.model->Chinese()) return;
    if (!g.font)
        g.font = CreateFontW(-13, 0, 0, 0, 400, FALSE, FALSE, FALSE, 134, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"\x5B8B\x4F53");
    SendMessageW(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(g.font), TRUE);
    EnumChildWindows(dlg, SetFontProc, reinterpret_cast<LPARAM>(g.font));
}

const int kPageControls[5][2] = {{IDC_LIC_GROUP, IDC_REJECT},
                                 {IDC_SER_GROUP, IDC_DEFAULT},
                                 {IDC_MODE_GROUP, IDC_NOTES},
                                 {IDC_OS_GROUP, IDC_OS0 + 9},
                                 {IDC_SET_GROUP, IDC_NOTE}};

void SetText(HWND dlg, int id, const std::wstring& s) {
    SetDlgItemTextW(dlg, id, s.c_str());
}

void FillPortPage(HWND dlg) {
    WizardModel& m = *g.model;
    const PortPageState& st = m.Ports();
    HWND list = GetDlgItem(dlg, IDC_PORTLIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const auto& e : st.entries)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(e).c_str()));
    SendMessageW(list, LB_SETCURSEL, st.selected, 0);
    SendDlgItemMessageW(dlg, IDC_BAUD, CB_SETCURSEL, m.BaudIndex(), 0);
    bool serial = st.serialEnabled;
    for (int id : {IDC_BAUD, IDC_PARITY, IDC_BYTESIZE, IDC_STOPBITS, IDC_FLOW})
        EnableWindow(GetDlgItem(dlg, id), serial);
    EnableWindow(GetDlgItem(dlg, IDC_IP), st.ipEnabled);
    ShowWindow(GetDlgItem(dlg, IDC_RASTER), st.raster == RasterBox::Shown ? SW_SHOW : SW_HIDE);
    EnableWindow(GetDlgItem(dlg, IDC_RASTER), st.rasterEnabled);
    CheckDlgButton(dlg, IDC_RASTER, st.rasterOn ? BST_CHECKED : BST_UNCHECKED);
    SetText(dlg, IDC_NOTE, Wide(m.NoteLine()));
}

void ShowPage(HWND dlg) {
    WizardModel& m = *g.model;
    for (int p = 0; p < 5; ++p)
        for (int id = kPageControls[p][0]; id <= kPageControls[p][1]; ++id)
            if (HWND c = GetDlgItem(dlg, id)) ShowWindow(c, p == m.Page() ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dlg, IDC_IP - 100), m.Page() == kPagePort ? SW_SHOW : SW_HIDE);
    SetText(dlg, IDC_TITLE, Wide(WizardModel::PageTitle(m.Page())));
    SetText(dlg, IDC_NEXT, Wide(m.NextCaption()));
    EnableWindow(GetDlgItem(dlg, IDC_BACK), m.BackEnabled());
    EnableWindow(GetDlgItem(dlg, IDC_NEXT), m.NextEnabled());
    switch (m.Page()) {
        case kPageLicence:
            CheckRadioButton(dlg, IDC_ACCEPT, IDC_REJECT, m.Accepted() ? IDC_ACCEPT : IDC_REJECT);
            break;
        case kPageModel:
            for (int t = 0; t < 4; ++t) {
                const TypeChoice& tc = m.Types()[t];
                EnableWindow(GetDlgItem(dlg, IDC_TYPE0 + t), tc.enabled);
                EnableWindow(GetDlgItem(dlg, IDC_LIST0 + t), tc.listEnabled);
                CheckDlgButton(dlg, IDC_TYPE0 + t, m.ChosenType() == t ? BST_CHECKED : BST_UNCHECKED);
                SendDlgItemMessageW(dlg, IDC_LIST0 + t, LB_SETCURSEL, tc.selected, 0);
            }
            break;
        case kPageMode: {
            EnableWindow(GetDlgItem(dlg, IDC_ADVANCED), m.AdvancedEnabled());
            CheckRadioButton(dlg, IDC_TYPICAL, IDC_ADVANCED, m.Advanced() ? IDC_ADVANCED : IDC_TYPICAL);
            std::string notes;
            for (const auto& n : m.Notes()) notes += (notes.empty() ? "" : "\r\n\r\n") + n;
            SetText(dlg, IDC_NOTES, Wide(notes));
            break;
        }
        case kPageOs:
            for (int c = 0; c < kOsChoiceCount; ++c) {
                EnableWindow(GetDlgItem(dlg, IDC_OS0 + c), m.OsChoiceEnabled(c));
                ShowWindow(GetDlgItem(dlg, IDC_OS0 + c), m.OsChoiceVisible(c) ? SW_SHOW : SW_HIDE);
                CheckDlgButton(dlg, IDC_OS0 + c, c == m.OsChoiceShown() ? BST_CHECKED : BST_UNCHECKED);
            }
            break;
        case kPagePort:
            FillPortPage(dlg);
            break;
    }
}

void InitTexts(HWND dlg) {
    WizardModel& m = *g.model;
    SetWindowTextW(dlg, T("Setup", "Caption").c_str());
    SetText(dlg, IDC_HINT, T("Setup", "Help"));
    SetText(dlg, IDC_BACK, T("Setup", "Back"));
    SetText(dlg, IDCANCEL, T("Setup", "Cancel"));
    SetText(dlg, IDC_LIC_GROUP, T("Legal", "Agreement"));
    SetText(dlg, IDC_ACCEPT, T("Legal", "Accept"));
    SetText(dlg, IDC_REJECT, T("Legal", "Reject"));
    std::string lic = m.LicenceText();
    SetText(dlg, IDC_LIC_TEXT, Wide(lic));
    SetText(dlg, IDC_SER_GROUP, T("Series", "Select"));
    const char* types[] = {"Receipt", "Ticket", "Label", "Embedded"};
    for (int t = 0; t < 4; ++t) {
        SetText(dlg, IDC_TYPE0 + t, T("Series", types[t]));
        for (const auto& name : m.Types()[t].models)
            SendDlgItemMessageW(dlg, IDC_LIST0 + t, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(Wide(name).c_str()));
    }
    SetText(dlg, IDC_DEFAULT, T("Series", "Default"));
    SetText(dlg, IDC_MODE_GROUP, T("Mode", "Type"));
    SetText(dlg, IDC_TYPICAL, T("Mode", "Typical"));
    SetText(dlg, IDC_ADVANCED, T("Mode", "Advanced"));
    SetText(dlg, IDC_REMARKS, T("Mode", "Remarks"));
    SetText(dlg, IDC_OS_GROUP, T("System", "Select"));
    SetText(dlg, IDC_SET_GROUP, T("Confirm", "Set"));
    SetText(dlg, IDC_PORTS_LABEL, T("Confirm", "Ports"));
    SetText(dlg, IDC_COM_LABEL, T("Confirm", "Com"));
    SetText(dlg, IDC_BAUD_LABEL, T("Confirm", "BaudRate"));
    SetText(dlg, IDC_PARITY_LABEL, T("Confirm", "Parity"));
    SetText(dlg, IDC_BYTESIZE_LABEL, T("Confirm", "ByteSize"));
    SetText(dlg, IDC_STOPBITS_LABEL, T("Confirm", "StopBits"));
    SetText(dlg, IDC_FLOW_LABEL, T("Confirm", "Protocol"));
    SetText(dlg, IDC_RASTER, T("Confirm", "Raster"));
    for (int b : kBaudRates)
        SendDlgItemMessageW(dlg, IDC_BAUD, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(std::to_wstring(b).c_str()));
    for (const char* k : {"Parity.Even", "Parity.Mark", "Parity.None", "Parity.Odd", "Parity.Space"})
        SendDlgItemMessageW(dlg, IDC_PARITY, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(T("Confirm", k).c_str()));
    SendDlgItemMessageW(dlg, IDC_PARITY, CB_SETCURSEL, 2, 0);
    for (const wchar_t* s : {L"5", L"6", L"7", L"8"})
        SendDlgItemMessageW(dlg, IDC_BYTESIZE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendDlgItemMessageW(dlg, IDC_BYTESIZE, CB_SETCURSEL, 3, 0);
    for (const wchar_t* s : {L"1", L"1.5", L"2"})
        SendDlgItemMessageW(dlg, IDC_STOPBITS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    SendDlgItemMessageW(dlg, IDC_STOPBITS, CB_SETCURSEL, 0, 0);
    for (const char* k : {"Protocol.None", "Protocol.Xonoff", "Protocol.Hardware"})
        SendDlgItemMessageW(dlg, IDC_FLOW, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(T("Confirm", k).c_str()));
    SendDlgItemMessageW(dlg, IDC_FLOW, CB_SETCURSEL, 2, 0);
    if (g.desk->picture)
        SendDlgItemMessageW(dlg, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP,
                            reinterpret_cast<LPARAM>(g.desk->picture));
    HMENU sys = GetSystemMenu(dlg, FALSE);
    AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(sys, MF_STRING, IDM_ABOUT, Wide(m.Texts().Message("IDS_ABOUTBOX")).c_str());
}

std::wstring ComboText(HWND dlg, int id) {
    const int i = ComboSelection(dlg, id);
    if (i < 0) return {};
    wchar_t buf[256] = {};
    if (SendDlgItemMessageW(dlg, id, CB_GETLBTEXTLEN, i, 0) < 255)
        SendDlgItemMessageW(dlg, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
    return buf;
}

bool ReadIp(HWND dlg, std::array<uint8_t, 4>& ip) {
    wchar_t buf[64] = {};
    GetDlgItemTextW(dlg, IDC_IP, buf, 63);
    unsigned a[4] = {};
    if (swscanf(buf, L"%u.%u.%u.%u", &a[0], &a[1], &a[2], &a[3]) != 4) return false;
    for (int i = 0; i < 4; ++i) {
        if (a[i] > 255) return false;
        ip[i] = static_cast<uint8_t>(a[i]);
    }
    return true;
}

DWORD WINAPI WorkerProc(LPVOID) {
    // Run catches what fails inside a step; this is the last net, so that the progress
    // window always ends and the failure is shown instead of a half-done success.
    try {
        Installer inst(*g.platform, g.model->Texts(), g.dir, g.request);
        g.workerResult = inst.Run();
        g.workerMessage = inst.Message();
        g.restartNeeded = inst.RestartNeeded();
    } catch (...) {
        g.workerResult = kWorkerFailure;
        g.workerMessage = WorkerStoppedText(g.model->Texts(), "", "");
    }
    InterlockedExchange(&g.workerDone, 1);
    return 0;
}

INT_PTR CALLBACK ProgressProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG: {
            ApplyFont(dlg);
            HFONT bold =
                CreateFontW(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"System");
            SendDlgItemMessageW(dlg, IDC_WAITTEXT, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
            SetText(dlg, IDC_WAITTEXT, T("Progress", "Wait"));
            SendDlgItemMessageW(dlg, IDC_PROGRESS, PBM_SETRANGE32, 0, 1000);
            g.progress = 0;
            g.workerDone = 0;
            HANDLE t = CreateThread(nullptr, 0, WorkerProc, nullptr, 0, nullptr);
            if (t)
                CloseHandle(t);
            else {
                g.workerResult = kWorkerFailure;
                g.workerMessage =
                    WorkerNotStartedText(g.model->Texts(), g.machine->processes.ErrorText(GetLastError()));
                g.workerDone = 1;
            }
            SetTimer(dlg, 1, 80, nullptr);
            return TRUE;
        }
        case WM_TIMER:
            if (wp == 1) {
                if (g.workerDone) {
                    KillTimer(dlg, 1);
                    SetTimer(dlg, 2, 10, nullptr);
                } else if (g.progress < 900) {
                    g.progress += 100;
                }
            } else if (wp == 2) {
                bool ok = g.workerResult == kWorkerSuccess;
                g.progress += ok ? 100 : -100;
                if (g.progress >= 1000 || g.progress <= 0) {
                    KillTimer(dlg, 2);
                    EndDialog(dlg, 0);
                }
            }
            SendDlgItemMessageW(dlg, IDC_PROGRESS, PBM_SETPOS, g.progress, 0);
            return TRUE;
    }
    return FALSE;
}

bool RestartWindows() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES tp = {};
        tp.PrivilegeCount = 1;
        LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &tp.Privileges[0].Luid);
        tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
        CloseHandle(token);
    }
    return ExitWindowsEx(EWX_REBOOT, 0) != FALSE;
}

void Help() {
    HWND h = FindWindowW(nullptr, T("Help Guide", "Caption").c_str());
    if (h) {
        SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ShowWindow(h, SW_RESTORE);
        return;
    }
    ShellExecuteW(g.wizard, L"open", Wide(g.model->HelpFile()).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OnNext(HWND dlg) {
    WizardModel& m = *g.model;
    if (m.Page() != kPagePort) {
        m.Next(Ui());
        ShowPage(dlg);
        return;
    }
    std::array<uint8_t, 4> ip{};
    ReadIp(dlg, ip);
    m.SetIpAddress(ip);
    switch (m.PrepareInstall(Ui())) {
        case InstallStep::Stay:
            return;
        case InstallStep::HandedOver:
            EndDialog(dlg, 0);
            return;
        case InstallStep::RunWorker:
            break;
    }
    g.request = m.Request();
    ShowWindow(dlg, SW_MINIMIZE);
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROGRESS), dlg, ProgressProc, 0);
    m.Finish(g.workerResult, g.workerMessage, Ui(), RestartWindows);
    EndDialog(dlg, 0);
}

INT_PTR CALLBACK WizardProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    WizardModel* m = g.model.get();
    switch (msg) {
        case WM_INITDIALOG:
            g.wizard = dlg;
            InitTexts(dlg);
            ApplyFont(dlg);
            ShowPage(dlg);
            // The licence box would take the focus and show its whole text selected.
            SetFocus(GetDlgItem(dlg, IsWindowVisible(GetDlgItem(dlg, IDC_ACCEPT)) ? IDC_ACCEPT : IDC_NEXT));
            return FALSE;
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == IDM_ABOUT) {
                std::wstring text = T("About", "Version") + L"\r\n" + T("About", "Copyright");
                MessageBoxW(dlg, text.c_str(), T("About", "Caption").c_str(), MB_OK);
                return TRUE;
            }
            return FALSE;
        case WM_HELP:
            Help();
            return TRUE;
        case WM_COMMAND: {
            int id = LOWORD(wp), code = HIWORD(wp);
            if (id == IDC_LIC_TEXT && code == EN_SETFOCUS) {
                // The dialog manager selects an edit's whole text when it gives it the
                // focus; a licence to read should not come up highlighted.
                PostMessageW(GetDlgItem(dlg, id), EM_SETSEL, 0, 0);
            } else if (id == IDCANCEL)
                EndDialog(dlg, 0);
            else if (id == IDC_NEXT)
                OnNext(dlg);
            else if (id == IDC_BACK) {
                m->Back();
                ShowPage(dlg);
            } else if (id == IDC_ACCEPT || id == IDC_REJECT) {
                m->SetAccepted(id == IDC_ACCEPT);
                EnableWindow(GetDlgItem(dlg, IDC_NEXT), m->NextEnabled());
            } else if (id >= IDC_TYPE0 && id < IDC_TYPE0 + 4) {
                m->ChooseType(id - IDC_TYPE0);
                ShowPage(dlg);
            } else if (id >= IDC_LIST0 && id < IDC_LIST0 + 4 && code == LBN_SELCHANGE) {
                m->ChooseModel(id - IDC_LIST0,
                               static_cast<int>(SendDlgItemMessageW(dlg, id, LB_GETCURSEL, 0, 0)));
            } else if (id == IDC_DEFAULT) {
                m->SetAsDefault(IsDlgButtonChecked(dlg, IDC_DEFAULT) == BST_CHECKED);
            } else if (id == IDC_TYPICAL || id == IDC_ADVANCED) {
                m->ChooseAdvanced(id == IDC_ADVANCED);
                ShowPage(dlg);
            } else if (id == IDC_PORTLIST && code == LBN_SELCHANGE) {
                m->SelectPort(static_cast<int>(SendDlgItemMessageW(dlg, id, LB_GETCURSEL, 0, 0)));
                FillPortPage(dlg);
            } else if (code == CBN_SELCHANGE) {
                const int sel = ComboSelection(dlg, id);
                if (id == IDC_BAUD)
                    m->ChooseBaud(sel);
                else if (id == IDC_BYTESIZE)
                    m->ChooseByteSize(5 + sel);
                else if (id == IDC_STOPBITS)
                    m->ChooseStopBits(sel == 0 ? 1.0 : sel == 1 ? 1.5 : 2.0);
                else if (id == IDC_PARITY)
                    m->ChooseParity(Narrow(ComboText(dlg, id)));
                else if (id == IDC_FLOW)
                    m->ChooseFlow(Narrow(ComboText(dlg, id)));
            } else if (id == IDC_RASTER) {
                m->SetRaster(IsChecked(dlg, IDC_RASTER));
            }
            return TRUE;
        }
    }
    return FALSE;
}

void WriteErr(const std::string& line) {
    HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    if (!h || h == INVALID_HANDLE_VALUE) return;
    std::string s = line + "\r\n";
    DWORD written = 0;
    WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

int RunCommandLine(const std::vector<std::string>& args, const std::string& program) {
    if (!GetStdHandle(STD_ERROR_HANDLE)) AttachConsole(ATTACH_PARENT_PROCESS);
    SilentParse parsed = ParseSilentArgs(args);
    if (parsed.ok && parsed.options.help) {
        WriteErr(SilentUsage());
        return kSilentOk;
    }
    if (!parsed.ok) {
        WriteErr("drvsetup: " + parsed.error);
        if (parsed.exitCode == kSilentUsage) WriteErr(SilentUsage());
        return parsed.exitCode;
    }
    SilentResult r = RunSilent(*g.platform, g.dir, program, *g.desk, parsed.options, WriteErr);
    return r.exitCode;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    // Before anything else is loaded: libraries by name come from the system folder only,
    // never from the folder the program was downloaded to.
    platform::win32::RestrictDllSearchToSystem();
    std::string program;
    g.dir = ModuleDir(program);
    g.machine = std::make_unique<platform::win32::Win32AdminMachine>();
    g.platform = std::make_unique<platform::AdminPlatform>(g.machine->admin());
    g.desk = std::make_unique<Win32Desktop>(g.dir);
    g.platform->processes.SetSafeDllSearch();

    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Narrow(argv[i]));
    LocalFree(argv);
    if (WantsSilent(args)) return RunCommandLine(args, program);

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    g.model = std::make_unique<WizardModel>(*g.platform, g.dir, program);
    switch (g.model->Startup(*g.desk, Ui())) {
        case StartVerdict::AlreadyRunning:
            return 0;
        case StartVerdict::Refused:
            return 1;
        case StartVerdict::Run:
            break;
    }
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_WIZARD), nullptr, WizardProc, 0);
    if (g.font) DeleteObject(g.font);
    return 0;
}
