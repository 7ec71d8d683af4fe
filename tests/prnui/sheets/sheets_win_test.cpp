// The sheets as the printing host sees them: prnui.dll loaded by the stand-in host, its
// pages added through the host's sheet function and shown in a real property sheet.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "platform/win32/wide_string_win.h"
#include "platform/win32/win32_platform.h"
#include "prnui/core/language.h"
#include "prnui/pages/property_page_win.h"
#include "tools/printhost/host_session_win.h"

namespace k20::prnui {
namespace {

using printhost::HostSession;
using printhost::Sheet;

std::wstring FullPath(const std::wstring& rel) {
    wchar_t b[MAX_PATH] = {};
    GetFullPathNameW(rel.c_str(), MAX_PATH, b, nullptr);
    return b;
}

const wchar_t* kFiles[] = {L"ENG_K20.res", L"CHN_K20.res", L"CHF_K20.res", L"LANGUAGE_K20.dat"};

void SetRegistryLanguage(const std::string& file) {
    platform::win32::Win32Registry reg;
    reg.CreateKey(platform::RegRoot::CurrentUser, kLanguageKey);
    reg.SetString(platform::RegRoot::CurrentUser, kLanguageKey, kLanguageValue, file);
    reg.SetString(platform::RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, "FALSE");
}

class Sheets : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        // The language files where the installer puts them and where the start-up copies them.
        platform::win32::Win32Machine m;
        static Language lang(m.registry, m.files, m.system);
        std::wstring shipped = Wide(lang.ShippedFolder());
        std::wstring user = Wide(lang.LanguageFolder());
        m.files.CreateDirectories(lang.ShippedFolder());
        m.files.CreateDirectories(lang.LanguageFolder());
        for (const wchar_t* f : kFiles) {
            std::wstring from = FullPath(std::wstring(L"..\\..\\..\\package\\") + f);
            CopyFileW(from.c_str(), (shipped + L"\\" + f).c_str(), FALSE);
            CopyFileW(from.c_str(), (user + L"\\" + f).c_str(), FALSE);
        }
    }

    void SetUp() override {
        SetRegistryLanguage("ENG_K20.res");
        std::wstring error;
        ASSERT_TRUE(host.Load(Wide(K20_PRNUI_DLL), error)) << Narrow(error.c_str());
    }

    static Texts FileTexts(const wchar_t* name) {
        platform::win32::Win32FileSystem fs;
        std::vector<uint8_t> bytes;
        fs.ReadFile(Narrow(FullPath(std::wstring(L"..\\..\\..\\package\\") + name).c_str()), bytes);
        return Texts::FromFileBytes(bytes, 1252);
    }

    HostSession host;
};

TEST_F(Sheets, RequestIsRefusedWithoutInfoOrWithAnotherVersion) {
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(host.plugin()->DocumentPropertySheets(nullptr, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof(info);
    info.Version = 0x0200;
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(host.plugin()->DevicePropertySheets(&info, 0), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(Sheets, ReasonsOtherThanInit) {
    PROPSHEETUI_INFO info{};
    info.cbSize = sizeof(info);
    info.Version = PROPSHEETUI_INFO_VERSION;

    PROPSHEETUI_INFO_HEADER header{};
    info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    info.Result = 77;
    EXPECT_EQ(host.plugin()->DocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&header)), S_OK);
    ASSERT_NE(header.pTitle, nullptr);
    EXPECT_STREQ(header.pTitle, L"OEM UI Page");
    EXPECT_EQ(info.Result, 1u);

    info.Reason = PROPSHEETUI_REASON_DESTROY;
    info.Result = 77;
    EXPECT_EQ(host.plugin()->DevicePropertySheets(&info, 0), S_OK);
    EXPECT_EQ(info.Result, 1u);

    SETRESULT_INFO set{};
    set.cbSize = sizeof(set);
    set.Result = 1234;
    info.Reason = PROPSHEETUI_REASON_SET_RESULT;
    EXPECT_EQ(host.plugin()->DocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&set)), S_OK);
    EXPECT_EQ(info.Result, 1234u);

    info.Reason = PROPSHEETUI_REASON_GET_ICON;
    info.Result = 77;
    EXPECT_EQ(host.plugin()->DevicePropertySheets(&info, 0), S_OK);
    EXPECT_EQ(info.Result, 0u);
}

TEST_F(Sheets, TenTabTitlesInEachLanguage) {
    for (const wchar_t* file : {L"ENG_K20.res", L"CHN_K20.res", L"CHF_K20.res"}) {
        SetRegistryLanguage(Narrow(file));
        Texts t = FileTexts(file);
        ASSERT_EQ(host.Collect(Sheet::Document), S_OK);
        std::vector<std::wstring> doc = host.pageTitles();
        ASSERT_EQ(doc.size(), 8u);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(FromWide(doc[2 + i]), PageTitle(t, kDocumentPages[i])) << Narrow(file) << " " << i;
        host.Show(Sheet::Document, true);  // consumes the collected pages
        ASSERT_EQ(host.Collect(Sheet::Device), S_OK);
        std::vector<std::wstring> dev = host.pageTitles();
        ASSERT_EQ(dev.size(), 6u);
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(FromWide(dev[2 + i]), PageTitle(t, kDevicePages[i])) << Narrow(file) << " " << i;
        host.Show(Sheet::Device, true);
    }
    EXPECT_EQ(host.pageTitles()[2], L"公用程式");
}

TEST_F(Sheets, DensityOptionIsRenamedInTextsOfThePlugin) {
    wchar_t* hostTexts[3];
    for (int k = 0; k < 3; ++k) hostTexts[k] = host.driverItems()[1].pOptType->pOptParam[k].pData;
    ASSERT_EQ(host.Collect(Sheet::Document), S_OK);
    const OPTITEM& density = host.driverItems()[1];
    EXPECT_STREQ(density.pName, L"Print Density");
    EXPECT_TRUE(density.Flags & OPTIF_CHANGED);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(std::wstring(density.pOptType->pOptParam[k].pData), L"Density" + std::to_wstring(k));
        EXPECT_STREQ(hostTexts[k], (L"Density " + std::to_wstring(k + 1)).c_str())
            << "the host's buffer was written";
    }
    EXPECT_STREQ(host.driverItems()[0].pName, L"Paper Size");
    ASSERT_EQ(host.uiUpdates().size(), 1u);
    EXPECT_EQ(host.uiUpdates()[0].itemName, L"Print Density");
    EXPECT_EQ(host.uiUpdates()[0].mode, DWORD(prnui::host::OEMCUIP_DOCPROP));
    EXPECT_EQ(host.uiUpdates()[0].previous, 0u);
    host.Show(Sheet::Document, true);
}

HWND OpenPage(HostSession& host, Sheet sheet, int tab, HWND& sheetWindow) {
    EXPECT_EQ(host.Collect(sheet), S_OK);
    sheetWindow = host.Show(sheet, true);
    PropSheet_SetCurSel(sheetWindow, nullptr, tab);
    return PropSheet_GetCurrentPageHwnd(sheetWindow);
}

TEST_F(Sheets, ApplyReachesTheHostsSheetFunction) {
    HWND w = nullptr;
    HWND page = OpenPage(host, Sheet::Document, 2, w);
    ASSERT_TRUE(page);
    SendMessageW(w, PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
    SendMessageW(w, PSM_APPLY, 0, 0);
    ASSERT_FALSE(host.setResults().empty());
    EXPECT_EQ(host.setResults()[0].result, CPSUI_OK);
    EXPECT_NE(host.setResults()[0].page, INVALID_HANDLE_VALUE);
    EXPECT_NE(host.setResults()[0].page, nullptr);
    DestroyWindow(w);
}

struct TipSearch {
    HWND owner;
    std::vector<HWND> tips;
};
BOOL CALLBACK FindTip(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<TipSearch*>(lp);
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    // A pop-up's owner is the page's top-level window, the sheet.
    if (!wcscmp(cls, TOOLTIPS_CLASSW) && GetWindow(h, GW_OWNER) == s->owner) s->tips.push_back(h);
    return TRUE;
}
BOOL CALLBACK MoveOver(HWND control, LPARAM) {
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    return TRUE;
}

TEST_F(Sheets, ToolTipsAreRegisteredWhenTheMouseMovesOverControls) {
    HWND w = nullptr;
    HWND page = OpenPage(host, Sheet::Device, 2, w);
    ASSERT_TRUE(page);
    TipSearch search{w, {}};
    EnumThreadWindows(GetCurrentThreadId(), FindTip, reinterpret_cast<LPARAM>(&search));
    ASSERT_FALSE(search.tips.empty()) << "the page made a tool-tip window";
    for (HWND tip : search.tips)
        EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0) << "nothing before the mouse";
    EnumChildWindows(page, MoveOver, 0);
    EnumChildWindows(page, MoveOver, 0);
    HWND used = nullptr;
    int tools = 0;
    for (HWND tip : search.tips)
        if (int n = int(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0))) {
            used = tip;
            tools += n;
        }
    ASSERT_TRUE(used);
    EXPECT_GE(tools, 1);
    int children = 0;
    for (HWND c = GetWindow(page, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++children;
    EXPECT_LE(tools, children) << "each control registers once";
    EXPECT_EQ(SendMessageW(used, TTM_GETMAXTIPWIDTH, 0, 0), 300);
    EXPECT_EQ(SendMessageW(used, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 1000);
    DestroyWindow(w);
}

std::wstring TabText(HWND tab, int i) {
    wchar_t text[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tab, TCM_GETITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    return text;
}

TEST_F(Sheets, OpenDeviceSheetIsRetitledAfterALanguageChange) {
    HWND device = nullptr;
    OpenPage(host, Sheet::Device, 2, device);
    ASSERT_TRUE(device);
    HWND tab = PropSheet_GetTabControl(device);
    EXPECT_EQ(TabText(tab, 2), L"Utility");

    platform::win32::Win32Machine m;
    Language lang(m.registry, m.files, m.system);
    SetProcessLanguage(&lang);
    SetRegistryLanguage("CHN_K20.res");
    RetitleSheets(nullptr, host.printerName());
    SetProcessLanguage(nullptr);

    EXPECT_EQ(TabText(tab, 0), L"General") << "the host's own tabs stay";
    EXPECT_EQ(TabText(tab, 2), L"工具");
    EXPECT_EQ(TabText(tab, 3), L"下载");
    EXPECT_EQ(TabText(tab, 4), L"字体");
    EXPECT_EQ(TabText(tab, 5), L"版本");
    DestroyWindow(device);
}

TEST_F(Sheets, AnotherProgramsDialogNamingThePrinterKeepsItsTabs) {
    HWND device = nullptr;
    OpenPage(host, Sheet::Device, 2, device);
    ASSERT_TRUE(device);
    // Another program's printing preferences in this process: a dialog whose title holds the
    // printer's name, with six tabs of its own.
    const std::wstring title = L"Preferences of " + host.printerName();
    HWND foreign = CreateWindowExW(0, L"#32770", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, nullptr,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(foreign);
    HWND tabs = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 300, 180, foreign,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(tabs);
    for (int i = 0; i < 6; ++i) {
        std::wstring text = L"Theirs " + std::to_wstring(i);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(tabs, TCM_INSERTITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item));
    }

    platform::win32::Win32Machine m;
    Language lang(m.registry, m.files, m.system);
    SetProcessLanguage(&lang);
    SetRegistryLanguage("CHN_K20.res");
    RetitleSheets(nullptr, host.printerName());
    SetProcessLanguage(nullptr);

    for (int i = 0; i < 6; ++i) EXPECT_EQ(TabText(tabs, i), L"Theirs " + std::to_wstring(i)) << i;
    EXPECT_EQ(TabText(PropSheet_GetTabControl(device), 2), L"工具") << "our sheet is still retitled";
    DestroyWindow(foreign);
    DestroyWindow(device);
}

// The files are read the same way by the Windows profile functions and by our reader.
TEST(LanguageFilesUnderWindows, ProfileFunctionsAgreeWithOurReader) {
    for (const wchar_t* file : {L"ENG_K20.res", L"CHN_K20.res", L"CHF_K20.res"}) {
        std::wstring path = FullPath(std::wstring(L"..\\..\\..\\package\\") + file);
        platform::win32::Win32FileSystem fs;
        std::vector<uint8_t> bytes;
        ASSERT_EQ(fs.ReadFile(Narrow(path.c_str()), bytes), 0u);
        Texts ours = Texts::FromFileBytes(bytes, 1252);
        for (const BuiltInText& t : BuiltInTexts()) {
            std::wstring sec = Wide(std::string(t.section)), key = Wide(std::string(t.key));
            std::vector<wchar_t> buf(t.size + 1, 0);
            GetPrivateProfileStringW(sec.c_str(), key.c_str(), L"", buf.data(), t.size, path.c_str());
            EXPECT_EQ(Utf16ToUtf8(FromWide(buf.data())), Utf16ToUtf8(ours.Get(t.section, t.key, u"", t.size)))
                << Narrow(file) << " " << t.key;
        }
        EXPECT_EQ(GetPrivateProfileIntW(L"FILEVER", L"INIVERSION", 0, path.c_str()), 1u);
    }
}

}  // namespace
}  // namespace k20::prnui
