// Drives the real logviewer.exe: started with the two quoted arguments on a copy of the
// sample log, a job selected, paged, printed to a printer of the prefix, closed; its
// temporary page image must be gone and the user's own pictures beside the jobs untouched.
// Also takes the screenshots in both languages.
#include <windows.h>
#include <commctrl.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "logviewer/resource_win.h"

namespace {

std::wstring ExePath() {
    std::string p = K20_LOGVIEWER_EXE;
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    return std::wstring(p.begin(), p.end());
}

std::wstring TempDir() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    return tmp;
}

struct Found {
    DWORD pid;
    HWND hwnd;
};

BOOL CALLBACK FindViewerWindow(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(h, &owner);
    if (owner == f->pid && GetDlgItem(h, IDC_TREE)) {
        f->hwnd = h;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForDialog(DWORD pid) {
    for (int i = 0; i < 200; ++i) {
        Found f{pid, nullptr};
        EnumWindows(FindViewerWindow, reinterpret_cast<LPARAM>(&f));
        if (f.hwnd) return f.hwnd;
        Sleep(50);
    }
    return nullptr;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    do {
        std::wstring n = fd.cFileName;
        if (n == L"." || n == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + L"\\" + n, to + L"\\" + n) && ok;
        else
            ok = CopyFileW((from + L"\\" + n).c_str(), (to + L"\\" + n).c_str(), FALSE) && ok;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return ok;
}

bool Exists(const std::wstring& p) {
    return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteText(const std::wstring& p, const std::string& text) {
    HANDLE h = CreateFileW(p.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD w = 0;
    if (h != INVALID_HANDLE_VALUE) WriteFile(h, text.data(), DWORD(text.size()), &w, nullptr), CloseHandle(h);
}

// The page images of running viewers: <temp>\K20LogViewer\<n>\*.bmp.
std::vector<std::wstring> ViewerImages() {
    std::vector<std::wstring> found;
    const std::wstring base = TempDir() + L"K20LogViewer";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((base + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        std::wstring dir = fd.cFileName;
        if (dir == L"." || dir == L".." || !(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        WIN32_FIND_DATAW inner;
        HANDLE g = FindFirstFileW((base + L"\\" + dir + L"\\*.bmp").c_str(), &inner);
        if (g == INVALID_HANDLE_VALUE) continue;
        do {
            found.push_back(base + L"\\" + dir + L"\\" + inner.cFileName);
        } while (FindNextFileW(g, &inner));
        FindClose(g);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return found;
}

std::vector<char> Slurp(const std::wstring& p) {
    std::vector<char> out;
    HANDLE h = CreateFileW(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.insert(out.end(), buf, buf + got);
    CloseHandle(h);
    return out;
}

// A local printer whose port is a plain file, so that every raw job lands in that file.
// Its driver is the prefix's own PostScript driver: raw jobs never reach it.
const wchar_t* kCapturePrinter = L"K-20 Capture";
const wchar_t* kCaptureDriver = L"K-20 Capture Driver";

// Returns the capture file, or empty with the reason in why.
std::wstring EnsureCapturePrinter(std::string& why) {
    HANDLE hp = nullptr;
    std::wstring name = kCapturePrinter;
    if (OpenPrinterW(name.data(), &hp, nullptr)) {
        DWORD need = 0;
        GetPrinterW(hp, 2, nullptr, 0, &need);
        std::vector<BYTE> b(need + 16);
        std::wstring port;
        if (GetPrinterW(hp, 2, b.data(), need, &need))
            port = reinterpret_cast<PRINTER_INFO_2W*>(b.data())->pPortName;
        ClosePrinter(hp);
        if (port.size() > 2 && port[1] == L':' && port[2] == L'\\') return port;
        why = "a printer named K-20 Capture exists without a file port";
        return {};
    }
    wchar_t sys[MAX_PATH];
    GetSystemDirectoryW(sys, MAX_PATH);
    std::wstring module = std::wstring(sys) + L"\\wineps.drv";
    if (!GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version")) {
        why = "not running under Wine: the capture printer borrows Wine's PostScript driver";
        return {};
    }
    wchar_t dir[MAX_PATH] = {};
    DWORD need = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(dir), sizeof dir, &need);
    std::wstring ppd = std::wstring(dir) + L"\\k20capture.ppd";
    static const char kPpd[] =
        "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*LanguageVersion: English\n*ModelName: \"K-20 "
        "Capture\"\n"
        "*NickName: \"K-20 Capture\"\n*DefaultPageSize: A4\n*PageSize A4: \"\"\n*DefaultImageableArea: A4\n"
        "*ImageableArea A4: \"0 0 595 842\"\n*DefaultPaperDimension: A4\n*PaperDimension A4: \"595 842\"\n";
    HANDLE f = CreateFileW(ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD w = 0;
        WriteFile(f, kPpd, sizeof kPpd - 1, &w, nullptr);
        CloseHandle(f);
    }
    std::wstring driverName = kCaptureDriver;
    DRIVER_INFO_3W di{};
    di.cVersion = 3;
    di.pName = driverName.data();
    di.pDriverPath = module.data();
    di.pDataFile = ppd.data();
    di.pConfigFile = module.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&di)) &&
        GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        why = "the spooler refused the capture driver, error " + std::to_string(GetLastError());
        return {};
    }
    std::wstring port = L"C:\\k20_capture.prn", proc = L"WinPrint", type = L"RAW";
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = name.data();
    pi.pPortName = port.data();
    pi.pDriverName = driverName.data();
    pi.pPrintProcessor = proc.data();
    pi.pDatatype = type.data();
    pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    hp = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    if (!hp) {
        why = "the spooler refused a printer on a file port, error " + std::to_string(GetLastError());
        return {};
    }
    ClosePrinter(hp);
    return port;
}

// The viewer on a fresh copy of the sample log; closed at the end of each test.
class Viewer : public ::testing::Test {
  protected:
    void Start() {
        root = TempDir() + L"k20logtest";
        ASSERT_TRUE(CopyTree(L"..\\..\\package\\PellamorDriverlog\\K-20", root));
        // The user's own pictures beside the jobs, one named as the first job's page image.
        userBmp = root + L"\\20240105\\receipt_0001.bmp";
        holiday = root + L"\\20240105\\holiday.bmp";
        WriteText(userBmp, "the user's receipt picture");
        WriteText(holiday, "the user's holiday picture");
        imagesBefore = ViewerImages();
        std::wstring cmd = L"\"" + ExePath() + L"\" \"K-20\" \"" + root + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        ASSERT_TRUE(
            CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            << GetLastError();
        dlg = WaitForDialog(pi.dwProcessId);
        ASSERT_NE(dlg, nullptr);
        tree = GetDlgItem(dlg, IDC_TREE);
    }
    HTREEITEM Next(HTREEITEM it, WPARAM how) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(it)));
    }
    HTREEITEM FirstJob() {
        HTREEITEM day = Next(Next(nullptr, TVGN_ROOT), TVGN_CHILD);
        return Next(day, TVGN_CHILD);
    }
    void Select(HTREEITEM item) {
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    }
    void Click(int id) { SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dlg, id)); }

    void TearDown() override {
        if (!pi.hProcess) return;
        if (dlg) PostMessageW(dlg, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(ViewerImages(), imagesBefore) << "the viewer left its page images behind";
        const std::vector<char> user = Slurp(userBmp), hol = Slurp(holiday);
        EXPECT_EQ(std::string(user.begin(), user.end()), "the user's receipt picture");
        EXPECT_EQ(std::string(hol.begin(), hol.end()), "the user's holiday picture");
        EXPECT_TRUE(Exists(root + L"\\20240105\\receipt_0001.prn"));
    }
    // The viewer's image of the first job, wherever it wrote it.
    bool ShowsItsOwnImage() {
        const std::vector<std::wstring> now = ViewerImages();
        return now.size() == imagesBefore.size() + 1 &&
               now.end() != std::find_if(now.begin(), now.end(), [](const std::wstring& f) {
                   const std::wstring name = L"\\receipt_0001.bmp";
                   return f.size() > name.size() && f.compare(f.size() - name.size(), name.size(), name) == 0;
               });
    }

    std::wstring root, userBmp, holiday;
    std::vector<std::wstring> imagesBefore;
    PROCESS_INFORMATION pi{};
    HWND dlg = nullptr, tree = nullptr;
};

TEST_F(Viewer, StartsSelectsPagesAndClosesDeletingItsImages) {
    ASSERT_NO_FATAL_FAILURE(Start());
    HTREEITEM job = FirstJob();
    ASSERT_NE(job, nullptr);
    EXPECT_FALSE(Enabled(IDC_NEXT));
    Select(job);
    EXPECT_TRUE(ShowsItsOwnImage());
    EXPECT_TRUE(Enabled(IDC_PRINT));
    HWND sb = GetDlgItem(dlg, IDC_VSCROLL);
    if (Enabled(IDC_NEXT)) {
        Click(IDC_NEXT);
        EXPECT_GT(GetScrollPos(sb, SB_CTL), 0);
        Click(IDC_BACK);
        EXPECT_EQ(GetScrollPos(sb, SB_CTL), 0);
    }
}

TEST_F(Viewer, PrintsTheShownJobAndTheWholeDayAsRawJobs) {
    std::string why;
    const std::wstring capture = EnsureCapturePrinter(why);
    if (capture.empty()) GTEST_SKIP() << why << "; the simulated spooler covers printing";
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND combo = GetDlgItem(dlg, IDC_PRINTERS);
    LRESULT at =
        SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(kCapturePrinter));
    ASSERT_NE(at, CB_ERR) << "the capture printer is not in the viewer's list";
    SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
    Select(FirstJob());
    ASSERT_TRUE(Enabled(IDC_PRINT));

    DeleteFileW(capture.c_str());
    Click(IDC_PRINT);
    const std::vector<char> job = Slurp(root + L"\\20240105\\receipt_0001.prn");
    ASSERT_FALSE(job.empty());
    EXPECT_TRUE(Slurp(capture) == job) << "the captured bytes differ from the job file";

    // The whole day: each job replaces the port file, so the last one of the listing stays.
    SendMessageW(GetDlgItem(dlg, IDC_RADIO_TODAY), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(GetDlgItem(dlg, IDC_RADIO_TOTAL), BM_SETCHECK, BST_CHECKED, 0);
    DeleteFileW(capture.c_str());
    Click(IDC_PRINT);
    std::vector<std::vector<char>> day;
    for (const wchar_t* n : {L"receipt_0001.prn", L"receipt_0002.prn", L"receipt_0003.prn"})
        day.push_back(Slurp(root + L"\\20240105\\" + n));
    std::vector<char> all;
    for (auto& d : day) all.insert(all.end(), d.begin(), d.end());
    const std::vector<char> got = Slurp(capture);
    bool whole = got == all;
    for (auto& d : day) whole = whole || got == d;
    EXPECT_TRUE(whole) << "the day's capture is neither one job nor all jobs (" << got.size() << " bytes)";
}

// Screenshots of the viewer with a page shown, per language chosen through the registry
// value the viewer reads; PNG files under build/screens. Needs an X display.
class Screens : public Viewer {
  protected:
    static bool SetLanguage(const wchar_t* file) {
        wchar_t appData[MAX_PATH] = {};
        if (!GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH)) return false;
        const std::wstring plr = std::wstring(appData) + L"\\PLR";
        CreateDirectoryW(plr.c_str(), nullptr);
        for (const wchar_t* f : {L"ENG.ini", L"CHN.ini", L"CHF.ini"})
            if (!CopyFileW((std::wstring(L"..\\..\\package\\PLR\\") + f).c_str(), (plr + L"\\" + f).c_str(),
                           FALSE))
                return false;
        HKEY key;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\KESTRAN\\LANGUAGE", 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return false;
        LONG r = RegSetValueExW(key, L"LANGUAGE_K-20", 0, REG_SZ, reinterpret_cast<const BYTE*>(file),
                                DWORD((wcslen(file) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return r == ERROR_SUCCESS;
    }
    static void ClearLanguage() {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\KESTRAN\\LANGUAGE", 0, KEY_SET_VALUE, &key) ==
            ERROR_SUCCESS) {
            RegDeleteValueW(key, L"LANGUAGE_K-20");
            RegCloseKey(key);
        }
    }

    // The display's own grabber crops the window out of the root window.
    bool Shoot(const std::wstring& png) {
        RECT r;
        GetWindowRect(dlg, &r);
        std::string geometry = std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                               "+" + std::to_string(r.left) + "+" + std::to_string(r.top);
        // Wine maps drive Z: to the Unix root, and the grabber is a Unix program.
        wchar_t full[MAX_PATH];
        GetFullPathNameW(png.c_str(), MAX_PATH, full, nullptr);
        std::wstring f = full;
        if (f.size() < 3 || (f[0] != L'Z' && f[0] != L'z')) return false;
        std::string u(f.begin() + 2, f.end());
        for (char& c : u)
            if (c == '\\') c = '/';
        std::wstring cmd = L"Z:\\usr\\bin\\import -window root -crop " +
                           std::wstring(geometry.begin(), geometry.end()) + L" \"" +
                           std::wstring(u.begin(), u.end()) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION grab{};
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &grab))
            return false;
        WaitForSingleObject(grab.hProcess, 30000);
        CloseHandle(grab.hThread);
        CloseHandle(grab.hProcess);
        // A Unix program started from Wine gives no handle that waits for its end.
        for (int i = 0; i < 200 && !Exists(png); ++i) Sleep(50);
        Sleep(300);  // the grabber may still be writing
        return Exists(png);
    }

    void ShootLanguage(const wchar_t* iniFile, const wchar_t* png) {
        if (!GetEnvironmentVariableW(L"DISPLAY", nullptr, 0)) GTEST_SKIP() << "no X display for screenshots";
        if (!Exists(L"Z:\\usr\\bin\\import")) GTEST_SKIP() << "no screen grabber (imagemagick import) here";
        ASSERT_TRUE(SetLanguage(iniFile));
        Start();
        if (HasFatalFailure()) {
            ClearLanguage();
            return;
        }
        Select(FirstJob());
        ASSERT_TRUE(ShowsItsOwnImage());
        SetForegroundWindow(dlg);
        RedrawWindow(dlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Sleep(500);  // lets the window manager side of the display settle the frame
        CreateDirectoryW(L"..\\..\\build", nullptr);
        CreateDirectoryW(L"..\\..\\build\\screens", nullptr);
        const std::wstring out = std::wstring(L"..\\..\\build\\screens\\") + png;
        DeleteFileW(out.c_str());
        EXPECT_TRUE(Shoot(out)) << "no screenshot written";
        ClearLanguage();
    }
};

TEST_F(Screens, EnglishWithAPageShown) {
    ShootLanguage(L"ENG.ini", L"logviewer_ENG.png");
}
TEST_F(Screens, ChineseWithAPageShown) {
    ShootLanguage(L"CHN.ini", L"logviewer_CHN.png");
}

}  // namespace
