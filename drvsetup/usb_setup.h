#pragma once
// USB printers: which kind is connected, the device number the maker's library reads
// and sets, the class-printer number from the enumeration library, the USB kernel
// driver's version, and the hand-over of class printers to the USB driver installer.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "drvsetup/setup_config.h"
#include "platform/admin.h"

namespace k20::drvsetup {

inline constexpr const char* kUsbPrefixUpper = "USB\\VID_F00D&PID_";
inline constexpr const char* kUsbPrefixLower = "USB\\Vid_f00d&Pid_";

enum class UsbProductClass { MakerDriver, ClassPrinter, Other, NotOurs };
// From the hardware identifier: the four hex digits after one of the two prefixes.
UsbProductClass ClassifyHardwareId(const std::string& id);
// 1 class printers only, 2 maker-driver printers only or none, 3 mixed.
int DetectUsbClassification(platform::DeviceSetup& devices);

// What the wizard shows: plain message boxes and Yes/No questions.
struct UsbUi {
    std::function<void(const std::string&)> show;
    std::function<bool(const std::string&)> ask;
};

int UsbNumberFromDevice(int bcdDevice);  // (d mod 8) + 1

// bcdDevice, -1 no device (or library/function missing, descriptor unreadable), -2 several.
int ReadDeviceNumber(platform::AdminPlatform& p, const std::string& installerDir, const SetupTexts& texts,
                     const UsbUi& ui);
// The 10-byte set-number command for number n (1..4).
std::array<uint8_t, 10> SetNumberCommand(const std::array<uint8_t, 6>& prefix, int n);
bool SetDeviceNumber(platform::AdminPlatform& p, const std::string& installerDir,
                     const std::array<uint8_t, 6>& prefix, int n, const UsbUi& ui);
// 0 not found or failure, 1..4, 5 for an entry without a number.
int ReadClassPrinterNumber(platform::AdminPlatform& p, const std::string& installerDir,
                           const std::string& model, const UsbUi& ui);
// Pure part of the above over the enumeration text.
int ClassPrinterNumberFromText(const std::string& text, const std::string& model);

// Version text reduced to the digits at positions 0, 2, 4, 6 and read as a number.
int CompactVersion(const std::string& v);
// -1 not installed, 1 installed older than the package's, 0 otherwise.
int CheckKernelDriverVersion(platform::AdminPlatform& p, const std::string& installerDir, bool windows64,
                             int detectedCode);
// The installed QXPUSB.sys version text, "0.0.0.0" when absent.
std::string InstalledKernelDriverVersion(platform::AdminPlatform& p, bool windows64);

// "<dir>\USBDrv\USBDriver_<arch>\<Win7|Win8|Win10>"
std::string UsbDriverFolder(const std::string& installerDir, bool windows64, int detectedCode);

enum class UsbPath { ClassPrinter, MakerDriver, RefuseOnePrinter, RefuseClassId };
UsbPath ChooseUsbPath(int supportedUsbMode, int classification);

std::string ClassInstallArguments(const std::string& inf, const std::string& hardwareId,
                                  const std::string& defaultPrinter);
std::string ClassInstallInfPath(SetupConfig& cfg);

// Starts the USB driver installer with "2" when the kernel driver is missing or older
// (not on detected codes 0 and 1), then waits 3.5 s. False with the message shown when the
// installer cannot be started.
bool UpdateKernelDriverIfNeeded(platform::AdminPlatform& p, SetupConfig& cfg, int detectedCode,
                                const UsbUi& ui);
// The message for an outside installer that could not be started.
std::string StartFailureText(platform::AdminPlatform& p, const std::string& exe, platform::Error e);

// The class-printer hand-over. Returns false with the message shown when it stops.
bool InstallClassPrinter(platform::AdminPlatform& p, SetupConfig& cfg, const SetupTexts& texts,
                         const UsbUi& ui, const std::string& model, int printerType, WinVersion osCode,
                         Flavour flavour, bool setDefault, int detectedCode);

// Before a maker-driver installation: the device number check and change. Returns false
// when the wizard stays on the port page.
bool PrepareMakerDriverPort(platform::AdminPlatform& p, SetupConfig& cfg, const SetupTexts& texts,
                            const UsbUi& ui, bool advanced, const std::string& portName);

}  // namespace k20::drvsetup
