#pragma once
// What the 1D Code and 2D Code pages do alike with their controls.
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/spooler.h"
#include "platform/win32/dialog_controls_win.h"
#include "prnui/core/language.h"
#include "prnui/pages/page_message_win.h"

namespace k20::prnui::barcodepage {

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
