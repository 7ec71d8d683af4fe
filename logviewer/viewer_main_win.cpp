// logviewer.exe: the window over LogViewerModel. The dialog procedure only moves
// values between the controls and the model and shows the messages it asks for.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "common/text.h"
#include "logviewer/resource_win.h"
#include "logviewer/viewer_model.h"
#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/wide_string_win.h"
#include "platform/win32/win32_platform.h"

using namespace k20;
using namespace k20::logviewer;

namespace {

// The page image as a DIB section; replaced only when the new one loads.
class GdiImage : public PageImageHost {
  public:
    ~GdiImage() override { Release(); }
    bool Load(const std::string& path, uint32_t& height) override {
        HBITMAP b = static_cast<HBITMAP>(LoadImageW(nullptr, Wide(path).c_str(), IMAGE_BITMAP, 0, 0,
                                                    LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (!b) return false;
        BITMAP bm{};
        if (!GetObjectW(b, sizeof bm, &bm) || bm.bmHeight <= 0) {
            DeleteObject(b);
            return false;
        }
        Release();
        bitmap = b;
        height = uint32_t(bm.bmHeight);
        return true;
    }
    void Release() override {
        if (bitmap) DeleteObject(bitmap);
        bitmap = nullptr;
    }
    HBITMAP bitmap = nullptr;
};

struct App {
    platform::win32::Win32Machine machine;
    platform::Platform plat = machine.platform();
    GdiImage image;
    LogViewerModel model{plat, image};
    HWND dlg = nullptr;
};
App* g_app = nullptr;

void Show(HWND dlg, const std::string& message) {
    if (!message.empty()) MessageBoxW(dlg, Wide(message).c_str(), L"logviewer", MB_OK | MB_ICONWARNING);
}

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const std::string& text) {
    std::wstring t = Wide(text);
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = t.data();
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&is)));
}

void AddRootToTree(HWND dlg, const LogRoot& r) {
    HWND tree = GetDlgItem(dlg, IDC_TREE);
    HTREEITEM root = InsertItem(tree, TVI_ROOT, r.path);
    for (auto& d : r.days) {
        HTREEITEM day = InsertItem(tree, root, d.name);
        for (auto& j : d.jobs) InsertItem(tree, day, j);
    }
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
}

std::string ItemText(HWND tree, HTREEITEM item, size_t chars) {
    if (!item) return {};
    std::wstring buf(chars + 1, L'\0');
    TVITEMW it{};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buf.data();
    it.cchTextMax = int(buf.size());
    if (!SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return {};
    return Narrow(buf.c_str());
}

void Refresh(HWND dlg) {
    const LogViewerModel& m = g_app->model;
    const ButtonState& b = m.buttons();
    EnableWindow(GetDlgItem(dlg, IDC_TOP), b.top);
    EnableWindow(GetDlgItem(dlg, IDC_BACK), b.back);
    EnableWindow(GetDlgItem(dlg, IDC_NEXT), b.next);
    EnableWindow(GetDlgItem(dlg, IDC_BOTTOM), b.bottom);
    EnableWindow(GetDlgItem(dlg, IDC_PRINT), b.print);
    HWND sb = GetDlgItem(dlg, IDC_VSCROLL);
    SetScrollRange(sb, SB_CTL, 0, m.scrollLimit(), FALSE);
    SetScrollPos(sb, SB_CTL, m.scrollPos(), TRUE);
    InvalidateRect(GetDlgItem(dlg, IDC_PICTURE), nullptr, TRUE);
}

void DrawPicture(const DRAWITEMSTRUCT* di) {
    FillRect(di->hDC, &di->rcItem, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const LogViewerModel& m = g_app->model;
    if (!m.imageLoaded() || !g_app->image.bitmap) return;
    DrawPlan p = m.Plan();
    HDC mem = CreateCompatibleDC(di->hDC);
    HGDIOBJ old = SelectObject(mem, g_app->image.bitmap);
    SetStretchBltMode(di->hDC, HALFTONE);
    SetBrushOrgEx(di->hDC, 0, 0, nullptr);
    StretchBlt(di->hDC, 0, 0, p.dstWidth, p.dstHeight, mem, 0, p.srcY, p.srcWidth, p.srcHeight, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
}

void AddNewLog(HWND dlg) {
    std::wstring title = Wide(g_app->model.texts().selectFile);
    BROWSEINFOW bi{};
    bi.hwndOwner = dlg;
    bi.lpszTitle = title.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
    if (!pidl) return;
    wchar_t path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListW(pidl, path);
    CoTaskMemFree(pidl);
    if (!ok) return;
    std::string msg = g_app->model.AddLogFolder(Narrow(path));
    AddRootToTree(dlg, g_app->model.roots().back());
    Show(dlg, msg);
}

void InitDialog(HWND dlg) {
    g_app->dlg = dlg;
    LogViewerModel& m = g_app->model;
    RECT rc;
    GetClientRect(GetDlgItem(dlg, IDC_PICTURE), &rc);
    m.SetPictureSize(rc.right - rc.left, rc.bottom - rc.top);
    ViewerArgs args = ParseViewerCommandLine(SkipProgramName(Narrow(GetCommandLineW())));
    std::string msg = m.Start(args);
    const ViewerTexts& t = m.texts();
    SetText(dlg, IDC_TOP, t.top);
    SetText(dlg, IDC_BACK, t.back);
    SetText(dlg, IDC_NEXT, t.next);
    SetText(dlg, IDC_BOTTOM, t.bottom);
    SetText(dlg, IDC_GROUP_PRINT, t.print);
    SetText(dlg, IDC_PRINT, t.print);
    SetText(dlg, IDC_LABEL_PRINTER, t.printer);
    SetText(dlg, IDC_EXIT, t.exit);
    SetText(dlg, IDC_RADIO_TODAY, t.printThisLog);
    SetText(dlg, IDC_RADIO_TOTAL, t.printDayLog);
    CheckRadioButton(dlg, IDC_RADIO_TODAY, IDC_RADIO_TOTAL, IDC_RADIO_TODAY);
    for (auto& r : m.roots()) AddRootToTree(dlg, r);
    HWND combo = GetDlgItem(dlg, IDC_PRINTERS);
    for (auto& p : m.printers())
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(p).c_str()));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    if (HMENU sys = GetSystemMenu(dlg, FALSE)) {
        AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(sys, MF_STRING, IDM_ABOUT, L"About logviewer...");
    }
    Refresh(dlg);
    Show(dlg, msg);
}

void SelectionChanged(HWND dlg, HTREEITEM item) {
    HWND tree = GetDlgItem(dlg, IDC_TREE);
    HTREEITEM parent = TreeView_GetParent(tree, item);
    HTREEITEM root = parent ? TreeView_GetParent(tree, parent) : nullptr;
    // The item text buffer holds 29 characters; the folders' texts are whole paths.
    std::string msg = g_app->model.SelectItem(ItemText(tree, item, kItemTextChars),
                                              ItemText(tree, parent, 32767), ItemText(tree, root, 32767));
    Refresh(dlg);
    Show(dlg, msg);
}

void Close(HWND dlg) {
    g_app->model.Close();
    EndDialog(dlg, 0);
}

INT_PTR CALLBACK DlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    LogViewerModel& m = g_app->model;
    switch (msg) {
        case WM_INITDIALOG:
            InitDialog(dlg);
            return TRUE;
        case WM_DRAWITEM:
            if (wp == IDC_PICTURE) {
                DrawPicture(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
                return TRUE;
            }
            break;
        case WM_NOTIFY: {
            auto* nm = reinterpret_cast<NMHDR*>(lp);
            if (nm->idFrom != IDC_TREE) break;
            if (nm->code == TVN_SELCHANGEDW) {
                SelectionChanged(dlg, reinterpret_cast<NMTREEVIEWW*>(lp)->itemNew.hItem);
            } else if (nm->code == NM_RCLICK) {
                HMENU menu = CreatePopupMenu();
                AppendMenuW(menu, MF_STRING, IDM_ADDNEWLOG, Wide(m.texts().addNewLog).c_str());
                POINT pt;
                GetCursorPos(&pt);
                int cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, dlg, nullptr);
                DestroyMenu(menu);
                if (cmd == IDM_ADDNEWLOG) AddNewLog(dlg);
            }
            return TRUE;
        }
        case WM_VSCROLL: {
            if (reinterpret_cast<HWND>(lp) != GetDlgItem(dlg, IDC_VSCROLL)) break;
            using S = LogViewerModel::Scroll;
            switch (LOWORD(wp)) {
                case SB_LINEUP:
                    m.OnScroll(S::LineUp);
                    break;
                case SB_PAGEUP:
                    m.OnScroll(S::PageUp);
                    break;
                case SB_LINEDOWN:
                    m.OnScroll(S::LineDown);
                    break;
                case SB_PAGEDOWN:
                    m.OnScroll(S::PageDown);
                    break;
                case SB_THUMBTRACK:
                case SB_THUMBPOSITION:
                    m.OnScroll(S::Thumb, short(HIWORD(wp)));
                    break;
                case SB_TOP:
                    m.OnScroll(S::Top);
                    break;
                case SB_BOTTOM:
                    m.OnScroll(S::Bottom);
                    break;
                default:
                    return TRUE;
            }
            Refresh(dlg);
            return TRUE;
        }
        case WM_SYSCOMMAND:
            if ((wp & 0xFFF0) == IDM_ABOUT) {
                MessageBoxW(dlg, L"logviewer 1.0\nK-20 driver log viewer", L"About logviewer",
                            MB_OK | MB_ICONINFORMATION);
                return TRUE;
            }
            break;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_TOP:
                    m.OnTop();
                    Refresh(dlg);
                    return TRUE;
                case IDC_BACK:
                    m.OnBack();
                    Refresh(dlg);
                    return TRUE;
                case IDC_NEXT:
                    m.OnNext();
                    Refresh(dlg);
                    return TRUE;
                case IDC_BOTTOM:
                    m.OnBottom();
                    Refresh(dlg);
                    return TRUE;
                case IDC_PRINT: {
                    m.printChoice = IsDlgButtonChecked(dlg, IDC_RADIO_TOTAL) == BST_CHECKED
                                        ? PrintChoice::DayLog
                                        : PrintChoice::ThisLog;
                    wchar_t name[kPrinterNameChars + 1] = {};
                    GetDlgItemTextW(dlg, IDC_PRINTERS, name, int(kPrinterNameChars + 1));
                    Show(dlg, m.Print(Narrow(name)));
                    return TRUE;
                }
                case IDC_EXIT:
                case IDCANCEL:
                    Close(dlg);
                    return TRUE;
            }
            break;
        case WM_CLOSE:
            Close(dlg);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the folder chooser needs it
    App app;
    g_app = &app;
    INT_PTR r = DialogBoxParamW(inst, MAKEINTRESOURCEW(IDD_LOGVIEWER), nullptr, DlgProc, 0);
    g_app = nullptr;
    CoUninitialize();
    return r < 0 ? 1 : 0;
}
