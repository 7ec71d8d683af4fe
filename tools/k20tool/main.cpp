#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>

#include "tools/k20tool/local_files.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {

namespace {
struct Entry {
    std::string summary;
    CommandFn fn;
    const char* usage;
};
std::map<std::string, Entry>& Commands() {
    static std::map<std::string, Entry> m;
    return m;
}
// The usage of the command that runs, for UsageError.
const char* g_usage = nullptr;
}  // namespace

Registration::Registration(const char* name, const char* summary, CommandFn fn, const char* usage) {
    Commands()[name] = {summary, fn, usage};
}

bool WantsHelp(const Args& args) {
    for (auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

int Fail(const std::string& message) {
    std::cerr << "k20tool: " << message << "\n";
    return 2;
}

int UsageError(const std::string& message) {
    std::cerr << "k20tool: " << message << "\n";
    if (g_usage) std::cerr << g_usage;
    return kExitUsage;
}

const std::string* FindOption(const Args& args) {
    for (const auto& a : args)
        if (a.size() > 1 && a[0] == '-') return &a;
    return nullptr;
}

bool ReadWholeFile(const std::string& path, platform::FileKind kind, std::vector<uint8_t>& out,
                   std::string& error) {
    LocalFileSystem fs;
    const platform::Error e = platform::ReadBoundedFile(fs, path, kind, out);
    if (e != platform::kOk) error = platform::DescribeReadError(path, kind, e);
    return e == platform::kOk;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data, std::string& error) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) {
        error = "cannot create " + path;
        return false;
    }
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!f.flush()) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void SetStdoutBinary();

void WriteStdoutBinary(const std::vector<uint8_t>& data) {
    SetStdoutBinary();
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::fflush(stdout);
}

}  // namespace k20::tool

using namespace k20::tool;

static void Usage(std::ostream& o) {
    o << "usage: k20tool COMMAND [ARGS...]\n\n"
         "Command-line access to the K-20 driver's records, printer command streams and "
         "files.\n\ncommands:\n";
    for (auto& [name, e] : Commands())
        o << "  " << name << std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') << e.summary << "\n";
    o << "\n'k20tool COMMAND --help' tells more.\n";
}

int k20::tool::Main(const Args& args) {
    if (args.empty()) {
        Usage(std::cerr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Usage(std::cout);
        return 0;
    }
    auto it = Commands().find(args[0]);
    if (it == Commands().end()) {
        Fail("unknown command '" + args[0] + "'");
        Usage(std::cerr);
        return kExitUsage;
    }
    g_usage = it->second.usage;
    try {
        return it->second.fn(Args(args.begin() + 1, args.end()));
    } catch (const std::exception& e) {
        return Fail(e.what());
    }
}

#if !defined(_WIN32)
// Windows starts the tool in main_win.cpp.
int main(int argc, char** argv) {
    return Main(Args(argv + 1, argv + argc));
}
#endif
