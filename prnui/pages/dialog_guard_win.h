#pragma once
// Window and dialog procedures of the plug-in run inside the printing application: an
// exception (an allocation that failed) must not unwind through the window manager, which
// cannot pass it on and would end that application. The pages guard their procedure in
// PropertyPage::Dispatch; the modal dialogs and the control subclasses use these.
#include <windows.h>
#include <commctrl.h>

namespace k20::prnui {

using DialogProcFn = INT_PTR(CALLBACK*)(HWND, UINT, WPARAM, LPARAM);
using SubclassProcFn = LRESULT(CALLBACK*)(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

// A dialog procedure that answers "not handled" when Proc throws. A dialog whose set-up
// threw cannot be used and is closed as cancelled.
template <DialogProcFn Proc>
INT_PTR CALLBACK GuardedDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    try {
        return Proc(dlg, msg, wp, lp);
    } catch (...) {
        if (msg == WM_INITDIALOG) EndDialog(dlg, IDCANCEL);
        return FALSE;
    }
}

// A control subclass that leaves the message to the control when Proc throws.
template <SubclassProcFn Proc>
LRESULT CALLBACK GuardedSubclassProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR ref) noexcept {
    try {
        return Proc(w, msg, wp, lp, id, ref);
    } catch (...) {
        return DefSubclassProc(w, msg, wp, lp);
    }
}

}  // namespace k20::prnui
