#include "tests/support/program_win.h"

#include "common/text.h"

namespace k20::test {

PROCESS_INFORMATION Launch(const std::string& exe, const std::string& args, const std::string& cwd) {
    std::wstring cmd = L"\"" + Wide(exe) + L"\" " + Wide(args);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Wide(cwd).c_str(), &si,
                        &pi))
        pi.hProcess = nullptr;
    return pi;
}

HWND WaitWindow(const std::wstring& title, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (HWND w = FindWindowW(nullptr, title.c_str())) return w;
        Sleep(100);
    }
    return nullptr;
}

namespace {
struct OtherSearch {
    DWORD pid;
    HWND except;
    HWND found;
};
BOOL CALLBACK FindOther(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<OtherSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || w == s->except || !IsWindowVisible(w)) return TRUE;
    s->found = w;
    return FALSE;
}
}  // namespace

HWND WaitOtherWindow(DWORD processId, HWND except, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        OtherSearch s{processId, except, nullptr};
        EnumWindows(FindOther, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(100);
    }
    return nullptr;
}

bool WaitEnabled(HWND control, int seconds) {
    for (int i = 0; i < seconds * 10; ++i) {
        if (IsWindowEnabled(control)) return true;
        Sleep(100);
    }
    return IsWindowEnabled(control) != FALSE;
}

std::wstring WindowText(HWND w) {
    // GetWindowText gives only the caption of another process's control; ask the control.
    wchar_t buf[8192] = {};
    DWORD_PTR got = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 8191, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, &got);
    return buf;
}

std::wstring MessageBoxText(HWND box) {
    // The message is the box's static control (id 0xFFFF); the icon is a static too.
    std::wstring text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32] = {};
        GetClassNameW(c, cls, 32);
        if (lstrcmpiW(cls, L"Static") == 0) {
            std::wstring t = WindowText(c);
            if (t.size() > text.size()) text = t;
        }
    }
    return text;
}

Running::~Running() {
    if (!pi.hProcess) return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 9);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

DWORD Running::Wait(int seconds) {
    if (!pi.hProcess || WaitForSingleObject(pi.hProcess, DWORD(seconds) * 1000) != WAIT_OBJECT_0) return ~0u;
    DWORD code = ~0u;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

}  // namespace k20::test
