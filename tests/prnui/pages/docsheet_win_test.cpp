// The document sheet under Wine through the stand-in host: the Layout, Watermark,
// Operation and Version pages driven with control messages, Apply, and the private record
// the host keeps afterwards. Also saves a picture of each page in English and Chinese.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "prnui/core/private_settings.h"
#include "prnui/pages/layout_ids.h"
#include "prnui/pages/operation_ids.h"
#include "prnui/pages/version_ids.h"
#include "prnui/pages/watermark_ids.h"
#include "tools/printhost/host_session_win.h"
#include "tests/prnui/hosted/hosted_sheet_win.h"
#include "tools/printhost/window_bitmap_win.h"

namespace k20::prnui {
namespace {

using printhost::HostSession;
using printhost::SaveWindowBitmap;
using printhost::Sheet;
using test::Choose;
using test::ItemText;
using test::Pump;
using test::SetLanguage;
using test::TypeInto;
using test::WinPath;

constexpr int kLayoutTab = 2, kWatermarkTab = 3, kOperationTab = 4, kVersionTab = 7;

// ---- modal windows met on the way: message boxes and the operation dialog ----

struct ModalLog {
    std::vector<std::wstring> messages;         // texts of the message boxes closed
    std::function<void(HWND)> operationDialog;  // what to do in the operation dialog
    int operationDialogs = 0;
};
ModalLog g_modal;

void CALLBACK CloseModalProc(HWND, UINT, UINT_PTR, DWORD) {
    HWND found = test::FindThreadModal();
    if (!found) return;
    if (GetDlgItem(found, IDC_OPD_CUT)) {
        ++g_modal.operationDialogs;
        auto act = std::move(g_modal.operationDialog);
        g_modal.operationDialog = nullptr;
        if (act)
            act(found);
        else
            PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    g_modal.messages.push_back(test::MessageText(found));
    PostMessageW(found, WM_COMMAND, IDOK, 0);
}

// ---- driving controls as a user would ----

void Click(HWND page, int id) {
    HWND c = GetDlgItem(page, id);
    ASSERT_NE(c, nullptr) << id;
    SendMessageW(c, BM_CLICK, 0, 0);
    Pump(2);
}

class DocumentSheet : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        test::ShipLanguageFiles(WinPath(K20_PACKAGE_DIR));
        SetLanguage(L"ENG_K20.res");
        session_ = new HostSession();
        std::wstring error;
        loaded_ = session_->Load(WinPath(K20_PRNUI_DLL), error);
        timer_ = SetTimer(nullptr, 0, 40, CloseModalProc);
    }
    static void TearDownTestSuite() { KillTimer(nullptr, timer_); }

    void SetUp() override {
        ASSERT_TRUE(loaded_);
        g_modal = {};
        // Each test starts from the default record.
        std::vector<uint8_t>& rec = session_->privateRecord();
        ASSERT_EQ(rec.size(), sizeof(PrivateSettings));
        SetDefaults(*reinterpret_cast<PrivateSettings*>(rec.data()), u"C:\\windows\\system32");
        session_->driverItems()[0].Sel = 0;
    }

    HWND Open() {
        HWND w = test::OpenSheet(*session_, Sheet::Document);
        EXPECT_NE(w, nullptr);
        return w;
    }
    HWND Page(HWND sheet, int tab) { return test::SelectTab(sheet, tab); }
    void Close(HWND sheet, bool apply) { test::CloseSheet(*session_, sheet, apply); }
    const PrivateSettings& Kept() {
        return *reinterpret_cast<const PrivateSettings*>(session_->privateRecord().data());
    }

    static inline HostSession* session_ = nullptr;
    static inline bool loaded_ = false;
    static inline UINT_PTR timer_ = 0;
};

TEST_F(DocumentSheet, LayoutChoicesReachTheRecordAndThePaperItem) {
    HWND sheet = Open();
    HWND page = Page(sheet, kLayoutTab);
    ASSERT_NE(GetDlgItem(page, IDC_LAY_SCALE), nullptr) << "the Layout page is not the real one";
    const bool noWasChecked = IsDlgButtonChecked(page, IDC_LAY_NO) == BST_CHECKED;

    Click(page, IDC_LAY_ZOOM);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_LAY_YES), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_LAY_YES)));
    EXPECT_EQ(g_modal.messages.size(), noWasChecked ? 1u : 0u);
    if (noWasChecked) {
        EXPECT_EQ(g_modal.messages[0], L"All Text will be printed as graphics image!");
    }

    HWND scale = GetDlgItem(page, IDC_LAY_SCALE);
    TypeInto(scale, L"150");
    EXPECT_EQ(ItemText(page, IDC_LAY_SCALE), L"100");
    TypeInto(scale, L"55");

    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_LAY_BROWSE)));
    Click(page, IDC_LAY_LOG);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_LAY_BROWSE)));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_LAY_PRN), BST_CHECKED);
    Click(page, IDC_LAY_JPEG);

    Choose(page, IDC_LAY_PAPER, 1);
    bool paperTold = false;
    for (const auto& u : session_->uiUpdates())
        paperTold = paperTold || (u.itemName == L"Paper Size" && session_->driverItems()[0].Sel == 1);
    EXPECT_TRUE(paperTold);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_LAY_ROTATE180)));

    Close(sheet, true);
    const PrivateSettings& s = Kept();
    EXPECT_EQ(s.zoomEnabled, 1);
    EXPECT_EQ(s.zoomScale, 55);
    EXPECT_EQ(s.printAsImage, 1);
    EXPECT_EQ(s.rotate180, 0);
    EXPECT_EQ(s.logEnabled, 1);
    EXPECT_EQ(s.logSavePrn, 1);
    EXPECT_EQ(s.logSaveBmp, 0);
    EXPECT_EQ(s.logSaveJpeg, 1);
    EXPECT_EQ(s.paperSizeName.get(), u"A4");
}

TEST_F(DocumentSheet, ClosingWithoutApplyKeepsTheRecord) {
    const std::vector<uint8_t> before = session_->privateRecord();
    HWND sheet = Open();
    HWND page = Page(sheet, kLayoutTab);
    Click(page, IDC_LAY_LOG);
    TypeInto(GetDlgItem(page, IDC_LAY_SCALE), L"20");
    Close(sheet, false);
    EXPECT_EQ(session_->privateRecord(), before);
}

TEST_F(DocumentSheet, TextWatermarkIsStoredAndRenderedIntoTheWorkingFile) {
    HWND sheet = Open();
    HWND page = Page(sheet, kWatermarkTab);
    ASSERT_NE(GetDlgItem(page, IDC_WM_PREVIEW), nullptr) << "the Watermark page is not the real one";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_WM_TEXT_COMBO)));

    Click(page, IDC_WM_TEXT);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_WM_TEXT_COMBO)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_WM_BROWSE)));
    const size_t told = g_modal.messages.size();
    Click(page, IDC_WM_IMAGE);
    Click(page, IDC_WM_TEXT);
    EXPECT_EQ(g_modal.messages.size(), told) << "the information message is shown only the first time";

    HWND edit = FindWindowExW(GetDlgItem(page, IDC_WM_TEXT_COMBO), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    TypeInto(edit, L"SAMPLE WATERMARK TEXT");
    Choose(page, IDC_WM_POSITION, 9);  // Tiled
    SendDlgItemMessageW(page, IDC_WM_SCALE, TBM_SETPOS, TRUE, 5);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 5),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_WM_SCALE)));
    EXPECT_EQ(SendDlgItemMessageW(page, IDC_WM_SCALE, TBM_GETPOS, 0, 0), 20);
    TypeInto(GetDlgItem(page, IDC_WM_FONTSIZE), L"99");
    EXPECT_EQ(ItemText(page, IDC_WM_FONTSIZE), L"72");

    // Layout now shows "Yes" greyed: a watermark prints everything as an image.
    HWND layout = Page(sheet, kLayoutTab);
    EXPECT_EQ(IsDlgButtonChecked(layout, IDC_LAY_YES), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(layout, IDC_LAY_YES)));

    Close(sheet, true);
    const PrivateSettings& s = Kept();
    EXPECT_EQ(s.watermarkMode, 2);
    EXPECT_EQ(s.printAsImage, 1);
    EXPECT_EQ(s.watermarkText.get(), u"SAMPLE WATERMAR");  // 16 typed, 15 kept
    EXPECT_EQ(s.watermarkPosition, 9);
    EXPECT_EQ(s.watermarkSize, 20);
    EXPECT_EQ(s.watermarkFontSize, 72);
    EXPECT_FALSE(s.watermarkFontFace.get().empty()) << "no TrueType face was offered";

    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"\\" + session_->printerName() + L"1.bmp";
    WIN32_FILE_ATTRIBUTE_DATA fa{};
    ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &fa));
    EXPECT_EQ(fa.nFileSizeLow, 270054u);
    // The text is drawn: some pixels are dark (the file carries no brightness).
    HANDLE f = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> bytes(270054);
    DWORD got = 0;
    ReadFile(f, bytes.data(), DWORD(bytes.size()), &got, nullptr);
    CloseHandle(f);
    ASSERT_EQ(got, 270054u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[10], 54);
    const size_t dark =
        size_t(std::count_if(bytes.begin() + 54, bytes.end(), [](uint8_t b) { return b < 128; }));
    EXPECT_GT(dark, 300u);
}

// Wine serves "\\server\share" from the prefix's dosdevices\unc folder, so a file put there
// stands for one on a server the document settings name.
bool PutOnWineShare(const std::wstring& server, const std::wstring& name, std::wstring& why) {
    wchar_t prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) {
        why = L"no WINEPREFIX";
        return false;
    }
    std::wstring dir = std::wstring(L"Z:") + prefix + L"\\dosdevices\\unc\\" + server + L"\\share";
    std::replace(dir.begin(), dir.end(), L'/', L'\\');
    SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
    // A 2 x 2 24-bit bitmap.
    std::vector<uint8_t> bmp(54 + 16, 0x40);
    const uint8_t header[54] = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  40,
                                0,   0,   0,  2, 0, 0, 0, 2, 0, 0, 0,  1, 0, 24, 0};
    std::copy(std::begin(header), std::end(header), bmp.begin());
    HANDLE f =
        CreateFileW((dir + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        why = L"cannot write " + dir;
        return false;
    }
    DWORD w = 0;
    WriteFile(f, bmp.data(), DWORD(bmp.size()), &w, nullptr);
    CloseHandle(f);
    return true;
}

TEST_F(DocumentSheet, NetworkBitmapPathFromTheSettingsIsNotOpenedWhenThePageShows) {
    const std::wstring unc = L"\\\\k20server\\share\\wm.bmp";
    std::wstring why;
    const bool served = PutOnWineShare(L"k20server", L"wm.bmp", why);
    if (served) {
        // The precondition: the path does reach the stand-in server.
        HANDLE f =
            CreateFileW(unc.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(f, INVALID_HANDLE_VALUE) << "Wine no longer serves UNC paths from dosdevices\\unc";
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring working = std::wstring(temp) + L"\\" + session_->printerName() + L"1.bmp";
    DeleteFileW(working.c_str());

    auto& rec = *reinterpret_cast<PrivateSettings*>(session_->privateRecord().data());
    rec.watermarkMode = 1;
    rec.printAsImage = 1;
    rec.watermarkBitmapPath.set(std::u16string(unc.begin(), unc.end()));
    HWND sheet = Open();
    HWND page = Page(sheet, kWatermarkTab);
    Pump(10);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 30),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_WM_LIGHT)));
    Pump(5);
    EXPECT_EQ(ItemText(page, IDC_WM_PATH), unc) << "the stored path is still shown";
    EXPECT_EQ(GetFileAttributesW(working.c_str()), INVALID_FILE_ATTRIBUTES)
        << "the server's bitmap was copied";
    EXPECT_TRUE(g_modal.messages.empty()) << "a load was tried and its failure told";
    Close(sheet, false);
    if (!served)
        std::printf("note: no stand-in share (%ls); only the absence of a copy was checked\n", why.c_str());
}

TEST_F(DocumentSheet, PresetTextIsRenderedWithoutBeingTouched) {
    HWND sheet = Open();
    HWND page = Page(sheet, kWatermarkTab);
    Click(page, IDC_WM_TEXT);
    Close(sheet, true);
    EXPECT_EQ(Kept().watermarkText.get(), u"CONFIDENTIAL");
}

TEST_F(DocumentSheet, OperationDialogOkStoresAndCancelLeavesTheBlock) {
    HWND sheet = Open();
    HWND page = Page(sheet, kOperationTab);
    ASSERT_NE(GetDlgItem(page, IDC_OP_ENDDOC), nullptr);

    g_modal.operationDialog = [](HWND dlg) {
        HWND cut = GetDlgItem(dlg, IDC_OPD_CUT);
        SendMessageW(cut, CB_SETCURSEL, 1, 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_OPD_CUT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(cut));
        SendDlgItemMessageW(dlg, IDC_OPD_SEND, BM_CLICK, 0, 0);
        HWND cmd = GetDlgItem(dlg, IDC_OPD_COMMAND);
        TypeInto(cmd, L"1b40");
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    Click(page, IDC_OP_ENDDOC);
    EXPECT_EQ(g_modal.operationDialogs, 1);

    g_modal.operationDialog = [](HWND dlg) {
        HWND cut = GetDlgItem(dlg, IDC_OPD_CUT);
        SendMessageW(cut, CB_SETCURSEL, 2, 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_OPD_CUT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(cut));
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    };
    Click(page, IDC_OP_ENDDOC);
    EXPECT_EQ(g_modal.operationDialogs, 2);

    Close(sheet, true);
    const OperationValues end = ReadOperation(Kept(), OperationPoint::EndDoc);
    EXPECT_EQ(end.cut, 1);
    EXPECT_EQ(end.commandEnabled, 1);
    ASSERT_EQ(end.commandLength, 2);
    EXPECT_EQ(end.command[0], 0x1B);
    EXPECT_EQ(end.command[1], 0x40);
}

TEST_F(DocumentSheet, PicturesOfTheFourPagesInEnglishAndChinese) {
    const std::wstring dir = WinPath(K20_SCREENS_DIR);
    SHCreateDirectory(nullptr, dir.c_str());
    const std::pair<int, const wchar_t*> pages[] = {{kLayoutTab, L"layout"},
                                                    {kWatermarkTab, L"watermark"},
                                                    {kOperationTab, L"operation"},
                                                    {kVersionTab, L"version"}};
    for (const wchar_t* lang : {L"ENG", L"CHN"}) {
        SetLanguage((std::wstring(lang) + L"_K20.res").c_str());
        HWND sheet = Open();
        std::wstring layoutTitle;
        for (const auto& [tab, name] : pages) {
            HWND page = Page(sheet, tab);
            if (tab == kWatermarkTab) Click(page, IDC_WM_TEXT);  // show the text preview
            RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump(20);
            if (tab == kLayoutTab) layoutTitle = ItemText(page, IDC_LAY_ZOOM);
            EXPECT_TRUE(SaveWindowBitmap(sheet, dir + L"\\docpages_" + lang + L"_" + name + L".bmp")) << name;
        }
        if (std::wstring(lang) == L"ENG")
            EXPECT_EQ(layoutTitle, L"Zoom Printing");
        else
            EXPECT_NE(layoutTitle, L"Zoom Printing");
        Close(sheet, false);
    }
    SetLanguage(L"ENG_K20.res");
}

}  // namespace
}  // namespace k20::prnui
