#pragma once
// Starting other programs, and the parts of Windows that every program of the session
// shares: the system's error texts, the WIN.INI profile and setting-change broadcasts.
#include <cstdint>
#include <string>

#include "platform/errors.h"

namespace k20::platform {

class Processes {
  public:
    virtual ~Processes() = default;
    // Starts exePath (absolute; refused otherwise) with the parameter text. The program
    // name is passed apart from the parameters so that a blank in the path cannot split
    // it. With wait, waits for the end and gives the exit code.
    virtual Error Start(const std::string& exePath, const std::string& parameters, bool wait,
                        uint32_t& exitCode) = 0;
    // Removes the current folder from the DLL search order for the rest of the process.
    virtual Error SetSafeDllSearch() = 0;
    // The system's text for an error code (FormatMessage), without a trailing line break.
    virtual std::string ErrorText(Error e) = 0;
    virtual Error WriteProfileString(const std::string& section, const std::string& key,
                                     const std::string& value) = 0;
    virtual Error FlushProfile() = 0;
    // WM_WININICHANGE / WM_SETTINGCHANGE to every top-level window, with a time-out.
    virtual Error BroadcastSettingChange(const std::string& area, uint32_t timeoutMs) = 0;
};

// WOW64 file-system redirection of a 32-bit process on 64-bit Windows.
class Wow64FsRedirection {
  public:
    virtual ~Wow64FsRedirection() = default;
    // Whether the kernel library and the two functions can be found.
    virtual bool LibraryAvailable() = 0;
    virtual bool FunctionsAvailable() = 0;
    virtual Error Disable(void*& cookie) = 0;
    virtual Error Revert(void* cookie) = 0;
};

}  // namespace k20::platform
