#include "tools/k20tool/device_command.h"

#include <iostream>

namespace k20::tool {

std::optional<int> StartDeviceCommand(Args& args, const char* usage, std::optional<SendTarget>& to) {
    if (args.empty() || WantsHelp(args)) {
        (args.empty() ? std::cerr : std::cout) << usage;
        return args.empty() ? kExitUsage : 0;
    }
    std::string err;
    if (!TakeSendTarget(args, to, err)) return UsageError(err);
    return std::nullopt;
}

std::optional<int> StartOneFileCommand(Args& args, const char* usage, std::optional<SendTarget>& to,
                                       const char* missing) {
    if (const std::optional<int> done = StartDeviceCommand(args, usage, to)) return done;
    if (const std::string* o = FindOption(args)) return UsageError("unknown option " + *o);
    if (args.size() != 1) return UsageError(missing);
    return std::nullopt;
}

}  // namespace k20::tool
