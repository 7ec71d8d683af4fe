#pragma once
// Puts a printer that uses our plug-in into a (throw-away) Windows installation: the
// package files go to the printer-driver folder, a driver whose configuration module is
// our probe DLL is added, and a printer on FILE: uses it.
#include <string>

namespace k20::printhost {

struct SetupResult {
    bool ok = false;
    std::wstring message;
};

// packageDir holds prnui.dll, printhostui.dll and the language files.
SetupResult InstallStandInPrinter(const std::wstring& packageDir, const std::wstring& printerName);

// What an application gets when it opens the printer's printing preferences through the
// spooler: the results of DocumentProperties (size query, then with the sheet) and the
// titles of the sheet's tabs, each as " [title]". The sheet is closed once it is up; a
// picture of it is saved when a path is given.
struct PreferencesResult {
    std::wstring error;
    long sizeResult = 0;
    long promptResult = 0;
    std::wstring tabs;
};
PreferencesResult OpenPrintingPreferences(const std::wstring& printerName, const std::wstring& picture);

// Asks the spooler for the printer's document and printer properties as an application
// would and reports which entry points of the configuration module it reached.
// The sheet the spooler opens is pictured when a path is given.
std::wstring ProbeRouting(const std::wstring& printerName, const std::wstring& picture = L"");

}  // namespace k20::printhost
