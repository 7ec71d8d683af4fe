// The rendering plug-in's job over arbitrary DEVMODE bytes and bands: the record search
// must stay inside the bytes it is given, and bands whose sizes do not add up must be
// refused without a read outside them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "prnrender/render_job.h"

using namespace k20::prnrender;

namespace {

struct NullOutput : JobOutput {
    void StartDocument() override {}
    void StartPage(uint32_t) override {}
    void WriteRow(std::span<const uint8_t> row) override { sink += row.empty() ? 0 : row[0]; }
    void WriteCommand(std::span<const uint8_t> b) override { sink += b.size(); }
    void EndPage() override {}
    void EndDocument() override {}
    size_t sink = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 16) return 0;
    const size_t split = (size_t(data[0]) << 8 | data[1]) % size;
    std::vector<uint8_t> extra(data + 2, data + std::max<size_t>(2, split));  // exact size for ASan
    JobConfig cfg;
    if (auto rec = FindRecord({}, extra)) cfg.record = *rec;
    RenderJob job(cfg, [](std::span<const uint8_t>, Density) { return std::make_unique<NullOutput>(); });
    job.StartDocument();
    size_t at = std::max<size_t>(2, split);
    while (at + 8 <= size) {
        Band b;
        b.width = 1 + data[at] % 600;
        b.height = 1 + data[at + 1] % 64;
        b.stride = data[at + 2] % 96;
        b.bottomUp = data[at + 3] & 1;
        b.oneIsBlack = data[at + 3] & 2;
        b.y = int32_t(data[at + 4]) * 4 - 8;
        if (data[at + 5] & 1) job.DeviceText(data[at + 6] % 13, u"123456789012");
        if (data[at + 5] & 2) job.MoveToRow(data[at + 6]);
        if (data[at + 5] & 4) job.StartPage();
        at += 8;
        std::vector<uint8_t> bits(data + at, data + std::min(size, at + data[at - 1] * 4));
        b.bits = bits.data();
        b.size = bits.size();
        job.AddBand(b);
        at += bits.size();
    }
    job.EndDocument();
    return 0;
}
