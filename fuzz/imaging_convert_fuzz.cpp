// Any file as a logo source: every conversion either refuses it or writes a working
// image whose size follows from the header it accepted, and the working image handed
// over in pieces is the very one built whole.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/bmp_file.h"
#include "prnui/imaging/logo_image.h"

using namespace k20;
using namespace k20::prnui;

namespace {

std::vector<uint8_t> pieces;
const ImageSink kCollect = [](std::span<const uint8_t> b) {
    if (b.empty()) abort();
    pieces.insert(pieces.end(), b.begin(), b.end());
    return true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    // The last byte picks the settings so that the corpus can reach every branch; 100
    // gives contrast and brightness 0, whose untouched levels take a path of their own.
    const uint8_t k = size ? data[size - 1] : 0;
    const int method = k & 3, c = int(k % 201) - 100, b = int((k * 7 + 3) % 201) - 100;
    std::vector<uint8_t> out;
    const ConvertResult r = ConvertToMonoImage(in, method, c, b, out);
    pieces.clear();
    if (ConvertToMonoImage(in, method, c, b, kCollect) != r || (r == ConvertResult::Ok && pieces != out))
        abort();
    if (r == ConvertResult::Ok) {
        LogoPixels px;
        if (!ParseLogoSource(in, 0, px) || out.size() != 62 + BmpStride(px.width, 1) * uint64_t(px.height))
            abort();
    }
    for (GrayVariant v : {GrayVariant::Colour, GrayVariant::Gray, GrayVariant::TwoLevel}) {
        const ConvertResult g = ConvertToGrayImage(in, v, c, b, out);
        if (g == ConvertResult::Ok) {
            LogoPixels px;
            if (!ParseLogoSource(in, 0, px) ||
                out.size() != 1078 + BmpStride(px.width, 8) * uint64_t(px.height))
                abort();
            pieces.clear();
            if (ConvertToGrayImage(in, v, c, b, kCollect) != g || pieces != out) abort();
        }
    }
    BmpImage img;
    DecodeBmp(in, img);
    return 0;
}
