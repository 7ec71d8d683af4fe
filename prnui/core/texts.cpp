#include "prnui/core/texts.h"

#include "common/text.h"

namespace k20::prnui {

const BuiltInText* FindBuiltIn(std::string_view section, std::string_view key) {
    for (const BuiltInText& t : BuiltInTexts())
        if (EqualsNoCase(t.section, section) && EqualsNoCase(t.key, key)) return &t;
    return nullptr;
}

Texts Texts::FromFileBytes(const std::vector<uint8_t>& bytes, unsigned codePage) {
    return Texts(IniFile::FromBytes(bytes, codePage));
}

std::u16string Texts::Get(std::string_view section, std::string_view key) const {
    const BuiltInText* b = FindBuiltIn(section, key);
    if (!b) return Get(section, key, u"", kHelpChars);
    return Get(section, key, b->english, b->size);
}

std::u16string Texts::Get(std::string_view section, std::string_view key, std::u16string_view def,
                          size_t bufChars) const {
    // The profile function cuts the default to the buffer too.
    if (!hasFile_) return IniFile().GetString(Utf8ToUtf16(section), Utf8ToUtf16(key), def, bufChars);
    return file_.GetString(Utf8ToUtf16(section), Utf8ToUtf16(key), def, bufChars);
}

int Texts::GetInt(std::string_view section, std::string_view key, int def) const {
    return file_.GetInt(section, key, def);
}

}  // namespace k20::prnui
