// The watermark preview's repaint path on the largest kept copy (10 MiB of rows): the
// brightness re-applied to every byte and the placement worked out for the box. Prints
// the median of many repaints; the preview should stay well under 5 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "prnui/pages/watermark_bitmap.h"

using namespace k20::prnui;

int main() {
    // 1024 pixels a row, 3413 rows: the largest copy the preview keeps.
    const int width = 1024, height = 3413;
    const size_t bytes = size_t(width) * 3 * height;
    std::vector<uint8_t> kept(bytes), shown(bytes);
    for (size_t i = 0; i < bytes; ++i) kept[i] = uint8_t(i * 37);
    std::vector<double> ms;
    size_t ops = 0;
    for (int run = 0; run < 101; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        ApplyBrightness(kept.data(), shown.data(), shown.size(), uint8_t(run));
        ops += PlaceWatermark(width, height, 170, 170, run % 10, 30 + run % 70).size();
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
    std::printf("watermark repaint, %zu bytes: median %.3f ms over %zu runs (%zu stretches, check %u)\n",
                bytes, ms[ms.size() / 2], ms.size(), ops, unsigned(shown[bytes / 2]));
    return 0;
}
