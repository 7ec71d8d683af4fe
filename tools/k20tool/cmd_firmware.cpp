// k20tool firmware: a file the printer interprets itself, sent unchanged as one write.
#include "common/text.h"
#include "prnui/imaging/logo_stream.h"
#include "prnui/pages/download_page_model.h"
#include "tools/k20tool/local_files.h"
#include "tools/k20tool/device_command.h"
#include "tools/k20tool/send_target.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {
namespace {

using namespace k20::prnui;

const char* kHelp =
    "usage: k20tool firmware FILE [--to TARGET]\n"
    "  the job of the Download page's file download: FILE's bytes, nothing added\n"
    "  (firmware .JK/.DAT, fonts .FNT/.ZK, EEPROM images .EEP or any other file).\n"
    "  Written to standard output unless --to names tcp://HOST[:PORT], printer:NAME or a path.\n";

int Run(const Args& argsIn) {
    Args args = argsIn;
    std::optional<SendTarget> to;
    if (const std::optional<int> done =
            StartOneFileCommand(args, kHelp, to, "firmware needs exactly one FILE"))
        return *done;
    LocalFileSystem fs;
    std::vector<uint8_t> data;
    const FirmwareResult r = ReadFirmwareFile(fs, args[0], data);
    std::vector<uint8_t> none;
    // A limit of 0 reads nothing: it only tells a device or a pipe from a file.
    if (r == FirmwareResult::CannotOpen && fs.ReadFileLimited(args[0], 0, none) == platform::kErrBadFileType)
        return Fail(
            platform::DescribeReadError(args[0], platform::FileKind::Firmware, platform::kErrBadFileType));
    if (r == FirmwareResult::TooLarge)
        return Fail(
            platform::DescribeReadError(args[0], platform::FileKind::Firmware, platform::kErrFileTooLarge));
    if (r != FirmwareResult::Sent)
        return Fail(args[0] + ": " + Utf16ToUtf8(DownloadDefaultText(FirmwareMessageKey(r))));
    std::vector<std::vector<uint8_t>> writes;
    writes.push_back(std::move(data));
    return DeliverJob(to, "FIRMWARE", writes);
}

Registration reg("firmware", "send a firmware, font or data file to the printer unchanged", Run, kHelp);

}  // namespace
}  // namespace k20::tool
