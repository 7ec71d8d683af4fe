#pragma once
// The numbers that K20.GPD and the plug-in share: command callback IDs, the image
// processing callback of the colour mode, and the device fonts' resource numbers. The
// printer description test checks that the file declares exactly these.
#include <cstdint>

namespace k20::prnrender {

enum CallbackId : uint32_t {
    kCbStartDoc = 1,
    kCbStartPage = 2,
    kCbEndPage = 3,
    kCbEndDoc = 4,
    kCbDensityLight = 10,
    kCbDensityNormal = 11,
    kCbDensityDark = 12,
    kCbYMoveAbsolute = 20,
};
inline constexpr uint32_t kImageProcessingCallback = 100;

}  // namespace k20::prnrender
