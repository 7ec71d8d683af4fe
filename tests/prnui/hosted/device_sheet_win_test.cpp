// The device sheet under Wine through the stand-in host: the Utility page opens on the
// default form and talks to the spooler (Wine keeps no user forms, so the form rules are
// proven on the simulated spooler), its self-test job as the port receives it, the Font
// page's tree, the control-font dialogs, and pictures of all of them in two languages.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prnui/pages/utility_ids.h"
#include "tests/prnui/hosted/hosted_sheet_win.h"
#include "tools/printhost/host_session_win.h"
#include "tools/printhost/printer_setup_win.h"

namespace k20::prnui {
namespace {

using namespace k20::test;
using printhost::HostSession;
using printhost::Sheet;

constexpr int kUtilityTab = 2, kFontTab = 4;  // after the host's two pages; Download between
const std::string kCapture = std::string(K20_BINARY_DIR) + "/device_capture.prn";

std::wstring ListText(HWND page, int id, int index) {
    wchar_t b[128] = {};
    SendDlgItemMessageW(page, id, LB_GETTEXT, WPARAM(index), reinterpret_cast<LPARAM>(b));
    return b;
}

struct TreeNode {
    std::wstring text;
    bool expanded = false;
    std::vector<TreeNode> children;
};

TreeNode ReadTree(HWND tree, HTREEITEM item) {
    wchar_t b[128] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_STATE;
    it.hItem = item;
    it.pszText = b;
    it.cchTextMax = 128;
    it.stateMask = TVIS_EXPANDED;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    TreeNode n{b, (it.state & TVIS_EXPANDED) != 0, {}};
    for (auto c = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
         c; c = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(c))))
        n.children.push_back(ReadTree(tree, c));
    return n;
}

class DeviceSheet : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        captureReady_ = PrepareSheetHost(WinPath(K20_PACKAGE_DIR), WinPath(K20_PRINTHOST_DIR),
                                         L"K-20 Device Capture", L"K20DEVCAPTURE:", kCapture, captureError_);
        session_ = new HostSession();
        std::wstring error;
        loaded_ = session_->Load(WinPath(K20_PRNUI_DLL), error);
        hasPrinter_ = session_->UsePrinter(captureReady_ ? L"K-20 Device Capture" : L"K-20 Receipt");
        StartModalWatch();
    }
    static void TearDownTestSuite() { StopModalWatch(); }

    void SetUp() override {
        ASSERT_TRUE(loaded_);
        Modals() = {};
    }
    HWND Open() {
        HWND w = test::OpenSheet(*session_, Sheet::Device);
        EXPECT_NE(w, nullptr);
        return w;
    }
    HWND Page(HWND sheet, int tab) { return test::SelectTab(sheet, tab); }
    void Close(HWND sheet) { test::CloseSheet(*session_, sheet, false); }

    static inline HostSession* session_ = nullptr;
    static inline bool loaded_ = false, captureReady_ = false, hasPrinter_ = false;
    static inline std::wstring captureError_;
};

TEST_F(DeviceSheet, UtilityPageShowsTheDefaultFormAndSurvivesTheSpoolerCalls) {
    if (!hasPrinter_) GTEST_SKIP() << "no printer of the stand-in driver in this prefix";
    HWND sheet = Open();
    HWND page = Page(sheet, kUtilityTab);
    ASSERT_NE(GetDlgItem(page, IDC_UTIL_FORMLIST), nullptr) << "the Utility page is not the real one";
    ASSERT_GE(SendDlgItemMessageW(page, IDC_UTIL_FORMLIST, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(ListText(page, IDC_UTIL_FORMLIST, 0), L"Custom Paper-K20");
    EXPECT_EQ(ItemText(page, IDC_UTIL_NAME), L"K20");
    EXPECT_EQ(ItemText(page, IDC_UTIL_WIDTH), L"800");
    EXPECT_EQ(ItemText(page, IDC_UTIL_HEIGHT), L"2970");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_UTIL_DELETE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_UTIL_CONTROLFONT)));
    EXPECT_EQ(ItemText(page, IDC_UTIL_WIDTH_RANGE), L"[ 410 - 800 (0.1mm) ]");

    // Out-of-range entries end at the bounds before the spooler sees them; whether Wine
    // keeps the form or refuses it, the page answers and stays alive.
    SetDlgItemTextW(page, IDC_UTIL_NAME, L"Wide");
    SetDlgItemTextW(page, IDC_UTIL_WIDTH, L"300");
    SetDlgItemTextW(page, IDC_UTIL_HEIGHT, L"40000");
    Command(page, IDC_UTIL_SAVE);
    Pump(10);
    EXPECT_EQ(ItemText(page, IDC_UTIL_WIDTH), L"410");
    EXPECT_EQ(ItemText(page, IDC_UTIL_HEIGHT), L"32760");
    for (const std::wstring& m : Modals().messages) EXPECT_EQ(m, L"Set custom paper size failed!");
    SendDlgItemMessageW(page, IDC_UTIL_FORMLIST, LB_SETCURSEL, 0, 0);
    Command(page, IDC_UTIL_FORMLIST, LBN_SELCHANGE);
    EXPECT_EQ(ItemText(page, IDC_UTIL_NAME), L"K20");
    EXPECT_TRUE(IsWindow(sheet));
    Close(sheet);
}

TEST_F(DeviceSheet, SelfTestJobReachesThePort) {
    if (!captureReady_)
        GTEST_SKIP() << "no capture printer in this prefix: "
                     << std::string(captureError_.begin(), captureError_.end());
    HWND sheet = Open();
    HWND page = Page(sheet, kUtilityTab);
    ClearCapture(kCapture);
    Command(page, IDC_UTIL_SELFTEST);
    const std::vector<uint8_t> job = ReadCapture(kCapture);
    Close(sheet);
    if (job.empty()) GTEST_SKIP() << "Wine's spooler did not pass the raw job to the mapped port file";
    const std::vector<uint8_t> want = {0x1B, 0x63, 0x3B, 0x01, 0x1D, 0x28, 0x41, 0x02,
                                       0x00, 0x00, 0x02, 0x1B, 0x63, 0x3B, 0x00};
    EXPECT_EQ(job, want);
    EXPECT_TRUE(Modals().messages.empty());
}

TEST_F(DeviceSheet, FontPageTreeIsExpandedWithTheRootSelected) {
    HWND sheet = Open();
    HWND page = Page(sheet, kFontTab);
    HWND tree = GetDlgItem(page, IDC_FONT_TREE);
    ASSERT_NE(tree, nullptr) << "the Font page is not the real one";
    auto root = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)), root);
    EXPECT_NE(SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0), 0);
    const TreeNode t = ReadTree(tree, root);
    EXPECT_EQ(t.text, L"Printer Fonts and Font Sizes");
    EXPECT_TRUE(t.expanded);
    ASSERT_EQ(t.children.size(), 3u);
    const std::vector<std::vector<std::wstring>> leaves = {
        {L"FontA11    9.5", L"FontA12    19.0", L"FontA21    9.5", L"FontA22   19.0", L"FontA24   38.5",
         L"FontA42   19.0", L"FontA44   38.5"},
        {L"FontB11    7.0", L"FontB12    13.5", L"FontB21    7.0", L"FontB22   13.5", L"FontB24   27.0",
         L"FontB42   13.5", L"FontB44   27.0"},
        {L"Control    1.0"}};
    const wchar_t* families[] = {L"Font A", L"Font B", L"Control Font"};
    for (size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(t.children[f].text, families[f]);
        EXPECT_TRUE(t.children[f].expanded) << f;
        std::vector<std::wstring> got;
        for (const TreeNode& leaf : t.children[f].children) got.push_back(leaf.text);
        EXPECT_EQ(got, leaves[f]);
    }
    // The profile functions drop the trailing space that the built-in text keeps.
    EXPECT_EQ(ItemText(page, IDC_FONT_NOTICE).rfind(L"Select this font size in the application.", 0), 0u);
    Close(sheet);
}

TEST_F(DeviceSheet, PicturesOfThePagesAndTheControlFontDialogsInEnglishAndChinese) {
    const std::wstring dir = WinPath(K20_SCREENS_DIR);
    SHCreateDirectory(nullptr, dir.c_str());
    for (const wchar_t* lang : {L"ENG", L"CHN"}) {
        SetLanguage((std::wstring(lang) + L"_K20.res").c_str());
        const std::wstring prefix = dir + L"\\device_" + lang + L"_";
        HWND sheet = Open();
        auto shoot = [&](HWND w, const std::wstring& name) {
            RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump(20);
            EXPECT_TRUE(SaveWindowBitmap(w, prefix + name + L".bmp"))
                << std::string(name.begin(), name.end());
        };
        HWND utility = Page(sheet, kUtilityTab);
        shoot(sheet, L"utility");
        const std::wstring group = ItemText(utility, IDC_UTIL_CUSTOMSIZE_GROUP);
        if (std::wstring(lang) == L"ENG") {
            EXPECT_EQ(group, L"User Defined Paper Size");
        } else {
            EXPECT_NE(group, L"User Defined Paper Size");
        }
        Page(sheet, kFontTab);
        shoot(sheet, L"font");

        // The hidden "Control Font" button: the table, then the translator on its first row.
        int rows = 0;
        std::wstring driver;
        Modals().actions.push_back([&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_CFT_LIST)) return false;
            HWND list = GetDlgItem(dlg, IDC_CFT_LIST);
            rows = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            driver = ItemText(dlg, IDC_CFT_DRIVER);
            shoot(dlg, L"controlfont_table");
            LVITEMW it{};
            it.stateMask = it.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&it));
            PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_CFT_EDIT, BN_CLICKED), 0);
            return true;
        });
        std::wstring hex;
        Modals().actions.push_back([&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_CFX_COMMAND)) return false;
            hex = ItemText(dlg, IDC_CFX_HEX);
            shoot(dlg, L"controlfont_translator");
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        Modals().actions.push_back([&](HWND dlg) {
            if (!GetDlgItem(dlg, IDC_CFT_LIST)) return false;
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        Command(utility, IDC_UTIL_CONTROLFONT);
        EXPECT_TRUE(Modals().actions.empty());
        EXPECT_EQ(rows, 96);
        EXPECT_EQ(driver, L"K-20 Printer Driver");
        EXPECT_EQ(hex, L"21");
        Modals().actions.clear();
        Close(sheet);
    }
    SetLanguage(L"ENG_K20.res");
}

}  // namespace
}  // namespace k20::prnui
