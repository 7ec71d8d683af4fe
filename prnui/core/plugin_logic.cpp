#include "prnui/core/plugin_logic.h"

#include <cstring>

#include "prnui/core/private_settings.h"

namespace k20::prnui {

CallResult GetInfo(uint32_t mode, void* buffer, uint32_t size, uint32_t* needed) {
    if (!needed) return {kE_FAIL, kERROR_INVALID_PARAMETER};
    if (mode != kOemGiGetSignature && mode != kOemGiGetVersion && mode != kOemGiGetPublisherInfo)
        return {kE_FAIL, kERROR_INVALID_PARAMETER};
    if (!buffer || size < 4) {
        *needed = 4;
        return {kE_FAIL, kERROR_INSUFFICIENT_BUFFER};
    }
    if (mode == kOemGiGetPublisherInfo) {
        *needed = 0;
        return {kE_FAIL, kERROR_NOT_SUPPORTED};
    }
    *needed = 4;
    uint32_t v = mode == kOemGiGetSignature ? kPrivateSettingsSignature : kPluginVersion;
    std::memcpy(buffer, &v, 4);
    return {};
}

CallResult QueryColorProfile(uint32_t queryMode, void* profile, uint32_t* size, uint32_t* flags) {
    if (queryMode != kQcpDeviceProfile) return {kE_FAIL, 0};
    // The host always passes the size; a caller that does not must not crash the process.
    if (!size) return {kE_FAIL, kERROR_INVALID_PARAMETER};
    if (profile && *size >= kColorProfileBytes) {
        static const char16_t kName[] = u"OEMPROFILE.icm";
        std::memcpy(profile, kName, sizeof kName);
        *size = kColorProfileBytes;
        if (flags) *flags = kQcpProfileDisk;
        return {};
    }
    *size = kColorProfileBytes;
    return {kE_FAIL, kERROR_INSUFFICIENT_BUFFER};
}

}  // namespace k20::prnui
