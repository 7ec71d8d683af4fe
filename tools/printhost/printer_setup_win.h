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

// Asks the spooler for the printer's document and printer properties as an application
// would and reports which entry points of the configuration module it reached.
std::wstring ProbeRouting(const std::wstring& printerName);

}  // namespace k20::printhost
