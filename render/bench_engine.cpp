// The engine's speed on one 576 x 2400-dot receipt page (30 cm), raster bytes in per
// second, median of many runs. Not a test: run by hand (built with K20_BENCH).
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <random>
#include <vector>

#include "render/engine.h"

using namespace k20::render;

namespace {

// A sink that keeps nothing: the figure is the engine's own work.
class NullSink final : public ByteSink {
  public:
    bool Write(std::span<const uint8_t> b) override {
        bytes += b.size();
        return true;
    }
    size_t bytes = 0;
};

using Page = std::vector<std::vector<uint8_t>>;

Page Receipt() {
    // Lines of text-like marks 24 dots high with blank lines between, a logo-sized dark
    // block at the top and a barcode near the bottom.
    std::mt19937 rng(1);
    Page p(2400, std::vector<uint8_t>(72, 0));
    for (size_t y = 0; y < 2400; ++y) {
        auto& r = p[y];
        if (y < 200) {
            for (size_t x = 8; x < 64; ++x) r[x] = uint8_t(rng());
        } else if (y >= 2100 && y < 2200) {
            for (size_t x = 10; x < 62; ++x) r[x] = (x * 37 % 7) < 3 ? 0xF0 : 0x0F;
        } else if ((y / 24) % 2 == 0 && y % 24 < 20) {
            const size_t len = 20 + (y / 48 * 13) % 50;
            for (size_t x = 2; x < 2 + len; ++x) r[x] = uint8_t(rng() & rng());
        }
    }
    return p;
}

Page Random() {
    std::mt19937 rng(2);
    Page p(2400, std::vector<uint8_t>(72));
    for (auto& r : p)
        for (auto& b : r) b = uint8_t(rng());
    return p;
}

void Measure(const char* name, const Page& page, int runs) {
    std::vector<double> secs;
    size_t out = 0;
    for (int k = 0; k < runs; ++k) {
        NullSink sink;
        const auto t0 = std::chrono::steady_clock::now();
        Engine e(sink, {});
        e.StartDocument();
        e.StartPage(576);
        for (const auto& r : page) e.WriteRow(r);
        e.EndPage();
        e.EndDocument();
        const auto t1 = std::chrono::steady_clock::now();
        secs.push_back(std::chrono::duration<double>(t1 - t0).count());
        out = sink.bytes;
    }
    std::sort(secs.begin(), secs.end());
    const double median = secs[secs.size() / 2];
    const double in = 2400.0 * 72;
    std::printf("%-8s median %8.1f us  %6.2f GB/s raster in  (%zu bytes out)\n", name, median * 1e6,
                in / median / 1e9, out);
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 301;
    std::printf("576 x 2400 dots (172800 bytes of raster), %d runs\n", runs);
    Measure("receipt", Receipt(), runs);
    Measure("random", Random(), runs);
    Measure("blank", Page(2400, std::vector<uint8_t>(72, 0)), runs);
    return 0;
}
