// Decoding throughput on 10 MB jobs of both kinds, and the memory the decoder adds.
// A benchmark, not a test: prints medians and peak resident sizes. The time taken is
// the thread's CPU time, so that a machine shared with other work still gives figures
// that can be compared; the wall-clock median is printed beside it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>
#include <sys/resource.h>

#include "logviewer/log_decode.h"

using namespace k20::logviewer;

static long PeakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

static double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

static std::vector<uint8_t> RasterJob(size_t size) {
    std::vector<uint8_t> j{0x1B, 0x40};
    while (j.size() < size) {
        j.insert(j.end(), {0x15, 0x01, 0x16, 80});
        for (int i = 0; i < 80; ++i) j.push_back(uint8_t(i * 7));
        if (j.size() % 200000 < 86) j.insert(j.end(), {0x15, 0x01, 0x16, 1, 0, 0x15, 0x01, 0x1D, 0x44, 0x00});
    }
    j.insert(j.end(), {0x15, 0x01, 0x16, 1, 0, 0x15, 0x01, 0x1D, 0x44, 0x00});
    return j;
}

static std::vector<uint8_t> BandJob(size_t size) {
    std::vector<uint8_t> j{0x1B, 0x40};
    while (j.size() < size) {
        j.insert(j.end(), {0x1B, 0x24, 0x04, 0x00, 0x1B, 0x2A, 0x21, 0x80, 0x02});
        for (int i = 0; i < 640 * 3; ++i) j.push_back(uint8_t(0x5A ^ i));
        j.insert(j.end(), {0x1B, 0x33, 0x18, 0x0A});
    }
    j.insert(j.end(), {0x1B, 0x33, 0x00, 0x0A, 0, 0, 0, 0, 0, 0});
    return j;
}

// Bands of no columns at an odd dot position far to the right: five bytes each, and every
// one blanks the start of 24 rows. A hostile job, not a printed one.
static std::vector<uint8_t> EmptyBandJob(size_t size, uint32_t x) {
    std::vector<uint8_t> j{0x00};
    while (j.size() < size) {
        j.insert(j.end(), {0x1B, 0x33, 0x18, 0x0A, 0x1B, 0x24, uint8_t(x), uint8_t(x >> 8)});
        for (int i = 0; i < 1000; ++i) j.insert(j.end(), {0x1B, 0x2A, 0x21, 0x00, 0x00});
    }
    j.insert(j.end(), {0x1B, 0x33, 0x18, 0x0A, 0x1B, 0x33, 0x00, 0x0A, 0, 0, 0, 0, 0, 0});
    return j;
}

static void Run(const char* name, const std::vector<uint8_t>& job, RenderParams params = {}, int runs = 15) {
    std::vector<double> cpu, wall;
    size_t image = 0;
    const long before = PeakKb();
    for (int i = 0; i < runs; ++i) {
        const double c0 = CpuMs();
        auto t0 = std::chrono::steady_clock::now();
        DecodedJob d = DecodeJob(job, params);
        auto t1 = std::chrono::steady_clock::now();
        cpu.push_back(CpuMs() - c0);
        if (d.status != DecodeStatus::Ok) std::printf("%s: %s\n", name, DescribeStatus(d.status));
        image = d.bitmap.size();
        wall.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    const double med = cpu[cpu.size() / 2], wmed = wall[wall.size() / 2];
    std::printf(
        "%-12s file %.1f MB  image %.1f MB  median cpu %.2f ms  %.0f MB/s  (wall %.2f ms)  peak growth %.1f "
        "MB\n",
        name, job.size() / 1e6, image / 1e6, med, job.size() / 1e6 / (med / 1e3), wmed,
        (PeakKb() - before) / 1e3);
}

int main() {
    std::vector<uint8_t> r = RasterJob(10'000'000);
    std::vector<uint8_t> b = BandJob(10'000'000);
    std::printf("peak before decoding (both jobs held): %.1f MB\n", PeakKb() / 1e3);
    Run("raster-line", r);
    Run("band", b);
    // The widest rows the decoder takes; 1 MB of input keeps the old cost within minutes.
    Run("empty-band", EmptyBandJob(1'000'000, 8 * 4000 + 1), RenderParams{4096, 32768}, 3);
    return 0;
}
