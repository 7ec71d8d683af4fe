// The 1D Code and 2D Code pages under Wine through the stand-in host: fonts and types
// switched, numbers typed and clamped, the private record after Apply, sample prints
// captured from a printer of the prefix, and pictures of both pages in two languages.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "prnui/core/private_settings.h"
#include "prnui/pages/code1d_ids.h"
#include "prnui/pages/code2d_ids.h"
#include "tests/prnui/hosted/hosted_sheet_win.h"
#include "tools/printhost/host_session_win.h"
#include "tools/printhost/printer_setup_win.h"

namespace k20::prnui {
namespace {

using namespace k20::test;
using printhost::HostSession;
using printhost::Sheet;

constexpr int k1DTab = 5, k2DTab = 6;  // after the host's two pages, Layout, Watermark, Operation
const std::string kCapture = std::string(K20_BINARY_DIR) + "/barcode_capture.prn";

bool Visible(HWND page, int id) {
    return IsWindowVisible(GetDlgItem(page, id)) != FALSE;
}
bool Enabled(HWND page, int id) {
    return IsWindowEnabled(GetDlgItem(page, id)) != FALSE;
}
int ComboSel(HWND page, int id) {
    return int(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
}
int ComboCount(HWND page, int id) {
    return int(SendDlgItemMessageW(page, id, CB_GETCOUNT, 0, 0));
}
std::wstring ComboText(HWND page, int id, int index) {
    wchar_t b[128] = {};
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(b));
    return b;
}

class BarcodeSheet : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        captureReady_ = PrepareSheetHost(WinPath(K20_PACKAGE_DIR), WinPath(K20_PRINTHOST_DIR),
                                         L"K-20 Capture", L"K20CAPTURE:", kCapture, captureError_);
        session_ = new HostSession();
        std::wstring error;
        loaded_ = session_->Load(WinPath(K20_PRNUI_DLL), error);
        if (captureReady_) session_->UsePrinter(L"K-20 Capture");
        StartModalWatch();
    }
    static void TearDownTestSuite() { StopModalWatch(); }

    void SetUp() override {
        ASSERT_TRUE(loaded_);
        Modals() = {};
        std::vector<uint8_t>& rec = session_->privateRecord();
        ASSERT_EQ(rec.size(), sizeof(PrivateSettings));
        SetDefaults(*reinterpret_cast<PrivateSettings*>(rec.data()), u"C:\\windows\\system32");
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
    const uint8_t* KeptBytes() { return session_->privateRecord().data(); }

    static inline HostSession* session_ = nullptr;
    static inline bool loaded_ = false, captureReady_ = false;
    static inline std::wstring captureError_;
};

TEST_F(BarcodeSheet, Code1DFieldsClampAsTypedAndReachTheRecord) {
    HWND sheet = Open();
    HWND page = Page(sheet, k1DTab);
    ASSERT_NE(GetDlgItem(page, IDC_1D_FONT), nullptr) << "the 1D Code page is not the real one";
    ASSERT_EQ(ComboCount(page, IDC_1D_FONT), 8);
    EXPECT_EQ(ComboText(page, IDC_1D_FONT, 0), L"1D Code1");
    EXPECT_EQ(ComboText(page, IDC_1D_FONT, 7), L"1D Code8");
    EXPECT_EQ(ComboCount(page, IDC_1D_TYPE), 13);
    EXPECT_EQ(ItemText(page, IDC_1D_DATA), L"123456789012");
    EXPECT_EQ(ItemText(page, IDC_1D_WIDTH_RANGE), L"[ 2. . 6 ]");
    EXPECT_FALSE(Enabled(page, IDC_1D_FONTA)) << "HRI not printed: no font choice";

    // Font 2 is UPC-E: its own sample data comes with it.
    Choose(page, IDC_1D_FONT, 1);
    EXPECT_EQ(ComboSel(page, IDC_1D_TYPE), 1);
    EXPECT_EQ(ItemText(page, IDC_1D_DATA), L"023456789012");

    struct Typed {
        int id;
        const wchar_t* typed;
        const wchar_t* shown;
    };
    const Typed typed[] = {
        {IDC_1D_WIDTH, L"9", L"6"},  {IDC_1D_WIDTH, L"0", L"2"},      {IDC_1D_WIDTH, L"5", L"5"},
        {IDC_1D_HEIGHT, L"0", L"1"}, {IDC_1D_HEIGHT, L"300", L"255"},
    };
    for (const Typed& t : typed) {
        TypeInto(GetDlgItem(page, t.id), t.typed);
        EXPECT_EQ(ItemText(page, t.id), t.shown) << t.typed;
    }
    Choose(page, IDC_1D_POSITION, 2);
    EXPECT_TRUE(Enabled(page, IDC_1D_FONTA));
    Command(page, IDC_1D_FONTB);
    // The size display follows on Apply: 255 bars + 17 for Font B = 108.8 points, made 109.
    EXPECT_EQ(ItemText(page, IDC_1D_SIZE_PT), L" 65.0");
    PropSheet_Apply(sheet);
    Pump();
    EXPECT_EQ(ItemText(page, IDC_1D_SIZE_PT), L"109.0");
    EXPECT_EQ(ItemText(page, IDC_1D_SIZE_MM), L" 38.4");

    // Font 4 becomes GS1 DataBar Omnidirectional: the GS1 group replaces the general one.
    Choose(page, IDC_1D_FONT, 3);
    Choose(page, IDC_1D_TYPE, 9);
    EXPECT_TRUE(Visible(page, IDC_1D_GS1_GROUP));
    EXPECT_FALSE(Visible(page, IDC_1D_GENERAL_GROUP));
    EXPECT_FALSE(Visible(page, IDC_1D_WIDTH));
    EXPECT_EQ(ItemText(page, IDC_1D_DATA), L"01234567890123");
    EXPECT_FALSE(Enabled(page, IDC_1D_GS2DRHEIGHT));
    Command(page, IDC_1D_COMPOSITE);
    EXPECT_TRUE(Enabled(page, IDC_1D_GS2DRHEIGHT));
    TypeInto(GetDlgItem(page, IDC_1D_GSRHEIGHT), L"1");
    EXPECT_EQ(ItemText(page, IDC_1D_GSRHEIGHT), L"2");
    EXPECT_FALSE(Enabled(page, IDC_1D_AI));
    Choose(page, IDC_1D_TYPE, 12);
    EXPECT_TRUE(Enabled(page, IDC_1D_AI));
    Choose(page, IDC_1D_AI, 0);

    // The Print button follows the data field.
    SetDlgItemTextW(page, IDC_1D_DATA, L"");
    Pump(2);
    EXPECT_FALSE(Enabled(page, IDC_1D_PRINT));
    SetDlgItemTextW(page, IDC_1D_DATA, L"1");
    Pump(2);
    EXPECT_TRUE(Enabled(page, IDC_1D_PRINT));

    Close(sheet, true);
    const BarcodeFont1DSlot& two = Kept().barcode1D[1];
    EXPECT_EQ(two.type, 1);
    EXPECT_EQ(two.elementWidth, 5);
    EXPECT_EQ(two.cellWidth, 40u);
    EXPECT_EQ(two.barHeight, 255u);
    EXPECT_EQ(two.hriPosition, 2);
    EXPECT_EQ(two.hriFont, 1);
    EXPECT_EQ(two.fontSize, 272u);
    const BarcodeFont1DSlot& four = Kept().barcode1D[3];
    EXPECT_EQ(four.type, 12);
    EXPECT_EQ(four.gs1RowHeight, 2u);
    EXPECT_EQ(four.gs1ApplyAi, 0);
    // The same values where the rendering side reads them: font n at 596 + 36 (n - 1).
    const uint8_t* b = KeptBytes();
    EXPECT_EQ(b[596 + 36 + 1], 5);
    EXPECT_EQ(b[596 + 36 + 4], 255);
    EXPECT_EQ(b[596 + 36 + 12], 40);
    EXPECT_EQ(b[596 + 36 + 16] | b[596 + 36 + 17] << 8, 272);
    EXPECT_EQ(b[596 + 3 * 36 + 0], 12);
    EXPECT_EQ(b[596 + 3 * 36 + 24], 2);
    EXPECT_EQ(b[596 + 3 * 36 + 34], 0);
}

TEST_F(BarcodeSheet, Code2DGroupsRangesAndRecord) {
    HWND sheet = Open();
    HWND page = Page(sheet, k2DTab);
    ASSERT_NE(GetDlgItem(page, IDC_2D_FONT), nullptr) << "the 2D Code page is not the real one";
    ASSERT_EQ(ComboCount(page, IDC_2D_FONT), 2);
    EXPECT_EQ(ComboText(page, IDC_2D_FONT, 1), L"2D Code2");
    EXPECT_EQ(ItemText(page, IDC_2D_SIZE), L"9.5");
    EXPECT_EQ(ComboCount(page, IDC_2D_ERRORCOR), 9);
    EXPECT_TRUE(Visible(page, IDC_2D_PDF_GROUP));

    TypeInto(GetDlgItem(page, IDC_2D_COLUMN), L"0");
    EXPECT_EQ(ItemText(page, IDC_2D_COLUMN), L"1");
    TypeInto(GetDlgItem(page, IDC_2D_COLUMN), L"40");
    EXPECT_EQ(ItemText(page, IDC_2D_COLUMN), L"30");
    Choose(page, IDC_2D_ERRORCOR, 8);

    // Font 2: QR Code with level H.
    Choose(page, IDC_2D_FONT, 1);
    Choose(page, IDC_2D_TYPE, 4);
    EXPECT_TRUE(Visible(page, IDC_2D_QR_GROUP));
    EXPECT_FALSE(Visible(page, IDC_2D_PDF_GROUP));
    ASSERT_EQ(ComboCount(page, IDC_2D_QRECOR), 4);
    EXPECT_EQ(ComboText(page, IDC_2D_QRECOR, 2), L"H");
    Choose(page, IDC_2D_QRECOR, 2);
    TypeInto(GetDlgItem(page, IDC_2D_QREWIDTH), L"30");
    EXPECT_EQ(ItemText(page, IDC_2D_QREWIDTH), L"24");

    // Back on font 1: GS1 Expanded Stacked, segments 2, then Composite raises them to 4.
    Choose(page, IDC_2D_FONT, 0);
    EXPECT_TRUE(Visible(page, IDC_2D_PDF_GROUP)) << "font 1 is still PDF417";
    EXPECT_EQ(ItemText(page, IDC_2D_COLUMN), L"30");
    Choose(page, IDC_2D_TYPE, 1);
    EXPECT_TRUE(Visible(page, IDC_2D_GS1_GROUP));
    EXPECT_FALSE(Enabled(page, IDC_2D_GSSNUMBER));
    EXPECT_FALSE(Enabled(page, IDC_2D_AI));
    Choose(page, IDC_2D_TYPE, 3);
    EXPECT_TRUE(Enabled(page, IDC_2D_GSSNUMBER));
    EXPECT_TRUE(Enabled(page, IDC_2D_AI));
    TypeInto(GetDlgItem(page, IDC_2D_GSSNUMBER), L"2");
    EXPECT_EQ(ItemText(page, IDC_2D_GSSNUMBER), L"2");
    EXPECT_EQ(ItemText(page, IDC_2D_GSSNUMBER_RANGE), L"[ 2 . . 20 ]");
    Command(page, IDC_2D_COMPOSITE);
    EXPECT_EQ(ItemText(page, IDC_2D_GSSNUMBER), L"4");
    EXPECT_EQ(ItemText(page, IDC_2D_GSSNUMBER_RANGE), L"[ 4 . . 20 ]");
    EXPECT_TRUE(Enabled(page, IDC_2D_GS2DRHEIGHT));

    // Maxi Code has no parameter group at all.
    Choose(page, IDC_2D_FONT, 1);
    Choose(page, IDC_2D_TYPE, 5);
    for (int group : {IDC_2D_PDF_GROUP, IDC_2D_GS1_GROUP, IDC_2D_QR_GROUP})
        EXPECT_FALSE(Visible(page, group));

    Close(sheet, true);
    const BarcodeFont2DSlot& one = Kept().barcode2D[0];
    EXPECT_EQ(one.type, 3);
    EXPECT_EQ(one.pdfColumns, 30);
    EXPECT_EQ(one.pdfErrorLevel, 8);
    EXPECT_EQ(one.gs1Segments, 4);
    const BarcodeFont2DSlot& two = Kept().barcode2D[1];
    EXPECT_EQ(two.type, 5);
    EXPECT_EQ(two.qrErrorLevel, 2);
    EXPECT_EQ(two.qrElementWidth, 24);
    const uint8_t* b = KeptBytes();
    EXPECT_EQ(b[884 + 0], 3);
    EXPECT_EQ(b[884 + 3], 30);
    EXPECT_EQ(b[884 + 17], 4);
    EXPECT_EQ(b[884 + 24 + 20], 24);
    EXPECT_EQ(b[884 + 24 + 23], 2);
}

TEST_F(BarcodeSheet, RejectedDataShowsTheMessageAndSendsNothing) {
    HWND sheet = Open();
    HWND page = Page(sheet, k1DTab);
    ClearCapture(kCapture);
    SetDlgItemTextW(page, IDC_1D_DATA, L"12345ABC9012");
    Command(page, IDC_1D_PRINT);
    Pump(10);
    ASSERT_EQ(Modals().messages.size(), 1u);
    EXPECT_EQ(Modals().messages[0], L"BarCode data error!");

    HWND page2 = Page(sheet, k2DTab);
    Choose(page2, IDC_2D_TYPE, 5);
    std::wstring long85(85, L'1');
    SetDlgItemTextW(page2, IDC_2D_DATA, long85.c_str());
    Command(page2, IDC_2D_PRINT);
    Pump(10);
    ASSERT_EQ(Modals().messages.size(), 2u);
    EXPECT_EQ(Modals().messages[1], L"BarCode data error!");
    Close(sheet, false);
    if (captureReady_) {
        EXPECT_TRUE(ReadCapture(kCapture, 300).empty());
    }
}

std::vector<uint8_t> Golden(const char* name) {
    return ReadWholeFile(WinPath(K20_GOLDEN_DIR) + L"\\" + WinPath(name));
}

TEST_F(BarcodeSheet, SamplePrintsMatchTheGoldenJobs) {
    if (!captureReady_)
        GTEST_SKIP() << "no capture printer in this prefix: "
                     << std::string(captureError_.begin(), captureError_.end());
    HWND sheet = Open();
    HWND page = Page(sheet, k1DTab);
    for (int t = 0; t < 13; ++t) {
        Choose(page, IDC_1D_TYPE, t);
        ClearCapture(kCapture);
        Command(page, IDC_1D_PRINT);
        const std::vector<uint8_t> job = ReadCapture(kCapture);
        if (t == 0 && job.empty()) {
            Close(sheet, false);
            GTEST_SKIP() << "Wine's spooler did not pass the raw job to the mapped port file";
        }
        char name[32];
        std::snprintf(name, sizeof name, "sample_1d_%02d.bin", t);
        EXPECT_EQ(job, Golden(name)) << name;
    }
    page = Page(sheet, k2DTab);
    for (int t = 0; t < 6; ++t) {
        Choose(page, IDC_2D_TYPE, t);
        ClearCapture(kCapture);
        Command(page, IDC_2D_PRINT);
        char name[32];
        std::snprintf(name, sizeof name, "sample_2d_%02d.bin", t);
        EXPECT_EQ(ReadCapture(kCapture), Golden(name)) << name;
    }
    EXPECT_TRUE(Modals().messages.empty());
    Close(sheet, false);
}

TEST_F(BarcodeSheet, PicturesOfBothPagesInEnglishAndChinese) {
    const std::wstring dir = WinPath(K20_SCREENS_DIR);
    SHCreateDirectory(nullptr, dir.c_str());
    for (const wchar_t* lang : {L"ENG", L"CHN"}) {
        SetLanguage((std::wstring(lang) + L"_K20.res").c_str());
        const std::wstring prefix = dir + L"\\barcode_" + lang + L"_";
        HWND sheet = Open();
        auto shoot = [&](HWND, const wchar_t* name) {
            RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
            Pump(20);
            EXPECT_TRUE(SaveWindowBitmap(sheet, prefix + name + L".bmp")) << name;
        };
        HWND page = Page(sheet, k1DTab);
        shoot(page, L"1d_general");
        const std::wstring label = ItemText(page, IDC_1D_FONTNAME_LABEL);
        if (std::wstring(lang) == L"ENG") {
            EXPECT_EQ(label, L"Font Name:");
        } else {
            EXPECT_NE(label, L"Font Name:");
        }
        Choose(page, IDC_1D_TYPE, 12);
        shoot(page, L"1d_gs1");
        page = Page(sheet, k2DTab);
        shoot(page, L"2d_pdf417");
        Choose(page, IDC_2D_TYPE, 4);
        shoot(page, L"2d_qr");
        Choose(page, IDC_2D_TYPE, 3);
        shoot(page, L"2d_gs1");
        Close(sheet, false);
    }
    SetLanguage(L"ENG_K20.res");
}

}  // namespace
}  // namespace k20::prnui
