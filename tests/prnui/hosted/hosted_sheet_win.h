#pragma once
// What the tests that open the plug-in's sheets through the stand-in host share: message
// pumping, pictures of windows, the language choice, and a watcher that deals with the
// modal windows (message boxes, dialogs) a page opens while a test drives it.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tools/printhost/host_session_win.h"
#include "tools/printhost/language_setup_win.h"
#include "tools/printhost/window_bitmap_win.h"

namespace k20::test {

using printhost::SaveWindowBitmap;

// A Unix path of the build as Wine sees it.
std::wstring WinPath(const char* unixPath);
void Pump(int rounds = 5);

using printhost::SetLanguage;
using printhost::ShipLanguageFiles;

// Modal windows of this thread that are not a property sheet. The first queued action is
// offered the window and is dropped once it returns true (false: not the window it waits
// for); without one a message box's text is noted and the box is closed with OK.
struct ModalWatch {
    std::vector<std::wstring> messages;
    std::vector<std::function<bool(HWND)>> actions;
    int handled = 0;
};
ModalWatch& Modals();
// The enabled, visible dialog of this thread that is not a property sheet, or null; and a
// message box's text (its longest static text).
HWND FindThreadModal();
std::wstring MessageText(HWND box);
void StartModalWatch();  // a thread timer that looks every 40 ms
void StopModalWatch();

// A sheet of the session shown modeless at the screen's corner, one of its tabs brought
// up (its page returned), and the sheet closed with or without Apply.
HWND OpenSheet(printhost::HostSession& session, printhost::Sheet sheet);
HWND SelectTab(HWND sheet, int tab);
void CloseSheet(printhost::HostSession& session, HWND sheet, bool apply);

std::wstring ItemText(HWND dlg, int id);
void TypeInto(HWND edit, const wchar_t* text);
void Choose(HWND dlg, int id, int index);  // as a user picking a combo-box entry
void Command(HWND dlg, int id, WORD code = BN_CLICKED);

}  // namespace k20::test

namespace k20::test {

// A printer of the Wine prefix whose jobs land in a Unix file: its port is mapped to the
// file under Wine's own spooler key. Needs the stand-in driver (printhost's installer).
bool MakeCapturePrinter(const std::wstring& printer, const std::wstring& port, const std::string& unixFile,
                        std::wstring& error);
// What a sheet test needs before its first sheet: common controls, the shipped language
// files with English chosen, the stand-in driver from printhostDir and a capture printer
// on it. False (error says why) when the capture printer could not be made.
bool PrepareSheetHost(const std::wstring& packageDir, const std::wstring& printhostDir,
                      const std::wstring& printer, const std::wstring& port, const std::string& unixFile,
                      std::wstring& error);
// The captured bytes of the last job (the file is replaced per job); empty when none came.
std::vector<uint8_t> ReadCapture(const std::string& unixFile, int waitMs = 2000);
void ClearCapture(const std::string& unixFile);
std::vector<uint8_t> ReadWholeFile(const std::wstring& path);

}  // namespace k20::test
