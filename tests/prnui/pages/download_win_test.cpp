// The Download page under Wine through the stand-in host: logos added through the file
// dialog, Transformation, a method and a slider changed, Download all; the raw job that
// reaches a printer of this Windows installation must be the stream the portable code
// makes (and the golden stream once the settings are back at their defaults). Also the
// firmware half, and pictures of the page with a preview in English and Chinese.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>
#include <winspool.h>
// The simulated spooler's AddPrinter is meant below, not the Windows macro.
#undef AddPrinter

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sim/sim_machine.h"
#include "prnui/imaging/logo_image.h"
#include "prnui/imaging/logo_stream.h"
#include "prnui/pages/download_ids.h"
#include "tools/printhost/host_session_win.h"
#include "tools/printhost/printer_setup_win.h"
#include "tests/prnui/hosted/hosted_sheet_win.h"
#include "tools/printhost/window_bitmap_win.h"

namespace k20::prnui {
namespace {

using printhost::HostSession;
using printhost::SaveWindowBitmap;
using printhost::Sheet;
using test::ItemText;
using test::Pump;
using test::SetLanguage;
using test::WinPath;

constexpr int kDownloadTab = 3;  // the host's two pages, Utility, Download
const wchar_t kPrinter[] = L"K-20 Download Capture";
const wchar_t kWorkDir[] = L"C:\\k20download";
const wchar_t kJobFile[] = L"C:\\k20download\\job.prn";

bool WriteAll(const std::wstring& path, const std::vector<uint8_t>& data) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    const bool ok =
        data.empty() || (WriteFile(f, data.data(), DWORD(data.size()), &n, nullptr) && n == data.size());
    CloseHandle(f);
    return ok;
}

// ---- modal windows: the open-file dialog gets the queued file, message boxes are noted ----

struct ModalLog {
    std::wstring nextFile;               // typed into the next open-file dialog
    std::vector<std::wstring> dialogs;   // captions of the file dialogs answered
    std::vector<std::wstring> filters;   // first file-type entry of each file dialog
    std::vector<std::wstring> messages;  // texts of the message boxes closed
};
ModalLog g_modal;

void CALLBACK AnswerModalProc(HWND, UINT, UINT_PTR, DWORD) {
    HWND found = test::FindThreadModal();
    if (!found) return;
    HWND name = GetDlgItem(found, edt1);
    if (!name) name = GetDlgItem(found, cmb13);
    if (name) {
        wchar_t caption[128] = {}, filter[256] = {};
        GetWindowTextW(found, caption, 128);
        g_modal.dialogs.push_back(caption);
        SendDlgItemMessageW(found, cmb1, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(filter));
        g_modal.filters.push_back(filter);
        if (g_modal.nextFile.empty()) {
            PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SetWindowTextW(name, g_modal.nextFile.c_str());
        g_modal.nextFile.clear();
        PostMessageW(found, WM_COMMAND, IDOK, 0);
        return;
    }
    g_modal.messages.push_back(test::MessageText(found));
    PostMessageW(found, WM_COMMAND, IDOK, 0);
}

void Click(HWND page, int id) {
    HWND c = GetDlgItem(page, id);
    ASSERT_NE(c, nullptr) << id;
    SendMessageW(c, BM_CLICK, 0, 0);
    Pump(3);
}

// Waits for a modal dialog run from a button to be answered.
void ClickAndWait(HWND page, int id) {
    Click(page, id);
    Pump(10);
}

// A click on a list row, as the list view reports it.
void ClickRow(HWND page, int row) {
    HWND list = GetDlgItem(page, IDC_DL_LIST);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(-1), reinterpret_cast<LPARAM>(&state));
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&state));
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_DL_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = row;
    SendMessageW(page, WM_NOTIFY, IDC_DL_LIST, reinterpret_cast<LPARAM>(&click));
    Pump(2);
}

// A slider dragged to a position and let go.
void Drag(HWND page, int id, int position) {
    HWND bar = GetDlgItem(page, id);
    SendMessageW(bar, TBM_SETPOS, TRUE, position);
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(bar));
    SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(bar));
    NMHDR release{bar, UINT_PTR(id), UINT(NM_RELEASEDCAPTURE)};
    SendMessageW(page, WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(&release));
    Pump(2);
}

// A printer whose port is a file: Wine's spooler copies each finished job there.
std::wstring MakeCapturePrinter() {
    printhost::SetupResult setup =
        printhost::InstallStandInPrinter(WinPath(K20_PRINTHOST_DIR), L"K-20 Receipt");
    if (!setup.ok) return L"stand-in driver: " + setup.message;
    HANDLE hp = nullptr;
    std::wstring name = kPrinter;
    if (OpenPrinterW(name.data(), &hp, nullptr)) {
        ClosePrinter(hp);
        return {};
    }
    PRINTER_INFO_2W pi{};
    std::wstring port = kJobFile, proc = L"WinPrint", type = L"RAW", driver = L"K-20 Stand-in Driver";
    pi.pPrinterName = name.data();
    pi.pPortName = port.data();
    pi.pDriverName = driver.data();
    pi.pPrintProcessor = proc.data();
    pi.pDatatype = type.data();
    pi.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    hp = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&pi));
    if (!hp) return L"AddPrinter failed, error " + std::to_wstring(GetLastError());
    ClosePrinter(hp);
    return {};
}

// The stream the portable code makes for the two test logos with these settings.
std::vector<uint8_t> ExpectedMonoStream(const LogoSettings (&settings)[2]) {
    platform::sim::SimMachine m;
    platform::PrinterInfo2 info;
    info.printerName = "K-20";
    m.spooler.AddPrinter(info);
    platform::PrinterHandle h = 0;
    m.spooler.OpenPrinter("K-20", h);
    std::vector<LogoEntry> logos;
    const char* names[] = {"C:\\logos\\colour.bmp", "C:\\logos\\gray.bmp"};
    const wchar_t* files[] = {L"colour_logo.bmp", L"gray_logo.bmp"};
    for (int i = 0; i < 2; ++i) {
        m.files.Put(names[i], test::ReadWholeFile(WinPath(K20_GOLDEN_DIR) + L"\\" + files[i]));
        std::string out;
        ConvertToMono(m.files, names[i], out, settings[i].halftone, settings[i].contrast,
                      settings[i].brightness);
        logos.push_back({names[i], WorkingImagePath(names[i])});
    }
    if (DownloadAllLogos(m.files, m.spooler, h, LogoType::Mono, logos) != DownloadResult::Sent) return {};
    return m.spooler.jobs.at(0).data;
}

// The .bmp files in the page's working folders (K20Logos-*) under the temporary folder.
int WorkingImageCount() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    int n = 0;
    WIN32_FIND_DATAW d;
    HANDLE folders = FindFirstFileW((std::wstring(temp) + L"K20Logos-*").c_str(), &d);
    if (folders == INVALID_HANDLE_VALUE) return 0;
    do {
        WIN32_FIND_DATAW f;
        HANDLE files = FindFirstFileW((std::wstring(temp) + d.cFileName + L"\\*.bmp").c_str(), &f);
        if (files == INVALID_HANDLE_VALUE) continue;
        do ++n;
        while (FindNextFileW(files, &f));
        FindClose(files);
    } while (FindNextFileW(folders, &d));
    FindClose(folders);
    return n;
}

class DownloadPageWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        test::ShipLanguageFiles(WinPath(K20_PACKAGE_DIR));
        SetLanguage(L"ENG_K20.res");
        SHCreateDirectory(nullptr, kWorkDir);
        for (const wchar_t* f : {L"colour_logo.bmp", L"gray_logo.bmp"})
            CopyFileW((WinPath(K20_GOLDEN_DIR) + L"\\" + f).c_str(),
                      (std::wstring(kWorkDir) + L"\\" + f).c_str(), FALSE);
        printerProblem_ = MakeCapturePrinter();
        session_ = new HostSession();
        std::wstring error;
        loaded_ = session_->Load(WinPath(K20_PRNUI_DLL), error);
        if (printerProblem_.empty()) session_->UsePrinter(kPrinter);
        timer_ = SetTimer(nullptr, 0, 40, AnswerModalProc);
    }
    static void TearDownTestSuite() { KillTimer(nullptr, timer_); }

    void SetUp() override {
        ASSERT_TRUE(loaded_);
        g_modal = {};
        DeleteFileW(kJobFile);
    }

    HWND Open() {
        HWND w = test::OpenSheet(*session_, Sheet::Device);
        EXPECT_NE(w, nullptr);
        if (w) test::SelectTab(w, kDownloadTab);
        return w;
    }
    void Close(HWND sheet) { test::CloseSheet(*session_, sheet, false); }
    void AddLogo(HWND page, const wchar_t* file) {
        g_modal.nextFile = std::wstring(kWorkDir) + L"\\" + file;
        ClickAndWait(page, IDC_DL_ADD);
    }
    // The job file once the spooler has written it.
    std::vector<uint8_t> Job() {
        for (int i = 0; i < 100; ++i) {
            std::vector<uint8_t> bytes = test::ReadWholeFile(kJobFile);
            if (!bytes.empty()) return bytes;
            Sleep(20);
        }
        return {};
    }

    static inline HostSession* session_ = nullptr;
    static inline bool loaded_ = false;
    static inline std::wstring printerProblem_;
    static inline UINT_PTR timer_ = 0;
};

TEST_F(DownloadPageWin, TwoLogosTransformedTunedAndDownloaded) {
    HWND sheet = Open();
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    ASSERT_NE(GetDlgItem(page, IDC_DL_LIST), nullptr) << "the Download page is not the real one";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_DL_DOWNLOADALL)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_DL_FW_DOWNLOAD)));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_DL_ORIGINAL), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_DL_NONE), BST_CHECKED);
    for (int bar : {IDC_DL_CONTRAST, IDC_DL_BRIGHTNESS}) {
        EXPECT_EQ(SendDlgItemMessageW(page, bar, TBM_GETRANGEMIN, 0, 0), -100);
        EXPECT_EQ(SendDlgItemMessageW(page, bar, TBM_GETRANGEMAX, 0, 0), 100);
        EXPECT_EQ(SendDlgItemMessageW(page, bar, TBM_GETPAGESIZE, 0, 0), 20);
        EXPECT_EQ(SendDlgItemMessageW(page, bar, TBM_GETPOS, 0, 0), 0);
    }

    AddLogo(page, L"colour_logo.bmp");
    AddLogo(page, L"gray_logo.bmp");
    ASSERT_EQ(g_modal.dialogs.size(), 2u);
    EXPECT_EQ(g_modal.dialogs[0], L"Open");
    EXPECT_TRUE(g_modal.messages.empty());
    HWND list = GetDlgItem(page, IDC_DL_LIST);
    ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    wchar_t text[MAX_PATH] = {};
    ListView_GetItemText(list, 1, 0, text, MAX_PATH);
    EXPECT_STREQ(text, L"2");
    ListView_GetItemText(list, 1, 1, text, MAX_PATH);
    EXPECT_STREQ(text, L"gray_logo.bmp");
    ListView_GetItemText(list, 1, 2, text, MAX_PATH);
    EXPECT_EQ(std::wstring(text), std::wstring(kWorkDir) + L"\\gray_logo.bmp");

    ClickRow(page, 0);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_DL_MONO)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, IDC_DL_DITHERM3)))
        << "halftones are for Transformation only";
    Click(page, IDC_DL_MONO);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_DL_DOWNLOADALL)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_DL_DIFFUSE)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_DL_CONTRAST)));
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_DL_DITHERM3), BST_CHECKED);

    Click(page, IDC_DL_DIFFUSE);
    Drag(page, IDC_DL_CONTRAST, 30);
    EXPECT_EQ(ItemText(page, IDC_DL_CONTRAST_VALUE), L"30");
    EXPECT_EQ(ItemText(page, IDC_DL_BRIGHT_VALUE), L"0");
    // The other logo keeps its own settings: selecting it shows them.
    ClickRow(page, 1);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_DL_DITHERM3), BST_CHECKED);
    EXPECT_EQ(ItemText(page, IDC_DL_CONTRAST_VALUE), L"0");
    ClickRow(page, 0);
    EXPECT_EQ(IsDlgButtonChecked(page, IDC_DL_DIFFUSE), BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessageW(page, IDC_DL_CONTRAST, TBM_GETPOS, 0, 0), 30);

    if (!printerProblem_.empty()) {
        Close(sheet);
        GTEST_SKIP() << "no printer to capture the job: "
                     << std::string(printerProblem_.begin(), printerProblem_.end());
    }
    Click(page, IDC_DL_DOWNLOADALL);
    EXPECT_TRUE(g_modal.messages.empty());
    const std::vector<uint8_t> tuned = Job();
    if (tuned.empty()) {
        Close(sheet);
        GTEST_SKIP() << "Wine's spooler wrote no raw bytes to the printer's file port";
    }
    const LogoSettings settings[2] = {{kHalftoneErrorDiffuse, 30, 0}, {kHalftoneDitherM3, 0, 0}};
    EXPECT_EQ(tuned, ExpectedMonoStream(settings));

    // Back to the defaults the golden stream was made with.
    Click(page, IDC_DL_DITHERM3);
    Drag(page, IDC_DL_CONTRAST, 0);
    DeleteFileW(kJobFile);
    Click(page, IDC_DL_DOWNLOADALL);
    EXPECT_EQ(Job(), test::ReadWholeFile(WinPath(K20_GOLDEN_DIR) + L"\\download_mono.bin"));
    Close(sheet);
}

TEST_F(DownloadPageWin, FirmwareFileGoesUnchangedWithTheLanguagesFilter) {
    std::vector<uint8_t> firmware;
    for (int i = 0; i < 3000; ++i) firmware.push_back(uint8_t(i * 7 + 1));
    const std::wstring path = std::wstring(kWorkDir) + L"\\image.EEP";
    ASSERT_TRUE(WriteAll(path, firmware));

    SetLanguage(L"CHF_K20.res");
    HWND sheet = Open();
    HWND page = PropSheet_GetCurrentPageHwnd(sheet);
    g_modal.nextFile = path;
    ClickAndWait(page, IDC_DL_FW_BROWSE);
    SetLanguage(L"ENG_K20.res");
    ASSERT_EQ(g_modal.filters.size(), 1u);
    EXPECT_EQ(g_modal.filters[0], L"*.JK(監控程式文件)");
    EXPECT_EQ(ItemText(page, IDC_DL_FW_PATH), path);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, IDC_DL_FW_DOWNLOAD)));
    if (!printerProblem_.empty()) {
        Close(sheet);
        GTEST_SKIP() << "no printer to capture the job";
    }
    Click(page, IDC_DL_FW_DOWNLOAD);
    EXPECT_TRUE(g_modal.messages.empty());
    EXPECT_EQ(Job(), firmware);
    Close(sheet);
}

TEST_F(DownloadPageWin, PicturesWithAPreviewInEnglishAndChinese) {
    const std::wstring dir = WinPath(K20_SCREENS_DIR);
    SHCreateDirectory(nullptr, dir.c_str());
    for (const wchar_t* lang : {L"ENG", L"CHN"}) {
        SetLanguage((std::wstring(lang) + L"_K20.res").c_str());
        HWND sheet = Open();
        HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        AddLogo(page, L"colour_logo.bmp");
        AddLogo(page, L"gray_logo.bmp");
        ClickRow(page, 0);
        Click(page, IDC_DL_MONO);
        RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        Pump(20);
        if (std::wstring(lang) == L"ENG")
            EXPECT_EQ(ItemText(page, IDC_DL_ADD), L"Add");
        else
            EXPECT_NE(ItemText(page, IDC_DL_ADD), L"Add");
        EXPECT_TRUE(SaveWindowBitmap(sheet, dir + L"\\download_" + lang + L".bmp"));
        // The working images lie in a folder of the page's own under the temporary folder,
        // never beside the logos; Cancel takes them away and leaves the logos.
        EXPECT_EQ(GetFileAttributesW((std::wstring(kWorkDir) + L"\\colour_logoTemp.bmp").c_str()),
                  INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(WorkingImageCount(), 2);
        PropSheet_PressButton(sheet, PSBTN_CANCEL);
        Pump();
        EXPECT_EQ(WorkingImageCount(), 0);
        EXPECT_NE(GetFileAttributesW((std::wstring(kWorkDir) + L"\\colour_logo.bmp").c_str()),
                  INVALID_FILE_ATTRIBUTES);
        Close(sheet);
    }
    SetLanguage(L"ENG_K20.res");
}

}  // namespace
}  // namespace k20::prnui
