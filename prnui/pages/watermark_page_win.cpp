// The Water Mark page: controls <-> WatermarkPageModel, Browse, the preview's drawing and
// the rendered-text file written on Apply.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <memory>

#include "common/text.h"
#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"
#include "prnui/pages/watermark_bitmap.h"
#include "prnui/pages/watermark_ids.h"
#include "prnui/pages/watermark_model.h"
#include "prnui/pages/watermark_text_win.h"

namespace k20::prnui {

namespace {

// The preview's load failures are told once while the plug-in stays loaded.
OnceOnlyMessages g_loadFailures;

class WatermarkPage final : public PropertyPage {
  protected:
    void OnInit() override {
        record_ = static_cast<PrivateSettings*>(privateRecord());
        if (!record_) return;
        faces_ = EnumerateTrueTypeFaces();
        model_ = std::make_unique<WatermarkPageModel>(*record_, faces_.names);
        std::string temp = files_.platform_temp();
        std::string printer;
        if (context().uiParam && context().uiParam->pPrinterName)
            printer = Narrow(context().uiParam->pPrinterName);
        workingFile_ = WatermarkWorkingFile(temp, printer);

        loading_ = true;
        HWND text = GetDlgItem(hwnd(), IDC_WM_TEXT_COMBO);
        for (auto p : kWatermarkPresets) AddComboText(text, p);
        SendMessageW(text, CB_LIMITTEXT, kWatermarkTextEditChars, 0);
        if (model_->presetIndex() >= 0)
            SendMessageW(text, CB_SETCURSEL, WPARAM(model_->presetIndex()), 0);
        else
            SetWindowTextW(text, Wide(model_->text()).c_str());

        HWND face = GetDlgItem(hwnd(), IDC_WM_FONT);
        for (const auto& n : faces_.names) AddComboText(face, n);
        SendMessageW(face, CB_SETCURSEL, WPARAM(model_->faceIndex()), 0);

        FillNamed(IDC_WM_STYLE, WatermarkStyleKeys(), model_->style());
        FillNamed(IDC_WM_POSITION, WatermarkPositionKeys(), model_->position());
        LimitText(hwnd(), IDC_WM_FONTSIZE, 2);
        SendDlgItemMessageW(hwnd(), IDC_WM_FONTSIZE_SPIN, UDM_SETRANGE32, kMinFontSize, kMaxFontSize);
        SendDlgItemMessageW(hwnd(), IDC_WM_FONTSIZE_SPIN, UDM_SETPOS32, 0, model_->fontSize());
        SetDlgItemInt(hwnd(), IDC_WM_FONTSIZE, UINT(model_->fontSize()), FALSE);
        SendDlgItemMessageW(hwnd(), IDC_WM_ANGLE, TBM_SETRANGE, TRUE, MAKELPARAM(0, 360));
        SendDlgItemMessageW(hwnd(), IDC_WM_SCALE, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
        SendDlgItemMessageW(hwnd(), IDC_WM_LIGHT, TBM_SETRANGE, TRUE, MAKELPARAM(0, 255));
        SetDlgItemTextW(hwnd(), IDC_WM_PATH, Wide(model_->path()).c_str());
        ShowSliders();
        ShowMode();
        loading_ = false;

        const std::pair<int, std::string_view> helps[] = {
            {IDC_WM_NO, "CTEXT_RADIO_NO"},
            {IDC_WM_IMAGE, "CTEXT_RADIO_IMAGE"},
            {IDC_WM_PATH, "CTEXT_PICTURE_NAME"},
            {IDC_WM_BROWSE, "CTEXT_SELECT_PICTURE"},
            {IDC_WM_TEXT, "CTEXT_RADIO_TEXT"},
            {IDC_WM_TEXT_COMBO, "CTEXT_COMBO_TEXT"},
            {IDC_WM_FONT, "CTEXT_COMBO_FONTTYPE"},
            {IDC_WM_STYLE, "CTEXT_COMBO_FONTSTYLE"},
            {IDC_WM_FONTSIZE, "CTEXT_EDIT_FONTSIZE"},
            {IDC_WM_ANGLE, "CTEXT_SLIDER_ANGLE"},
            {IDC_WM_POSITION, "CTEXT_COMBO_POSITION"},
            {IDC_WM_SCALE, "CTEXT_SLIDER_SIZE"},
            {IDC_WM_LIGHT, "CTEXT_SLIDER_LIGHT"},
        };
        for (const auto& [id, key] : helps) AddHelp(id, sec::Watermark, key);
        Refresh();
    }

    void LoadTexts() override {
        const std::pair<int, std::string_view> labels[] = {
            {IDC_WM_NO, "RC_RADIO_NO"},
            {IDC_WM_IMAGE, "RC_RADIO_IMAGE"},
            {IDC_WM_BMP_LABEL, "RC_STATIC_WATERMARK_BMP"},
            {IDC_WM_BROWSE, "RC_SELECT_PICTURE"},
            {IDC_WM_TEXT, "RC_RADIO_TEXT"},
            {IDC_WM_TEXT_LABEL, "RC_STATIC_WATERMARK_TEXT"},
            {IDC_WM_FONT_LABEL, "RC_STATIC_WATERMARK_FONTTYPE"},
            {IDC_WM_STYLE_LABEL, "RC_STATIC_WATERMARK_FONTSTYLE"},
            {IDC_WM_SIZE_LABEL, "RC_STATIC_WATERMARK_FONTSIZE"},
            {IDC_WM_ANGLE_LABEL, "RC_STATIC_WATERMARK_ANGLE"},
            {IDC_WM_POSITION_LABEL, "RC_STATIC_WATERMARK_POSITION"},
            {IDC_WM_SCALE_LABEL, "RC_STATIC_WATERMARK_SIZE"},
            {IDC_WM_LIGHT_LABEL, "RC_STATIC_WATERMARK_BRIGHTNESS"},
        };
        for (const auto& [id, key] : labels) SetItemText(id, sec::Watermark, key);
        if (!model_) return;
        // The style and position names follow the language; their selections stay.
        FillNamed(IDC_WM_STYLE, WatermarkStyleKeys(), model_->style());
        FillNamed(IDC_WM_POSITION, WatermarkPositionKeys(), model_->position());
    }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!model_ || loading_) return false;
        switch (id) {
            case IDC_WM_NO:
            case IDC_WM_IMAGE:
            case IDC_WM_TEXT: {
                if (code != BN_CLICKED) return false;
                const int mode = id == IDC_WM_NO      ? kWatermarkNone
                                 : id == IDC_WM_IMAGE ? kWatermarkImage
                                                      : kWatermarkText;
                if (model_->IsCurrentMode(mode)) return true;
                Tell(model_->ChooseMode(mode));
                ShowMode();
                break;
            }
            case IDC_WM_BROWSE:
                if (code != BN_CLICKED) return false;
                if (!Browse()) return true;
                break;
            case IDC_WM_TEXT_COMBO:
                if (code == CBN_SELCHANGE) {
                    model_->SelectPreset(ComboSelection(hwnd(), IDC_WM_TEXT_COMBO));
                } else if (code == CBN_EDITCHANGE) {
                    model_->TypeText(WindowText16(GetDlgItem(hwnd(), IDC_WM_TEXT_COMBO)));
                } else {
                    return false;
                }
                break;
            case IDC_WM_FONT:
                if (code != CBN_SELCHANGE) return false;
                model_->SelectFace(ComboSelection(hwnd(), IDC_WM_FONT));
                break;
            case IDC_WM_STYLE:
                if (code != CBN_SELCHANGE) return false;
                model_->SelectStyle(ComboSelection(hwnd(), IDC_WM_STYLE));
                break;
            case IDC_WM_POSITION:
                if (code != CBN_SELCHANGE) return false;
                if (model_->SelectPosition(ComboSelection(hwnd(), IDC_WM_POSITION))) ShowSliders();
                break;
            case IDC_WM_FONTSIZE:
                if (code == EN_CHANGE) {
                    PutFontSize(model_->TypeFontSize(WindowText16(GetDlgItem(hwnd(), IDC_WM_FONTSIZE))));
                } else if (code == EN_KILLFOCUS) {
                    if (!PutFontSize(model_->LeaveFontSize())) return true;
                } else {
                    return false;
                }
                break;
            default:
                return false;
        }
        MarkChanged();
        Refresh();
        return true;
    }

    INT_PTR OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override {
        handled = false;
        if (!model_) return 0;
        if (msg == WM_HSCROLL) {
            const HWND bar = reinterpret_cast<HWND>(lp);
            const int id = GetDlgCtrlID(bar);
            if (id != IDC_WM_ANGLE && id != IDC_WM_SCALE && id != IDC_WM_LIGHT) return 0;
            ReadSliders();
            ShowSliders();
            MarkChanged();
            Refresh();
            handled = true;
            return 0;
        }
        if (msg == WM_DRAWITEM && wp == IDC_WM_PREVIEW) {
            DrawPreview(reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            handled = true;
            return TRUE;
        }
        return 0;
    }

    bool OnNotify(NMHDR* hdr, LRESULT&) override {
        if (model_ && hdr->code == PSN_RESET) model_->Cancel();
        if (model_ && hdr->code == PSN_SETACTIVE) Refresh();
        return false;
    }

    bool OnApply() override {
        if (!model_) return true;
        ReadSliders();
        model_->SelectStyle(ComboSelection(hwnd(), IDC_WM_STYLE));
        model_->SelectPosition(ComboSelection(hwnd(), IDC_WM_POSITION));
        if (!model_->Apply()) {
            model_->MarkUnchanged();
            return true;
        }
        const std::vector<uint8_t> file = EncodeRenderedText(RenderCurrentText());
        const auto m = model_->RenderedTextWritten(files_.WriteFile(workingFile_, file) == platform::kOk);
        Tell(m);
        return !m;
    }

  private:
    // The file system plus where the user's temporary folder is.
    struct Files : platform::win32::Win32FileSystem {
        std::string platform_temp() { return platform::win32::Win32SystemInfo().TempDirectory(); }
    };

    void ReadSliders() {
        model_->MoveSliders(SliderPos(hwnd(), IDC_WM_ANGLE), SliderPos(hwnd(), IDC_WM_SCALE),
                            SliderPos(hwnd(), IDC_WM_LIGHT));
    }
    void Tell(const std::optional<PageMessage>& m) {
        if (m) ShowPageMessage(hwnd(), *m);
    }

    // Refills a list of language texts only when the language changed its names.
    void FillNamed(int id, std::span<const std::string_view> keys, int selection) {
        HWND c = GetDlgItem(hwnd(), id);
        bool same = SendMessageW(c, CB_GETCOUNT, 0, 0) == LRESULT(keys.size());
        for (size_t i = 0; same && i < keys.size(); ++i) {
            wchar_t have[256] = {};
            if (SendMessageW(c, CB_GETLBTEXTLEN, i, 0) >= 256)
                same = false;
            else
                SendMessageW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(have));
            same = same && FromWide(have) == Text(sec::Watermark, keys[i]);
        }
        if (same) return;
        SendMessageW(c, CB_RESETCONTENT, 0, 0);
        for (auto k : keys) AddComboText(c, Text(sec::Watermark, k));
        SendMessageW(c, CB_SETCURSEL, WPARAM(selection), 0);
    }

    void ShowMode() {
        const WatermarkEnables e = model_->enables();
        const int radio = model_->mode() == kWatermarkImage  ? IDC_WM_IMAGE
                          : model_->mode() == kWatermarkText ? IDC_WM_TEXT
                                                             : IDC_WM_NO;
        CheckRadioButton(hwnd(), IDC_WM_NO, IDC_WM_TEXT, radio);
        for (int id : {IDC_WM_BMP_LABEL, IDC_WM_PATH, IDC_WM_BROWSE}) Enable(hwnd(), id, e.bitmap);
        for (int id : {IDC_WM_TEXT_LABEL, IDC_WM_TEXT_COMBO, IDC_WM_FONT_LABEL, IDC_WM_FONT,
                       IDC_WM_STYLE_LABEL, IDC_WM_STYLE, IDC_WM_SIZE_LABEL, IDC_WM_FONTSIZE,
                       IDC_WM_FONTSIZE_SPIN, IDC_WM_ANGLE_LABEL, IDC_WM_ANGLE, IDC_WM_ANGLE_VALUE})
            Enable(hwnd(), id, e.text);
        for (int id : {IDC_WM_POSITION_LABEL, IDC_WM_POSITION, IDC_WM_SCALE_LABEL, IDC_WM_SCALE,
                       IDC_WM_SCALE_VALUE, IDC_WM_LIGHT_LABEL, IDC_WM_LIGHT, IDC_WM_LIGHT_VALUE})
            Enable(hwnd(), id, e.placement);
    }

    void ShowSliders() {
        const std::pair<int, int> bars[] = {{IDC_WM_ANGLE, model_->angle()},
                                            {IDC_WM_SCALE, model_->size()},
                                            {IDC_WM_LIGHT, model_->brightness()}};
        for (const auto& [id, value] : bars) {
            SetSliderPos(hwnd(), id, value);
            SetItemText(id + 1, Utf8ToUtf16(std::to_string(value)));
        }
    }

    // True when the edit had to be given another value.
    bool PutFontSize(std::optional<int> v) {
        if (!v) return false;
        loading_ = true;
        SendDlgItemMessageW(hwnd(), IDC_WM_FONTSIZE_SPIN, UDM_SETPOS32, 0, *v);
        SetDlgItemInt(hwnd(), IDC_WM_FONTSIZE, UINT(*v), FALSE);
        loading_ = false;
        return true;
    }

    // True when a file was chosen (whatever came of it).
    bool Browse() {
        wchar_t file[510] = {};
        OPENFILENAMEW ofn{};
        ofn.lStructSize = sizeof(ofn);
        ofn.hwndOwner = hwnd();
        ofn.lpstrFilter = L"*.bmp\0*.bmp\0";
        ofn.lpstrFile = file;
        ofn.nMaxFile = 510;
        ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetOpenFileNameW(&ofn)) return false;
        const auto m = model_->TakeBrowsedFile(files_, FromWide(file), workingFile_);
        Tell(m);
        if (!m) SetDlgItemTextW(hwnd(), IDC_WM_PATH, file);
        return true;
    }

    std::vector<uint8_t> RenderCurrentText() {
        LOGFONTW face{};
        if (model_->faceIndex() >= 0 && model_->faceIndex() < int(faces_.fonts.size()))
            face = faces_.fonts[size_t(model_->faceIndex())];
        return RenderWatermarkText(face, model_->keptText(), model_->fontSize(), model_->style(),
                                   model_->angle());
    }

    // Brings the preview's source up to date (reloading the bitmap when due) and repaints.
    void Refresh() {
        if (model_->PreviewLoadDue())
            Tell(model_->PreviewLoaded(LoadWatermarkPreview(files_, *model_, workingFile_, kept_),
                                       g_loadFailures));
        showing_ = model_->PreviewRefreshed();
        if (showing_ == PreviewSource::Text) {
            text_.width = text_.height = kTextSquare;
            text_.stride = size_t(kTextSquare) * 3;
            text_.pixels = RenderCurrentText();
        }
        InvalidateRect(GetDlgItem(hwnd(), IDC_WM_PREVIEW), nullptr, FALSE);
    }

    void DrawPreview(const DRAWITEMSTRUCT* di) {
        HDC dc = di->hDC;
        const RECT box = di->rcItem;
        const int S = box.right - box.left, P = box.bottom - box.top;
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const KeptBitmap* src = showing_ == PreviewSource::Bitmap ? &kept_
                                : showing_ == PreviewSource::Text ? &text_
                                                                  : nullptr;
        if (!src || src->pixels.empty()) return;
        // Only the brightness is re-applied on a repaint; the file is not read again.
        shown_.resize(src->pixels.size());
        ApplyBrightness(src->pixels.data(), shown_.data(), shown_.size(), uint8_t(model_->brightness()));
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = src->width;
        bi.bmiHeader.biHeight = src->height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        SetStretchBltMode(dc, COLORONCOLOR);
        for (const StretchOp& op :
             PlaceWatermark(src->width, src->height, S, P, model_->position(), model_->size())) {
            // The rows are bottom-up: the source rectangle is measured from the last row.
            const int srcBottom = src->height - op.srcY - op.srcH;
            StretchDIBits(dc, box.left + op.dstX, box.top + op.dstY, op.dstW, op.dstH, op.srcX, srcBottom,
                          op.srcW, op.srcH, shown_.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
        }
    }

    PrivateSettings* record_ = nullptr;
    std::unique_ptr<WatermarkPageModel> model_;
    FaceList faces_;
    Files files_;
    std::string workingFile_;
    KeptBitmap kept_, text_;
    std::vector<uint8_t> shown_;
    PreviewSource showing_ = PreviewSource::Nothing;
    bool loading_ = false;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Watermark, IDD_WATERMARK, WatermarkPage);

}  // namespace k20::prnui
