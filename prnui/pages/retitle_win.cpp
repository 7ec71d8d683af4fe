// Retitling of open sheets after a language change. Kept apart from the sheet assembly so
// that a test program can run it against sheets shown by the stand-in host.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "platform/win32/wide_string_win.h"
#include "prnui/core/language.h"
#include "prnui/pages/property_page_win.h"

namespace k20::prnui {

namespace {

bool ClassContains(HWND h, const wchar_t* what) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    return wcsstr(cls, what) != nullptr;
}

BOOL CALLBACK FindTabProc(HWND h, LPARAM lp) {
    if (!ClassContains(h, L"SysTabControl32")) return TRUE;
    *reinterpret_cast<HWND*>(lp) = h;
    return FALSE;
}

HWND FindTabControl(HWND sheet) {
    HWND found = nullptr;
    EnumChildWindows(sheet, FindTabProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

void SetTabTitle(HWND tab, int index, const std::u16string& title) {
    if (index < 0 || index >= int(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0))) return;
    std::wstring w = Wide(title);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = w.data();
    SendMessageW(tab, TCM_SETITEMW, WPARAM(index), reinterpret_cast<LPARAM>(&item));
}

BOOL CALLBACK FindPluginPageProc(HWND h, LPARAM lp) {
    if (!GetPropW(h, kPluginPageProperty)) return TRUE;
    *reinterpret_cast<bool*>(lp) = true;
    return FALSE;
}

struct RetitleSearch {
    HWND current;
    std::wstring printer;
};

}  // namespace

bool HoldsPluginPages(HWND sheet) {
    bool found = false;
    EnumChildWindows(sheet, FindPluginPageProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

namespace {
void RetitleSheet(HWND h, const RetitleSearch& s) {
    if (h == s.current || !ClassContains(h, L"#32770")) return;
    // A tab item's text is handed over by address, which means nothing in another
    // process; and a sheet without our pages is someone else's.
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid != GetCurrentProcessId() || !HoldsPluginPages(h)) return;
    wchar_t title[512] = {};
    GetWindowTextW(h, title, 512);
    if (!wcsstr(title, s.printer.c_str())) return;
    HWND tab = FindTabControl(h);
    if (!tab) return;
    const Texts& texts = CurrentTexts();
    int count = int(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    int first = count - int(std::size(kDevicePages));
    for (size_t i = 0; i < std::size(kDevicePages); ++i)
        SetTabTitle(tab, first + int(i), PageTitle(texts, kDevicePages[i]));
    // The pages reload their texts when they repaint.
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

BOOL CALLBACK RetitleProc(HWND h, LPARAM lp) {
    // The enumeration is the window manager's: nothing may unwind through it.
    try {
        RetitleSheet(h, *reinterpret_cast<RetitleSearch*>(lp));
    } catch (...) {
    }
    return TRUE;
}

}  // namespace

void RetitleSheets(HWND sheetWindow, const std::wstring& printerName) {
    const Texts& texts = CurrentTexts();
    if (HWND tab = sheetWindow ? FindTabControl(sheetWindow) : nullptr) {
        for (size_t i = 0; i < std::size(kDocumentPages); ++i)
            SetTabTitle(tab, kFirstDocumentTab + int(i), PageTitle(texts, kDocumentPages[i]));
        InvalidateRect(tab, nullptr, TRUE);
    }
    if (printerName.empty()) return;
    RetitleSearch search{sheetWindow, printerName};
    EnumWindows(RetitleProc, reinterpret_cast<LPARAM>(&search));
}

}  // namespace k20::prnui
