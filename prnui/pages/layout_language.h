#pragma once
// The Layout page's side of language selection: the list it shows (read from the user's
// list file, every listed file refreshed) and the registry writes made on Apply.
#include <string>
#include <vector>

#include "platform/registry.h"
#include "prnui/core/language.h"
#include "prnui/pages/layout_model.h"

namespace k20::prnui {

// English alone, current and not following the system: what the page offers without a
// language folder.
void BuiltInLanguageInputs(LayoutInputs& in);

// Fills the language part of the page's inputs: the list file is put in place when the user
// has none, each listed file is brought up to the shipped one, and IsFirstRun_K20 is
// written as "TRUE" when it is missing. Without the user's language folder it gives the
// built-in inputs and writes nothing.
void ReadLanguageInputs(Language& lang, platform::Registry& reg, LayoutInputs& in);

// Stores the language chosen on Apply; false when a registry write failed.
bool StoreLanguageChoice(Language& lang, const std::vector<LanguageWrite>& writes);

}  // namespace k20::prnui
