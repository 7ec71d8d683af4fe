// k20tool settings: the private document settings record.
#include <cstring>
#include <iostream>

#include "common/text.h"
#include "prnui/core/private_settings.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

using namespace k20::prnui;

const char* kHelp =
    "usage:\n"
    "  k20tool settings default [--system-dir PATH]   write the default record (1980 bytes) to stdout\n"
    "  k20tool settings show FILE                     print every field as 'name = value'\n"
    "  k20tool settings convert IN OUT [--system-dir PATH]\n"
    "  k20tool settings merge IN OUT [--system-dir PATH]\n"
    "                                                 apply the driver's convert or merge to the record\n"
    "                                                 in IN and write the 1980-byte result to OUT\n"
    "The system directory decides the default log folder (default C:\\Windows\\system32).\n";

std::u16string TakeSystemDir(Args& args, bool& ok) {
    std::u16string dir = u"C:\\Windows\\system32";
    ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--system-dir") {
            if (i + 1 >= args.size()) {
                ok = false;
                return dir;
            }
            dir = Utf8ToUtf16(args[i + 1]);
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            --i;
        }
    }
    return dir;
}

std::vector<uint8_t> DefaultRecord(std::u16string_view sysDir) {
    PrivateSettings s;
    SetDefaults(s, sysDir);
    std::vector<uint8_t> out(sizeof s);
    std::memcpy(out.data(), &s, sizeof s);
    return out;
}

int Run(const Args& argsIn) {
    Args args = argsIn;
    if (args.empty() || WantsHelp(args)) {
        (args.empty() ? std::cerr : std::cout) << kHelp;
        return args.empty() ? 2 : 0;
    }
    bool ok;
    std::u16string sysDir = TakeSystemDir(args, ok);
    if (!ok) return UsageError("--system-dir needs a path");
    if (const std::string* o = FindOption(args)) return UsageError("unknown option " + *o);
    if (args.empty()) return UsageError("settings needs default, show, convert or merge");
    const std::string sub = args[0];
    std::string err;
    if (sub == "default") {
        if (args.size() != 1) return UsageError("settings default takes no file");
        WriteStdoutBinary(DefaultRecord(sysDir));
        return 0;
    }
    if (sub == "show") {
        if (args.size() != 2) return UsageError("settings show needs FILE");
        std::vector<uint8_t> data;
        if (!ReadWholeFile(args[1], platform::FileKind::SettingsRecord, data, err)) return Fail(err);
        if (data.size() < sizeof(PrivateSettings))
            return Fail(args[1] + ": " + std::to_string(data.size()) + " bytes, a record has " +
                        std::to_string(sizeof(PrivateSettings)));
        PrivateSettings s;
        std::memcpy(&s, data.data(), sizeof s);
        std::cout << DescribeSettings(s);
        return 0;
    }
    if (sub == "convert" || sub == "merge") {
        if (args.size() != 3) return UsageError("settings " + sub + " needs IN and OUT");
        std::vector<uint8_t> in;
        if (!ReadWholeFile(args[1], platform::FileKind::SettingsRecord, in, err)) return Fail(err);
        std::vector<uint8_t> out = DefaultRecord(sysDir);
        DevModeParam p;
        p.in = in.data();
        p.inAvailable = in.size();
        p.out = out.data();
        p.cbBufSize = uint32_t(out.size());
        CallResult r = DevMode(sub == "convert" ? kOemDmConvert : kOemDmMerge, &p, sysDir);
        if (r.hr != kS_OK)
            return Fail("the record could not be " + std::string(sub == "convert" ? "converted" : "merged") +
                        " (error " + std::to_string(r.lastError) + ")");
        if (!WriteWholeFile(args[2], out, err)) return Fail(err);
        return 0;
    }
    return UsageError("unknown settings command '" + sub + "'");
}

Registration reg("settings", "the private document settings record: default, show, convert, merge", Run,
                 kHelp);

}  // namespace
}  // namespace k20::tool
