// Logged jobs come from a folder anyone can write: any bytes must decode or fail
// cleanly, within the file and within the image limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "logviewer/log_decode.h"

using namespace k20::logviewer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the rendering parameters, since the language file sets them
    // too; the decoder never reads index 0 as a command anyway.
    RenderParams p;
    if (size > 0) {
        const uint8_t sel = data[0];
        p.widthBytes = (sel & 0x0F) ? uint32_t(sel & 0x0F) * 8 : 80;
        p.dots = (sel >> 4) ? uint32_t(sel >> 4) * 50 : 640;
    }
    // A small limit keeps every run fast and still exercises the size check: a few bytes
    // of feeds reach it, and every execution fills at most 64 KiB of image.
    DecodedJob d = DecodeJob({data, size}, p, 1u << 16);
    if (d.status == DecodeStatus::Ok) {
        const size_t want = kPageImageHeaderSize + size_t(p.widthBytes) * d.height;
        if (d.bitmap.size() != want || d.height == 0 || d.boundaries.empty() ||
            d.boundaries.size() > kMaxPageBoundaries)
            std::abort();
        for (uint32_t b : d.boundaries)
            if (b > d.height) std::abort();
    } else if (!d.bitmap.empty()) {
        std::abort();
    }
    return 0;
}
