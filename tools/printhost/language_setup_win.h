#pragma once
// The plug-in's language as a user of this Windows installation has it: the shipped
// language files in the printer-driver folder, the user's copies, and the user's choice.
#include <string>

namespace k20::printhost {

// Copies the language files found in fromDir to the version-3 driver folder of the
// processor (the plug-in picks it by the processor, not by its own bitness) and to the
// user's folder, where a language switched while the plug-in is loaded is read from.
void ShipLanguageFiles(const std::wstring& fromDir);

// The user's choice of language file, as the Layout page stores it after the first run.
void SetLanguage(const std::wstring& file);

}  // namespace k20::printhost
