// The page shown for a tab whose page is not built yet: its title and the labels of its
// section in the current language, so that every tab of both sheets exists from the start.
#include <vector>

#include "prnui/core/language.h"
#include "prnui/pages/property_page_win.h"
#include "prnui/pages/resource_ids.h"

namespace k20::prnui {

namespace {

template <PageKind K>
class PlaceholderPage final : public PropertyPage {
  protected:
    void OnInit() override {
        for (const TextKey& k : PlaceholderFor(K).keys)
            if (k.key.starts_with("CTEXT_")) {
                AddHelp(IDC_PLACEHOLDER_LABELS, k.section, k.key);
                break;
            }
    }

    void LoadTexts() override {
        const Texts& t = CurrentTexts();
        for (const auto& tab : kDocumentPages)
            if (tab.kind == K) SetItemText(IDC_PLACEHOLDER_TITLE, PageTitle(t, tab));
        for (const auto& tab : kDevicePages)
            if (tab.kind == K) SetItemText(IDC_PLACEHOLDER_TITLE, PageTitle(t, tab));
        std::vector<std::u16string> now;
        for (const TextKey& k : PlaceholderFor(K).keys)
            if (k.key.starts_with("RC_")) now.push_back(t.Get(k.section, k.key));
        if (now == shown_) return;
        shown_ = now;
        HWND list = GetDlgItem(hwnd(), IDC_PLACEHOLDER_LABELS);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const auto& s : shown_) {
            std::wstring w(s.begin(), s.end());
            SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
        }
    }

  private:
    std::vector<std::u16string> shown_;
};

}  // namespace

PageEntry PlaceholderEntry(PageKind kind) {
    DLGPROC proc = nullptr;
    switch (kind) {
        case PageKind::Layout:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Layout>>;
            break;
        case PageKind::Watermark:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Watermark>>;
            break;
        case PageKind::Operation:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Operation>>;
            break;
        case PageKind::Code1D:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Code1D>>;
            break;
        case PageKind::Code2D:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Code2D>>;
            break;
        case PageKind::Version:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Version>>;
            break;
        case PageKind::Utility:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Utility>>;
            break;
        case PageKind::Download:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Download>>;
            break;
        case PageKind::Font:
            proc = &PropertyPage::Proc<PlaceholderPage<PageKind::Font>>;
            break;
        case PageKind::Count:
            break;
    }
    return PageEntry{IDD_PLACEHOLDER, proc};
}

}  // namespace k20::prnui
