#pragma once
// The round trip the engine promises: a job decodes with the driver-log decoder into
// exactly the page rasters it was given, trailing blank rows aside. Shared by the tests
// and the fuzz harness, so it reports by text instead of through a test framework.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "logviewer/log_decode.h"
#include "render/engine.h"

namespace k20::render::testing {

struct TestPage {
    uint32_t width = 0;
    std::vector<std::vector<uint8_t>> rows;
};

inline std::vector<uint8_t> RenderJob(const std::vector<TestPage>& pages, JobSettings settings = {},
                                      std::string* error = nullptr) {
    MemorySink sink;
    Engine e(sink, std::move(settings));
    e.StartDocument();
    for (const TestPage& p : pages) {
        e.StartPage(p.width);
        for (const auto& r : p.rows) e.WriteRow(r);
        e.EndPage();
    }
    e.EndDocument();
    if (error) *error = e.Error();
    return sink.data;
}

inline bool Dot(const TestPage& p, size_t y, size_t x) {
    if (y >= p.rows.size() || x >= std::min(p.width, kMaxDots) || x / 8 >= p.rows[y].size()) return false;
    return (p.rows[y][x / 8] >> (7 - x % 8)) & 1;
}

// Index of the last row with a dot inside the page's printed width, or -1.
// Byte by byte: a dot at a time made the round-trip harness spend most of its run here.
inline long LastPrintedRow(const TestPage& p) {
    const size_t width = std::min(p.width, kMaxDots), bytes = (width + 7) / 8;
    for (size_t y = p.rows.size(); y-- > 0;) {
        const auto& row = p.rows[y];
        for (size_t i = 0; i < std::min(row.size(), bytes); ++i) {
            const uint8_t mask = i + 1 == bytes && width % 8 ? uint8_t(0xFF00 >> (width % 8)) : uint8_t(0xFF);
            if (row[i] & mask) return long(y);
        }
    }
    return -1;
}

// Empty when the job decodes into the pages; `firstRow` is the decoded row of the first
// page's top (1: the job's opening one-dot feed).
inline std::string CheckDecodes(std::span<const uint8_t> job, const std::vector<TestPage>& pages,
                                uint32_t firstRow = 1) {
    const logviewer::RenderParams params;
    const logviewer::DecodedJob d = logviewer::DecodeJob(job, params);
    if (pages.empty()) return d.status == logviewer::DecodeStatus::Ok ? "a job without pages decoded" : "";
    if (d.status != logviewer::DecodeStatus::Ok)
        return std::string("decoding failed: ") + logviewer::DescribeStatus(d.status);
    const size_t counted = std::min(pages.size(), logviewer::kMaxPageBoundaries);
    if (d.boundaries.size() != counted)
        return "page boundaries " + std::to_string(d.boundaries.size()) + ", pages " +
               std::to_string(pages.size());
    uint32_t start = firstRow;
    for (size_t k = 0; k < counted; ++k) {
        const TestPage& p = pages[k];
        const uint32_t end = d.boundaries[k];
        if (end < start + 24) return "page " + std::to_string(k) + " is shorter than its page end";
        const long last = LastPrintedRow(p);
        // The page ends with the band of its last printed row and the page end's 24 rows.
        const uint32_t expected = last < 0 ? 24 : uint32_t((last / 24 + 1) * 24 + 24);
        if (end - start != expected)
            return "page " + std::to_string(k) + " takes " + std::to_string(end - start) +
                   " rows, expected " + std::to_string(expected);
        std::vector<uint8_t> want(params.widthBytes);
        for (uint32_t y = 0; y < end - start; ++y) {
            const uint32_t r = start + y;
            if (r == 0 || r > d.height) return "page " + std::to_string(k) + " lies outside the image";
            // The row as the page gives it, clipped to its width and the roll, against the
            // decoded row (stored with every bit inverted).
            std::fill(want.begin(), want.end(), uint8_t(0));
            const uint32_t width = std::min(p.width, kMaxDots);
            if (y < p.rows.size()) {
                const auto& row = p.rows[y];
                const size_t n = std::min<size_t>(row.size(), (width + 7) / 8);
                for (size_t i = 0; i < n; ++i) want[i] = row[i];
                if (n == (width + 7) / 8 && width % 8) want[n - 1] &= uint8_t(0xFF00 >> (width % 8));
            }
            const uint8_t* got =
                d.bitmap.data() + logviewer::kPageImageHeaderSize + size_t(d.height - r) * params.widthBytes;
            for (size_t i = 0; i < want.size(); ++i) {
                if (uint8_t(~got[i]) == want[i]) continue;
                const uint8_t diff = uint8_t(~got[i] ^ want[i]);
                size_t bit = 0;
                while (!(diff & (0x80 >> bit))) ++bit;
                return "page " + std::to_string(k) + " row " + std::to_string(y) + " dot " +
                       std::to_string(i * 8 + bit) + " differs";
            }
        }
        start = end;
    }
    if (counted == pages.size() && d.height != start)
        return "rows after the last page: image " + std::to_string(d.height) + ", last boundary " +
               std::to_string(start);
    return "";
}

}  // namespace k20::render::testing
