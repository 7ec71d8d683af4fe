// The guard of the modal dialogs under Wine: a dialog procedure that throws neither ends
// the process nor unwinds through the window manager.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "prnui/pages/dialog_guard_win.h"

namespace k20::prnui {
namespace {

// An empty dialog template: no controls, no menu, the default class and no title.
std::vector<WORD> EmptyTemplate() {
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* d = reinterpret_cast<DLGTEMPLATE*>(t.data());
    d->style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    d->cx = 80;
    d->cy = 40;
    return t;
}

int g_commands = 0;

INT_PTR CALLBACK ThrowsOnInit(HWND, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) throw std::runtime_error("set-up failed");
    return FALSE;
}

INT_PTR CALLBACK ThrowsOnCommand(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) {
        PostMessageW(dlg, WM_COMMAND, 1000, 0);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    if (msg == WM_COMMAND && LOWORD(wp) == 1000) {
        ++g_commands;
        throw std::bad_alloc();
    }
    if (msg == WM_COMMAND && LOWORD(wp) == IDOK) {
        EndDialog(dlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

TEST(DialogGuard, SetUpThatThrowsClosesTheDialogAsCancelled) {
    std::vector<WORD> t = EmptyTemplate();
    const INT_PTR r =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                GuardedDialogProc<ThrowsOnInit>, 0);
    EXPECT_EQ(r, IDCANCEL);
}

TEST(DialogGuard, AThrowingMessageIsUnhandledAndTheDialogGoesOn) {
    std::vector<WORD> t = EmptyTemplate();
    g_commands = 0;
    const INT_PTR r =
        DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                GuardedDialogProc<ThrowsOnCommand>, 0);
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(g_commands, 1);
}

}  // namespace
}  // namespace k20::prnui
