#pragma once
// The services of Windows that the portable code reaches, gathered for injection.
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system.h"

namespace k20::platform {

struct Platform {
    Registry& registry;
    FileSystem& files;
    SystemInfo& system;
    Spooler& spooler;
};

}  // namespace k20::platform
