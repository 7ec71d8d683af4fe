#pragma once
// Control helpers shared by the 1D Code and 2D Code pages.
#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/spooler.h"
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

inline int ComboSelection(HWND dlg, int id) {
    return int(SendDlgItemMessageW(dlg, id, CB_GETCURSEL, 0, 0));
}

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

inline void LimitText(HWND dlg, int id, int chars) {
    SendDlgItemMessageW(dlg, id, EM_LIMITTEXT, WPARAM(chars), 0);
}

inline void CheckRadio(HWND dlg, int id, bool on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// A number box edited: the model's reading of it goes back into the box (syncing keeps
// the page from taking that for another edit). True when id is one of the fields.
template <class Model, class Fields, class Changed>
bool EditNumberField(HWND dlg, Model& m, const Fields& fields, WORD id, WORD code, bool& syncing,
                     Changed changed) {
    for (const auto& f : fields) {
        if (id != f.id) continue;
        if (code != EN_CHANGE) return false;
        const std::u16string shown = m.EditNumber(f.field, WindowText16(GetDlgItem(dlg, id)));
        syncing = true;
        SetEditText(dlg, id, shown);
        syncing = false;
        changed();
        return true;
    }
    return false;
}

// The sample box and its Print button: typing enables Print; Print sends the sample to
// the sheet's printer, or shows why the data cannot be printed. True when handled.
template <class Model>
bool SampleCommand(HWND dlg, Model& m, WORD id, WORD code, int dataId, int printId,
                   platform::Spooler& spooler, HANDLE printer) {
    if (id == dataId) {
        if (code != EN_CHANGE) return false;
        m.SetData(WindowText16(GetDlgItem(dlg, id)));
        Enable(dlg, printId, m.printEnabled());
        return true;
    }
    if (id != printId || code != BN_CLICKED) return false;
    m.SetData(WindowText16(GetDlgItem(dlg, dataId)));
    const auto out = m.Print(spooler, reinterpret_cast<platform::PrinterHandle>(printer), GetACP());
    if (out.message) ShowPageMessage(dlg, *out.message);
    return true;
}

}  // namespace k20::prnui::barcodepage
