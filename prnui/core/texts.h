#pragma once
// Localized texts of the plug-in: every label, tab title, tool-tip and message is looked
// up by section and key in the current language file, with the English text built into
// the plug-in as the fallback. A missing file or key therefore shows English.
//
// Page authors: add every key your page uses to the table in text_table.cpp (with its
// English text and lookup buffer size) and to the three language files in package/.
// A test checks that code, table and files name the same keys.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ini_file.h"

namespace k20::prnui {

// Lookup buffer sizes in characters, terminator included (a text gets at most size - 1).
inline constexpr uint16_t kTitleChars = 20;
inline constexpr uint16_t kLabelChars = 50;
inline constexpr uint16_t kLongLabelChars = 100;
inline constexpr uint16_t kWideLabelChars = 256;
inline constexpr uint16_t kHelpChars = 1024;  // tool-tips and message texts

struct BuiltInText {
    std::string_view section;
    std::string_view key;
    std::u16string_view english;
    uint16_t size;
};

struct TextKey {
    std::string_view section;
    std::string_view key;
};

// Captions of the plug-in's message boxes (section MessageBox).
inline constexpr std::string_view kCaptionInformation = "MB_INFORMATION";
inline constexpr std::string_view kCaptionWarning = "MB_WARNING";
inline constexpr std::string_view kCaptionError = "MB_ERROR";

// The one table of built-in texts, in section order.
std::span<const BuiltInText> BuiltInTexts();
const BuiltInText* FindBuiltIn(std::string_view section, std::string_view key);

// The texts of one language file, with the built-in English texts behind them.
class Texts {
  public:
    Texts() = default;  // built-in English only
    explicit Texts(IniFile file) : file_(std::move(file)), hasFile_(true) {}
    static Texts FromFileBytes(const std::vector<uint8_t>& bytes, unsigned codePage);

    // The text with the key's own buffer size; an unknown key gives an empty text.
    std::u16string Get(std::string_view section, std::string_view key) const;
    // The text with an explicit default and buffer size, as the profile function gives it.
    std::u16string Get(std::string_view section, std::string_view key, std::u16string_view def,
                       size_t bufChars) const;
    int GetInt(std::string_view section, std::string_view key, int def) const;

    bool HasFile() const { return hasFile_; }

  private:
    IniFile file_;
    bool hasFile_ = false;
};

// Sections of the language files.
namespace sec {
inline constexpr std::string_view Layout = "LAYOUT";
inline constexpr std::string_view Operation = "OPERATION";
inline constexpr std::string_view Document = "DOCUMENT";
inline constexpr std::string_view Watermark = "WATERMARK";
inline constexpr std::string_view Code1D = "1DCODE";
inline constexpr std::string_view Code2D = "2DCODE";
inline constexpr std::string_view Version = "VERSION";
inline constexpr std::string_view Utility = "UTILITY";
inline constexpr std::string_view Download = "DOWNLOAD";
inline constexpr std::string_view Font = "FONT";
inline constexpr std::string_view MessageBox = "MessageBox";
inline constexpr std::string_view Gpd = "GPD";
inline constexpr std::string_view FileVer = "FILEVER";
}  // namespace sec

inline constexpr std::string_view kAllSections[] = {
    sec::Layout,  sec::Operation, sec::Document, sec::Watermark,  sec::Code1D, sec::Code2D, sec::Version,
    sec::Utility, sec::Download,  sec::Font,     sec::MessageBox, sec::Gpd,    sec::FileVer};

}  // namespace k20::prnui
