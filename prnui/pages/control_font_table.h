#pragma once
// The control-font translation table: which printer command each character 0x20..0x7F
// of the control font stands for. It is a private-profile file that the driver's
// rendering side reads with the profile functions, so it is written in their format:
// section "Character Translation Table", key "%X" of the code, value the command as
// FormatHexCommand writes it; characters without a command have no key.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace k20::prnui {

inline constexpr std::u16string_view kControlFontSection = u"Character Translation Table";
inline constexpr std::string_view kControlFontFileName = "K20CONTROL.dat";
inline constexpr std::string_view kControlFontFolder = "\\system32\\spool\\drivers\\w32x86\\3\\";
inline constexpr uint8_t kControlFontFirstCode = 0x20;
inline constexpr uint8_t kControlFontLastCode = 0x7F;
inline constexpr size_t kControlFontRows = kControlFontLastCode - kControlFontFirstCode + 1;
// Lookup buffer of one value, terminator included.
inline constexpr size_t kControlFontValueChars = 400;
inline constexpr size_t kMaxCommandBytes = 128;

struct ControlFontRow {
    uint8_t code = 0;
    std::u16string command;  // as shown in the list: as read from the file, or as formatted after an edit

    std::u16string CharText() const { return std::u16string(1, char16_t(code)); }
    std::u16string HexText() const;  // "%X"
    std::vector<uint8_t> Bytes() const;
};

using ControlFontTable = std::array<ControlFontRow, kControlFontRows>;

ControlFontTable EmptyControlFontTable();
// The table's path under a Windows directory such as "C:\\Windows".
std::string ControlFontTablePath(std::string_view windowsDirectory);

// Parses the file's bytes (8-bit text in codePage, or UTF-16 / UTF-8 with a mark).
ControlFontTable ParseControlFontTable(const std::vector<uint8_t>& fileBytes, unsigned codePage);
// The file as the profile functions would leave it after writing the rows in order
// into a new file: 8-bit text, no key for an empty command. No row: no bytes.
std::vector<uint8_t> SerializeControlFontTable(const ControlFontTable& table, unsigned codePage);
bool TableHasCommands(const ControlFontTable& table);

// Writing one key the way WritePrivateProfileString does. On Windows the real profile
// functions stand behind it; elsewhere the file is read, changed and written back.
class ProfileWriter {
  public:
    virtual ~ProfileWriter() = default;
    virtual platform::Error WriteString(const std::string& path, std::u16string_view section,
                                        std::u16string_view key, std::u16string_view value) = 0;
    // Makes sure everything written so far is in the file itself.
    virtual platform::Error Flush(const std::string& path) = 0;
};

class FileProfileWriter : public ProfileWriter {
  public:
    FileProfileWriter(platform::FileSystem& files, unsigned codePage) : files_(files), codePage_(codePage) {}
    platform::Error WriteString(const std::string& path, std::u16string_view section, std::u16string_view key,
                                std::u16string_view value) override;
    platform::Error Flush(const std::string&) override { return platform::kOk; }

  private:
    platform::FileSystem& files_;
    unsigned codePage_;
};

// A missing file reads as a table without commands; any other read failure is returned.
platform::Error LoadControlFontTable(platform::FileSystem& files, const std::string& path, unsigned codePage,
                                     ControlFontTable& table);

// Replaces the file by the table. The rows are written into a new file beside it, which
// replaces the old file only once every row is in; on any failure the old file stays as
// it was. A table without commands removes the file.
platform::Error SaveControlFontTable(platform::FileSystem& files, ProfileWriter& writer,
                                     const std::string& path, const ControlFontTable& table);
std::string ControlFontScratchPath(const std::string& path);

}  // namespace k20::prnui
