#pragma once
// Private-profile (INI) files read and written by the rules of the Windows profile
// functions, so that the same file gives the same answers here and on Windows:
// first matching section, first matching key, names compared without regard to case,
// the value runs to the end of the line with surrounding blanks and one pair of
// enclosing quotes removed.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k20 {

class IniFile {
public:
    IniFile() = default;
    static IniFile Parse(std::u16string_view text);
    // UTF-16LE or UTF-8 with BOM, else 8-bit text in codePage.
    static IniFile FromBytes(const std::vector<uint8_t>& bytes, unsigned codePage);

    // The value as the profile functions return it before any buffer limit.
    std::optional<std::u16string> Find(std::u16string_view section, std::u16string_view key) const;

    // GetPrivateProfileString: bufSize counts UTF-16 units including the terminator, so at
    // most bufSize - 1 units come back; a missing key gives the default (trailing blanks cut).
    std::u16string GetString(std::u16string_view section, std::u16string_view key, std::u16string_view def,
                             size_t bufSize = 0x7FFFFFFF) const;
    std::string GetUtf8(std::string_view section, std::string_view key, std::string_view def,
                        size_t bufSize = 0x7FFFFFFF) const;
    // GetPrivateProfileInt: default when the key is missing, 0 when the value is not a number.
    int GetInt(std::u16string_view section, std::u16string_view key, int def) const;
    int GetInt(std::string_view section, std::string_view key, int def) const;

    bool HasSection(std::u16string_view section) const;
    std::vector<std::u16string> Sections() const;
    std::vector<std::u16string> Keys(std::u16string_view section) const;

    // WritePrivateProfileString: replaces the first matching key, else appends the key to
    // the first matching section, else appends a new section.
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    void RemoveKey(std::u16string_view section, std::u16string_view key);
    void RemoveSection(std::u16string_view section);

    std::u16string Serialize() const;

private:
    struct Line {
        std::u16string raw;
        enum Kind { Other, Section, Key } kind = Other;
        std::u16string name;   // section or key name, trimmed
        std::u16string value;  // key value as returned
    };
    static Line Classify(std::u16string raw);
    size_t SectionLine(std::u16string_view section) const;  // npos when missing
    std::vector<Line> lines_;
};

std::u16string TrimBlanks(std::u16string_view s);

}  // namespace k20
