#pragma once
// What the plug-in object answers to the host, apart from COM plumbing: kept portable
// so that every edge case is tested natively and the DLL only forwards.
#include <cstdint>

#include "prnui/core/com_results.h"

namespace k20::prnui {

inline constexpr uint32_t kPluginVersion = 1;

enum : uint32_t {
    kOemGiGetSignature = 1,
    kOemGiGetInterfaceVersion = 2,
    kOemGiGetVersion = 3,
    kOemGiGetPublisherInfo = 4
};
CallResult GetInfo(uint32_t mode, void* buffer, uint32_t size, uint32_t* needed);

inline constexpr uint32_t kQcpDeviceProfile = 0;
inline constexpr uint32_t kQcpProfileDisk = 2;
inline constexpr uint32_t kColorProfileBytes = 32;
// profile may be null; size and flags are the host's in/out values.
CallResult QueryColorProfile(uint32_t queryMode, void* profile, uint32_t* size, uint32_t* flags);

enum : uint32_t { kOemCuipDocProp = 1, kOemCuipPrnProp = 2 };

}  // namespace k20::prnui
