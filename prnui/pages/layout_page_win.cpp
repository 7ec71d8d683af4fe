// The Layout ("Main") page: controls <-> LayoutPageModel, the driver's paper-size item,
// the folder browser, the viewer launch and the language applied on Apply.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/pages/layout_ids.h"
#include "prnui/pages/layout_language.h"
#include "prnui/pages/layout_model.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {

namespace {

std::u16string OptionText(LPTSTR data) {
    // The host may give resource identifiers instead of texts; those have no name we can show.
    if (!data || IS_INTRESOURCE(data)) return {};
    return std::u16string(reinterpret_cast<const char16_t*>(data));
}

class LayoutPage final : public PropertyPage {
  protected:
    void OnInit() override {
        record_ = static_cast<PrivateSettings*>(privateRecord());
        if (!record_) return;
        LayoutInputs in;
        if (Language* lang = ProcessLanguage()) {
            ReadLanguageInputs(*lang, registry_, in);
        } else {
            BuiltInLanguageInputs(in);
        }
        if (OPTITEM* item = PaperItem()) {
            for (WORD k = 0; item->pOptType && k < item->pOptType->Count; ++k)
                in.paperNames.push_back(OptionText(item->pOptType->pOptParam[k].pData));
            in.paperSelection = int(item->Sel);
        }
        model_ = std::make_unique<LayoutPageModel>(*record_, std::move(in));

        loading_ = true;
        FillFixedList(hwnd(), IDC_LAY_LANGUAGE, model_->languageItems());
        FillFixedList(hwnd(), IDC_LAY_PAPER, model_->paperItems());
        LimitText(hwnd(), IDC_LAY_SCALE, 3);
        SendDlgItemMessageW(hwnd(), IDC_LAY_SCALE_SPIN, UDM_SETRANGE32, kMinScale, kMaxScale);
        SendDlgItemMessageW(hwnd(), IDC_LAY_SCALE_SPIN, UDM_SETPOS32, 0, model_->scaleSpin());
        SetDlgItemInt(hwnd(), IDC_LAY_SCALE, UINT(record_->zoomScale), FALSE);
        Show();
        loading_ = false;

        const std::pair<int, std::string_view> helps[] = {
            {IDC_LAY_YES, "CTEXT_RADIO_ASGRAPHICSYES"},   {IDC_LAY_NO, "CTEXT_RADIO_ASGRAPHICSNO"},
            {IDC_LAY_ZOOM, "CTEXT_CHECK_ZOOM"},           {IDC_LAY_SCALE, "CTEXT_SCALE"},
            {IDC_LAY_ROTATE180, "CTEXT_RADIO_ROTATE180"}, {IDC_LAY_NORMAL, "CTEXT_RADIO_ROTATENOMAL"},
            {IDC_LAY_PAPER, "CTEXT_PAPERSIZE"},           {IDC_LAY_LANGUAGE, "CTEXT_LANGUAGE"},
            {IDC_LAY_UPDATE, "CTEXT_BUTTON_UPDATE"},      {IDC_LAY_BROWSE, "CTEXT_BUTTON_LOG"},
            {IDC_LAY_VIEWER, "CTEXT_BUTTON_VIEWER"},      {IDC_LAY_LOG, "CTEXT_CHECK_LOG"},
            {IDC_LAY_LOG_FOLDER, "CTEXT_EDIT_LOG"},
        };
        for (const auto& [id, key] : helps) AddHelp(id, sec::Layout, key);
    }

    void LoadTexts() override {
        const std::pair<int, std::string_view> labels[] = {
            {IDC_LAY_DOCSETTING, "RC_DOCSETTING"},
            {IDC_LAY_PRINT_AS_IMAGE, "RC_PRINT_AS_IMAGE"},
            {IDC_LAY_YES, "RC_RADIO_ASGRAPHICSYES"},
            {IDC_LAY_NO, "RC_RADIO_ASGRAPHICSNO"},
            {IDC_LAY_ZOOM, "RC_CHECK_ZOOM"},
            {IDC_LAY_SCALE_LABEL, "RC_SCALE"},
            {IDC_LAY_ROTATE, "RC_ROTATE"},
            {IDC_LAY_NORMAL, "RC_RADIO_ROTATENOMAL"},
            {IDC_LAY_ROTATE180, "RC_RADIO_ROTATE180"},
            {IDC_LAY_PAPER_LABEL, "RC_PAPERSIZE"},
            {IDC_LAY_LANGUAGE_LABEL, "RC_LANGUAGE"},
            {IDC_LAY_SAVE_LABEL, "RC_SAVEFILE"},
            {IDC_LAY_LOG_GROUP, "RC_STATIC_LOG"},
            {IDC_LAY_LOG, "RC_CHECK_LOG"},
            {IDC_LAY_BROWSE, "RC_BUTTON_LOG"},
            {IDC_LAY_VIEWER, "RC_BUTTON_VIEWER"},
            {IDC_LAY_UPDATE, "RC_BUTTON_UPDATE"},
        };
        for (const auto& [id, key] : labels) SetItemText(id, sec::Layout, key);
        // The host rebuilds its own option texts; ours must win on every repaint.
        RenameDensityOptions(context());
    }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!model_ || loading_) return false;
        switch (id) {
            case IDC_LAY_YES:
            case IDC_LAY_NO:
                if (code != BN_CLICKED) return false;
                id == IDC_LAY_YES ? model_->ClickYes() : model_->ClickNo();
                break;
            case IDC_LAY_ZOOM:
                if (code != BN_CLICKED) return false;
                Tell(model_->SetZoom(IsChecked(hwnd(), IDC_LAY_ZOOM)));
                break;
            case IDC_LAY_NORMAL:
            case IDC_LAY_ROTATE180:
                if (code != BN_CLICKED) return false;
                Tell(model_->SetRotate(id == IDC_LAY_ROTATE180));
                break;
            case IDC_LAY_SCALE:
                if (code != EN_CHANGE) return false;
                if (auto spin = model_->TypeScale(WindowText16(GetDlgItem(hwnd(), IDC_LAY_SCALE)))) {
                    loading_ = true;
                    SendDlgItemMessageW(hwnd(), IDC_LAY_SCALE_SPIN, UDM_SETPOS32, 0, *spin);
                    SetDlgItemInt(hwnd(), IDC_LAY_SCALE, UINT(*spin), FALSE);
                    loading_ = false;
                }
                MarkChanged();
                return true;
            case IDC_LAY_PAPER:
                if (code != CBN_SELCHANGE) return false;
                UpdatePaperItem(model_->SelectPaper(ComboSelection(hwnd(), IDC_LAY_PAPER)));
                break;
            case IDC_LAY_LANGUAGE:
                if (code != CBN_SELCHANGE) return false;
                model_->SelectLanguage(ComboSelection(hwnd(), IDC_LAY_LANGUAGE));
                break;
            case IDC_LAY_LOG:
                if (code != BN_CLICKED) return false;
                model_->SetLog(IsChecked(hwnd(), IDC_LAY_LOG));
                break;
            case IDC_LAY_PRN:
            case IDC_LAY_BMP:
            case IDC_LAY_JPEG:
                if (code != BN_CLICKED) return false;
                if (id == IDC_LAY_PRN)
                    model_->SetSavePrn(IsChecked(hwnd(), id));
                else if (id == IDC_LAY_BMP)
                    model_->SetSaveBmp(IsChecked(hwnd(), id));
                else
                    model_->SetSaveJpeg(IsChecked(hwnd(), id));
                break;
            case IDC_LAY_BROWSE:
                if (code != BN_CLICKED) return false;
                if (!BrowseFolder()) return true;
                break;
            case IDC_LAY_VIEWER:
                if (code == BN_CLICKED) LaunchViewer();
                return true;  // starting the viewer changes nothing
            default:
                return false;
        }
        Show();
        MarkChanged();
        return true;
    }

    bool OnNotify(NMHDR* hdr, LRESULT&) override {
        if (hdr->code == PSN_SETACTIVE && model_) {
            OPTITEM* item = PaperItem();
            model_->SetActive(item ? int(item->Sel) : -1);
            Show();
        }
        return false;
    }

    bool OnApply() override {
        if (!model_) return true;
        const std::vector<LanguageWrite> writes = model_->Apply();
        // The hidden rotation radios carry rotate180 through unchanged.
        record_->rotate180 = IsChecked(hwnd(), IDC_LAY_ROTATE180) ? 1 : 0;
        UpdatePaperItem(model_->paperIndex());
        model_->MarkUnchanged();
        if (Language* lang = ProcessLanguage()) StoreLanguageChoice(*lang, writes);
        std::wstring printer;
        if (context().uiParam && context().uiParam->pPrinterName) printer = context().uiParam->pPrinterName;
        RetitleSheets(GetParent(hwnd()), printer);
        RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return true;
    }

  private:
    void Tell(const std::optional<PageMessage>& m) {
        if (m) ShowPageMessage(hwnd(), *m);
    }

    // Copies the model's state into the controls.
    void Show() {
        const bool was = loading_;
        loading_ = true;
        const LayoutPageModel& m = *model_;
        CheckRadioButton(hwnd(), IDC_LAY_YES, IDC_LAY_NO, m.yesChecked() ? IDC_LAY_YES : IDC_LAY_NO);
        Enable(hwnd(), IDC_LAY_YES, m.radiosEnabled());
        Enable(hwnd(), IDC_LAY_NO, m.radiosEnabled());
        SetChecked(hwnd(), IDC_LAY_ZOOM, m.zoomChecked());
        for (int id : {IDC_LAY_SCALE, IDC_LAY_SCALE_SPIN, IDC_LAY_SCALE_LABEL})
            Enable(hwnd(), id, m.scaleEnabled());
        CheckRadioButton(hwnd(), IDC_LAY_NORMAL, IDC_LAY_ROTATE180,
                         m.rotateChecked() ? IDC_LAY_ROTATE180 : IDC_LAY_NORMAL);
        SetChecked(hwnd(), IDC_LAY_LOG, m.logChecked());
        for (int id :
             {IDC_LAY_LOG_FOLDER, IDC_LAY_BROWSE, IDC_LAY_VIEWER, IDC_LAY_PRN, IDC_LAY_BMP, IDC_LAY_JPEG})
            Enable(hwnd(), id, m.logControlsEnabled());
        SetChecked(hwnd(), IDC_LAY_PRN, m.savePrn());
        SetChecked(hwnd(), IDC_LAY_BMP, m.saveBmp());
        SetChecked(hwnd(), IDC_LAY_JPEG, m.saveJpeg());
        SetItemText(IDC_LAY_LOG_FOLDER, m.logFolder());
        SendDlgItemMessageW(hwnd(), IDC_LAY_LANGUAGE, CB_SETCURSEL, WPARAM(m.languageIndex()), 0);
        SendDlgItemMessageW(hwnd(), IDC_LAY_PAPER, CB_SETCURSEL, WPARAM(m.paperIndex()), 0);
        loading_ = was;
    }

    OPTITEM* PaperItem() const {
        host::OEMCUIPPARAM* p = context().cuiParam;
        if (!p || !p->pDrvOptItems) return nullptr;
        for (DWORD i = 0; i < p->cDrvOptItems; ++i)
            if (p->pDrvOptItems[i].DMPubID == DMPUB_FORMNAME) return &p->pDrvOptItems[i];
        return nullptr;
    }

    void UpdatePaperItem(int index) {
        OPTITEM* item = PaperItem();
        if (!item || index < 0 || !item->pOptType || index >= int(item->pOptType->Count)) return;
        item->Sel = index;
        item->Flags |= OPTIF_CHANGED;
        if (context().driverUI)
            context().driverUI->DrvUpdateUISetting(context().cuiParam->poemuiobj, item, 0,
                                                   host::OEMCUIP_DOCPROP);
    }

    // True when a folder was chosen (stored or refused with a message).
    bool BrowseFolder() {
        BROWSEINFOW bi{};
        bi.hwndOwner = hwnd();
        bi.lpszTitle = L"";
        bi.ulFlags = BIF_RETURNONLYFSDIRS;
        PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
        if (!pidl) return false;
        wchar_t path[MAX_PATH * 2] = {};
        const bool got = SHGetPathFromIDListW(pidl, path);
        CoTaskMemFree(pidl);
        if (!got) return false;
        Tell(model_->ChooseLogFolder(FromWide(path)));
        return true;
    }

    void LaunchViewer() {
        wchar_t sysDir[MAX_PATH] = {};
        GetSystemDirectoryW(sysDir, MAX_PATH);
        const ViewerLaunch v = MakeViewerLaunch(FromWide(sysDir), model_->logFolder());
        const auto r = reinterpret_cast<INT_PTR>(ShellExecuteW(
            hwnd(), L"open", Wide(v.program).c_str(), Wide(v.parameters).c_str(), nullptr, SW_SHOWNORMAL));
        if (r > 32) return;
        const platform::OsVersion os = system_.Version();
        Tell(ViewerLaunchFailure(uint32_t(r), os.major, os.minor));
    }

    PrivateSettings* record_ = nullptr;
    std::unique_ptr<LayoutPageModel> model_;
    bool loading_ = false;
    platform::win32::Win32Registry registry_;
    platform::win32::Win32SystemInfo system_;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Layout, IDD_LAYOUT, LayoutPage);

}  // namespace k20::prnui
