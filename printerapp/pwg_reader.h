#pragma once
// PWG raster files (PWG 5102.4) as the "render" command reads them: the whole file in
// memory, read through the bounded byte reader; each page header is checked as a whole
// before anything is sized from it, and rows are decoded one at a time.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/byte_reader.h"

namespace k20::printerapp {

struct PwgPage {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bitsPerPixel = 0;  // 1 or 8
    uint32_t bytesPerLine = 0;
    uint32_t colorSpace = 0;  // 3 black (1 = ink), 18 sGray, 0 gray
};

inline constexpr size_t kPwgHeaderSize = 1796;
// No printable row is near this long; a header asking for more is damaged.
inline constexpr uint32_t kPwgMaxLineBytes = 1u << 20;

class PwgReader {
  public:
    explicit PwgReader(std::span<const uint8_t> file);
    // False at the end of the file (error empty) or for a damaged header (error says why).
    bool NextPage(PwgPage& page, std::string& error);
    // The next row of the current page; false (with error) when its data is damaged.
    bool ReadRow(std::span<uint8_t> row, std::string& error);

  private:
    ByteReader r_;
    bool synced_ = false;
    PwgPage page_;
    uint32_t rowsLeft_ = 0;
    uint32_t repeats_ = 0;  // further copies of line_ still to hand out
    std::vector<uint8_t> line_;
};

}  // namespace k20::printerapp
