#pragma once
// The service control manager, as far as the installer and the uninstaller need it:
// stopping, starting and watching a service by name (the spooler is "Spooler").
#include <string>

#include "platform/errors.h"

namespace k20::platform {

inline constexpr Error kErrServiceAlreadyRunning = 1056;
inline constexpr Error kErrServiceNotActive = 1062;
inline constexpr Error kErrServiceDoesNotExist = 1060;

enum class ServiceState { Stopped = 1, StartPending = 2, StopPending = 3, Running = 4, Other = 0 };

class ServiceControl {
  public:
    virtual ~ServiceControl() = default;
    virtual Error Stop(const std::string& service) = 0;
    virtual Error Start(const std::string& service) = 0;
    virtual Error QueryState(const std::string& service, ServiceState& state) = 0;
};

}  // namespace k20::platform
