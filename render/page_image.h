#pragma once
// Page images of the driver log, written row by row as the page arrives: a 1-bit
// bitmap (stored top-down, so no row has to wait for the page's end) and a baseline
// grayscale JPEG. Both fill in the page height when the page ends.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "render/file_io.h"

namespace k20::render {

class PageImageWriter {
  public:
    virtual ~PageImageWriter() = default;
    virtual bool Start(const std::filesystem::path& p, uint32_t widthDots) = 0;
    // One row: ceil(width / 8) bytes or more, most significant bit leftmost, 1 = black.
    virtual bool Row(const uint8_t* row) = 0;
    virtual bool Finish() = 0;
};

std::unique_ptr<PageImageWriter> MakeBmpWriter();
std::unique_ptr<PageImageWriter> MakeJpegWriter(int quality = 90);

// The same JPEG encoder over a whole gray image in memory (tests, tools).
std::vector<uint8_t> EncodeGrayJpeg(const uint8_t* gray, uint32_t width, uint32_t height, int quality = 90);

}  // namespace k20::render
