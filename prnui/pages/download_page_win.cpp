// The Download page: controls <-> DownloadPageModel. Logos and files go to the printer as
// raw jobs on the device sheet's printer handle.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/pages/download_ids.h"
#include "prnui/pages/download_page_model.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {

namespace {

constexpr int kHalftoneRadios[] = {IDC_DL_NONE, IDC_DL_DITHERM3, IDC_DL_DITHERM4, IDC_DL_DIFFUSE};
constexpr int kTypeRadios[] = {IDC_DL_ORIGINAL, IDC_DL_MONO, IDC_DL_GRAY};
constexpr int kSliderMin = -100, kSliderMax = 100, kSliderPage = 20, kSliderLine = 1;
constexpr int kFirmwarePathChars = 1024;
constexpr DWORD kFileNameChars = 2048;

struct Column {
    const char* key;
    int width;
};
constexpr Column kColumns[] = {{"RC_LOGOID", 40}, {"RC_LOGONAME", 150}, {"RC_LOGOPATH", 300}};

// The language files write a line break as the two characters \n.
std::wstring WithLineBreaks(const std::u16string& s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        const bool lineBreak = s[i] == u'\\' && i + 1 < s.size() && s[i + 1] == u'n';
        out.push_back(lineBreak ? L'\n' : wchar_t(s[i]));
        i += lineBreak;
    }
    return out;
}

// Filter entries as the open-file dialog wants them: text NUL pattern NUL ... NUL NUL.
std::wstring FilterString(const std::vector<FileFilterEntry>& entries) {
    std::wstring f;
    for (const auto& e : entries) {
        f += Wide(e.text);
        f.push_back(L'\0');
        f += Wide(e.pattern);
        f.push_back(L'\0');
    }
    f.push_back(L'\0');
    return f;
}

class DownloadPage final : public PropertyPage {
  public:
    ~DownloadPage() override {
        if (picture_) DeleteObject(picture_);
    }

  protected:
    void OnInit() override {
        HANDLE printer = context().cuiParam ? context().cuiParam->hPrinter : nullptr;
        printer_ = reinterpret_cast<platform::PrinterHandle>(printer);
        model_ =
            std::make_unique<DownloadPageModel>(files_, platform::win32::Win32SystemInfo().TempDirectory());

        LimitText(hwnd(), IDC_DL_FW_PATH, kFirmwarePathChars);
        EnableWindow(GetDlgItem(hwnd(), IDC_DL_FW_DOWNLOAD), FALSE);

        HWND list = GetDlgItem(hwnd(), IDC_DL_LIST);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        for (int i = 0; i < 3; ++i) {
            std::wstring header = Wide(Text(sec::Download, kColumns[i].key));
            LVCOLUMNW c{};
            c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            c.cx = kColumns[i].width;
            c.pszText = header.data();
            c.iSubItem = i;
            SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(i), reinterpret_cast<LPARAM>(&c));
            headers_[i] = header;
        }

        for (int id : {IDC_DL_CONTRAST, IDC_DL_BRIGHTNESS}) {
            SendDlgItemMessageW(hwnd(), id, TBM_SETRANGEMIN, TRUE, kSliderMin);
            SendDlgItemMessageW(hwnd(), id, TBM_SETRANGEMAX, TRUE, kSliderMax);
            SendDlgItemMessageW(hwnd(), id, TBM_SETPAGESIZE, 0, kSliderPage);
            SendDlgItemMessageW(hwnd(), id, TBM_SETLINESIZE, 0, kSliderLine);
            // Moving the thumb away and back places it for the new range (some trackbars
            // keep the thumb where it was when the position itself does not change).
            SendDlgItemMessageW(hwnd(), id, TBM_SETPOS, TRUE, 1);
            SendDlgItemMessageW(hwnd(), id, TBM_SETPOS, TRUE, 0);
        }
        Show();

        AddHelp(IDC_DL_LIST, sec::Download, "CTEXT_LIST_LOGO");
        AddHelp(IDC_DL_ORIGINAL, sec::Download, "CTEXT_ORIGINAL");
        AddHelp(IDC_DL_MONO, sec::Download, "CTEXT_MONO");
        AddHelp(IDC_DL_GRAY, sec::Download, "CTEXT_GRAY");
        AddHelp(IDC_DL_NONE, sec::Download, "CTEXT_NONE");
        AddHelp(IDC_DL_DITHERM3, sec::Download, "CTEXT_DITHERM3");
        AddHelp(IDC_DL_DITHERM4, sec::Download, "CTEXT_DITHERM4");
        AddHelp(IDC_DL_DIFFUSE, sec::Download, "CTEXT_DIFFUSE");
        AddHelp(IDC_DL_CONTRAST, sec::Download, "CTEXT_SLIDER_CONTRAST");
        AddHelp(IDC_DL_BRIGHTNESS, sec::Download, "CTEXT_SLIDER_BRIGHTNESS");
        AddHelp(IDC_DL_ADD, sec::Download, "CTEXT_LOGO_ADD");
        AddHelp(IDC_DL_DELETE, sec::Download, "CTEXT_LOGO_DELETE");
        AddHelp(IDC_DL_DOWNLOADALL, sec::Download, "CTEXT_LOGO_DOWNLOAD");
        AddHelp(IDC_DL_CLEARALL, sec::Download, "CTEXT_LOGO_CLEARALLLOGOS");
        AddHelp(IDC_DL_FW_PATH, sec::Download, "CTEXT_EDIT_FIREWARE");
        AddHelp(IDC_DL_FW_BROWSE, sec::Download, "CTEXT_BROWSE_FIREWARE");
        AddHelp(IDC_DL_FW_DOWNLOAD, sec::Download, "CTEXT_DOWNLOAD_FIREWARE");
    }

    void LoadTexts() override {
        SetItemText(IDC_DL_FW_GROUP, sec::Download, "RC_STATIC_FWDOWNLOAD");
        SetItemText(IDC_DL_FW_INFO, sec::Download, "RC_STATIC_DOWN_INFO");
        SetItemText(IDC_DL_FW_BROWSE, sec::Download, "RC_BROWSE_FIREWARE");
        SetItemText(IDC_DL_FW_DOWNLOAD, sec::Download, "RC_DOWNLOAD_FIREWARE");
        SetItemText(IDC_DL_LOGO_GROUP, sec::Download, "RC_STATIC_LOGODOWNLOAD");
        SetItemText(IDC_DL_PREVIEW_GROUP, sec::Download, "RC_STATIC_PREVIEW");
        SetItemText(IDC_DL_HALFTONE_GROUP, sec::Download, "RC_STATIC_HALFTONE");
        SetItemText(IDC_DL_CONBRIGHT_GROUP, sec::Download, "RC_STATIC_CONANDBRIGHT");
        SetItemText(IDC_DL_ORIGINAL, sec::Download, "RC_ORIGINAL");
        SetItemText(IDC_DL_MONO, sec::Download, "RC_MONO");
        SetItemText(IDC_DL_GRAY, sec::Download, "RC_GRAY");
        SetItemText(IDC_DL_NONE, sec::Download, "RC_NONE");
        SetItemText(IDC_DL_DITHERM3, sec::Download, "RC_DITHERM3");
        SetItemText(IDC_DL_DITHERM4, sec::Download, "RC_DITHERM4");
        SetItemText(IDC_DL_DIFFUSE, sec::Download, "RC_DIFFUSE");
        SetItemText(IDC_DL_CONTRAST_LABEL, sec::Download, "RC_STATIC_CONTRA");
        SetItemText(IDC_DL_BRIGHT_LABEL, sec::Download, "RC_STATIC_BRIGHT");
        SetItemText(IDC_DL_ADD, sec::Download, "RC_LOGO_ADD");
        SetItemText(IDC_DL_DELETE, sec::Download, "RC_LOGO_DELETE");
        SetItemText(IDC_DL_DOWNLOADALL, sec::Download, "RC_LOGO_DOWNLOAD");
        SetItemText(IDC_DL_CLEARALL, sec::Download, "RC_LOGO_CLEARALLLOGOS");
        SetItemText(IDC_DL_NOTICE, sec::Download, "RC_STATIC_DOWNOWNLOAD_NOTICE");
        // Column headers only when they differ, so that a repaint does not repaint the header.
        HWND list = GetDlgItem(hwnd(), IDC_DL_LIST);
        for (int i = 0; i < 3; ++i) {
            std::wstring header = Wide(Text(sec::Download, kColumns[i].key));
            if (header == headers_[i]) continue;
            headers_[i] = header;
            LVCOLUMNW c{};
            c.mask = LVCF_TEXT;
            c.pszText = header.data();
            SendMessageW(list, LVM_SETCOLUMNW, WPARAM(i), reinterpret_cast<LPARAM>(&c));
        }
    }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!model_ || updating_ || code != BN_CLICKED) return false;
        switch (id) {
            case IDC_DL_ADD:
                Add();
                return true;
            case IDC_DL_DELETE:
                model_->Delete();
                FillList();
                SetFocus(GetDlgItem(hwnd(), IDC_DL_LIST));
                Show();
                return true;
            case IDC_DL_DOWNLOADALL:
                if (!model_->downloadAllEnabled()) return true;
                Tell(model_->DownloadAll(spooler_, printer_));
                Show();
                return true;
            case IDC_DL_CLEARALL:
                model_->ClearAll(spooler_, printer_);
                return true;
            case IDC_DL_ORIGINAL:
            case IDC_DL_MONO:
            case IDC_DL_GRAY:
                model_->SetPreviewType(PreviewType(id - IDC_DL_ORIGINAL));
                Show();
                return true;
            case IDC_DL_NONE:
            case IDC_DL_DITHERM3:
            case IDC_DL_DITHERM4:
            case IDC_DL_DIFFUSE:
                model_->SetHalftone(id - IDC_DL_NONE);
                Show();
                return true;
            case IDC_DL_FW_BROWSE:
                BrowseFirmware();
                return true;
            case IDC_DL_FW_DOWNLOAD:
                DownloadFirmware();
                return true;
        }
        return false;
    }

    bool OnNotify(NMHDR* hdr, LRESULT& result) override {
        if (!model_) return false;
        if (hdr->idFrom == IDC_DL_LIST && !updating_) {
            if (hdr->code == NM_CLICK) {
                model_->ClickList(FirstSelected());
                Show();
                return true;
            }
            if (hdr->code == LVN_ITEMCHANGED) {
                auto* change = reinterpret_cast<NMLISTVIEW*>(hdr);
                if (!(change->uChanged & LVIF_STATE) ||
                    !((change->uOldState ^ change->uNewState) & LVIS_SELECTED))
                    return false;
                model_->SelectionChanged(FirstSelected());
                Show();
                return true;
            }
        }
        if ((hdr->idFrom == IDC_DL_CONTRAST || hdr->idFrom == IDC_DL_BRIGHTNESS) &&
            hdr->code == NM_RELEASEDCAPTURE && !updating_) {
            const bool contrast = hdr->idFrom == IDC_DL_CONTRAST;
            const int pos = SliderPos(hwnd(), int(hdr->idFrom));
            SetItemText(contrast ? IDC_DL_CONTRAST_VALUE : IDC_DL_BRIGHT_VALUE,
                        Utf8ToUtf16(std::to_string(pos)));
            if (model_->SliderReleased(contrast, pos)) MarkChanged();
            Show();
            return true;
        }
        if (hdr->code == PSN_RESET) {
            // Cancel: the working images beside the logos go.
            model_->DeleteWorkingImages();
            result = FALSE;
            return true;
        }
        return false;
    }

    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override {
        handled = false;
        if (!model_) return 0;
        if (msg == WM_HSCROLL) {
            HWND bar = reinterpret_cast<HWND>(lp);
            const int id = GetDlgCtrlID(bar);
            if (id != IDC_DL_CONTRAST && id != IDC_DL_BRIGHTNESS) return 0;
            handled = true;
            // Every scroll code but the end of tracking, and only with a logo selected.
            if (LOWORD(wp) > TB_BOTTOM || updating_ || model_->selected() < 0) return 0;
            const int contrast = SliderPos(hwnd(), IDC_DL_CONTRAST),
                      brightness = SliderPos(hwnd(), IDC_DL_BRIGHTNESS);
            SetItemText(IDC_DL_CONTRAST_VALUE, Utf8ToUtf16(std::to_string(contrast)));
            SetItemText(IDC_DL_BRIGHT_VALUE, Utf8ToUtf16(std::to_string(brightness)));
            model_->SlidersMoved(contrast, brightness);
            Show();
            return 0;
        }
        if (msg == WM_DRAWITEM && wp == IDC_DL_PREVIEW) {
            DrawPreview(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            handled = true;
            return TRUE;
        }
        return 0;
    }

    bool OnApply() override {
        if (model_) model_->DeleteWorkingImages();
        return true;
    }

  private:
    int FirstSelected() {
        return int(SendDlgItemMessageW(hwnd(), IDC_DL_LIST, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    }

    void Tell(const std::optional<PageMessage>& m) {
        if (!m) return;
        const std::wstring text = WithLineBreaks(Text(sec::MessageBox, m->key));
        const std::wstring caption = Wide(Text(sec::MessageBox, m->captionKey));
        MessageBoxW(hwnd(), text.c_str(), caption.c_str(),
                    MB_OK | (m->icon == MessageIcon::Information ? MB_ICONINFORMATION : MB_ICONERROR));
    }

    // The open-file dialog; empty when the user cancelled.
    std::string AskForFile(const std::wstring& filter, DWORD filterIndex) {
        std::vector<wchar_t> file(kFileNameChars, L'\0'), title(kFileNameChars, L'\0');
        const std::wstring caption = Wide(Text(sec::Download, "RC_BROWSEBOX"));
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = hwnd();
        ofn.lpstrFilter = filter.c_str();
        ofn.nFilterIndex = filterIndex;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = kFileNameChars;
        ofn.lpstrFileTitle = title.data();
        ofn.nMaxFileTitle = kFileNameChars;
        ofn.lpstrTitle = caption.c_str();
        ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetOpenFileNameW(&ofn)) return {};
        return Narrow(file.data());
    }

    void Add() {
        if (!model_->CanAdd()) {
            Tell(model_->Add({}));  // the count message, before any dialog
            return;
        }
        static const wchar_t kBmpFilter[] = L"*.bmp\0*.bmp\0\0";
        const std::string path = AskForFile(std::wstring(kBmpFilter, std::size(kBmpFilter) - 1), 1);
        if (path.empty()) return;
        Tell(model_->Add(path));
        FillList();
        SetFocus(GetDlgItem(hwnd(), IDC_DL_LIST));
        Show();
    }

    void BrowseFirmware() {
        Language* lang = ProcessLanguage();
        const std::string languageFile = lang ? lang->CurrentFileName() : std::string();
        const std::string path = AskForFile(FilterString(FirmwareFilters(languageFile)), 1);
        if (path.empty()) return;
        SetDlgItemTextW(hwnd(), IDC_DL_FW_PATH, Wide(path).c_str());
        EnableWindow(GetDlgItem(hwnd(), IDC_DL_FW_DOWNLOAD), TRUE);
    }

    void DownloadFirmware() {
        wchar_t path[kFirmwarePathChars + 1] = {};
        GetDlgItemTextW(hwnd(), IDC_DL_FW_PATH, path, kFirmwarePathChars);
        if (!path[0]) return;
        model_->FirmwareChosen(Narrow(path));
        Tell(model_->DownloadFirmwareFile(spooler_, printer_));
    }

    // The list from the model: ID, title and path per row; the model's selection kept.
    void FillList() {
        updating_ = true;
        HWND list = GetDlgItem(hwnd(), IDC_DL_LIST);
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        const auto& rows = model_->rows();
        for (size_t i = 0; i < rows.size(); ++i) {
            std::wstring id = std::to_wstring(i + 1), title = Wide(rows[i].title), path = Wide(rows[i].path);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = int(i);
            item.pszText = id.data();
            const int at = int(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            item.iItem = at;
            item.iSubItem = 1;
            item.pszText = title.data();
            SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(at), reinterpret_cast<LPARAM>(&item));
            item.iSubItem = 2;
            item.pszText = path.data();
            SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(at), reinterpret_cast<LPARAM>(&item));
        }
        if (model_->selected() >= 0) {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, WPARAM(model_->selected()),
                         reinterpret_cast<LPARAM>(&state));
        }
        updating_ = false;
    }

    void Enable(int id, bool on) {
        HWND c = GetDlgItem(hwnd(), id);
        if (bool(IsWindowEnabled(c)) != on) EnableWindow(c, on);
    }

    void Check(int id, bool on) {
        const WPARAM want = on ? BST_CHECKED : BST_UNCHECKED;
        if (WPARAM(SendDlgItemMessageW(hwnd(), id, BM_GETCHECK, 0, 0)) != want)
            SendDlgItemMessageW(hwnd(), id, BM_SETCHECK, want, 0);
    }

    // Controls from the model: enable rules, radios, sliders and the preview.
    void Show() {
        updating_ = true;
        for (int i = 0; i < 3; ++i) {
            Enable(kTypeRadios[i], model_->previewTypeEnabled());
            Check(kTypeRadios[i], int(model_->previewType()) == i);
        }
        for (int i = 0; i < 4; ++i) {
            Enable(kHalftoneRadios[i], model_->halftoneEnabled());
            Check(kHalftoneRadios[i], model_->checkedHalftone() == i);
        }
        const std::pair<int, int> sliders[] = {{IDC_DL_CONTRAST, model_->contrastPosition()},
                                               {IDC_DL_BRIGHTNESS, model_->brightnessPosition()}};
        for (const auto& [id, value] : sliders) {
            Enable(id, model_->slidersEnabled());
            SetSliderPos(hwnd(), id, value);
        }
        SetItemText(IDC_DL_CONTRAST_VALUE, Utf8ToUtf16(std::to_string(model_->contrastPosition())));
        SetItemText(IDC_DL_BRIGHT_VALUE, Utf8ToUtf16(std::to_string(model_->brightnessPosition())));
        Enable(IDC_DL_DOWNLOADALL, model_->downloadAllEnabled());
        updating_ = false;
        LoadPicture();
    }

    // The preview's file is read again on every change: the working image is rewritten
    // with the same name.
    void LoadPicture() {
        if (picture_) DeleteObject(picture_);
        picture_ = nullptr;
        const std::string file = model_->previewFile();
        if (!file.empty())
            picture_ = static_cast<HBITMAP>(LoadImageW(nullptr, Wide(file).c_str(), IMAGE_BITMAP, 0, 0,
                                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        InvalidateRect(GetDlgItem(hwnd(), IDC_DL_PREVIEW), nullptr, FALSE);
    }

    // The whole picture stretched over the whole box, aspect ratio not kept.
    void DrawPreview(const DRAWITEMSTRUCT* di) {
        const RECT box = di->rcItem;
        FillRect(di->hDC, &box, GetSysColorBrush(COLOR_WINDOW));
        if (picture_) {
            BITMAP bm{};
            GetObjectW(picture_, sizeof(bm), &bm);
            HDC mem = CreateCompatibleDC(di->hDC);
            HGDIOBJ old = SelectObject(mem, picture_);
            SetStretchBltMode(di->hDC, COLORONCOLOR);
            StretchBlt(di->hDC, box.left, box.top, box.right - box.left, box.bottom - box.top, mem, 0, 0,
                       bm.bmWidth, bm.bmHeight, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        RECT edge = box;
        DrawEdge(di->hDC, &edge, EDGE_SUNKEN, BF_RECT);
    }

    platform::win32::Win32FileSystem files_;
    platform::win32::Win32Spooler spooler_;
    platform::PrinterHandle printer_ = 0;
    std::unique_ptr<DownloadPageModel> model_;
    std::wstring headers_[3];
    HBITMAP picture_ = nullptr;
    bool updating_ = false;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Download, IDD_DOWNLOAD, DownloadPage);

}  // namespace k20::prnui
