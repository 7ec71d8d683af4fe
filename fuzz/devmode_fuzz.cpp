// Convert and merge over any input record, any claimed sizes and any output buffer size:
// the output must stay inside its buffer and the input must be read only where it exists.
#include <cstdint>
#include <cstring>
#include <vector>

#include "prnui/core/private_settings.h"

using namespace k20::prnui;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    const uint32_t mode = 1 + data[0] % 5;        // includes one invalid mode
    const uint32_t outSize = 1900 + data[1] * 2;  // around the record size
    const bool keepDefaultOut = data[2] & 1;
    std::vector<uint8_t> in(data + 3, data + size);  // exact size: ASan catches over-reads
    std::vector<uint8_t> out(outSize, 0xA5);
    if (keepDefaultOut && outSize >= kPrivateSettingsSize) {
        PrivateSettings s;
        SetDefaults(s, u"C:\\Windows\\system32");
        std::memcpy(out.data(), &s, sizeof s);
    }
    DevModeParam p;
    p.in = in.empty() ? nullptr : in.data();
    p.inAvailable = in.size();
    p.out = out.data();
    p.cbBufSize = outSize;
    CallResult r = DevMode(mode, &p, u"C:\\Windows\\system32");
    if (r.hr == kS_OK && (mode == kOemDmConvert || mode == kOemDmMerge) && p.in) {
        uint32_t sz;
        std::memcpy(&sz, out.data(), 4);
        if (sz != kPrivateSettingsSize) __builtin_trap();
    }
    return 0;
}
