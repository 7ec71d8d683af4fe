#include "prnui/pages/control_font_table.h"

#include <unordered_map>

#include "common/hex_command.h"
#include "common/ini_file.h"
#include "common/text.h"
#include "platform/bounded_read.h"

namespace k20::prnui {

using platform::Error;
using platform::kOk;

std::u16string ControlFontRow::HexText() const {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string s;
    if (code >= 16) s.push_back(kDigits[code >> 4]);
    s.push_back(kDigits[code & 15]);
    return s;
}

std::vector<uint8_t> ControlFontRow::Bytes() const {
    return ParseHexCommand(command);
}

ControlFontTable EmptyControlFontTable() {
    ControlFontTable t;
    for (size_t i = 0; i < t.size(); ++i) t[i].code = uint8_t(kControlFontFirstCode + i);
    return t;
}

std::string ControlFontTablePath(std::string_view windowsDirectory) {
    std::string dir(windowsDirectory);
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return dir + std::string(kControlFontFolder) + std::string(kControlFontFileName);
}

ControlFontTable ParseControlFontTable(const std::vector<uint8_t>& fileBytes, unsigned codePage) {
    ControlFontTable t = EmptyControlFontTable();
    if (fileBytes.empty()) return t;
    // One pass over the section rather than a lookup a row: the first of equal keys wins and
    // names compare without case, as the profile lookup of each row would have it.
    std::unordered_map<std::u16string, std::u16string> first;
    for (auto& [key, value] : IniFile::FromBytes(fileBytes, codePage).Entries(kControlFontSection))
        first.emplace(ToUpper(key), std::move(value));
    for (auto& row : t) {
        auto it = first.find(row.HexText());
        if (it == first.end()) continue;
        row.command = it->second.substr(0, kControlFontValueChars - 1);
    }
    return t;
}

bool TableHasCommands(const ControlFontTable& table) {
    for (auto& row : table)
        if (!row.command.empty()) return true;
    return false;
}

std::vector<uint8_t> SerializeControlFontTable(const ControlFontTable& table, unsigned codePage) {
    if (!TableHasCommands(table)) return {};
    // The keys differ and no value holds a line break, so setting them one by one appends
    // each to the section: build that text at once rather than re-indexing it per key.
    bool plain = true;
    std::u16string lines = u"[" + std::u16string(kControlFontSection) + u"]\n";
    for (auto& row : table) {
        if (row.command.empty()) continue;
        plain = plain && row.command.find_first_of(u"\r\n") == std::u16string::npos;
        lines += row.HexText() + u"=" + row.command + u"\n";
    }
    IniFile ini;
    if (plain) {
        ini = IniFile::Parse(lines);
    } else {
        for (auto& row : table)
            if (!row.command.empty()) ini.Set(kControlFontSection, row.HexText(), row.command);
    }
    std::string text = Utf16ToCodePage(ini.Serialize(), codePage);
    return std::vector<uint8_t>(text.begin(), text.end());
}

Error FileProfileWriter::WriteString(const std::string& path, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view value) {
    std::vector<uint8_t> bytes;
    Error e = platform::ReadBoundedFile(files_, path, platform::FileKind::ControlFontTable, bytes);
    if (e != kOk && e != platform::kErrFileNotFound) return e;
    IniFile ini = e == kOk ? IniFile::FromBytes(bytes, codePage_) : IniFile();
    ini.Set(section, key, value);
    std::string text = Utf16ToCodePage(ini.Serialize(), codePage_);
    return files_.WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

Error LoadControlFontTable(platform::FileSystem& files, const std::string& path, unsigned codePage,
                           ControlFontTable& table) {
    std::vector<uint8_t> bytes;
    Error e = platform::ReadBoundedFile(files, path, platform::FileKind::ControlFontTable, bytes);
    if (e == platform::kErrFileNotFound || e == platform::kErrPathNotFound) {
        table = EmptyControlFontTable();
        return kOk;
    }
    if (e != kOk) {
        table = EmptyControlFontTable();
        return e;
    }
    table = ParseControlFontTable(bytes, codePage);
    return kOk;
}

std::string ControlFontScratchPath(const std::string& path) {
    return path + ".new";
}

Error SaveControlFontTable(platform::FileSystem& files, ProfileWriter& writer, const std::string& path,
                           const ControlFontTable& table) {
    auto absent = [](Error e) { return e == kOk || e == platform::kErrFileNotFound; };
    if (!TableHasCommands(table)) {
        Error e = files.DeleteFile(path);
        return absent(e) ? kOk : e;
    }
    // A scratch file left by an earlier failure must not lend its keys to this one.
    const std::string scratch = ControlFontScratchPath(path);
    Error e = files.DeleteFile(scratch);
    if (!absent(e)) return e;
    for (auto& row : table) {
        if (row.command.empty()) continue;
        e = writer.WriteString(scratch, kControlFontSection, row.HexText(), row.command);
        if (e != kOk) break;
    }
    if (e == kOk) e = writer.Flush(scratch);
    if (e == kOk) e = files.MoveFileReplace(scratch, path);
    if (e != kOk) files.DeleteFile(scratch);
    return e;
}

}  // namespace k20::prnui
