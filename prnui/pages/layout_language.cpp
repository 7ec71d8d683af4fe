#include "prnui/pages/layout_language.h"

#include "common/text.h"

namespace k20::prnui {

void BuiltInLanguageInputs(LayoutInputs& in) {
    in.languages.assign(1, {u"English", kEnglishFile, u"System Language"});
    in.systemLanguageEntry = u"System Language";
    in.currentLanguageFile = kEnglishFile;
    in.firstRun = u"FALSE";
}

void ReadLanguageInputs(Language& lang, platform::Registry& reg, LayoutInputs& in) {
    using platform::RegRoot;
    if (lang.LanguageFolder().empty()) {
        BuiltInLanguageInputs(in);
        return;
    }
    lang.EnsureListFile();
    const LanguageList list = lang.ReadList();
    reg.CreateKey(RegRoot::CurrentUser, kLanguageKey);
    for (const auto& e : list.entries) lang.RefreshTextFile(e.file);

    in.languages.clear();
    for (const auto& e : list.entries) in.languages.push_back({e.name, e.file, e.systemText});
    in.systemLanguageEntry = lang.SystemLanguageText();
    in.currentLanguageFile = lang.CurrentFileName();
    std::string firstRun;
    if (reg.GetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, firstRun) != platform::kOk) {
        firstRun = "TRUE";
        reg.SetString(RegRoot::CurrentUser, kLanguageKey, kFirstRunValue, firstRun);
    }
    in.firstRun = Utf8ToUtf16(firstRun);
}

bool StoreLanguageChoice(Language& lang, const std::vector<LanguageWrite>& writes) {
    bool ok = true;
    for (const auto& w : writes)
        ok = lang.Choose(w.file, std::string_view(w.firstRun) == "TRUE") == platform::kOk && ok;
    return ok;
}

}  // namespace k20::prnui
