// k20tool send: job bytes made earlier (by any device command) to a printer.
#include "tools/k20tool/local_files.h"
#include "tools/k20tool/device_command.h"
#include "tools/k20tool/send_target.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

const char* kHelp =
    "usage: k20tool send JOB --to TARGET\n"
    "  sends the bytes of the file JOB as they are:\n"
    "    --to tcp://HOST[:PORT]   a receipt printer's raw TCP port (9100 unless given)\n"
    "    --to printer:NAME        one raw spooler job on a printer of this Windows system\n"
    "    --to PATH                a device or a file\n"
    "  Every device command (logo download, logo clear, firmware) also takes --to.\n";

int Run(const Args& argsIn) {
    Args args = argsIn;
    std::optional<SendTarget> to;
    if (const std::optional<int> done =
            StartOneFileCommand(args, kHelp, to, "send needs exactly one JOB file"))
        return *done;
    if (!to) return UsageError("send needs --to");
    LocalFileSystem fs;
    std::vector<uint8_t> data;
    if (platform::Error e = platform::ReadBoundedFile(fs, args[0], platform::FileKind::PrinterJob, data))
        return Fail(platform::DescribeReadError(args[0], platform::FileKind::PrinterJob, e));
    std::vector<std::vector<uint8_t>> writes;
    writes.push_back(std::move(data));
    return DeliverJob(to, "k20tool", writes);
}

Registration reg("send", "send job bytes to a printer over TCP, to a path or to a spooler printer", Run,
                 kHelp);

}  // namespace
}  // namespace k20::tool
