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
#include <utility>
#include <vector>

namespace k20 {

// Configuration and language files are a few kilobytes. A larger file is refused by its
// readers before it is read, with IniTooLargeMessage.
inline constexpr uint64_t kMaxIniFileBytes = 1024 * 1024;
std::string IniTooLargeMessage(const std::string& path, uint64_t size);

// The text is kept once, as read (one UTF-16 copy, lines ended by a line feed), with an
// index of its sections only: memory stays near the file's size however many lines it has.
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
    // The keys of the first matching section with their values, in file order, duplicates
    // included: one pass for a reader that wants many keys of one section.
    std::vector<std::pair<std::u16string, std::u16string>> Entries(std::u16string_view section) const;

    // WritePrivateProfileString: replaces the first matching key, else appends the key to
    // the first matching section, else appends a new section.
    void Set(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    void RemoveKey(std::u16string_view section, std::u16string_view key);
    void RemoveSection(std::u16string_view section);

    std::u16string Serialize() const;
    // What the file takes in memory: its text once and the section index.
    size_t MemoryBytes() const {
        return text_.capacity() * sizeof(char16_t) + sections_.capacity() * sizeof(SectionSpan);
    }

  private:
    enum class Kind { Other, Section, Key };
    struct LineView {
        size_t begin = 0, end = 0;  // the line without its line feed
        Kind kind = Kind::Other;
        std::u16string_view name;  // section or key name, trimmed
    };
    // Offsets into the text; a file is far below 4 GiB (kMaxIniFileBytes).
    struct SectionSpan {
        uint32_t header = 0;   // start of the "[name]" line
        uint32_t body = 0;     // start of the line after it
        uint32_t bodyEnd = 0;  // start of the next section's line, or the end
    };
    LineView LineAt(size_t begin) const;
    static std::u16string ValueOf(std::u16string_view line);
    const SectionSpan* FindSection(std::u16string_view section) const;
    void Reindex();

    std::u16string text_;  // every line followed by '\n'
    std::vector<SectionSpan> sections_;
};

std::u16string TrimBlanks(std::u16string_view s);

}  // namespace k20
