#pragma once
// Reading and setting dialog controls by id: edit texts, combo boxes, sliders, buttons.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/win32/wide_string_win.h"

namespace k20 {

inline std::u16string WindowText16(HWND w) {
    const int n = GetWindowTextLengthW(w);
    std::wstring s(size_t(n) + 1, L'\0');
    GetWindowTextW(w, s.data(), n + 1);
    s.resize(wcslen(s.c_str()));
    return FromWide(s);
}

inline void SetText(HWND dlg, int id, std::string_view utf8) {
    SetDlgItemTextW(dlg, id, Wide(utf8).c_str());
}

inline void SetEditText(HWND dlg, int id, const std::u16string& text) {
    HWND c = GetDlgItem(dlg, id);
    if (!c || WindowText16(c) == text) return;
    SetWindowTextW(c, Wide(text).c_str());
    // A value put back while the user types leaves the caret at its end.
    SendMessageW(c, EM_SETSEL, WPARAM(text.size()), LPARAM(text.size()));
}

inline void LimitText(HWND dlg, int id, int chars) {
    SendDlgItemMessageW(dlg, id, EM_LIMITTEXT, WPARAM(chars), 0);
}

// -1 (CB_ERR) when nothing is selected.
inline int ComboSelection(HWND dlg, int id) {
    return int(SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0));
}

inline void SelectCombo(HWND dlg, int id, int pos) {
    if (ComboSelection(dlg, id) != pos) SendDlgItemMessageW(dlg, id, CB_SETCURSEL, WPARAM(pos), 0);
}

inline void AddComboText(HWND combo, std::u16string_view text) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

template <class Names>
void FillFixedList(HWND dlg, int id, const Names& names) {
    HWND c = GetDlgItem(dlg, id);
    SendMessageW(c, CB_RESETCONTENT, 0, 0);
    for (const auto& n : names) AddComboText(c, std::u16string(n.begin(), n.end()));
}

inline int SliderPos(HWND dlg, int id) {
    return int(SendDlgItemMessageW(dlg, id, TBM_GETPOS, 0, 0));
}

// Moving a slider to where it is would still repaint it.
inline void SetSliderPos(HWND dlg, int id, int pos) {
    if (SliderPos(dlg, id) != pos) SendDlgItemMessageW(dlg, id, TBM_SETPOS, TRUE, pos);
}

inline void ShowControls(HWND dlg, std::initializer_list<int> ids, bool show) {
    for (int id : ids)
        if (HWND c = GetDlgItem(dlg, id)) ShowWindow(c, show ? SW_SHOWNA : SW_HIDE);
}

inline void Enable(HWND dlg, int id, bool on) {
    if (HWND c = GetDlgItem(dlg, id)) EnableWindow(c, on);
}

inline void SetChecked(HWND dlg, int id, bool on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

inline bool IsChecked(HWND dlg, int id) {
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED;
}

}  // namespace k20
