#pragma once
// Devices: the SetupAPI services (present devices' hardware identifiers, cabinet
// extraction) and the maker's USB libraries, which are not ours and are loaded at run
// time from the installer folder. Libraries are only ever loaded by full path.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace k20::platform {

class DeviceSetup {
  public:
    virtual ~DeviceSetup() = default;
    // The first hardware identifier of every present device of every class.
    virtual Error EnumPresentHardwareIds(std::vector<std::string>& ids) = 0;
    // Extracts the files of the cabinet whose names are in wanted (compared without
    // regard to case) into destDir; extracted receives the names written.
    virtual Error ExtractCabinet(const std::string& cabinetPath, const std::string& destDir,
                                 const std::vector<std::string>& wanted,
                                 std::vector<std::string>& extracted) = 0;
};

// QxUsbInt.dll. A handle of 0 or -1 means no device at that index.
class QxUsbInt {
  public:
    virtual ~QxUsbInt() = default;
    // Whether the library exports the function (OpenDeviceX, GetDescriptor, uWrite, CloseDevice).
    virtual bool Has(const std::string& function) = 0;
    virtual intptr_t OpenDeviceX(int index) = 0;
    // Fills a standard 18-byte device descriptor (the buffer is 20 bytes); nonzero on success.
    virtual int GetDescriptor(intptr_t handle, uint8_t* buffer20) = 0;
    virtual int uWrite(intptr_t handle, int pipe, const uint8_t* data, int length) = 0;
    virtual void CloseDevice(intptr_t handle) = 0;
};

// UsbPrnEnum.dll.
class UsbPrnEnum {
  public:
    virtual ~UsbPrnEnum() = default;
    virtual bool Has(const std::string& function) = 0;
    // buffer1024 is zeroed by the caller; negative on failure.
    virtual int EnumUSBPrinter(char* buffer1024) = 0;
};

class UsbLibraries {
  public:
    virtual ~UsbLibraries() = default;
    // fullPath must be absolute; a bare name is refused with kErrInvalidParameter.
    virtual Error LoadQxUsbInt(const std::string& fullPath, std::unique_ptr<QxUsbInt>& lib) = 0;
    virtual Error LoadUsbPrnEnum(const std::string& fullPath, std::unique_ptr<UsbPrnEnum>& lib) = 0;
};

bool IsAbsoluteWindowsPath(const std::string& path);

}  // namespace k20::platform
