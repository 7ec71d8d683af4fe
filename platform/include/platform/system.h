#pragma once
#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace k20::platform {

struct OsVersion {
    uint32_t major = 10, minor = 0, build = 19045;
    uint8_t productType = 1;             // 1 workstation, 2 domain controller, 3 server
    uint16_t processorArchitecture = 9;  // 0 x86, 9 x64, 12 arm64, 6 ia64
    uint32_t platformId = 2;             // 1 = 9x/Me, 2 = NT
};

class SystemInfo {
  public:
    virtual ~SystemInfo() = default;
    virtual std::string WindowsDirectory() = 0;  // "C:\\Windows"
    virtual std::string SystemDirectory() = 0;   // "C:\\Windows\\system32"
    virtual std::string AppDataDirectory() = 0;  // per-user application data
    virtual std::string TempDirectory() = 0;     // with trailing backslash, as GetTempPath
    virtual uint16_t DefaultUiLanguage() = 0;    // e.g. 0x0409, 0x0804
    // The system's default language (GetSystemDefaultLangID), which may differ from the
    // user's interface language.
    virtual uint16_t SystemDefaultLanguage() = 0;
    virtual unsigned AnsiCodePage() = 0;  // 1252, 936, 950 ...
    virtual OsVersion Version() = 0;
    virtual bool IsWindows64() = 0;  // true for a 64-bit process and for a 32-bit one under WOW64
    virtual bool IsWow64Process() = 0;
    // Milliseconds since start; the simulated machine's clock only moves when asked to.
    virtual uint64_t TickCount() = 0;
    virtual void Sleep(uint32_t ms) = 0;
};

}  // namespace k20::platform
