// k20tool hex: the hex command text of the operation and control-font dialogs.
#include <cstdio>

#include "common/hex_command.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

const char* kHelp =
    "usage: k20tool hex parse TEXT    bytes of a typed command, as the dialogs read it\n"
    "       k20tool hex format TEXT   the text a dialog shows for those bytes\n"
    "TEXT follows the dialogs' rules: spaces separate, \"123\" is 12 03, non-hex is 0.\n";

int Run(const Args& args) {
    if (WantsHelp(args) || args.empty()) {
        std::fputs(kHelp, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    if (args[0] != "parse" && args[0] != "format") return UsageError("unknown hex command '" + args[0] + "'");
    if (args.size() != 2) return UsageError("hex " + args[0] + " takes one TEXT");
    const auto bytes = ParseHexCommand(std::string_view(args[1]));
    if (args[0] == "parse") {
        std::printf("%zu bytes:", bytes.size());
        for (uint8_t b : bytes) std::printf(" 0x%02X", b);
        std::printf("\n");
        if (bytes.size() > 128) return Fail("more than 128 bytes: the dialog refuses this command");
        return 0;
    }
    std::printf("%s\n", FormatHexCommandA(bytes).c_str());
    return 0;
}

Registration reg("hex", "parse or format hex command text as the operation dialog does", Run, kHelp);

}  // namespace
}  // namespace k20::tool
