#pragma once
// What the installer and the uninstaller reach besides the common services.
#include "platform/devices.h"
#include "platform/platform.h"
#include "platform/print_admin.h"
#include "platform/processes.h"
#include "platform/services.h"

namespace k20::platform {

struct AdminPlatform {
    Platform base;
    PrintAdmin& printAdmin;
    ServiceControl& services;
    DeviceSetup& devices;
    UsbLibraries& usb;
    Processes& processes;
    Wow64FsRedirection& wow64;
};

}  // namespace k20::platform
