// PWG raster files as a client or integrator hands them to "render": the reader, the
// rows and the halftoning into the engine. Whatever the headers claim, nothing reads or
// writes out of bounds, nothing is sized from an unchecked header, and every page
// printed decodes back.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "logviewer/log_decode.h"
#include "printerapp/render_command.h"
#include "render/engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    using namespace k20;
    // The first byte picks the halftoning; the rest is the file.
    const auto halftone = data[0] & 1 ? printerapp::Halftone::Diffusion : printerapp::Halftone::Ordered;
    render::MemorySink sink;
    render::Engine engine(sink, render::JobSettings{});
    engine.StartDocument();
    std::string error;
    const int pages =
        printerapp::RenderRaster(std::span<const uint8_t>(data + 1, size - 1), engine, halftone, error);
    engine.EndDocument();
    if (!engine.Ok()) __builtin_trap();
    if (pages > 0) {
        logviewer::RenderParams params{72, 576};
        const logviewer::DecodedJob job = logviewer::DecodeJob(sink.data, params);
        if (job.status == logviewer::DecodeStatus::Ok &&
            job.boundaries.size() !=
                static_cast<size_t>(std::min<int>(pages, int(logviewer::kMaxPageBoundaries))))
            __builtin_trap();
    }
    return 0;
}
