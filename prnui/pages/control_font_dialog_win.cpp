// The control-font table and translator dialogs: controls <-> ControlFontTableModel.
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/core/plugin_object_win.h"
#include "prnui/pages/control_font_dialog.h"
#include "prnui/pages/control_font_dialog_win.h"
#include "prnui/pages/dialog_guard_win.h"
#include "prnui/pages/operation_hex_edit_win.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/utility_ids.h"

namespace k20::prnui {

namespace {

void ShowFixedError(HWND owner, std::u16string_view text) {
    const std::wstring t = Wide(text);
    const std::wstring caption = Wide(Text(sec::MessageBox, "MB_ERROR"));
    MessageBoxW(owner, t.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

// ---- translator ----

INT_PTR CALLBACK TranslatorProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* model = reinterpret_cast<ControlFontTranslatorModel*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG: {
            model = reinterpret_cast<ControlFontTranslatorModel*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetDlgItemTextW(dlg, IDC_CFX_CHAR, Wide(model->CharText()).c_str());
            SetDlgItemTextW(dlg, IDC_CFX_HEX, Wide(model->HexText()).c_str());
            SetDlgItemTextW(dlg, IDC_CFX_COMMAND, Wide(model->InitialCommand()).c_str());
            SubclassHexEdit(GetDlgItem(dlg, IDC_CFX_COMMAND));
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK && model) {
                if (model->Accept(WindowText16(GetDlgItem(dlg, IDC_CFX_COMMAND))))
                    EndDialog(dlg, IDOK);
                else
                    ShowPageMessage(dlg, ErrorMessage(kMsgTranslatorCommandLength));
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

// ---- table ----

struct TableRun {
    ControlFontTableModel model;
    std::string path;
    platform::win32::Win32FileSystem files;
    Win32ProfileWriter writer;
};

void SetCell(HWND list, int row, int column, const std::u16string& text) {
    std::wstring w = Wide(text);
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = w.data();
    SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&it));
}

void FillList(HWND list, const ControlFontTable& table) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const wchar_t* names[] = {L"Char", L"Hex", L"Command"};
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = kControlFontColumnWidths[c];
        col.pszText = const_cast<wchar_t*>(names[c]);
        col.iSubItem = c;
        SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
    for (size_t i = 0; i < table.size(); ++i) {
        std::wstring ch = Wide(table[i].CharText());
        LVITEMW it{};
        it.mask = LVIF_TEXT;
        it.iItem = int(i);
        it.pszText = ch.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
        SetCell(list, int(i), 1, table[i].HexText());
        SetCell(list, int(i), 2, table[i].command);
    }
}

void ShowChangedRow(HWND dlg, TableRun& run) {
    HWND list = GetDlgItem(dlg, IDC_CFT_LIST);
    const int row = run.model.Selected();
    if (row < 0) return;
    SetCell(list, row, 2, run.model.Table()[size_t(row)].command);
    SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(run.model.ScrollTarget()), FALSE);
    SetFocus(list);
}

void EditRow(HWND dlg, TableRun& run) {
    ControlFontTranslatorModel translator;
    switch (run.model.BeginEdit(translator)) {
        case ControlFontTableModel::EditStart::NoSelection:
            return;
        case ControlFontTableModel::EditStart::TooLong:
            ShowFixedError(dlg, kMsgTableCommandLength);
            return;
        case ControlFontTableModel::EditStart::Open:
            break;
    }
    if (DialogBoxParamW(g_module, MAKEINTRESOURCEW(IDD_CONTROLFONT_TRANSLATOR), dlg,
                        GuardedDialogProc<TranslatorProc>, reinterpret_cast<LPARAM>(&translator)) != IDOK)
        return;
    run.model.FinishEdit(translator);
    ShowChangedRow(dlg, run);
}

INT_PTR CALLBACK TableProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* run = reinterpret_cast<TableRun*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            run = reinterpret_cast<TableRun*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetDlgItemTextW(dlg, IDC_CFT_DRIVER, Wide(kControlFontDriverName).c_str());
            FillList(GetDlgItem(dlg, IDC_CFT_LIST), run->model.Table());
            return TRUE;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (!run || hdr->idFrom != IDC_CFT_LIST) break;
            if (hdr->code == LVN_ITEMCHANGED) {
                const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lp);
                if ((nm->uChanged & LVIF_STATE) && (nm->uNewState & LVIS_SELECTED))
                    run->model.Select(nm->iItem);
                else if ((nm->uChanged & LVIF_STATE) && (nm->uOldState & LVIS_SELECTED) &&
                         SendMessageW(hdr->hwndFrom, LVM_GETSELECTEDCOUNT, 0, 0) == 0)
                    run->model.Select(-1);
            } else if (hdr->code == NM_DBLCLK) {
                EditRow(dlg, *run);
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (!run) break;
            switch (LOWORD(wp)) {
                case IDC_CFT_EDIT:
                    EditRow(dlg, *run);
                    return TRUE;
                case IDC_CFT_DELETE:
                    run->model.ClearSelected();
                    ShowChangedRow(dlg, *run);
                    return TRUE;
                case IDOK:
                    if (run->model.Save(run->files, run->writer, run->path))
                        EndDialog(dlg, IDOK);
                    else
                        ShowFixedError(dlg, kMsgTableSaveFailed);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dlg, IDCANCEL);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

INT_PTR RunControlFontTableDialog(HWND owner, const std::string& path) {
    platform::win32::Win32FileSystem files;
    ControlFontTable table;
    // An unreadable file shows as an empty table, as a missing one does.
    LoadControlFontTable(files, path, GetACP(), table);
    TableRun run{ControlFontTableModel(std::move(table)), path, {}, {}};
    return DialogBoxParamW(g_module, MAKEINTRESOURCEW(IDD_CONTROLFONT_TABLE), owner,
                           GuardedDialogProc<TableProc>, reinterpret_cast<LPARAM>(&run));
}

}  // namespace k20::prnui
