// A user-chosen watermark bitmap of any content: the true-colour copy must read only
// inside the file, size its output from checked headers, and be well formed when it
// succeeds; the preview's kept copy must stay inside the file and the 10 MiB limit.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/byte_reader.h"
#include "prnui/pages/watermark_bitmap.h"

using namespace k20::prnui;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> in(data, data + size);  // exact size: ASan catches over-reads
    KeptBitmap kept;
    if (ReadKeptBitmap(in, kept) == KeepResult::Kept &&
        (kept.pixels.size() != kept.stride * size_t(kept.height) || kept.pixels.size() > kMaxKeptBytes))
        abort();
    std::vector<uint8_t> out;
    if (!ConvertToTrueColor(in, out)) return 0;
    k20::ByteReader r(out);
    r.seek(2);
    const uint32_t fileSize = r.u32();
    r.seek(18);
    const int32_t w = r.i32(), h = r.i32();
    const uint64_t stride = (3 * uint64_t(w) + 3) / 4 * 4;
    if (!r.ok() || w <= 0 || h <= 0 || fileSize != out.size() || stride * uint64_t(h) + 54 != out.size())
        abort();
    return 0;
}
