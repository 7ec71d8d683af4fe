#pragma once
// Our two test pictures and the streams a page makes of them when they are added as
// new logos (mono: Dither M3 at 0/0; gray: 0/0).
#include <cstdint>
#include <vector>

#include "prnui/imaging/logo_stream.h"

namespace k20::test {
std::vector<uint8_t> GoldenColourPicture();  // 24-bit, 61 x 37
std::vector<uint8_t> GoldenGrayPicture();    // 8-bit, 45 x 30
std::vector<uint8_t> GoldenDownloadStream(prnui::LogoType type);
}  // namespace k20::test
