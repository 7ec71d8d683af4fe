// Windows hands main() its arguments in the ANSI code page, where a folder name outside
// that code page arrives as "??". wmain (linked with -municode) receives them as typed;
// the commands take UTF-8 as on every other system.
#include "platform/win32/wide_string_win.h"
#include "tools/k20tool/tool.h"

int wmain(int argc, wchar_t** argv) {
    k20::tool::Args args;
    for (int i = 1; i < argc; ++i) args.push_back(k20::Narrow(argv[i]));
    return k20::tool::Main(args);
}
