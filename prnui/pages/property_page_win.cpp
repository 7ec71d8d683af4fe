#include "prnui/pages/property_page_win.h"

#include <array>

#include "platform/win32/dialog_controls_win.h"
#include "platform/win32/wide_string_win.h"
#include "prnui/core/language.h"

namespace k20::prnui {

// ---- help tool-tips ----

HelpTips::~HelpTips() {
    for (auto& [control, help] : helps_)
        RemoveWindowSubclass(control, ControlProc, reinterpret_cast<UINT_PTR>(this));
    if (tip_ && IsWindow(tip_)) DestroyWindow(tip_);
}

void HelpTips::Attach(HWND dialog) {
    dialog_ = dialog;
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                           g_module, nullptr);
}

void HelpTips::Add(int controlId, std::string_view section, std::string_view key) {
    HWND control = dialog_ ? GetDlgItem(dialog_, controlId) : nullptr;
    if (!control || !tip_) return;
    Help& h = helps_[control];
    h.section = std::string(section);
    h.key = std::string(key);
    SetWindowSubclass(control, ControlProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
}

void HelpTips::Register(HWND control, Help& h) {
    // The smaller record is understood by every common-controls version, whichever one the
    // host's activation context gives us.
    TTTOOLINFOW ti{};
    ti.cbSize = TTTOOLINFOW_V2_SIZE;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = dialog_;
    ti.uId = reinterpret_cast<UINT_PTR>(control);
    ti.lpszText = LPSTR_TEXTCALLBACKW;  // the text follows the current language
    if (!SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti))) return;
    SendMessageW(tip_, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(1000, 0));
    SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 300);
    h.registered = true;
}

LRESULT CALLBACK HelpTips::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR ref) {
    auto* self = reinterpret_cast<HelpTips*>(ref);
    // Nothing may unwind into the window manager; a tip that failed to register is no loss.
    try {
        if (msg == WM_MOUSEMOVE) {
            auto it = self->helps_.find(hwnd);
            if (it != self->helps_.end() && !it->second.registered) self->Register(hwnd, it->second);
        } else if (msg == WM_NCDESTROY) {
            RemoveWindowSubclass(hwnd, ControlProc, id);
            self->helps_.erase(hwnd);
        }
    } catch (...) {
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

bool HelpTips::OnNotify(const NMHDR* hdr) {
    if (!hdr || !tip_ || hdr->hwndFrom != tip_ || hdr->code != TTN_GETDISPINFOW) return false;
    auto* di = reinterpret_cast<NMTTDISPINFOW*>(const_cast<NMHDR*>(hdr));
    auto it = helps_.find(reinterpret_cast<HWND>(hdr->idFrom));
    if (it == helps_.end()) return false;
    it->second.text = Wide(Text(it->second.section, it->second.key));
    di->lpszText = it->second.text.data();
    return true;
}

// ---- property page ----

void* PropertyPage::privateRecord() const {
    return context_ && context_->uiParam ? context_->uiParam->pOEMDM : nullptr;
}

void PropertyPage::MarkChanged() {
    SendMessageW(GetParent(hwnd_), PSM_CHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
}

void PropertyPage::SetItemText(int controlId, const std::u16string& text) {
    HWND c = GetDlgItem(hwnd_, controlId);
    if (c && WindowText16(c) != text) SetWindowTextW(c, Wide(text).c_str());
}

void PropertyPage::SetItemText(int controlId, std::string_view section, std::string_view key) {
    SetItemText(controlId, Text(section, key));
}

int PropertyPage::ShowMessage(std::string_view key, std::string_view captionKey, UINT flags) {
    std::wstring text = Wide(Text(sec::MessageBox, key)), caption = Wide(Text(sec::MessageBox, captionKey));
    return MessageBoxW(hwnd_, text.c_str(), caption.c_str(), flags);
}

void PropertyPage::Apply() {
    if (!OnApply()) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
        return;
    }
    if (context_ && context_->pfnComPropSheet)
        context_->pfnComPropSheet(context_->hSheet, CPSFUNC_SET_RESULT,
                                  reinterpret_cast<LPARAM>(context_->hPage), CPSUI_OK);
    SendMessageW(GetParent(hwnd_), PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd_), 0);
    SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, PSNRET_NOERROR);
}

INT_PTR PropertyPage::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            tips_.Attach(hwnd_);
            OnInit();
            LoadTexts();
            return TRUE;
        case WM_PAINT:
            // Another page or another process may have changed the language.
            LoadTexts();
            return FALSE;
        case WM_SHOWWINDOW:
            if (wp) LoadTexts();
            return FALSE;
        case WM_COMMAND:
            return OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp)) ? TRUE : FALSE;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (tips_.OnNotify(hdr)) return TRUE;
            if (hdr->code == PSN_APPLY) {
                Apply();
                return TRUE;
            }
            if (hdr->code == PSN_SETACTIVE) LoadTexts();
            LRESULT result = 0;
            if (OnNotify(hdr, result)) {
                SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
                return TRUE;
            }
            return FALSE;
        }
        default: {
            bool handled = false;
            INT_PTR r = OnMessage(msg, wp, lp, handled);
            return handled ? r : FALSE;
        }
    }
}

INT_PTR PropertyPage::Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Factory make) {
    // Nothing may unwind into the window manager.
    try {
        auto* page = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(hwnd, DWLP_USER));
        if (msg == WM_INITDIALOG) {
            auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lp);
            page = make().release();
            page->hwnd_ = hwnd;
            page->context_ = psp ? reinterpret_cast<SheetContext*>(psp->lParam) : nullptr;
            SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
            // Retitling recognises the sheets that hold our pages by this mark.
            SetPropW(hwnd, kPluginPageProperty, reinterpret_cast<HANDLE>(1));
        }
        if (!page) return FALSE;
        INT_PTR r = page->Handle(msg, wp, lp);
        if (msg == WM_NCDESTROY) {
            RemovePropW(hwnd, kPluginPageProperty);
            SetWindowLongPtrW(hwnd, DWLP_USER, 0);
            delete page;
        }
        return r;
    } catch (...) {
        return FALSE;
    }
}

// ---- page registry ----

namespace {
std::array<PageEntry, size_t(PageKind::Count)>& Registered() {
    static std::array<PageEntry, size_t(PageKind::Count)> pages{};
    return pages;
}
}  // namespace

PageRegistration::PageRegistration(PageKind kind, int templateId, DLGPROC proc) {
    Registered()[size_t(kind)] = PageEntry{templateId, proc};
}

PageEntry PageFor(PageKind kind) {
    return Registered()[size_t(kind)];
}

}  // namespace k20::prnui
