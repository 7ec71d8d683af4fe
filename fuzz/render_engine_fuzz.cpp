// Random page events and private settings records through the engine: every job must
// decode with the driver-log decoder into exactly the pages it was given.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>

#include "prnui/core/private_settings.h"
#include "render/engine.h"
#include "tests/render/roundtrip_check.h"

using namespace k20::render;

namespace k20::render::testing {
std::string CheckDecodesUntraced(std::span<const uint8_t> job, const std::vector<TestPage>& pages);
}

namespace {

struct Input {
    const uint8_t* d;
    size_t n, i = 0;
    bool more() const { return i < n; }
    uint8_t u8() { return i < n ? d[i++] : 0; }
    uint16_t u16() { return uint16_t(u8() | u8() << 8); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    JobSettings settings;
    const uint8_t flags = in.u8();
    if ((flags & 1) && size - in.i >= k20::prnui::kPrivateSettingsSize) {
        settings = SettingsFromRecordBytes({data + in.i, k20::prnui::kPrivateSettingsSize});
        in.i += k20::prnui::kPrivateSettingsSize;
    }
    settings.log.enabled = false;
    settings.density = Density((flags >> 1) % 3);
    // Raw commands are sent as stored; ones holding the decoder's own command bytes move
    // the decoded image as they move the paper, so the round trip leaves those bytes out.
    for (Operation& op : settings.operations) {
        std::vector<uint8_t> kept;
        for (uint8_t b : op.command)
            if (b != 0x15 && b != 0x16 && b != 0x1B) kept.push_back(b);
        op.command = kept;
    }
    MemorySink sink;
    Engine engine(sink, settings);
    engine.StartDocument();
    std::vector<testing::TestPage> pages;
    bool open = false;
    size_t rows = 0;
    // 720 rows (30 bands) reach every band and feed case, blank runs of more than two feed
    // commands included; a whole receipt a run only made each run slower.
    while (in.more() && pages.size() < 20 && rows < 720) {
        const uint8_t op = in.u8();
        switch (op % 4) {
            case 0: {
                if (open) engine.EndPage();
                const uint32_t width = in.u16() % 700;
                pages.push_back({width, {}});
                engine.StartPage(width);
                open = true;
                break;
            }
            case 1: {  // rows from the input
                if (!open) break;
                testing::TestPage& p = pages.back();
                const size_t count = 1 + op / 4 % 32;
                for (size_t k = 0; k < count; ++k) {
                    std::vector<uint8_t> row((p.width + 7) / 8);
                    for (auto& b : row) b = in.u8();
                    engine.WriteRow(row);
                    p.rows.push_back(row);
                }
                rows += count;
                break;
            }
            case 2: {  // a run of blank or black rows
                if (!open) break;
                testing::TestPage& p = pages.back();
                // Kept within the row budget: a decoded image above 128 KiB made every
                // run map and fault in fresh pages.
                const size_t count = std::min<size_t>(in.u8() * 4u, 720 - rows);
                const uint8_t fill = op & 4 ? 0xFF : 0x00;
                std::vector<uint8_t> row((p.width + 7) / 8, fill);
                for (size_t k = 0; k < count; ++k) {
                    engine.WriteRow(row);
                    p.rows.push_back(row);
                }
                rows += count;
                break;
            }
            default:
                if (open) engine.EndPage();
                open = false;
                break;
        }
    }
    if (open) engine.EndPage();
    engine.EndDocument();
    if (!engine.Ok()) std::abort();
    const std::string problem = testing::CheckDecodesUntraced(sink.data, pages);
    if (!problem.empty()) {
        std::fprintf(stderr, "round trip: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
