#pragma once
// What the tests that drive our programs' windows under Wine share: starting a program,
// finding its windows, and ending it when a failed assertion leaves it running (its
// single-instance mutex would otherwise refuse the next run).
#include <windows.h>

#include <string>

#include "platform/win32/wide_string_win.h"

namespace k20::test {

// Starts `exe args` in the folder cwd; hProcess is null when it could not start.
PROCESS_INFORMATION Launch(const std::string& exe, const std::string& args, const std::string& cwd);

// The top-level window with this title, waiting up to the given time for it.
HWND WaitWindow(const std::wstring& title, int seconds);

// A top-level window of the given process other than `except`, e.g. a message box or a
// modal dialog it opened; null after the given time.
HWND WaitOtherWindow(DWORD processId, HWND except, int seconds);

// Waits until the window's control is enabled; false after the given time.
bool WaitEnabled(HWND control, int seconds);

// The window's text, e.g. a message box's message (its static control).
std::wstring WindowText(HWND w);
std::wstring MessageBoxText(HWND box);

struct Running {
    PROCESS_INFORMATION pi{};
    ~Running();
    // The exit code once it ended within the time, else ~0u.
    DWORD Wait(int seconds);
};

}  // namespace k20::test
