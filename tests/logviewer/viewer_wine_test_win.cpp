// Drives the real logviewer.exe: started with the two quoted arguments on a copy of the
// sample log, a job selected, paged, closed; its temporary page image must be gone.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "logviewer/resource_win.h"

namespace {

std::wstring ExePath() {
    std::string p = K20_LOGVIEWER_EXE;
    if (!p.empty() && p[0] == '/') p = "Z:" + p;
    return std::wstring(p.begin(), p.end());
}

struct Found {
    DWORD pid;
    HWND hwnd;
};

HWND WaitForDialog(DWORD pid) {
    for (int i = 0; i < 200; ++i) {
        Found f{pid, nullptr};
        EnumWindows(
            [](HWND h, LPARAM lp) -> BOOL {
                auto* f = reinterpret_cast<Found*>(lp);
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                if (owner == f->pid && GetDlgItem(h, IDC_TREE)) {
                    f->hwnd = h;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&f));
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
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ok = CopyTree(from + L"\\" + n, to + L"\\" + n) && ok;
        else ok = CopyFileW((from + L"\\" + n).c_str(), (to + L"\\" + n).c_str(), FALSE) && ok;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return ok;
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ViewerUnderWine, StartsSelectsPagesAndClosesDeletingItsImages) {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    const std::wstring root = std::wstring(tmp) + L"k20logtest";
    ASSERT_TRUE(CopyTree(L"..\\..\\package\\PellamorDriverlog\\K-20", root));
    const std::wstring bmp = root + L"\\20240105\\receipt_0001.bmp";
    DeleteFileW(bmp.c_str());

    std::wstring cmd = L"\"" + ExePath() + L"\" \"K-20\" \"" + root + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        << GetLastError();
    HWND dlg = WaitForDialog(pi.dwProcessId);
    ASSERT_NE(dlg, nullptr);
    HWND tree = GetDlgItem(dlg, IDC_TREE);
    auto next = [&](HTREEITEM it, WPARAM how) {
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(it)));
    };
    HTREEITEM rootItem = next(nullptr, TVGN_ROOT);
    HTREEITEM day = next(rootItem, TVGN_CHILD);
    HTREEITEM job = next(day, TVGN_CHILD);
    ASSERT_NE(job, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_NEXT)));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(job));
    EXPECT_TRUE(Exists(bmp));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_PRINT)));
    HWND sb = GetDlgItem(dlg, IDC_VSCROLL);
    if (IsWindowEnabled(GetDlgItem(dlg, IDC_NEXT))) {
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
        EXPECT_GT(GetScrollPos(sb, SB_CTL), 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_BACK, BN_CLICKED), 0);
        EXPECT_EQ(GetScrollPos(sb, SB_CTL), 0);
    }
    if (const char* shot = getenv("K20_SCREENSHOT_PAUSE_MS")) Sleep(DWORD(atoi(shot)));
    PostMessageW(dlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_FALSE(Exists(bmp));
    EXPECT_TRUE(Exists(root + L"\\20240105\\receipt_0001.prn"));
}

}  // namespace
