// Any file as a logo at download time: the column raster and the gray planes either
// refuse it or give exactly x * y * 8 bytes.
#include <cstdint>
#include <cstdlib>

#include "prnui/imaging/logo_stream.h"

using namespace k20::prnui;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    LogoRaster r;
    if (BuildColumnRaster(in, r) && r.data.size() != size_t(r.x) * r.y * 8) abort();
    if (BuildGrayPlanes(in, r) && r.data.size() != size_t(r.x) * r.y * 8) abort();
    return 0;
}
