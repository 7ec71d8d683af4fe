#pragma once
// Builds job files from the commands the decoder knows, for tests and sample logs.
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace k20::logviewer::testing {

class JobBuilder {
  public:
    JobBuilder& Bytes(std::initializer_list<uint8_t> b) {
        out.insert(out.end(), b);
        return *this;
    }
    JobBuilder& Bytes(const std::vector<uint8_t>& b) {
        out.insert(out.end(), b.begin(), b.end());
        return *this;
    }
    JobBuilder& Init() { return Bytes({0x1B, 0x40}); }
    // 15 k: the feed in front of the next raster line.
    JobBuilder& Feed(uint8_t k) { return Bytes({0x15, k}); }
    // 16 n data: a raster line without its trailing feed.
    JobBuilder& Line(const std::vector<uint8_t>& data) {
        out.push_back(0x16);
        out.push_back(uint8_t(data.size()));
        return Bytes(data);
    }
    // The last line of a page: 16 n data 15 01 1D 44 00.
    JobBuilder& PageEndLine(const std::vector<uint8_t>& data) {
        Line(data);
        return Bytes({0x15, 0x01, 0x1D, 0x44, 0x00});
    }
    JobBuilder& Spacing(uint8_t n) { return Bytes({0x1B, 0x33, n, 0x0A}); }
    // 1B 33 00 0A and the six bytes the decoder skips after it.
    JobBuilder& PageEndFeed() { return Spacing(0).Bytes({0x1D, 0x56, 0x42, 0x00, 0x1B, 0x40}); }
    JobBuilder& Position(uint16_t x) { return Bytes({0x1B, 0x24, uint8_t(x), uint8_t(x >> 8)}); }
    // 1B 2A 21 nL nH and 3 bytes per column.
    JobBuilder& Band(const std::vector<uint8_t>& columnBytes) {
        size_t n = columnBytes.size() / 3;
        Bytes({0x1B, 0x2A, 0x21, uint8_t(n), uint8_t(n >> 8)});
        return Bytes(columnBytes);
    }
    std::vector<uint8_t> out;
};

// Raster rows of a decoded bitmap, row r (1..height) as printed dots (1 = black).
inline std::vector<uint8_t> PrintedRow(const std::vector<uint8_t>& bmp, uint32_t height, uint32_t w,
                                       uint32_t r) {
    std::vector<uint8_t> row(w);
    const uint8_t* p = bmp.data() + 62 + size_t(height - r) * w;
    for (uint32_t i = 0; i < w; ++i) row[i] = uint8_t(~p[i]);
    return row;
}

}  // namespace k20::logviewer::testing
