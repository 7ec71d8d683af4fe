// k20tool log: the driver log — decode a job to its page image, list a log folder,
// print jobs again as raw data.
#include <filesystem>
#include <iostream>
#include <memory>

#include "logviewer/log_decode.h"
#include "logviewer/log_folder.h"
#include "logviewer/viewer_model.h"
#include "platform/sim/sim_machine.h"
#include "tools/k20tool/tool.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif

namespace k20::tool {
namespace {

using namespace k20::logviewer;
using namespace k20::platform;

const char* kHelp =
    "usage:\n"
    "  k20tool log decode JOB.prn [-o PAGE.bmp] [--width-bytes W] [--dots P]\n"
    "      decode a logged job into its page image (default: JOB with .bmp) and print\n"
    "      its height and page boundaries (W default 80 bytes, P default 640 dots)\n"
    "  k20tool log list ROOT\n"
    "      the day folders of a log root and their jobs, as the viewer's tree shows them\n"
    "  k20tool log print JOB.prn|DAYFOLDER --to PRINTER [--capture FILE]\n"
    "      send one job, or every job of a day folder, as raw documents \"Driver LOG Printing\";\n"
    "      on Windows to the named local printer, elsewhere to a simulated printer whose\n"
    "      received bytes --capture writes to FILE\n";

bool TakeOption(Args& args, const std::string& name, std::string& value, bool& bad) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 1 >= args.size()) {
            bad = true;
            return false;
        }
        value = args[i + 1];
        args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
        return true;
    }
    return false;
}

bool ParseCount(const std::string& s, uint32_t& v) {
    if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    v = uint32_t(std::stoul(s));
    return v > 0;
}

int Decode(Args args) {
    std::string out, w, p;
    bool bad = false;
    TakeOption(args, "-o", out, bad);
    bool hasW = TakeOption(args, "--width-bytes", w, bad);
    bool hasP = TakeOption(args, "--dots", p, bad);
    if (bad) return UsageError("an option lacks its value");
    if (const std::string* o = FindOption(args)) return UsageError("unknown option " + *o);
    if (args.size() != 1) return UsageError("log decode needs one JOB file");
    RenderParams params;
    if (hasW && !ParseCount(w, params.widthBytes)) return UsageError("--width-bytes takes a positive number");
    if (hasP && !ParseCount(p, params.dots)) return UsageError("--dots takes a positive number");
    std::vector<uint8_t> data;
    std::string err;
    if (!ReadWholeFile(args[0], platform::FileKind::LogJob, data, err)) return Fail(err);
    DecodedJob d = DecodeJob(data, params);
    if (d.status != DecodeStatus::Ok) return Fail(args[0] + ": " + DescribeStatus(d.status));
    if (out.empty()) out = std::filesystem::path(args[0]).replace_extension(".bmp").string();
    if (!WriteWholeFile(out, d.bitmap, err)) return Fail(err);
    std::cout << "height " << d.height << "\npage boundaries";
    for (uint32_t b : d.boundaries) std::cout << ' ' << b;
    std::cout << "\nwrote " << out << " (" << d.bitmap.size() << " bytes)\n";
    return 0;
}

// Where the tool runs natively there is no Windows file system: the host folder is
// copied into a simulated machine so that the viewer's own listing code walks it.
struct Machine {
#ifdef _WIN32
    win32::Win32Machine real;
    std::string error;
    Platform platform() {
        return real.platform();
    }
    std::string Map(const std::string& p) {
        return p;
    }
#else
    sim::SimMachine sim;
    std::string error;  // why the job given directly could not be read
    Platform platform() {
        return sim.platform();
    }
    std::string Map(const std::string& hostPath) {
        namespace fs = std::filesystem;
        const std::string root = "C:\\log";
        std::error_code ec;
        fs::path base(hostPath);
        if (fs::is_regular_file(base, ec)) {
            std::vector<uint8_t> d;
            // A job that cannot be read is not there for the viewer's code either.
            if (ReadWholeFile(base.string(), platform::FileKind::LogJob, d, error))
                sim.files.Put(root + "\\" + base.filename().string(), d);
            return root + "\\" + base.filename().string();
        }
        sim.files.CreateDirectories(root);
        if (!fs::is_directory(base, ec)) return "C:\\missing";
        // Two levels: day folders and their files. Deeper folders are not part of the log.
        for (auto& e : fs::directory_iterator(base, ec)) {
            std::string name = e.path().filename().string();
            if (e.is_regular_file()) {
                std::vector<uint8_t> d;
                std::string err;
                if (ReadWholeFile(e.path().string(), platform::FileKind::LogJob, d, err))
                    sim.files.Put(root + "\\" + name, d);
            } else if (e.is_directory()) {
                sim.files.CreateDirectories(root + "\\" + name);
                for (auto& f : fs::directory_iterator(e.path(), ec)) {
                    std::string fname = f.path().filename().string();
                    if (f.is_regular_file()) {
                        std::vector<uint8_t> d;
                        std::string err;
                        if (ReadWholeFile(f.path().string(), platform::FileKind::LogJob, d, err))
                            sim.files.Put(root + "\\" + name + "\\" + fname, d);
                        else
                            std::cerr << "k20tool: " << err << "\n";
                    } else if (f.is_directory()) {
                        sim.files.CreateDirectories(root + "\\" + name + "\\" + fname);
                    }
                }
            }
        }
        return root;
    }
#endif
};

int List(const Args& args) {
    if (const std::string* o = FindOption(args)) return UsageError("unknown option " + *o);
    if (args.size() != 1) return UsageError("log list needs ROOT");
    Machine m;
    Platform p = m.platform();
    LogRoot r = ScanLogRoot(p.files, m.Map(args[0]));
    if (!r.listed) return Fail(args[0] + ": Not found file.");
    std::cout << args[0] << "\n";
    for (auto& d : r.days) {
        std::cout << "  " << d.name << "\n";
        for (auto& j : d.jobs) std::cout << "    " << j << "\n";
    }
    return 0;
}

class NoImage : public PageImageHost {
  public:
    bool Load(const std::string&, uint32_t&) override { return false; }
    void Release() override {}
};

int Print(Args args) {
    std::string to, capture;
    bool bad = false;
    TakeOption(args, "--to", to, bad);
    TakeOption(args, "--capture", capture, bad);
    if (bad) return UsageError("an option lacks its value");
    if (const std::string* o = FindOption(args)) return UsageError("unknown option " + *o);
    if (args.size() != 1 || to.empty())
        return UsageError("log print needs JOB.prn or DAYFOLDER and --to PRINTER");
    Machine m;
    Platform p = m.platform();
#ifndef _WIN32
    PrinterInfo2 info;
    info.printerName = to;
    m.sim.spooler.AddPrinter(info);
#endif
    NoImage host;
    LogViewerModel model(p, host);
    const std::string target = m.Map(args[0]);
    if (!m.error.empty()) return Fail(m.error);
    std::vector<std::string> files;
    if (p.files.IsDirectory(target)) {
        for (auto& j : JobsOfDay(p.files, target)) files.push_back(JoinPath(target, j));
        if (files.empty()) return Fail(args[0] + ": no job in this day folder");
    } else {
        files.push_back(target);
    }
    int failed = 0;
    for (auto& f : files) {
        bool ok = model.PrintFile(f, to.substr(0, kPrinterNameChars));
        std::cout << (ok ? "printed " : "not printed ") << FileNameOf(f) << "\n";
        failed += !ok;
    }
#ifndef _WIN32
    if (!capture.empty()) {
        std::vector<uint8_t> all;
        for (auto& j : m.sim.spooler.jobs) all.insert(all.end(), j.data.begin(), j.data.end());
        std::string err;
        if (!WriteWholeFile(capture, all, err)) return Fail(err);
    }
#endif
    return failed ? Fail(std::to_string(failed) + " of " + std::to_string(files.size()) + " jobs not printed")
                  : 0;
}

int Run(const Args& args) {
    if (args.empty() || WantsHelp(args)) {
        (args.empty() ? std::cerr : std::cout) << kHelp;
        return args.empty() ? 2 : 0;
    }
    Args rest(args.begin() + 1, args.end());
    if (args[0] == "decode") return Decode(rest);
    if (args[0] == "list") return List(rest);
    if (args[0] == "print") return Print(rest);
    return UsageError("unknown log command '" + args[0] + "'");
}

Registration reg("log", "the driver log: decode a job to its page image, list a log folder, print jobs again",
                 Run, kHelp);

}  // namespace
}  // namespace k20::tool
