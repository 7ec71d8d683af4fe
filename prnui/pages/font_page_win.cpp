// The Font page: the device-font tree with our three icons, expanded, root selected.
#include <windows.h>
#include <commctrl.h>

#include "prnui/core/language.h"
#include "prnui/pages/font_page.h"
#include "prnui/pages/page_message_win.h"
#include "prnui/pages/property_page_win.h"
#include "prnui/pages/utility_ids.h"

namespace k20::prnui {

namespace {

class FontPage final : public PropertyPage {
  public:
    ~FontPage() override {
        if (images_) ImageList_Destroy(images_);
    }

  protected:
    void OnInit() override {
        HWND tree = GetDlgItem(hwnd(), IDC_FONT_TREE);
        images_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
        for (int id : {IDI_FONT_ROOT, IDI_FONT_FAMILY, IDI_FONT_SIZE}) {
            HICON icon =
                static_cast<HICON>(LoadImageW(g_module, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
            ImageList_AddIcon(images_, icon);
            DestroyIcon(icon);
        }
        SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_));
        const FontTreeNode model = BuildFontTree(Text(sec::Font, "RC_RONT_TREETITLE"));
        root_ = Insert(tree, TVI_ROOT, model);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(root_));
    }

    void LoadTexts() override {
        SetItemText(IDC_FONT_NOTICE, sec::Font, "RC_STATIC_FONT_NOTICE");
        if (!root_) return;
        HWND tree = GetDlgItem(hwnd(), IDC_FONT_TREE);
        std::wstring want = Wide(Text(sec::Font, "RC_RONT_TREETITLE"));
        wchar_t now[256] = {};
        TVITEMW it{};
        it.mask = TVIF_TEXT;
        it.hItem = root_;
        it.pszText = now;
        it.cchTextMax = 256;
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        if (want == now) return;  // a repaint must not make the tree flicker
        it.pszText = want.data();
        SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    }

  private:
    HTREEITEM Insert(HWND tree, HTREEITEM parent, const FontTreeNode& node) {
        std::wstring text = Wide(node.text);
        TVINSERTSTRUCTW ins{};
        ins.hParent = parent;
        ins.hInsertAfter = TVI_LAST;
        ins.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        ins.item.pszText = text.data();
        ins.item.iImage = ins.item.iSelectedImage = int(node.icon);
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
        for (const auto& child : node.children) Insert(tree, item, child);
        if (!node.children.empty())
            SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        return item;
    }

    HIMAGELIST images_ = nullptr;
    HTREEITEM root_ = nullptr;
};

}  // namespace

K20_REGISTER_PAGE(PageKind::Font, IDD_FONT, FontPage);

}  // namespace k20::prnui
