#pragma once
// What every property page of the plug-in shares: its sheet context, texts reloaded on
// every repaint, change marking, Apply reported to the host, and help tool-tips.
//
// A page is a portable model class (state, enable rules, stored values, messages) plus a
// thin class derived from PropertyPage that copies between controls and the model. See
// prnui/pages/README.md.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "prnui/core/plugin_object_win.h"
#include "prnui/pages/sheet_logic.h"

namespace k20::prnui {

// Help tool-tips of one dialog: each registered control shows its CTEXT_ text of the current
// language when the mouse rests on it (1000 ms, 300 pixels wide). Used by the pages and by
// the modal dialogs they open.
class HelpTips {
  public:
    HelpTips() = default;
    HelpTips(const HelpTips&) = delete;
    HelpTips& operator=(const HelpTips&) = delete;
    ~HelpTips();

    // Creates the tool-tip window owned by the dialog.
    void Attach(HWND dialog);
    // The control gets help text (section, key); it registers with the tool-tip window when
    // the mouse first moves inside it.
    void Add(int controlId, std::string_view section, std::string_view key);
    // Answers the tool-tip's request for text; true when the notification was ours.
    bool OnNotify(const NMHDR* hdr);

    HWND window() const { return tip_; }

  private:
    struct Help {
        std::string section, key;
        std::wstring text;  // the buffer handed to the tool-tip
        bool registered = false;
    };
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Register(HWND control, Help& h);

    HWND dialog_ = nullptr;
    HWND tip_ = nullptr;
    std::map<HWND, Help> helps_;
};

class PropertyPage {
  public:
    virtual ~PropertyPage() = default;

    // The dialog procedure of a page class T (default-constructible, derived from
    // PropertyPage). The page parameter (lParam of the PROPSHEETPAGE) is the SheetContext.
    template <class T>
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        return Dispatch(hwnd, msg, wp, lp, [] { return std::unique_ptr<PropertyPage>(new T()); });
    }

    HWND hwnd() const { return hwnd_; }
    SheetContext& context() const { return *context_; }
    // The private record of the document sheet (null on the device sheet).
    void* privateRecord() const;

    // Enables the sheet's Apply button.
    void MarkChanged();
    // Sets a control's text to a text of the current language (only when it differs, so that
    // a repaint does not make the controls flicker).
    void SetItemText(int controlId, std::string_view section, std::string_view key);
    void SetItemText(int controlId, const std::u16string& text);
    void AddHelp(int controlId, std::string_view section, std::string_view key) {
        tips_.Add(controlId, section, key);
    }
    // Shows a message of the MessageBox section with a caption key (MB_INFORMATION, ...).
    int ShowMessage(std::string_view key, std::string_view captionKey, UINT flags);

  protected:
    // The page is created: controls exist, the context is stored.
    virtual void OnInit() {}
    // Reload every text of the page (called on every repaint and when the page is shown).
    virtual void LoadTexts() {}
    virtual bool OnCommand(WORD /*id*/, WORD /*code*/, HWND /*control*/) { return false; }
    virtual bool OnNotify(NMHDR* /*hdr*/, LRESULT& /*result*/) { return false; }
    // Any other message; set handled to answer it.
    virtual INT_PTR OnMessage(UINT /*msg*/, WPARAM, LPARAM, bool& handled) {
        handled = false;
        return 0;
    }
    // Store the page's values; false keeps the sheet open (the page says why).
    virtual bool OnApply() { return true; }

  private:
    using Factory = std::unique_ptr<PropertyPage> (*)();
    static INT_PTR Dispatch(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, Factory make);
    INT_PTR Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Apply();

    HWND hwnd_ = nullptr;
    SheetContext* context_ = nullptr;
    HelpTips tips_;
};

struct PageRegistration {
    PageRegistration(PageKind kind, int templateId, DLGPROC proc);
};
// A page author registers the finished page once, in its _win.cpp:
//   K20_REGISTER_PAGE(PageKind::Layout, IDD_LAYOUT, LayoutPage);
#define K20_REGISTER_PAGE(kind, templateId, Class)                           \
    static const ::k20::prnui::PageRegistration k20PageRegistration_##Class( \
        kind, templateId, &::k20::prnui::PropertyPage::Proc<Class>)

struct PageEntry {
    int templateId = 0;
    DLGPROC proc = nullptr;
};
// The registered page; no dialog procedure when none is.
PageEntry PageFor(PageKind kind);

// Points the driver's density option (if it has one) at our texts "Print Density" and
// "Density0", "Density1", ... and tells the host. Sheet creation and the Layout page do it.
void RenameDensityOptions(SheetContext& ctx);

// The window property every page of the plug-in carries while it exists.
inline constexpr wchar_t kPluginPageProperty[] = L"K20PluginPage";
// True when a page of the plug-in is a child of the window.
bool HoldsPluginPages(HWND sheet);

// Retitling after a language change: the plug-in's tabs of this sheet window (document
// sheet) and of the printer's other open property sheets of this process that hold the
// plug-in's pages (device sheet), then those pages repaint to reload their texts. Another
// program's dialog is left alone, whatever its title says.
void RetitleSheets(HWND sheetWindow, const std::wstring& printerName);

}  // namespace k20::prnui
