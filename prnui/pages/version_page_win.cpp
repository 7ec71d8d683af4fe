// The Version page: texts in the current language and a web link that underlines under
// the mouse and opens in the user's browser.
#include <windows.h>
#include <shellapi.h>

#include "prnui/core/language.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"
#include "prnui/pages/version_ids.h"
#include "prnui/pages/version_model.h"

namespace k20::prnui {

namespace {

std::u16string Unescape(std::u16string s) {
    // The language files write the line breaks of the product lines as "\n".
    for (size_t p; (p = s.find(u"\\n")) != std::u16string::npos;) s.replace(p, 2, u"\r\n");
    return s;
}

class VersionPage final : public PropertyPage {
  public:
    ~VersionPage() override {
        if (plain_) DeleteObject(plain_);
        if (underlined_) DeleteObject(underlined_);
    }

  protected:
    void OnInit() override {
        // Both fonts are made once; moving the mouse only switches between them.
        LOGFONTW lf{};
        lf.lfHeight = 13;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = DEFAULT_CHARSET;
        lf.lfPitchAndFamily = 32;
        wcscpy(lf.lfFaceName, L"MS Shell Dlg");
        plain_ = CreateFontIndirectW(&lf);
        lf.lfUnderline = TRUE;
        underlined_ = CreateFontIndirectW(&lf);
        SendDlgItemMessageW(hwnd(), IDC_VER7, WM_SETFONT, reinterpret_cast<WPARAM>(plain_), FALSE);
    }

    void LoadTexts() override {
        for (int i = 0; i < 7; ++i)
            SetItemText(IDC_VER1 + i, Unescape(Text(sec::Version, kVersionLabelKeys[i])));
        SetItemText(IDC_VER9, Unescape(Text(sec::Version, kVersionFooterKey)));
    }

    INT_PTR OnMessage(UINT msg, WPARAM, LPARAM lp, bool& handled) override {
        handled = false;
        switch (msg) {
            case WM_MOUSEMOVE:
            case WM_LBUTTONDOWN: {
                const LinkHover h = link_.MouseAt(Area(), GET_X_LPARAM_(lp), GET_Y_LPARAM_(lp));
                if (h.setCursor) SetCursor(LoadCursorW(nullptr, h.handCursor ? IDC_HAND : IDC_ARROW));
                if (h.changeFont) {
                    HWND label = GetDlgItem(hwnd(), IDC_VER7);
                    SendMessageW(label, WM_SETFONT,
                                 reinterpret_cast<WPARAM>(h.underlined ? underlined_ : plain_), TRUE);
                }
                handled = true;
                return 0;
            }
            case WM_LBUTTONUP: {
                const bool inside = link_.Release(Area(), GET_X_LPARAM_(lp), GET_Y_LPARAM_(lp));
                SetCursor(LoadCursorW(nullptr, inside ? IDC_HAND : IDC_ARROW));
                if (inside) {
                    const std::wstring url = Wide(Text(sec::Version, kVersionLinkKey));
                    ShellExecuteW(hwnd(), L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
                }
                handled = true;
                return 0;
            }
            case WM_SETCURSOR:
                if (link_.underlined()) {
                    SetCursor(LoadCursorW(nullptr, IDC_HAND));
                    SetWindowLongPtrW(hwnd(), DWLP_MSGRESULT, TRUE);
                    handled = true;
                    return TRUE;
                }
                break;
        }
        return 0;
    }

  private:
    static int GET_X_LPARAM_(LPARAM lp) { return int(short(LOWORD(lp))); }
    static int GET_Y_LPARAM_(LPARAM lp) { return int(short(HIWORD(lp))); }

    LinkRect Area() const {
        HWND label = GetDlgItem(hwnd(), IDC_VER7);
        RECT lw{}, lc{}, dc{}, dw{};
        GetWindowRect(label, &lw);
        GetClientRect(label, &lc);
        GetClientRect(hwnd(), &dc);
        GetWindowRect(hwnd(), &dw);
        POINT leftTop{lw.left, lw.top};
        ScreenToClient(hwnd(), &leftTop);
        LinkGeometry g{int(leftTop.x), int(lw.bottom), int(lc.bottom - lc.top), int(dc.bottom - dc.top),
                       int(dw.bottom)};
        return LinkArea(g, Text(sec::Version, kVersionLinkKey).size());
    }

    VersionLinkModel link_;
    HFONT plain_ = nullptr;
    HFONT underlined_ = nullptr;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Version, IDD_VERSION, VersionPage);

}  // namespace k20::prnui
