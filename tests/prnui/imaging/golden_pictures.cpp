#include "tests/prnui/imaging/golden_pictures.h"

#include <cmath>

#include "common/bmp_file.h"
#include "platform/sim/sim_machine.h"
#include "prnui/imaging/logo_image.h"

namespace k20::test {

std::vector<uint8_t> GoldenColourPicture() {
    BmpImage img;
    img.width = 61;
    img.height = 37;
    img.bitCount = 24;
    img.stride = size_t(BmpStride(61, 24));
    img.pixels.assign(img.stride * 37, 0);
    // A red-to-blue sweep with a dark ring: gradients for the dithers, an edge for diffusion.
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x) {
            uint8_t* p = img.Row(y) + 3 * x;
            const int dx = x - 30, dy = y - 18, r2 = dx * dx + dy * dy;
            const bool ring = r2 > 120 && r2 < 200;
            p[0] = uint8_t(ring ? 20 : 4 * x);
            p[1] = uint8_t(ring ? 30 : 6 * y + x);
            p[2] = uint8_t(ring ? 10 : 255 - 4 * x);
        }
    return EncodeBmp(img);
}

std::vector<uint8_t> GoldenGrayPicture() {
    BmpImage img;
    img.width = 45;
    img.height = 30;
    img.bitCount = 8;
    img.stride = size_t(BmpStride(45, 8));
    img.pixels.assign(img.stride * 30, 0);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 45; ++x)
            img.Row(y)[x] = uint8_t((x * 255 / 44 + ((x / 5 + y / 5) % 2) * 60) & 0xFF);
    return EncodeBmp(img);
}

std::vector<uint8_t> GoldenDownloadStream(prnui::LogoType type) {
    using namespace prnui;
    platform::sim::SimMachine m;
    {
        platform::PrinterInfo2 info;
        info.printerName = "K-20";
        m.spooler.AddPrinter(info);
    }
    platform::PrinterHandle h = 0;
    m.spooler.OpenPrinter("K-20", h);
    std::vector<LogoEntry> logos;
    for (auto [name, data] : {std::pair{"C:\\logos\\colour.bmp", GoldenColourPicture()},
                              std::pair{"C:\\logos\\gray.bmp", GoldenGrayPicture()}}) {
        m.files.Put(name, data);
        std::string out;
        if (type == LogoType::Mono) {
            ConvertToMono(m.files, name, out, kHalftoneDitherM3, 0, 0);
        } else {
            GrayVariant v;
            GrayVariantFor(data[28], v);
            ConvertToGray(m.files, name, out, v, 0, 0);
        }
        logos.push_back({name, WorkingImagePath(name)});
    }
    if (DownloadAllLogos(m.files, m.spooler, h, type, logos) != DownloadResult::Sent) return {};
    return m.spooler.jobs.at(0).data;
}

}  // namespace k20::test
