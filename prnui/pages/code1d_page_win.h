#pragma once
// Control helpers shared by the 1D Code and 2D Code pages.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "prnui/core/language.h"
#include "prnui/pages/page_message_win.h"

namespace k20::prnui::barcodepage {

inline void SetEditText(HWND dlg, int id, const std::u16string& text) {
    HWND c = GetDlgItem(dlg, id);
    if (!c || WindowText16(c) == text) return;
    SetWindowTextW(c, Wide(text).c_str());
    // A value put back while the user types leaves the caret at its end.
    SendMessageW(c, EM_SETSEL, WPARAM(text.size()), LPARAM(text.size()));
}

inline int ComboSelection(HWND dlg, int id) { return int(SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0)); }

inline void SelectCombo(HWND dlg, int id, int pos) {
    if (ComboSelection(dlg, id) != pos) SendDlgItemMessageW(dlg, id, CB_SETCURSEL, WPARAM(pos), 0);
}

// Refills a list with texts of the current language, keeping its selection.
template <class Keys>
void FillTextList(HWND dlg, int id, std::string_view section, const Keys& keys) {
    const int sel = ComboSelection(dlg, id);
    SendDlgItemMessageW(dlg, id, CB_RESETCONTENT, 0, 0);
    for (std::string_view k : keys) {
        const std::wstring t = Wide(Text(section, k));
        SendDlgItemMessageW(dlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
    if (sel >= 0) SendDlgItemMessageW(dlg, id, CB_SETCURSEL, WPARAM(sel), 0);
}

template <class Names>
void FillFixedList(HWND dlg, int id, const Names& names) {
    SendDlgItemMessageW(dlg, id, CB_RESETCONTENT, 0, 0);
    for (const auto& n : names) {
        const std::u16string u(n.begin(), n.end());
        SendDlgItemMessageW(dlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(u).c_str()));
    }
}

inline void ShowControls(HWND dlg, std::initializer_list<int> ids, bool show) {
    for (int id : ids)
        if (HWND c = GetDlgItem(dlg, id)) ShowWindow(c, show ? SW_SHOWNA : SW_HIDE);
}

inline void Enable(HWND dlg, int id, bool on) {
    if (HWND c = GetDlgItem(dlg, id)) EnableWindow(c, on);
}

inline void LimitText(HWND dlg, int id, int chars) { SendDlgItemMessageW(dlg, id, EM_LIMITTEXT, WPARAM(chars), 0); }

inline void CheckRadio(HWND dlg, int id, bool on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

}  // namespace k20::prnui::barcodepage
