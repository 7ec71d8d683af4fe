// The device fonts' metric and glyph-table parsers on arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "prnrender/font_metrics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> in(data, size);
    (void)k20::prnrender::ParseUfm(in);
    (void)k20::prnrender::ParseGtt(in);
    return 0;
}
