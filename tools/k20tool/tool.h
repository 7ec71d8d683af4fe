#pragma once
// The command-line tool: each command file registers itself with a name, a one-line
// summary and a function over the remaining arguments.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bounded_read.h"

namespace k20::tool {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

// usage: the command's help text, printed again under every mistake in its arguments.
struct Registration {
    Registration(const char* name, const char* summary, CommandFn fn, const char* usage = nullptr);
};

inline constexpr int kExitUsage = 2;

// The whole tool over its arguments (without the program name), as UTF-8 on every system.
int Main(const Args& args);

bool WantsHelp(const Args& args);
int Fail(const std::string& message);  // prints "k20tool: message" to stderr, returns 2
// A command line the command cannot take (missing argument or option value, unknown
// option): "k20tool: message" and the running command's usage on stderr; returns 2.
int UsageError(const std::string& message);
// The first argument that looks like an option ("-x", "--x"), or null; a lone "-" is
// an ordinary argument.
const std::string* FindOption(const Args& args);

// The whole of a regular file no larger than its kind allows; error says what went wrong.
bool ReadWholeFile(const std::string& path, platform::FileKind kind, std::vector<uint8_t>& out,
                   std::string& error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string& error);
void WriteStdoutBinary(const std::vector<uint8_t>& data);

}  // namespace k20::tool
