// The Utility page: controls <-> UtilityPageModel, on the printer handle of the device sheet.
#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/pages/control_font_dialog_win.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"
#include "prnui/pages/utility_ids.h"
#include "prnui/pages/utility_page.h"

namespace k20::prnui {

namespace {

class UtilityPage final : public PropertyPage {
  protected:
    void OnInit() override {
        HANDLE printer = context().cuiParam ? context().cuiParam->hPrinter : nullptr;
        model_ =
            std::make_unique<UtilityPageModel>(spooler_, reinterpret_cast<platform::PrinterHandle>(printer));
        // The edits and ranges are set up even when the spooler refused the default form,
        // so that the page is usable for a later Save.
        const bool opened = model_->Open();
        LimitText(hwnd(), IDC_UTIL_NAME, kFormNameMaxChars);
        LimitText(hwnd(), IDC_UTIL_WIDTH, kFormWidthMaxDigits);
        LimitText(hwnd(), IDC_UTIL_HEIGHT, kFormHeightMaxDigits);
        SendDlgItemMessageW(hwnd(), IDC_UTIL_WIDTH_SPIN, UDM_SETRANGE32, kFormWidthMin, kFormWidthMax);
        SendDlgItemMessageW(hwnd(), IDC_UTIL_HEIGHT_SPIN, UDM_SETRANGE32, kFormHeightMin, kFormHeightMax);
        SetItemText(IDC_UTIL_WIDTH_RANGE, std::u16string(kFormWidthRangeText));
        SetItemText(IDC_UTIL_HEIGHT_RANGE, std::u16string(kFormHeightRangeText));
        if (opened) Show();
        AddHelp(IDC_UTIL_SELFTEST, sec::Utility, "CTEXT_SELFTEST");
        AddHelp(IDC_UTIL_FORMLIST, sec::Utility, "CTEXT_LIST_PAPERSIZE");
        AddHelp(IDC_UTIL_DELETE, sec::Utility, "CTEXT_BUTTON_DELETE");
        AddHelp(IDC_UTIL_SAVE, sec::Utility, "CTEXT_BUTTON_SAVE");
        AddHelp(IDC_UTIL_NAME, sec::Utility, "CTEXT_EDIT_FORMNAME");
        AddHelp(IDC_UTIL_WIDTH, sec::Utility, "CTEXT_EDIT_WIDTH");
        AddHelp(IDC_UTIL_HEIGHT, sec::Utility, "CTEXT_EDIT_HEIGHT");
    }

    void LoadTexts() override {
        SetItemText(IDC_UTIL_SELFTEST, sec::Utility, "RC_SELFTEST");
        SetItemText(IDC_UTIL_SELFTEST_TEXT, sec::Utility, "RC_STATIC_SELFTEST");
        SetItemText(IDC_UTIL_CHECKCOMM_TEXT, sec::Utility, "RC_STATIC_CHECKCOMM");
        SetItemText(IDC_UTIL_CUSTOMSIZE_GROUP, sec::Utility, "RC_STATIC_CUSTOMSIZE");
        SetItemText(IDC_UTIL_DELETE, sec::Utility, "RC_BUTTON_DELETE");
        SetItemText(IDC_UTIL_SAVE, sec::Utility, "RC_BUTTON_SAVE");
        SetItemText(IDC_UTIL_NAME_LABEL, sec::Utility, "RC_STATIC_FORMNAME");
        SetItemText(IDC_UTIL_WIDTH_LABEL, sec::Utility, "RC_STATIC_FORMWIDTH");
        SetItemText(IDC_UTIL_HEIGHT_LABEL, sec::Utility, "RC_STATIC_FORMHEIGHT");
    }

    bool OnCommand(WORD id, WORD code, HWND) override {
        if (!model_ || showing_) return false;
        switch (id) {
            case IDC_UTIL_SELFTEST:
                if (code == BN_CLICKED) model_->SelfTest();  // no message, whatever happens
                return true;
            case IDC_UTIL_SAVE:
                if (code != BN_CLICKED) return false;
                ReadEdits();
                if (std::string_view msg = model_->Save(); !msg.empty()) {
                    Show();
                    ShowPageMessage(hwnd(), ErrorMessage(msg));
                } else {
                    Show();
                }
                return true;
            case IDC_UTIL_DELETE:
                if (code != BN_CLICKED) return false;
                ReadEdits();
                model_->Delete();
                Show();
                return true;
            case IDC_UTIL_FORMLIST:
                if (code != LBN_SELCHANGE) return false;
                ReadEdits();
                model_->Select(int(SendDlgItemMessageW(hwnd(), IDC_UTIL_FORMLIST, LB_GETCURSEL, 0, 0)));
                Show();
                return true;
            case IDC_UTIL_NAME:
                if (code != EN_CHANGE) return false;
                model_->SetNameEdit(WindowText16(GetDlgItem(hwnd(), IDC_UTIL_NAME)));
                EnableWindow(GetDlgItem(hwnd(), IDC_UTIL_DELETE), model_->DeleteEnabled());
                return true;
            case IDC_UTIL_CONTROLFONT:
                if (code == BN_CLICKED) RunControlFontTableDialog(hwnd(), ControlFontTablePathHere());
                return true;
        }
        return false;
    }

  private:
    void ReadEdits() {
        model_->SetNameEdit(WindowText16(GetDlgItem(hwnd(), IDC_UTIL_NAME)));
        model_->SetWidthEdit(WindowText16(GetDlgItem(hwnd(), IDC_UTIL_WIDTH)));
        model_->SetHeightEdit(WindowText16(GetDlgItem(hwnd(), IDC_UTIL_HEIGHT)));
    }

    void SetEdit(int id, const std::u16string& text) {
        if (WindowText16(GetDlgItem(hwnd(), id)) != text) SetDlgItemTextW(hwnd(), id, Wide(text).c_str());
    }

    void Show() {
        showing_ = true;
        HWND list = GetDlgItem(hwnd(), IDC_UTIL_FORMLIST);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const auto& name : model_->List())
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
        SendMessageW(list, LB_SETCURSEL, WPARAM(model_->Selected()), 0);
        // The spins first: a spin that owns its edit rewrites it with its own position.
        SendDlgItemMessageW(hwnd(), IDC_UTIL_WIDTH_SPIN, UDM_SETPOS32, 0,
                            ReadSignedEdit(model_->WidthEdit()));
        SendDlgItemMessageW(hwnd(), IDC_UTIL_HEIGHT_SPIN, UDM_SETPOS32, 0,
                            ReadSignedEdit(model_->HeightEdit()));
        SetEdit(IDC_UTIL_NAME, model_->NameEdit());
        SetEdit(IDC_UTIL_WIDTH, model_->WidthEdit());
        SetEdit(IDC_UTIL_HEIGHT, model_->HeightEdit());
        EnableWindow(GetDlgItem(hwnd(), IDC_UTIL_DELETE), model_->DeleteEnabled());
        showing_ = false;
    }

    platform::win32::Win32Spooler spooler_;
    std::unique_ptr<UtilityPageModel> model_;
    bool showing_ = false;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Utility, IDD_UTILITY, UtilityPage);

}  // namespace k20::prnui
