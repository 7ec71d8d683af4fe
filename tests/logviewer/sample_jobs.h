#pragma once
// The sample log shipped with the package: a few receipts of both kinds the decoder
// reads, so that the viewer has something to show out of the box.
#include <string>
#include <vector>

#include "tests/logviewer/job_builder.h"

namespace k20::logviewer::testing {

struct SampleJob {
    std::string day, name;
    std::vector<uint8_t> data;
};

// Raster-line receipt: a framed header, rules and stripes, `pages` pages.
inline std::vector<uint8_t> SampleRasterJob(int pages, int seed) {
    JobBuilder j;
    j.Init();
    for (int p = 0; p < pages; ++p) {
        const int rows = 120 + 40 * ((p + seed) % 3);
        for (int r = 0; r < rows; ++r) {
            std::vector<uint8_t> line(80, 0);
            const bool frame = r < 4 || (r >= 60 && r < 64);
            for (int b = 0; b < 80; ++b) {
                if (frame)
                    line[size_t(b)] = 0xFF;
                else if (r < 60)
                    line[size_t(b)] = (b < 1 || b > 78) ? 0xF0 : ((b / 4 + r / 8 + seed) % 5 == 0 ? 0x3C : 0);
                else if (r % 20 < 2)
                    line[size_t(b)] = 0xAA;
                else if (b >= 8 + 4 * p && b < 30 + 4 * p && r % 20 > 6 && r % 20 < 16)
                    line[size_t(b)] = 0x81;
            }
            // Every row of the page is one dot line down from the last.
            j.Feed(1).Line(line);
        }
        j.Feed(1).PageEndLine(std::vector<uint8_t>(80, 0));
        j.Bytes({0x1D, 0x56, 0x42, 0x00});  // cut
    }
    return j.out;
}

// Bit-image receipt: 24-dot bands with positions, each band followed by spacing 24.
inline std::vector<uint8_t> SampleBandJob(int pages, int bands, int seed) {
    JobBuilder j;
    j.Init();
    const uint8_t patterns[] = {0xFF, 0x81, 0xAA, 0x55, 0x0F, 0xF0, 0x3C, 0xC3, 0x18, 0x00};
    for (int p = 0; p < pages; ++p) {
        for (int b = 0; b < bands; ++b) {
            const int cols = 96 + 64 * ((b + seed) % 5);
            std::vector<uint8_t> data(size_t(cols) * 3);
            for (int c = 0; c < cols; ++c)
                for (int k = 0; k < 3; ++k)
                    data[size_t(c * 3 + k)] = patterns[size_t((c / 6 + k + b + p + seed) % 10)];
            j.Position(uint16_t((b * 52 + seed * 4) % 320)).Band(data).Spacing(24);
        }
        j.PageEndFeed();
    }
    return j.out;
}

inline std::vector<SampleJob> SampleJobs() {
    return {
        {"20240105", "receipt_0001.prn", SampleRasterJob(2, 0)},
        {"20240105", "receipt_0002.prn", SampleBandJob(3, 6, 1)},
        {"20240105", "receipt_0003.prn", SampleRasterJob(3, 1)},
        {"20240106", "receipt_0004.prn", SampleBandJob(2, 8, 2)},
        {"20240106", "receipt_0005.prn", SampleRasterJob(1, 2)},
    };
}

}  // namespace k20::logviewer::testing
