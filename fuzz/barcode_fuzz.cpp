// Barcode data validation with Code128 packing, over any code and any bytes. The first
// byte picks the code, the second a packing buffer size; the rest is the data.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "prnui/barcode/sample_job.h"
#include "prnui/barcode/validation.h"

using namespace k20::barcode;

namespace {
constexpr int kCodes[] = {0, 1, 2, 3, 4, 5, 6, 72, 73, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 7, 8, 19, 200};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int code = kCodes[data[0] % (sizeof kCodes / sizeof kCodes[0])];
    const size_t cap = data[1];
    const std::vector<uint8_t> in(data + 2, data + size);

    std::vector<uint8_t> d = in;
    const ValidationResult r = ValidateBarcodeData(code, d);
    if (r.ok()) {
        // Packing only ever shortens the data, and an accepted datum is never empty.
        if (d.empty() || d.size() > in.size()) std::abort();
        if (code != kCode128 && d != in) std::abort();
    }

    // Packing into a buffer of exactly `cap` bytes on the heap, so that a write past it
    // is caught; on success the result must equal packing into a full-size buffer.
    std::unique_ptr<uint8_t[]> small(new uint8_t[cap ? cap : 1]);
    size_t smallLen = 0;
    const ValidationResult rs = PackCode128(in, std::span<uint8_t>(small.get(), cap), smallLen);
    std::vector<uint8_t> full(in.size());
    size_t fullLen = 0;
    const ValidationResult rf = PackCode128(in, full, fullLen);
    if (rf.verdict == Verdict::PackOverflow) std::abort();
    if (rs.ok()) {
        if (!rf.ok() || smallLen != fullLen || smallLen > cap) std::abort();
        for (size_t i = 0; i < smallLen; ++i)
            if (small[i] != full[i]) std::abort();
    }

    // The 2D rules and the sample builders over the same data.
    std::vector<uint8_t> d2 = in;
    Validate2DData(code % 7, d2);
    k20::prnui::BarcodeFont1DSlot s1{};
    s1.type = uint8_t(code % 14);
    Plan1DSample(s1, in);
    k20::prnui::BarcodeFont2DSlot s2{};
    s2.type = uint8_t(code % 7);
    s2.qrErrorLevel = data[1];
    const SamplePlan p2 = Plan2DSample(s2, in);
    // Every 2D command ends at the data's first 00: accepted data holds none.
    if (p2.ok())
        for (uint8_t b : in)
            if (b == 0) std::abort();
    return 0;
}
