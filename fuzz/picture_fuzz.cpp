// Pictures come from anywhere: any bytes must become a bitmap the logo conversions take,
// or fail cleanly, within the limits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/byte_reader.h"
#include "prnui/imaging/logo_image.h"
#include "render/picture.h"

using namespace k20::render;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the width to scale to (0: none), the rest is the picture.
    const uint32_t maxWidth = uint32_t(data[0]) * 4;
    PictureLimits limits;
    // 256 x 256: every decoder path is reached at this size, and larger pictures only
    // made each run map, fill and scale more memory.
    limits.maxPixels = 1u << 16;
    std::vector<uint8_t> bmp;
    std::string error;
    if (!PictureToBmp({data + 1, size - 1}, maxWidth, bmp, error, limits)) {
        if (error.empty()) std::abort();
        return 0;
    }
    const uint32_t w = k20::GetU32(bmp.data(), 18);
    if (w == 0 || (maxWidth && w > maxWidth)) std::abort();
    k20::prnui::LogoPixels px;
    if (!k20::prnui::ParseLogoSource(bmp, 0, px)) std::abort();
    std::vector<uint8_t> mono;
    if (k20::prnui::ConvertToMonoImage(bmp, k20::prnui::kHalftoneErrorDiffuse, 0, 0, mono) !=
        k20::prnui::ConvertResult::Ok)
        std::abort();
    return 0;
}
