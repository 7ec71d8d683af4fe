// k20tool remove: what the uninstaller reads from a package's Uninstall.ini.
#include <iostream>

#include "drvremove/uninstall_config.h"
#include "drvsetup/setup_config.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

using namespace k20::drvremove;

const char* kHelp =
    "usage:\n"
    "  k20tool remove check FILE [--code N] [--codepage CP] [--monitor NAME ...] [--processor NAME ...]\n"
    "      print the name patterns of Uninstall.ini FILE and, for each named monitor and print\n"
    "      processor, the section the uninstaller reads on Windows version code N (0..11,\n"
    "      default 11) and the files it would delete; a file name that is not a bare name, a\n"
    "      wildcard, a device name or a short-name alias is reported as refused, a monitor\n"
    "      registry key (USBMONitorName) that the monitor patterns do not match is reported as\n"
    "      a warning (the uninstaller leaves such a key alone), and the exit code is 1\n";

void PrintList(const char* what, const std::vector<std::string>& v) {
    std::cout << what << ":";
    if (v.empty()) std::cout << " (none)";
    for (auto& p : v) std::cout << " \"" << p << "\"";
    std::cout << "\n";
}

bool PrintFile(const UninstallConfig& c, const std::string& section, const char* key) {
    std::string v = c.Value(section, key);
    if (!NamesFile(v)) return true;
    FileNameRefusal why = CheckFileName(v);
    std::cout << "    " << key << " = " << v;
    if (why != FileNameRefusal::None) std::cout << "   REFUSED: " << RefusalReason(why);
    std::cout << "\n";
    return why == FileNameRefusal::None;
}

int Check(const Args& args) {
    if (args.size() < 2 || FindOption({args[1]})) return UsageError("remove check needs FILE");
    int code = 11;
    unsigned codePage = 1252;
    std::vector<std::string> monitors, processors;
    for (size_t i = 2; i < args.size(); ++i) {
        if (i + 1 >= args.size()) return UsageError(args[i] + " needs a value");
        const std::string& v = args[++i];
        if (args[i - 1] == "--code")
            code = drvsetup::ParseDecimal(v);
        else if (args[i - 1] == "--codepage")
            codePage = unsigned(drvsetup::ParseDecimal(v));
        else if (args[i - 1] == "--monitor")
            monitors.push_back(v);
        else if (args[i - 1] == "--processor")
            processors.push_back(v);
        else
            return UsageError("unknown option " + args[i - 1]);
    }
    if (code < 0 || code > 11) return Fail("--code must be 0..11");
    std::vector<uint8_t> bytes;
    std::string err;
    if (!ReadWholeFile(args[1], platform::FileKind::UninstallIni, bytes, err)) return Fail(err);
    UninstallConfig c(IniFile::FromBytes(bytes, codePage), codePage);
    PrintList("monitor patterns", c.MonitorPatterns());
    PrintList("print processor patterns", c.ProcessorPatterns());
    PrintList("printer driver patterns", c.PrinterPatterns());
    PrintList("INF manufacturer sections", c.Manufacturers());
    bool ok = true;
    for (auto& m : monitors) {
        std::string s = UninstallConfig::MonitorSection(m, code);
        std::string key = c.Value(s, "USBMONitorName");
        std::cout << "monitor \"" << m << "\" [" << s << "] registry key \"" << key << "\"\n";
        if (NamesFile(key) && !IsPackageMonitorKey(key, c.MonitorPatterns())) {
            std::cout << "    WARNING: the key \"" << key
                      << "\" is not matched by the monitor patterns; the uninstaller leaves it alone\n";
            ok = false;
        }
        ok &= PrintFile(c, s, "MonitorPDLLName");
        ok &= PrintFile(c, s, "MONitorPUIDLLName");
        if (s.find("USB") != std::string::npos) ok &= PrintFile(c, s, "USBMONitorDLLName");
    }
    for (auto& p : processors) {
        std::string s = UninstallConfig::ProcessorSection(p, code);
        std::cout << "print processor \"" << p << "\" [" << s << "]\n";
        ok &= PrintFile(c, s, "ProcessorDllName");
    }
    return ok ? 0 : 1;
}

int Run(const Args& args) {
    if (args.empty() || WantsHelp(args)) {
        (args.empty() ? std::cerr : std::cout) << kHelp;
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "check") return Check(args);
    return UsageError("unknown remove command: " + args[0]);
}

Registration reg("remove", "check an Uninstall.ini: patterns, sections, files it deletes", Run, kHelp);

}  // namespace
}  // namespace k20::tool
