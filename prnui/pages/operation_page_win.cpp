// The Operation page and the document-operation dialog: controls <-> OperationDialogModel.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "common/hex_command.h"
#include "platform/win32/dialog_controls_win.h"
#include "prnui/core/language.h"
#include "prnui/pages/dialog_guard_win.h"
#include "prnui/pages/operation_hex_edit_win.h"
#include "prnui/pages/operation_ids.h"
#include "prnui/pages/operation_model.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {

namespace {

LRESULT CALLBACK HexEditProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS;
        case WM_CHAR:
            switch (FilterHexKey(char32_t(wp), GetKeyState(VK_CONTROL) < 0)) {
                case HexKeyAction::Pass:
                    break;
                case HexKeyAction::Drop:
                    return 0;
                case HexKeyAction::NextControl:
                    SetFocus(GetNextDlgTabItem(GetParent(w), w, GetKeyState(VK_SHIFT) < 0));
                    return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(w, GuardedSubclassProc<HexEditProc>, id);
            break;
    }
    return DefSubclassProc(w, msg, wp, lp);
}

void FillCombo(HWND dlg, int id, std::span<const std::string_view> keys) {
    HWND c = GetDlgItem(dlg, id);
    SendMessageW(c, CB_RESETCONTENT, 0, 0);
    for (auto k : keys) {
        const std::wstring t = Wide(Text(sec::Document, k));
        SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
}

// A list with nothing selected reads as its first entry.
int ComboIndex(HWND dlg, int id) {
    return std::max(ComboSelection(dlg, id), 0);
}

// The dialog's state while it is open; one dialog runs at a time (it is modal).
struct DialogRun {
    OperationDialogModel* model;
    OperationValues* working;
    HelpTips tips;
};

void ShowState(HWND dlg, const OperationDialogModel& m) {
    CheckDlgButton(dlg, IDC_OPD_SEND, m.sendCommand ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextW(dlg, IDC_OPD_COMMAND, Wide(m.commandText).c_str());
    CheckDlgButton(dlg, IDC_OPD_FEEDTOCUT, m.feedToCut ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(dlg, IDC_OPD_DRAWER, CB_SETCURSEL, WPARAM(m.drawer), 0);
    SendDlgItemMessageW(dlg, IDC_OPD_HERALD, CB_SETCURSEL, WPARAM(m.herald), 0);
    SendDlgItemMessageW(dlg, IDC_OPD_CUT, CB_SETCURSEL, WPARAM(m.cut), 0);
    SendDlgItemMessageW(dlg, IDC_OPD_BUZZER, CB_SETCURSEL, WPARAM(m.buzzer), 0);
    SendDlgItemMessageW(dlg, IDC_OPD_LOGO, CB_SETCURSEL, WPARAM(m.logo), 0);
    SendDlgItemMessageW(dlg, IDC_OPD_FEED_SPIN, UDM_SETPOS32, 0, std::min(m.feedTyped, kMaxFeedMm));
    SendDlgItemMessageW(dlg, IDC_OPD_VOLUME_SPIN, UDM_SETPOS32, 0, std::min(m.volumeTyped, kMaxBuzzerVolume));
    CheckRadioButton(dlg, IDC_OPD_DRAWER_RADIO, IDC_OPD_HERALD_RADIO,
                     m.heraldChosen ? IDC_OPD_HERALD_RADIO : IDC_OPD_DRAWER_RADIO);
    CheckRadioButton(dlg, IDC_OPD_LEFT, IDC_OPD_RIGHT,
                     m.logoAlign == 0   ? IDC_OPD_LEFT
                     : m.logoAlign == 1 ? IDC_OPD_CENTERED
                                        : IDC_OPD_RIGHT);
    CheckRadioButton(dlg, IDC_OPD_BEFORE, IDC_OPD_AFTER,
                     m.logoPosition == 0 ? IDC_OPD_BEFORE : IDC_OPD_AFTER);
}

void ApplyEnables(HWND dlg, const OperationDialogModel& m) {
    EnableWindow(GetDlgItem(dlg, IDC_OPD_COMMAND), m.CommandFieldEnabled());
    EnableWindow(GetDlgItem(dlg, IDC_OPD_DRAWER), m.DrawerListEnabled());
    EnableWindow(GetDlgItem(dlg, IDC_OPD_HERALD), m.HeraldListEnabled());
    for (int id : {IDC_OPD_LEFT, IDC_OPD_CENTERED, IDC_OPD_RIGHT, IDC_OPD_BEFORE, IDC_OPD_AFTER})
        EnableWindow(GetDlgItem(dlg, id), m.LogoPlacementEnabled());
    for (int id : {IDC_OPD_VOLUME, IDC_OPD_VOLUME_SPIN, IDC_OPD_VOLUME_RANGE})
        EnableWindow(GetDlgItem(dlg, id), OperationDialogModel::VolumeEnabled());
    InvalidateRect(GetDlgItem(dlg, IDC_OPD_PREVIEW), nullptr, TRUE);
}

// Reads every control into the model (the dialog only copies; the model decides).
void ReadControls(HWND dlg, OperationDialogModel& m) {
    m.sendCommand = IsDlgButtonChecked(dlg, IDC_OPD_SEND) == BST_CHECKED;
    m.commandText = WindowText16(GetDlgItem(dlg, IDC_OPD_COMMAND));
    m.feedToCut = IsDlgButtonChecked(dlg, IDC_OPD_FEEDTOCUT) == BST_CHECKED;
    m.drawer = ComboIndex(dlg, IDC_OPD_DRAWER);
    m.herald = ComboIndex(dlg, IDC_OPD_HERALD);
    m.cut = ComboIndex(dlg, IDC_OPD_CUT);
    m.buzzer = ComboIndex(dlg, IDC_OPD_BUZZER);
    m.logo = ComboIndex(dlg, IDC_OPD_LOGO);
    m.TypeFeed(WindowText16(GetDlgItem(dlg, IDC_OPD_FEED)));
    m.TypeVolume(WindowText16(GetDlgItem(dlg, IDC_OPD_VOLUME)));
    m.heraldChosen = IsDlgButtonChecked(dlg, IDC_OPD_HERALD_RADIO) == BST_CHECKED;
    m.logoAlign = IsDlgButtonChecked(dlg, IDC_OPD_LEFT)       ? 0
                  : IsDlgButtonChecked(dlg, IDC_OPD_CENTERED) ? 1
                                                              : 2;
    m.logoPosition = IsDlgButtonChecked(dlg, IDC_OPD_BEFORE) ? 0 : 1;
}

// The preview: a strip of receipt paper, a blank feed when feed-to-cut is on, a dashed
// cut line when a cut is chosen. The operation decides where on the strip it happens.
void DrawPreview(const DRAWITEMSTRUCT* di, const OperationDialogModel& m) {
    HDC dc = di->hDC;
    RECT r = di->rcItem;
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    const int pic = m.PreviewIndex();
    const bool atStart =
        (pic / 4) == int(OperationIndex::StartDoc) || (pic / 4) == int(OperationIndex::StartPage);
    const bool feed = pic & 2, cut = pic & 1;
    const int w = r.right - r.left, h = r.bottom - r.top;
    RECT paper{r.left + w / 5, r.top + h / 12, r.right - w / 5, r.bottom - h / 12};
    FillRect(dc, &paper, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FrameRect(dc, &paper, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const int ph = paper.bottom - paper.top;
    // Printed lines of the document, leaving room for the feed at the boundary.
    const int feedH = feed ? ph / 5 : 0;
    const int textTop = atStart ? paper.top + ph / 3 + feedH / 2 : paper.top + ph / 12;
    const int textBottom = atStart ? paper.bottom - ph / 12 : paper.top + 2 * ph / 3 - feedH;
    HPEN text = CreatePen(PS_SOLID, 2, RGB(60, 60, 60));
    HGDIOBJ old = SelectObject(dc, text);
    for (int y = textTop; y < textBottom; y += 8) {
        MoveToEx(dc, paper.left + 6, y, nullptr);
        LineTo(dc, paper.right - 6 - (y % 3) * 6, y);
    }
    SelectObject(dc, old);
    DeleteObject(text);
    if (feed) {
        const int fy0 = atStart ? paper.top + ph / 3 - feedH / 2 : textBottom + 4, fy1 = fy0 + feedH;
        RECT f{paper.left + 2, fy0, paper.right - 2, fy1};
        HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(160, 200, 255));
        FillRect(dc, &f, hatch);
        DeleteObject(hatch);
    }
    if (cut) {
        const int cy = atStart ? paper.top + ph / 3 - feedH / 2 - 4 : textBottom + feedH + 8;
        HPEN dash = CreatePen(PS_DASH, 1, RGB(200, 0, 0));
        old = SelectObject(dc, dash);
        MoveToEx(dc, r.left + 2, cy, nullptr);
        LineTo(dc, r.right - 2, cy);
        SelectObject(dc, old);
        DeleteObject(dash);
    }
}

void LoadDialogTexts(HWND dlg, const OperationDialogModel& m) {
    const auto set = [&](int id, std::string_view key) {
        SetDlgItemTextW(dlg, id, Wide(Text(sec::Document, key)).c_str());
    };
    SetWindowTextW(dlg, Wide(Text(sec::Document, m.TitleKey())).c_str());
    set(IDC_OPD_SEND, "RC_SEND_COMMAND");
    set(IDC_OPD_DRAWER_RADIO, "RC_OPEN_DRAWER");
    set(IDC_OPD_HERALD_RADIO, "RC_ORDER_MESSENGER");
    set(IDC_OPD_BUZZER_LABEL, "RC_STATIC_OPERATION_BUZZER");
    set(IDC_OPD_VOLUME_LABEL, "RC_STATIC_BUZZER_VOLUME");
    set(IDC_OPD_FEED_LABEL, "RC_STATIC_OPERATION_FEED");
    set(IDC_OPD_FEEDTOCUT, "RC_FEEDTOPOSITION");
    set(IDC_OPD_CUT_LABEL, "RC_PAPERCUT");
    set(IDC_OPD_LOGO_LABEL, "RC_STATIC_OPERATION_LOGO");
    set(IDC_OPD_ALIGN_LABEL, "RC_STATIC_OPERATION_ALIGN");
    set(IDC_OPD_LEFT, "RC_LEFT");
    set(IDC_OPD_CENTERED, "RC_CENTERED");
    set(IDC_OPD_RIGHT, "RC_RIGHT");
    set(IDC_OPD_POSITION_LABEL, "RC_STATIC_OPERATION_POSITION");
    set(IDC_OPD_BEFORE, "RC_BEFORE_CUT");
    set(IDC_OPD_AFTER, "RC_AFTER_CUT");
    set(IDC_OPD_DEFAULT, "RC_OPERATION_DEFAULT");
    set(IDOK, "RC_OPERATION_OK");
    set(IDCANCEL, "RC_OPERATION_CANCEL");
}

void InitDialog(HWND dlg, DialogRun& run) {
    OperationDialogModel& m = *run.model;
    LoadDialogTexts(dlg, m);
    SubclassHexEdit(GetDlgItem(dlg, IDC_OPD_COMMAND));
    FillCombo(dlg, IDC_OPD_DRAWER, DrawerKeys());
    FillCombo(dlg, IDC_OPD_BUZZER, BuzzerKeys());
    FillCombo(dlg, IDC_OPD_CUT, CutKeys());
    FillCombo(dlg, IDC_OPD_LOGO, LogoKeys());
    // The herald list is shown sorted by its texts in the user's collation.
    const auto herald = HeraldEntries(
        [](std::string_view k) { return Text(sec::Document, k); },
        [](const std::u16string& a, const std::u16string& b) {
            return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE,
                                  reinterpret_cast<const wchar_t*>(a.c_str()), -1,
                                  reinterpret_cast<const wchar_t*>(b.c_str()), -1) == CSTR_LESS_THAN;
        });
    HWND hc = GetDlgItem(dlg, IDC_OPD_HERALD);
    for (const auto& e : herald)
        SendMessageW(hc, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(e.text).c_str()));
    LimitText(dlg, IDC_OPD_FEED, 3);
    LimitText(dlg, IDC_OPD_VOLUME, 3);
    SendDlgItemMessageW(dlg, IDC_OPD_FEED_SPIN, UDM_SETRANGE32, 0, kMaxFeedMm);
    SendDlgItemMessageW(dlg, IDC_OPD_VOLUME_SPIN, UDM_SETRANGE32, 0, kMaxBuzzerVolume);
    ShowState(dlg, m);
    ApplyEnables(dlg, m);

    run.tips.Attach(dlg);
    const std::pair<int, std::string_view> helps[] = {
        {IDC_OPD_SEND, "CTEXT_SEND_COMMAND"},
        {IDC_OPD_COMMAND, "CTEXT_EDIT"},
        {IDC_OPD_DRAWER_RADIO, "CTEXT_OPEN_DRAWER"},
        {IDC_OPD_DRAWER, "CTEXT_OPENDRAWER"},
        {IDC_OPD_HERALD_RADIO, "CTEXT_ORDER_MESSENGER"},
        {IDC_OPD_HERALD, "CTEXT_ORDERMESSENGER"},
        {IDC_OPD_BUZZER, "CTEXT_BUZZER"},
        {IDC_OPD_VOLUME, "CTEXT_BUZZERVOLUME"},
        {IDC_OPD_FEED, "CTEXT_PAPER_FEED"},
        {IDC_OPD_FEEDTOCUT, "CTEXT_FEEDTOPOSITION"},
        {IDC_OPD_CUT, "CTEXT_PAPER_CUT"},
        {IDC_OPD_LOGO, "CTEXT_PRINT_LOGO"},
        {IDC_OPD_LEFT, "CTEXT_LEFT"},
        {IDC_OPD_CENTERED, "CTEXT_CENTERED"},
        {IDC_OPD_RIGHT, "CTEXT_RIGHT"},
        {IDC_OPD_BEFORE, "CTEXT_BEFORE_CUT"},
        {IDC_OPD_AFTER, "CTEXT_AFTER_CUT"},
        {IDC_OPD_DEFAULT, "CTEXT_IDDEFAULT"},
        {IDOK, "CTEXT_IDOK"},
        {IDCANCEL, "CTEXT_IDCANCEL"},
    };
    for (const auto& [id, key] : helps) run.tips.Add(id, sec::Document, key);
}

INT_PTR CALLBACK DialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    auto* run = reinterpret_cast<DialogRun*>(GetWindowLongPtrW(dlg, DWLP_USER));
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            InitDialog(dlg, *reinterpret_cast<DialogRun*>(lp));
            return TRUE;
        case WM_NOTIFY:
            if (run && run->tips.OnNotify(reinterpret_cast<NMHDR*>(lp))) return TRUE;
            break;
        case WM_DRAWITEM:
            if (run && wp == IDC_OPD_PREVIEW) {
                DrawPreview(reinterpret_cast<DRAWITEMSTRUCT*>(lp), *run->model);
                return TRUE;
            }
            break;
        case WM_COMMAND: {
            if (!run) break;
            OperationDialogModel& m = *run->model;
            const WORD id = LOWORD(wp), code = HIWORD(wp);
            switch (id) {
                case IDOK: {
                    ReadControls(dlg, m);
                    if (auto err = m.Ok(*run->working)) {
                        ShowPageMessage(dlg, *err);
                        return TRUE;
                    }
                    EndDialog(dlg, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dlg, IDCANCEL);
                    return TRUE;
                case IDC_OPD_DEFAULT:
                    m.Default();
                    ShowState(dlg, m);
                    ApplyEnables(dlg, m);
                    return TRUE;
                case IDC_OPD_FEED:
                case IDC_OPD_VOLUME:
                    if (code == EN_CHANGE) {
                        const bool feed = id == IDC_OPD_FEED;
                        const std::u16string t = WindowText16(GetDlgItem(dlg, id));
                        const int spin = feed ? m.TypeFeed(t) : m.TypeVolume(t);
                        SendDlgItemMessageW(dlg, feed ? IDC_OPD_FEED_SPIN : IDC_OPD_VOLUME_SPIN, UDM_SETPOS32,
                                            0, spin);
                    }
                    return TRUE;
                case IDC_OPD_SEND:
                case IDC_OPD_DRAWER_RADIO:
                case IDC_OPD_HERALD_RADIO:
                case IDC_OPD_FEEDTOCUT:
                    if (code == BN_CLICKED) {
                        ReadControls(dlg, m);
                        ApplyEnables(dlg, m);
                    }
                    return TRUE;
                case IDC_OPD_LOGO:
                case IDC_OPD_CUT:
                case IDC_OPD_BUZZER:
                    if (code == CBN_SELCHANGE) {
                        ReadControls(dlg, m);
                        ApplyEnables(dlg, m);
                    }
                    return TRUE;
            }
            break;
        }
    }
    return FALSE;
}

class OperationPage final : public PropertyPage {
  protected:
    void LoadTexts() override {
        const int buttons[] = {IDC_OP_STARTDOC, IDC_OP_STARTPAGE, IDC_OP_ENDPAGE, IDC_OP_ENDDOC};
        const int labels[] = {IDC_OP_STATIC_SDOC, IDC_OP_STATIC_SPAGE, IDC_OP_STATIC_ENDPAGE,
                              IDC_OP_STATIC_ENDDOC};
        for (int i = 0; i < kOperationCount; ++i) {
            SetItemText(buttons[i], sec::Operation, OperationButtonKey(OperationIndex(i)));
            SetItemText(labels[i], sec::Operation, OperationDescriptionKey(OperationIndex(i)));
        }
    }
    bool OnCommand(WORD id, WORD code, HWND) override {
        if (code != BN_CLICKED || id < IDC_OP_STARTDOC || id > IDC_OP_ENDDOC) return false;
        auto* record = static_cast<PrivateSettings*>(privateRecord());
        if (!record) return true;
        OperationPageModel page(*record);
        const bool changed = page.Edit(OperationIndex(id - IDC_OP_STARTDOC),
                                       [this](OperationDialogModel& m, OperationValues& working) {
                                           DialogRun run{&m, &working, {}};
                                           return RunOperationDialog(hwnd(), run) == IDOK;
                                       });
        if (changed) MarkChanged();
        return true;
    }

  private:
    static INT_PTR RunOperationDialog(HWND owner, DialogRun& run) {
        return DialogBoxParamW(g_module, MAKEINTRESOURCEW(IDD_OPERATION_DIALOG), owner,
                               GuardedDialogProc<DialogProc>, reinterpret_cast<LPARAM>(&run));
    }
};

}  // namespace

void SubclassHexEdit(HWND edit) {
    SetWindowSubclass(edit, GuardedSubclassProc<HexEditProc>, 1, 0);
}

K20_REGISTER_PAGE(PageKind::Operation, IDD_OPERATION, OperationPage);

}  // namespace k20::prnui
