// k20tool control-font: the control-font translation table file.
#include <cctype>
#include <iostream>

#include "common/hex_command.h"
#include "common/text.h"
#include "prnui/pages/control_font_table.h"
#include "tools/k20tool/local_files.h"
#include "tools/k20tool/tool.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

namespace k20::tool {
namespace {

using platform::Error;
using platform::kOk;

const char* kHelp =
    "usage:\n"
    "  k20tool control-font show [--file PATH]            list every character that has a command\n"
    "  k20tool control-font set CODE HEX... [--file PATH]  give character CODE (hex 20..7F) the command HEX\n"
    "  k20tool control-font delete CODE [--file PATH]      remove the command of character CODE\n"
    "HEX is hexadecimal command text such as 1B 40 (at most 128 bytes). The file is\n"
    "<Windows>\\system32\\spool\\drivers\\w32x86\\3\\K20CONTROL.dat on Windows; elsewhere --file is "
    "required.\n"
    "A change replaces the file only once the whole new table is written.\n";

// The table holds hex digits and blanks only, so the code page does not change a byte.
constexpr unsigned kCodePage = 1252;

bool ParseCode(const std::string& text, uint8_t& code) {
    std::string t = text;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) t = t.substr(2);
    if (t.empty() || t.size() > 2) return false;
    unsigned v = 0;
    for (char c : t) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        v = v * 16 + HexDigitValue(char32_t(c));
    }
    if (v < prnui::kControlFontFirstCode || v > prnui::kControlFontLastCode) return false;
    code = uint8_t(v);
    return true;
}

int Run(const Args& argsIn) {
    if (argsIn.empty() || WantsHelp(argsIn)) {
        (argsIn.empty() ? std::cerr : std::cout) << kHelp;
        return argsIn.empty() ? 2 : 0;
    }
    Args args;
    std::string path;
    for (size_t i = 0; i < argsIn.size(); ++i) {
        if (argsIn[i] == "--file") {
            if (i + 1 >= argsIn.size()) return UsageError("--file needs a path");
            path = argsIn[++i];
        } else {
            args.push_back(argsIn[i]);
        }
    }
    if (const std::string* o = FindOption(args)) return UsageError("unknown option " + *o);
    if (args.empty()) return UsageError("control-font needs show, set or delete");
    const std::string sub = args[0];
    if (sub != "show" && sub != "set" && sub != "delete")
        return UsageError("unknown control-font command '" + sub + "'");
    if (sub == "show" && args.size() != 1)
        return UsageError("control-font show takes no arguments besides --file");
    uint8_t code = 0;
    if (sub != "show" && (args.size() < 2 || !ParseCode(args[1], code)))
        return UsageError("control-font " + sub + " needs CODE, hex 20..7F");
    if (sub == "set" && args.size() < 3) return UsageError("control-font set needs HEX command text");
    if (sub == "delete" && args.size() != 2) return UsageError("control-font delete takes one CODE");
#ifdef _WIN32
    platform::win32::Win32FileSystem files;
    if (path.empty())
        path = prnui::ControlFontTablePath(platform::win32::Win32SystemInfo().WindowsDirectory());
#else
    LocalFileSystem files;
    if (path.empty()) return UsageError("control-font: --file PATH is required outside Windows");
#endif
    prnui::ControlFontTable table;
    if (Error e = prnui::LoadControlFontTable(files, path, kCodePage, table))
        return Fail(platform::DescribeReadError(path, platform::FileKind::ControlFontTable, e));

    if (sub == "show") {
        for (auto& row : table)
            if (!row.command.empty())
                std::cout << Utf16ToUtf8(row.HexText()) << "\t" << Utf16ToUtf8(row.CharText()) << "\t"
                          << Utf16ToUtf8(row.command) << "\n";
        return 0;
    }
    prnui::ControlFontRow& row = table[code - prnui::kControlFontFirstCode];
    if (sub == "set") {
        std::string text;
        for (size_t i = 2; i < args.size(); ++i) text += (i > 2 ? " " : "") + args[i];
        std::vector<uint8_t> bytes = ParseHexCommand(text);
        if (bytes.size() > prnui::kMaxCommandBytes)
            return Fail("command of " + std::to_string(bytes.size()) + " bytes is too long (maximum 128)");
        row.command = FormatHexCommand(bytes);
    } else {
        row.command.clear();
    }
    prnui::FileProfileWriter writer(files, kCodePage);
    if (Error e = prnui::SaveControlFontTable(files, writer, path, table))
        return Fail("cannot write " + path + " (error " + std::to_string(e) +
                    "); the previous table is unchanged");
    return 0;
}

Registration reg("control-font", "the control-font translation table: show, set, delete", Run, kHelp);

}  // namespace
}  // namespace k20::tool
