#pragma once
// What the device commands (logo, firmware, send) share before their own arguments.
#include <optional>

#include "tools/k20tool/send_target.h"
#include "tools/k20tool/tool.h"

namespace k20::tool {

// The command's usage on standard output when asked for help, on standard error when
// there are no arguments at all (exit 2); then "--to X" taken out of args, a malformed one
// being a usage error. The exit code when the command ends there; nothing when it goes
// on with the remaining args.
std::optional<int> StartDeviceCommand(Args& args, const char* usage, std::optional<SendTarget>& to);
// The same for a command that takes exactly one file and no option besides --to; missing
// is the usage error for any other number of arguments.
std::optional<int> StartOneFileCommand(Args& args, const char* usage, std::optional<SendTarget>& to,
                                       const char* missing);

}  // namespace k20::tool
