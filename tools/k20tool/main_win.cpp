// Windows hands main() its arguments in the ANSI code page, where a folder name outside
// that code page arrives as "??". wmain (linked with -municode) receives them as typed;
// the commands take UTF-8 as on every other system.
#include <string>

#include "common/text.h"
#include "tools/k20tool/tool.h"

int wmain(int argc, wchar_t** argv) {
    k20::tool::Args args;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg(argv[i]);
        args.push_back(k20::Utf16ToUtf8(std::u16string(arg.begin(), arg.end())));
    }
    return k20::tool::Main(args);
}
