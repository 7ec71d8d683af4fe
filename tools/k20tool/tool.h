#pragma once
// The command-line tool: each command file registers itself with a name, a one-line
// summary and a function over the remaining arguments.
#include <cstdint>
#include <string>
#include <vector>

namespace k20::tool {

using Args = std::vector<std::string>;
using CommandFn = int (*)(const Args& args);

struct Registration {
    Registration(const char* name, const char* summary, CommandFn fn);
};

bool WantsHelp(const Args& args);
int Fail(const std::string& message);  // prints "k20tool: message" to stderr, returns 2

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error);
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string& error);
void WriteStdoutBinary(const std::vector<uint8_t>& data);

}  // namespace k20::tool
