// k20tool selftest: the printer's self-test job.
#include <iostream>

#include "prnui/pages/utility_page.h"
#include "tools/k20tool/tool.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

namespace k20::tool {
namespace {

const char* kHelp =
    "usage:\n"
    "  k20tool selftest [--out FILE]      write the self-test job's bytes to FILE (default stdout)\n"
    "  k20tool selftest --to PRINTER      send them to PRINTER as one raw job \"SELFTEST\" (Windows)\n"
    "The job is three writes: 1B 63 3B 01, 1D 28 41 02 00 00 02, 1B 63 3B 00.\n";

int Send(const std::string& printer) {
#ifdef _WIN32
    platform::win32::Win32Spooler spooler;
    platform::PrinterHandle h = 0;
    if (platform::Error e = spooler.OpenPrinter(printer, h))
        return Fail("cannot open printer '" + printer + "' (error " + std::to_string(e) + ")");
    platform::Error e = prnui::PrintSelfTest(spooler, h);
    spooler.ClosePrinter(h);
    if (e) return Fail("the self-test job failed (error " + std::to_string(e) + ")");
    return 0;
#else
    return Fail("sending to a printer ('" + printer + "') needs the Windows build of k20tool");
#endif
}

int Run(const Args& args) {
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return 0;
    }
    std::string out, to;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--out" || args[i] == "--to") {
            if (i + 1 >= args.size()) return UsageError(args[i] + " needs a value");
            (args[i] == "--out" ? out : to) = args[i + 1];
            ++i;
        } else {
            return UsageError("selftest: unexpected '" + args[i] + "'");
        }
    }
    if (!out.empty() && !to.empty()) return UsageError("selftest: --out and --to exclude each other");
    if (!to.empty()) return Send(to);
    const std::vector<uint8_t> bytes = prnui::SelfTestBytes();
    if (out.empty()) {
        WriteStdoutBinary(bytes);
        return 0;
    }
    std::string err;
    if (!WriteWholeFile(out, bytes, err)) return Fail(err);
    return 0;
}

Registration reg("selftest", "the printer's self-test job: write its bytes or send it to a printer", Run,
                 kHelp);

}  // namespace
}  // namespace k20::tool
